// Reading and writing the plans' sections of the profile file.

#include <gtest/gtest.h>

#include "core/plans/plan_file.h"
#include "core/plans/plan_text.h"
#include "core/plans/zone.h"

namespace tvq {
namespace {

TEST(PlanFile, LoadsEveryKindAndWritesItBackAsRead) {
    test::ScopedZone zone("Europe/Berlin");
    const LoadedPlans loaded = loadPlanText(
        "[PLANCOUNT]\ndaytimecount=2\nweektimecount=1\nmonthtimecount=1\noncetimecount=1\n"
        "[DAYTIME]\nTime0= 8:30: 0,8\nTime1=23:59:59,-1\n"
        "[WEEKTIME]\nTime0=6,23:59:59,10\n"
        "[MONTHTIME]\nTime0=05, 8:30: 0,abc\n"
        "[ONCETIME]\nTime0=2014-12-25,8:00:00,10\n");
    ASSERT_TRUE(loaded.result.ok);
    const CInfoPlan& s = loaded.store;
    EXPECT_EQ(stampText(s.oncePlans.at(0).date), "2014-12-25 00:00:00");
    // Every field shows in what the pages write back (a source that is not a number reads 0).
    EXPECT_EQ(planEntryValue(s.dayPlans.at(0), PlanKind::Day), " 8:30: 0,8");
    EXPECT_EQ(planEntryValue(s.dayPlans.at(1), PlanKind::Day), "23:59:59,-1");
    EXPECT_EQ(planEntryValue(s.weekPlans.at(0), PlanKind::Week), "6,23:59:59,10");
    EXPECT_EQ(planEntryValue(s.monthPlans.at(0), PlanKind::Month), "05, 8:30: 0,0");
    EXPECT_EQ(planEntryValue(s.oncePlans.at(0), PlanKind::Once), "2014-12-25, 8: 0: 0,10");
}

TEST(PlanFile, BadAndShortEntries) {
    // What each load gives: "ok|failed [at N] day=N week=N diagnostics=N", then the untaken entries
    // (those a save of their kind would drop, so the kind stays read-only) as "SECTION key".
    const std::pair<const char*, const char*> cases[] = {
        {"[PLANCOUNT]\ndaytimecount=2\n[DAYTIME]\nTime0=1:2:3,4\n",  // a warning, nothing lost
         "ok day=1 week=0 diagnostics=1"},
        {"[PLANCOUNT]\ndaytimecount=3\n[DAYTIME]\nTime0=8:00:00\nTime1=8:00,1\nTime2=9:0:0,2\n",
         "ok day=1 week=0 diagnostics=2; DAYTIME Time0; DAYTIME Time1"},
        {"[PLANCOUNT]\ndaytimecount=3\nweektimecount=1\n[DAYTIME]\nTime0=8:0:0,1\n"
         "Time1=24:00:00,2\nTime2=9:0:0,2\n[WEEKTIME]\nTime0=1,8:0:0,1\n",  // earlier plans stay
         "failed at 1 day=1 week=0 diagnostics=0"},
        {"[PLANCOUNT]\noncetimecount=1\n[ONCETIME]\nTime0=2014-13-1,8:0:0,2\n",
         "failed at 0 day=0 week=0 diagnostics=0"},
        {"[PLANCOUNT]\noncetimecount=2\n[ONCETIME]\nTime0=2026-2-30,8:0:0,2\n"  // not in March
         "Time1=2026-4-31,8:0:0,2\n",
         "ok day=0 week=0 diagnostics=2; ONCETIME Time0; ONCETIME Time1"},
        {"[PLANCOUNT]\ndaytimecount=-5\nweektimecount=abc\n[DAYTIME]\nTime0=8:0:0,1\n"
         "[WEEKTIME]\nTime0=1,8:0:0,1\n",
         "ok day=0 week=0 diagnostics=2; DAYTIME Time0; WEEKTIME Time0"},
        {"[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=8:0:0,1\nTime1=9:0:0,1\nTime2=10:0:0,1\n",
         "ok day=1 week=0 diagnostics=2; DAYTIME Time1; DAYTIME Time2"},
        // Names are case-blind; leading zeros and other keys are not plans.
        {"[plancount]\nDAYTIMECOUNT=2\n[daytime]\ntime0=8:0:0,1\nTime01=9:0:0,1\nx=1\n",
         "ok day=1 week=0 diagnostics=3; DAYTIME Time01; DAYTIME x"},
        // A repeated key and a second section: the first copy is the plan.
        {"[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=8:0:0,1\nTIME0=9:0:0,1\n[CONNECT]\n"
         "[DAYTIME]\nTime0=10:0:0,1\n",
         "ok day=1 week=0 diagnostics=2; DAYTIME TIME0; DAYTIME Time0"}};
    for (const auto& [text, expected] : cases) {
        const LoadedPlans loaded = loadPlanText(text);
        const PlanLoadResult& r = loaded.result;
        std::string got = std::string(r.ok ? "ok" : "failed") +
                          (r.failedEntry < 0 ? "" : " at " + std::to_string(r.failedEntry)) +
                          " day=" + std::to_string(loaded.store.dayPlans.size()) +
                          " week=" + std::to_string(loaded.store.weekPlans.size()) +
                          " diagnostics=" + std::to_string(r.diagnostics.size());
        for (const PlanLoadResult::Untaken& u : r.untaken)
            got += "; " + std::string(planSection(u.kind)) + " " + u.key;
        EXPECT_EQ(got, expected) << text;
    }
}

TEST(PlanText, NamesAndFields) {
    EXPECT_EQ(sourceFieldText(weekdayIndexOf("Mon")), "-1");
    EXPECT_EQ(sourceCodeOf("hdmi"), 255);  // exact names only
    EXPECT_EQ(splitFields(" 8:30: 0,8 "), (std::vector<std::string>{"8:30: 0", "8"}));
    EXPECT_EQ(splitFields("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(parseClock("99999999999:0:0").value[0], 2147483647);  // saturates, then refused
}

}  // namespace
}  // namespace tvq
