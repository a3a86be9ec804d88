#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QLabel>
#include <csignal>

#include "plans_rig.h"

using namespace plantest;
using Answer = MessageBoxes::Answer;

namespace {

std::string section(const std::string& file, const std::string& name) {
    const auto begin = file.find("[" + name + "]");
    if (begin == std::string::npos) return {};
    const auto end = file.find('[', begin + 1);
    return file.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// Opening lists each kind in its order, numbered from Time0, and rewrites the section to match.
TEST(GuiPlanPages, OpeningListsEveryKindInItsOrderAndRewritesItsSection) {
    struct Case {
        PlanKind kind;
        std::string file;
        QStringList rows;
        std::string section;
    };
    const std::vector<Case> cases{
        {PlanKind::Day,
         "[PLANCOUNT]\ndaytimecount=3\n[DAYTIME]\nTime0=12:00: 0,0\nTime1= 8: 0: 0,8\n"
         "Time2=12: 0: 0,5\n",
         {"Time0| 8: 0: 0|HDMI", "Time1|12: 0: 0|V1", "Time2|12: 0: 0|VGA1"},
         "[DAYTIME]\nTime0= 8: 0: 0,8\nTime1=12: 0: 0,0\nTime2=12: 0: 0,5\n"},
        // Equal weekdays: the larger key first, so their order turns over.
        {PlanKind::Week,
         "[PLANCOUNT]\nweektimecount=3\n[WEEKTIME]\nTime0=1, 9: 0: 0,0\nTime1=0,10: 0: 0,1\n"
         "Time2=1, 7: 0: 0,10\n",
         {"Time0|0Sun|10: 0: 0|V2", "Time1|1Mon| 7: 0: 0|YPbPr", "Time2|1Mon| 9: 0: 0|V1"},
         "[WEEKTIME]\nTime0=0,10: 0: 0,1\nTime1=1, 7: 0: 0,10\nTime2=1, 9: 0: 0,0\n"},
        {PlanKind::Month,
         "[PLANCOUNT]\nmonthtimecount=2\n[MONTHTIME]\nTime0=15, 8:30: 0,7\nTime1=05,23:59:59,3\n",
         {"Time0|05|23:59:59|", "Time1|15| 8:30: 0|DVI"},
         "[MONTHTIME]\nTime0=05,23:59:59,3\nTime1=15, 8:30: 0,7\n"},
        {PlanKind::Once,
         "[PLANCOUNT]\noncetimecount=2\n[ONCETIME]\nTime0=2030-1-1, 0: 0: 1,9\n"
         "Time1=2021-03-01,12: 0: 0,6\n",
         {"Time0|2021-3-1|12: 0: 0|VGA2", "Time1|2030-1-1| 0: 0: 1|EXT."},
         "[ONCETIME]\nTime0=2021-3-1,12: 0: 0,6\nTime1=2030-1-1, 0: 0: 1,9\n"},
    };
    for (const Case& c : cases) {
        ProgramRig rig(c.file);
        EXPECT_EQ(rig.rows(c.kind), c.rows) << int(c.kind);
        EXPECT_EQ(section(rig.file(), std::string(tvq::planSection(c.kind))), c.section);
        EXPECT_TRUE(rig.boxes.shown.empty());
    }
}

TEST(GuiPlanPages, AddPutsThePlanInOrderAndCountsIt) {
    ProgramRig rig("[PLANCOUNT]\ndaytimecount=2\n[DAYTIME]\nTime0= 8: 0: 0,8\nTime1=12: 0: 0,0\n");
    rig.enter(PlanKind::Day, "addButton", {QTime(9, 30, 15), 4});
    EXPECT_EQ(rig.rows(PlanKind::Day),
              (QStringList{"Time0| 8: 0: 0|HDMI", "Time1| 9:30:15|DVI", "Time2|12: 0: 0|V1"}));
    EXPECT_NE(rig.file().find("daytimecount=3"), std::string::npos);
    EXPECT_NE(rig.file().find("Time1= 9:30:15,7\n"), std::string::npos);

    // The week page writes the weekday's number, whichever language named it.
    guitest::switchLanguage(true);
    rig.enter(PlanKind::Week, "addButton", {QTime(17, 0, 0), 6, "3星期三"});
    EXPECT_EQ(rig.rows(PlanKind::Week), QStringList{"Time0|3星期三|17: 0: 0|VGA1"});
    EXPECT_NE(rig.file().find("[WEEKTIME]\nTime0=3,17: 0: 0,5\n"), std::string::npos);
}

// The 10-second rule refuses in the operator's language and changes nothing; a modify that keeps
// the plan's own time is no clash with itself.
TEST(GuiPlanPages, SpacingRefusesCloseTimesAndModifySkipsItself) {
    struct Case {
        bool chinese;
        QString title, text;
    };
    const std::vector<Case> cases{
        {false, "System Information",
         "Sorry, opertion is invalid due to that the minimal time interval between a new plan "
         "and a exsisted one is 10 seconds"},
        {true, "系统信息",
         "对不起，操作不成功，因新添加的定时器与已存定时器之间最小时间间隔为10秒"},
    };
    const std::string file =
        "[PLANCOUNT]\ndaytimecount=2\n[DAYTIME]\nTime0= 8: 0: 0,8\nTime1= 9: 0: 0,0\n";
    for (const Case& c : cases) {
        ProgramRig rig(file);
        guitest::switchLanguage(c.chinese);
        const std::string before = rig.file();
        rig.enter(PlanKind::Day, "addButton", {QTime(8, 0, 10), 1});
        ASSERT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.boxes.shown[0].title, c.title);
        EXPECT_EQ(rig.boxes.shown[0].text, c.text);
        EXPECT_EQ(rig.file(), before);

        rig.select(PlanKind::Day, 1);
        rig.enter(PlanKind::Day, "modifyButton", {QTime(9, 0, 0), 8});
        EXPECT_EQ(rig.boxes.shown.size(), 1u);
        EXPECT_EQ(rig.rows(PlanKind::Day),
                  (QStringList{"Time0| 8: 0: 0|HDMI", "Time1| 9: 0: 0|EXT."}));
        rig.select(PlanKind::Day, 1);
        rig.enter(PlanKind::Day, "modifyButton", {QTime(8, 0, 5), 0});
        EXPECT_EQ(rig.boxes.shown.size(), 2u);
        EXPECT_NE(rig.file().find("Time1= 9: 0: 0,9\n"), std::string::npos);
    }
}

TEST(GuiPlanPages, DeleteAsksAndRenumbers) {
    ProgramRig rig(
        "[PLANCOUNT]\ndaytimecount=3\n[DAYTIME]\nTime0= 8: 0: 0,8\nTime1= 9: 0: 0,0\n"
        "Time2=10: 0: 0,1\n");
    rig.list(PlanKind::Day)->clearSelection();
    guitest::clickOn(rig.button(PlanKind::Day, "deleteButton"));
    guitest::clickOn(rig.button(PlanKind::Day, "modifyButton"));
    ASSERT_EQ(rig.boxes.shown.size(), 2u);
    for (const auto& shown : rig.boxes.shown) EXPECT_EQ(shown.text, "Please select an item.");

    rig.boxes.answers = {Answer::No, Answer::Cancel, Answer::Yes};
    for (int i = 0; i < 3; ++i) {
        rig.select(PlanKind::Day, 1);
        guitest::clickOn(rig.button(PlanKind::Day, "deleteButton"));
    }
    EXPECT_EQ(rig.boxes.shown.back().title, "System Information ");
    EXPECT_EQ(rig.boxes.shown.back().text,
              "Are you Sure  want to delete the current timing settings? ");
    EXPECT_EQ(rig.rows(PlanKind::Day), (QStringList{"Time0| 8: 0: 0|HDMI", "Time1|10: 0: 0|V2"}));
    EXPECT_NE(rig.file().find("daytimecount=2"), std::string::npos);
    EXPECT_EQ(section(rig.file(), "DAYTIME"), "[DAYTIME]\nTime0= 8: 0: 0,8\nTime1=10: 0: 0,1\n");
}

// A hostile count reads only the entries present; the page says once how many lie beyond 240.
TEST(GuiPlanPages, OverTheLimitIsSaidOnceWithHowManyAndAllAreListed) {
    std::string file = "[PLANCOUNT]\ndaytimecount=2147483647\n[DAYTIME]\n";
    for (int i = 0; i < 250; ++i)
        file += "Time" + std::to_string(i) + "=" + std::to_string(i / 60 % 24) + ":" +
                std::to_string(i % 60) + ":0,0\n";
    ProgramRig rig(file);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].text,
              "The plan items of one day can not exceed 240.\n"
              "10 entries beyond the limit are in the file.");
    EXPECT_EQ(rig.list(PlanKind::Day)->topLevelItemCount(), 250);
}

// A bad entry: the window names it and opens with what came before; that kind stays read-only
// so its unread entries are not lost, the kinds read whole stay editable.
TEST(GuiPlanPages, ALoadThatStoppedNamesTheEntryAndKeepsTheRestOfThatSection) {
    ProgramRig rig(
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=3\n[DAYTIME]\nTime0= 8: 0: 0,8\n"
        "[WEEKTIME]\nTime0=1, 9: 0: 0,0\nTime1=2,24: 0: 0,1\nTime2=3, 9: 0: 0,2\n");
    auto* problem = rig.window->findChild<QLabel*>("loadProblem");
    EXPECT_TRUE(problem->isVisible());
    EXPECT_EQ(problem->text(),
              "Plan file: bad entry Time1 in section WEEKTIME; later entries not loaded");
    EXPECT_EQ(rig.rows(PlanKind::Week), QStringList{"Time0|1Mon| 9: 0: 0|V1"});
    EXPECT_FALSE(rig.button(PlanKind::Week, "addButton")->isEnabled());
    EXPECT_TRUE(rig.button(PlanKind::Day, "addButton")->isEnabled());
    EXPECT_NE(rig.file().find("Time2=3, 9: 0: 0,2"), std::string::npos);
}

// A save that fails is shown on the page with its reason, and the list shows the disk's plans.
TEST(GuiPlanPages, AFailedSaveIsShownAndTheListMatchesTheDisk) {
    ProgramRig rig("[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0= 8: 0: 0,8\n");
    // A file size limit makes every write of the save fail, for root too.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit tiny = old;
    tiny.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    rig.enter(PlanKind::Day, "addButton", {QTime(9, 0, 0), 1});
    setrlimit(RLIMIT_FSIZE, &old);
    auto* problem = rig.page(PlanKind::Day)->findChild<QLabel*>("saveProblem");
    EXPECT_TRUE(problem->isVisible());
    EXPECT_TRUE(problem->text().startsWith("Plan file not saved: "))
        << problem->text().toStdString();
    EXPECT_EQ(rig.rows(PlanKind::Day), QStringList{"Time0| 8: 0: 0|HDMI"});
}

// Modify opens on the plan: its source's radio (by code, not by place), its weekday and date.
TEST(GuiPlanPages, ModifyOpensOnThePlan) {
    struct Case {
        PlanKind kind;
        std::string file;
        QString radio;  // empty: no radio ticked
        QString weekday, day;
        QDate date;
    };
    const std::vector<Case> cases{
        {PlanKind::Day,
         "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0= 8: 5: 0,10\n",
         "sourceYPbPr",
         {},
         {},
         {}},
        {PlanKind::Week,
         "[PLANCOUNT]\nweektimecount=1\n[WEEKTIME]\nTime0=5, 8: 5: 0,7\n",
         "sourceDvi",
         "5Fri",
         {},
         {}},
        {PlanKind::Month,
         "[PLANCOUNT]\nmonthtimecount=1\n[MONTHTIME]\nTime0=31, 8: 5: 0,3\n",
         "sourceSVideo",
         {},
         "31",
         {}},
        {PlanKind::Once,
         "[PLANCOUNT]\noncetimecount=1\n[ONCETIME]\nTime0=2014-6-5, 8: 5: 0,11\n",
         {},
         {},
         {},
         QDate(2014, 6, 5)},
    };
    for (const Case& c : cases) {
        ProgramRig rig(c.file);
        rig.select(c.kind, 0);
        bool seen = false;
        guitest::onNextModal<CAddPlan>([&](CAddPlan* d) {
            seen = true;
            EXPECT_EQ(d->findChild<QTimeEdit*>("timePicker")->time(), QTime(8, 5, 0));
            for (const QString& name : kSourceRadios)
                EXPECT_EQ(d->findChild<QRadioButton*>(name)->isChecked(), name == c.radio)
                    << name.toStdString();
            if (!c.weekday.isEmpty()) {
                EXPECT_EQ(d->findChild<QComboBox*>("weekdayBox")->currentText(), c.weekday);
            }
            if (!c.day.isEmpty()) {
                EXPECT_EQ(d->findChild<QComboBox*>("monthDayBox")->currentText(), c.day);
            }
            if (c.date.isValid()) {
                EXPECT_EQ(d->findChild<QDateEdit*>("datePicker")->date(), c.date);
            }
            EXPECT_EQ(d->findChild<QDateEdit*>("datePicker")->isEnabled(),
                      c.kind == PlanKind::Once);
            EXPECT_EQ(d->findChild<QComboBox*>("weekdayBox")->isEnabled(),
                      c.kind == PlanKind::Week);
            EXPECT_EQ(d->findChild<QComboBox*>("monthDayBox")->isEnabled(),
                      c.kind == PlanKind::Month);
            d->reject();
        });
        guitest::clickOn(rig.button(c.kind, "modifyButton"));
        EXPECT_TRUE(seen);
    }
}

// Every text of the window follows the language while it is open.
TEST(GuiPlanPages, TheWindowSpeaksBothLanguages) {
    ProgramRig rig("[PLANCOUNT]\nweektimecount=1\n[WEEKTIME]\nTime0=0, 8: 0: 0,0\n");
    auto* tabs = rig.window->findChild<QTabWidget*>("planTabs");
    for (bool chinese : {true, false}) {
        guitest::switchLanguage(chinese);
        const QStringList tabTexts{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2),
                                   tabs->tabText(3)};
        const QString header = rig.list(PlanKind::Week)->headerItem()->text(1);
        if (chinese) {
            EXPECT_EQ(rig.window->windowTitle(), "任务");
            EXPECT_EQ(tabTexts, (QStringList{"日定时", "周定时", "月定时", "一次定时"}));
            EXPECT_EQ(header, "周日期");
            EXPECT_EQ(rig.rows(PlanKind::Week), QStringList{"Time0|0星期日| 8: 0: 0|V1"});
            EXPECT_EQ(rig.button(PlanKind::Week, "addButton")->text(), "添加");
        } else {
            EXPECT_EQ(rig.window->windowTitle(), "Program");
            EXPECT_EQ(tabTexts, (QStringList{"DayPlan", "WeekPlan", "MonthPlan", "One_time Plan"}));
            EXPECT_EQ(header, "WDay");
            EXPECT_EQ(rig.rows(PlanKind::Week), QStringList{"Time0|0Sun| 8: 0: 0|V1"});
            EXPECT_EQ(rig.button(PlanKind::Week, "addButton")->text(), "Add");
        }
    }
}

}  // namespace
