// The pages' rules: list order, renumbering, spacing, and the file after each change.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/plans/plan_pages.h"
#include "core/plans/zone.h"

namespace tvq {
namespace {

namespace fs = std::filesystem;

PlanRecord dayAt(int h, int m, int s, int source = 8) {
    PlanRecord r;
    r.timeOfDay = clockAt(2000, 1, 1, h, m, s);
    r.source = source;
    return r;
}

PlanRecord weekOn(const char* weekday, int h, int source) {
    PlanRecord r = dayAt(h, 0, 0, source);
    r.weekDayText = weekday;
    return r;
}

PlanDraft draft(PlanKind kind, int h, int m, int s, const char* weekday = "",
                const char* day = "") {
    PlanDraft d;
    d.kind = kind;
    d.chosenDate = clockAt(2024, 5, 6, 0, 0, 0);
    d.chosenTime = clockAt(2024, 5, 6, h, m, s);
    d.weekdayText = weekday;
    d.dayText = day;
    return d;
}

TEST(PlanPages, ListOrder) {
    test::ScopedZone zone("Asia/Shanghai");
    // Week and month: by number, equal numbers put the larger key first (so they swap on
    // every refresh); text without a number last.
    PlanMap week{{0, weekOn("1", 8, 1)},
                 {1, weekOn("0", 8, 2)},
                 {2, weekOn("1", 9, 3)},
                 {3, weekOn("x", 9, 3)}};
    EXPECT_EQ(listOrder(week, PlanKind::Week), (std::vector<std::int32_t>{1, 2, 0, 3}));
    PlanMap month{{0, dayAt(8, 0, 0)}, {1, dayAt(8, 0, 0)}};
    month[0].monthDayText = "15";
    month[1].monthDayText = "05";
    EXPECT_EQ(listOrder(month, PlanKind::Month), (std::vector<std::int32_t>{1, 0}));
    PlanMap once{{0, dayAt(8, 0, 0)}, {1, dayAt(8, 0, 0)}};
    once[0].date = clockAt(2030, 1, 1, 0, 0, 0);
    once[1].date = clockAt(2021, 3, 1, 0, 0, 0);
    EXPECT_EQ(listOrder(once, PlanKind::Once), (std::vector<std::int32_t>{1, 0}));
}

TEST(PlanPages, SpacingCheck) {
    test::ScopedZone zone("Europe/Berlin");
    struct Case {
        const char* why;
        PlanKind kind;
        PlanRecord existing;
        PlanDraft draft;
        bool accepted;
    };
    PlanRecord monthFive = dayAt(9, 0, 9);
    monthFive.monthDayText = "05";
    PlanRecord monthSix = dayAt(9, 0, 0);
    monthSix.monthDayText = "06";
    PlanRecord onceA = dayAt(8, 0, 0);
    onceA.date = clockAt(2024, 5, 7, 0, 0, 0);
    const Case cases[] = {
        {"11 s", PlanKind::Day, dayAt(8, 0, 0), draft(PlanKind::Day, 8, 0, 11), true},
        {"no wrap at midnight", PlanKind::Day, dayAt(23, 59, 55), draft(PlanKind::Day, 0, 0, 3),
         true},
        {"other weekday", PlanKind::Week, weekOn("2", 8, 1), draft(PlanKind::Week, 8, 0, 0, "1Mon"),
         true},
        {"same weekday, Chinese name", PlanKind::Week, weekOn("1", 8, 1),
         draft(PlanKind::Week, 8, 0, 5, "1星期一"), false},
        {"other day of month", PlanKind::Month, monthSix, draft(PlanKind::Month, 9, 0, 0, "", "05"),
         true},
        {"same day of month", PlanKind::Month, monthFive, draft(PlanKind::Month, 9, 0, 0, "", "05"),
         false},
        {"one-time, other date", PlanKind::Once, onceA, draft(PlanKind::Once, 8, 0, 0), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const PlanMap plans{{0, c.existing}};
        EXPECT_EQ(checkPlanSpacing(plans, c.draft), c.accepted);
        // Modify skips the plan being edited.
        EXPECT_TRUE(checkPlanSpacing(plans, c.draft, 0));
    }
}

class PlanFileEdits : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tvq-pages-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        path_ = dir_ / "Planinfo.ini";
    }
    void TearDown() override { fs::remove_all(dir_); }
    void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string read() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    test::ScopedZone zone_{"Europe/Berlin"};
    fs::path dir_, path_;
};

TEST_F(PlanFileEdits, AddModifyDeleteRewriteTheSection) {
    write(
        "[CONNECT]\r\nIP=10.0.0.1\r\n[PLANCOUNT]\r\ndaytimecount=9\r\n[DAYTIME]\r\n"
        "Time0=12:00:00,1\r\n");
    LoadedPlans open = loadPlanFile(path_);
    ASSERT_FALSE(openPages(open.store, open.file, open.result).saveError);

    PlanDraft a = draft(PlanKind::Day, 8, 0, 0);
    a.source = 10;
    EXPECT_TRUE(addPlan(open.store, open.file, a).changed);
    EXPECT_EQ(read(),
              "[CONNECT]\r\nIP=10.0.0.1\r\n[PLANCOUNT]\r\ndaytimecount=2\r\n[DAYTIME]\r\n"
              "Time0= 8: 0: 0,10\r\nTime1=12: 0: 0,1\r\n");

    // Modify Time1 to 8:00:05: too close to Time0; to 7:00 it moves to the top.
    EXPECT_FALSE(modifyPlan(open.store, open.file, 1, draft(PlanKind::Day, 8, 0, 5)).changed);
    EXPECT_TRUE(modifyPlan(open.store, open.file, 1, draft(PlanKind::Day, 7, 0, 0)).changed);
    EXPECT_EQ(pageRows(open.store, PlanKind::Day, PlanLanguage::English),
              (std::vector<PlanRow>{{"Time0", "", " 7: 0: 0", "V1"},
                                    {"Time1", "", " 8: 0: 0", "YPbPr"}}));

    EXPECT_TRUE(deletePlan(open.store, open.file, PlanKind::Day, 0).changed);
    EXPECT_EQ(read(),
              "[CONNECT]\r\nIP=10.0.0.1\r\n[PLANCOUNT]\r\ndaytimecount=1\r\n[DAYTIME]\r\n"
              "Time0= 8: 0: 0,10\r\n");
    const LoadedPlans again = loadPlanFile(path_);
    EXPECT_EQ(pageRows(again.store, PlanKind::Day, PlanLanguage::English),
              pageRows(open.store, PlanKind::Day, PlanLanguage::English));

    // 2:30 does not exist on 29 March 2026 in Berlin: refused, not stored as 3:30.
    PlanDraft skipped;
    skipped.kind = PlanKind::Once;
    skipped.chosenDate = clockAt(2026, 3, 29, 0, 0, 0);
    skipped.chosenTime = clockAt(2026, 3, 28, 2, 30, 0);
    const std::string before = read();
    EXPECT_EQ(addPlan(open.store, open.file, skipped).notice.id, MessageId::PlanTimeSkipped);
    EXPECT_EQ(read(), before);
}

TEST_F(PlanFileEdits, FailedLoadLeavesUnreadKindsAlone) {
    write(
        "[PLANCOUNT]\ndaytimecount=1\nweektimecount=2\nmonthtimecount=1\n[DAYTIME]\n"
        "Time0=8:0:0,1\n[WEEKTIME]\nTime0=1,8:0:0,1\nTime1=1,25:0:0,1\n[MONTHTIME]\n"
        "Time0=05,8:0:0,1\n");
    LoadedPlans open = loadPlanFile(path_);
    ASSERT_FALSE(open.result.ok);
    EXPECT_TRUE(pageEditable(open.result, PlanKind::Day));
    EXPECT_FALSE(pageEditable(open.result, PlanKind::Week));
    EXPECT_FALSE(pageEditable(open.result, PlanKind::Month));
    openPages(open.store, open.file, open.result);
    EXPECT_NE(read().find("Time1=1,25:0:0,1\n[MONTHTIME]\nTime0=05,8:0:0,1\n"), std::string::npos);

    // Entries a load could not take keep their kind as the file has it, byte for byte.
    const std::string untaken =
        "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=8:0:0,1\nTime1=9:0:0,1\n[DAYTIME]\n"
        "Time2=7:0:0,1\n";
    write(untaken);
    open = loadPlanFile(path_);
    EXPECT_FALSE(pageEditable(open.result, PlanKind::Day));
    EXPECT_FALSE(addPlan(open.store, open.file, draft(PlanKind::Day, 10, 0, 0)).changed);
    openPages(open.store, open.file, open.result);
    EXPECT_EQ(read().substr(0, untaken.size()), untaken);
}

TEST_F(PlanFileEdits, EditsKeepWhatAnotherWriterSavedSinceTheRead) {
    write("[PLANCOUNT]\ndaytimecount=2\n[DAYTIME]\nTime0= 8: 0: 0,1\nTime1= 9: 0: 0,2\n");
    LoadedPlans window = loadPlanFile(path_);  // the program window, open a while
    LoadedPlans other = loadPlanFile(path_);   // a command line meanwhile
    ASSERT_TRUE(addPlan(other.store, other.file, draft(PlanKind::Day, 7, 0, 0)).changed);

    // The window's row 1 (9:00) is row 2 on the disk now; the 7:00 plan stays.
    const PageOutcome deleted = deletePlan(window.store, window.file, PlanKind::Day, 1);
    ASSERT_TRUE(deleted.changed);
    EXPECT_TRUE(deleted.reread);  // every page shows the store anew
    EXPECT_EQ(read(),
              "[PLANCOUNT]\ndaytimecount=2\n[DAYTIME]\nTime0= 7: 0: 0,0\nTime1= 8: 0: 0,1\n");
    EXPECT_FALSE(deletePlan(other.store, other.file, PlanKind::Day, 2).changed);  // gone now
}

TEST(PlanPages, Rows) {
    test::ScopedZone zone("Europe/Berlin");
    CInfoPlan store;
    store.dayPlans[0] = dayAt(0, 0, 0, 3);
    store.weekPlans[0] = weekOn("0", 8, 7);
    EXPECT_EQ(pageRows(store, PlanKind::Week, PlanLanguage::Chinese)[0],
              (PlanRow{"Time0", "0星期日", " 8: 0: 0", "DVI"}));
    EXPECT_EQ(pageRows(store, PlanKind::Day, PlanLanguage::English)[0].signal, "");
}

}  // namespace
}  // namespace tvq
