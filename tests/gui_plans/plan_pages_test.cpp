#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QLabel>
#include <csignal>

#include "plans_rig.h"

using namespace plantest;
using Answer = MessageBoxes::Answer;

namespace {

const std::string kThreeDayPlans =
    "[PLANCOUNT]\ndaytimecount=3\n[DAYTIME]\nTime0=12:00: 0,0\nTime1= 8: 0: 0,8\n"
    "Time2=12: 0: 0,5\n";

// Opening sorts (equal times keep their order), renumbers and rewrites the section; Add puts
// the new plan in its place and counts it.
TEST(GuiPlanPages, OpeningAndAddKeepListAndFileInClockOrder) {
    ProgramRig rig(kThreeDayPlans);
    EXPECT_EQ(rig.rows(),
              (QStringList{"Time0| 8: 0: 0|HDMI", "Time1|12: 0: 0|V1", "Time2|12: 0: 0|VGA1"}));
    EXPECT_TRUE(rig.fileHas("[DAYTIME]\nTime0= 8: 0: 0,8\nTime1=12: 0: 0,0\nTime2=12: 0: 0,5\n"));
    rig.enter("addButton", QTime(9, 30, 15), "sourceDvi");
    EXPECT_EQ(rig.rows()[1], "Time1| 9:30:15|DVI");
    EXPECT_TRUE(rig.fileHas("daytimecount=4"));
}

// The 10-second rule refuses and changes nothing; a modify that keeps the plan's own time does
// not clash with itself, and saves the source an assistive tool toggled.
TEST(GuiPlanPages, SpacingRefusesCloseTimesAndModifySkipsItself) {
    ProgramRig rig(kThreeDayPlans);
    const std::string before = rig.file();
    rig.enter("addButton", QTime(8, 0, 10), "sourceV2");
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].title, "System Information");
    EXPECT_EQ(rig.boxes.shown[0].text,
              "Sorry, opertion is invalid due to that the minimal time interval between a new plan "
              "and a exsisted one is 10 seconds");
    EXPECT_EQ(rig.file(), before);

    rig.select(0);
    rig.enter("modifyButton", QTime(8, 0, 0), "sourceExt", true);
    EXPECT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_TRUE(rig.fileHas("Time0= 8: 0: 0,9\n"));
}

TEST(GuiPlanPages, DeleteAsksAndRenumbers) {
    ProgramRig rig(kThreeDayPlans);
    guitest::clickOn(rig.get("deleteButton"));
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].text, "Please select an item.");

    rig.boxes.answers = {Answer::No, Answer::Cancel, Answer::Yes};
    for (int i = 0; i < 3; ++i) {
        rig.select(1);
        guitest::clickOn(rig.get("deleteButton"));
    }
    EXPECT_EQ(rig.boxes.shown.back().title, "System Information ");
    EXPECT_EQ(rig.boxes.shown.back().text,
              "Are you Sure  want to delete the current timing settings? ");
    EXPECT_EQ(rig.rows(), (QStringList{"Time0| 8: 0: 0|HDMI", "Time1|12: 0: 0|VGA1"}));
    EXPECT_TRUE(rig.fileHas("daytimecount=2"));
}

// A hostile count reads only the entries present; the page says once how many lie beyond 240.
TEST(GuiPlanPages, OverTheLimitIsSaidOnceWithHowMany) {
    std::string file = "[PLANCOUNT]\ndaytimecount=2147483647\n[DAYTIME]\n";
    for (int i = 0; i < 250; ++i)
        file += "Time" + std::to_string(i) + "=" + std::to_string(i / 60) + ":" +
                std::to_string(i % 60) + ":0,0\n";
    ProgramRig rig(file);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].text,
              "The plan items of one day can not exceed 240.\n"
              "10 entries beyond the limit are in the file.");
    EXPECT_EQ(rig.rows().size(), 250);
}

// A bad entry: the window names it and opens; that kind stays read-only so its unread entries
// are not lost, the kinds read whole stay editable.
TEST(GuiPlanPages, ALoadThatStoppedNamesTheEntryAndKeepsTheRest) {
    ProgramRig rig(
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=2\n[DAYTIME]\nTime0= 8: 0: 0,8\n"
        "[WEEKTIME]\nTime0=2,24: 0: 0,1\nTime1=3, 9: 0: 0,2\n");
    auto* problem = rig.window->findChild<QLabel*>("loadProblem");
    EXPECT_TRUE(problem->isVisible());
    EXPECT_EQ(problem->text(),
              "Plan file: bad entry Time0 in section WEEKTIME; later entries not loaded");
    EXPECT_FALSE(rig.get("addButton", PlanKind::Week)->isEnabled());
    EXPECT_TRUE(rig.get("addButton")->isEnabled());
    EXPECT_TRUE(rig.fileHas("Time1=3, 9: 0: 0,2"));
}

// A save that fails is shown on the page with its reason; the list shows what the disk holds.
TEST(GuiPlanPages, AFailedSaveIsShownAndTheListMatchesTheDisk) {
    ProgramRig rig(kThreeDayPlans);
    const QStringList before = rig.rows();
    // A file size limit makes the save's writes fail, for root too.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit tiny = old;
    tiny.rlim_cur = 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    rig.enter("addButton", QTime(9, 0, 0), "sourceV2");
    setrlimit(RLIMIT_FSIZE, &old);
    auto* problem = rig.get<QLabel>("saveProblem");
    EXPECT_TRUE(problem->isVisible());
    EXPECT_TRUE(problem->text().startsWith("Plan file not saved: "))
        << problem->text().toStdString();
    EXPECT_EQ(rig.rows(), before);
}

}  // namespace
