// The controller's timer against the simulator: Start, and the plan's switch on the wire at its
// second.

#include <QDateTime>
#include <QLineEdit>
#include <fstream>

#include "core/platform/local_time.h"
#include "e2e_rig.h"

using namespace e2e;

namespace {

TEST(GuiE2ePlans, StartSendsTheDayPlanAtItsSecond) {
    Rig rig(Via::Tcp);
    const tvq::Moment at = QDateTime::currentSecsSinceEpoch() + 3;
    if (tvq::startOfDay(at) != tvq::startOfDay(at - 10)) GTEST_SKIP() << "too close to midnight";
    std::ofstream(rig.settings) << "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0="
                                << tvq::clockText(at) << ",8\n";
    rig.open();
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    rig.click("startButton");
    EXPECT_TRUE(waitFor([&] { return rig.get<QLineEdit>("timerField1")->text() == "HDMI"; }));

    const std::string hdmi = "05 01 80 08 00 00 00 00 00 00 00 00 8c";
    ASSERT_TRUE(waitFor([&] { return rig.cameIn(hdmi); }, 10000));
    EXPECT_GE(QDateTime::currentSecsSinceEpoch(), at);
    EXPECT_EQ(rig.countIn(hdmi), 1u);
    EXPECT_TRUE(waitFor([&] { return rig.state().mainSource == 8; }));
    rig.click("stopButton");
    EXPECT_TRUE(rig.enabled("startButton"));
}

}  // namespace
