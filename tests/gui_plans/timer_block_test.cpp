#include <gtest/gtest.h>

#include <QDateTime>

#include "core/platform/local_time.h"
#include "gui/wall/cascade_dialog.h"
#include "plans_rig.h"

using namespace guitest;

namespace {

// A day plan `ahead` seconds from now, or nothing when that would cross midnight.
std::optional<tvq::Moment> dayPlanAhead(const std::filesystem::path& file, int ahead, int source,
                                        const std::string& connect = {}) {
    const tvq::Moment at = QDateTime::currentSecsSinceEpoch() + ahead;
    if (tvq::startOfDay(at) != tvq::startOfDay(at - ahead - 5)) return std::nullopt;
    plantest::writeFile(file, connect + "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=" +
                                  tvq::clockText(at) + "," + std::to_string(source) + "\n");
    return at;
}

QString field(WindowRig& rig, int i) {
    return rig.get<QLineEdit>(QStringLiteral("timerField%1").arg(i))->text();
}

// The refusal has one form only, whatever the language.
TEST(GuiTimerBlock, StartWithNoKindTickedIsRefused) {
    WindowRig rig;
    rig.open();
    rig.connect();
    ASSERT_TRUE(waitFor([&] { return rig.get("startButton")->isEnabled(); }));
    rig.click("allBox");  // the first press keeps all ticked, the second clears them
    rig.click("allBox");
    rig.click("startButton");
    ASSERT_EQ(rig.boxes.shown.size(), 1u);
    EXPECT_EQ(rig.boxes.shown[0].title, "系统信息");
    EXPECT_EQ(rig.boxes.shown[0].text, "请选定要启动的定时器");
    EXPECT_FALSE(rig.window->planSchedulerRunning());
    EXPECT_TRUE(rig.get("startButton")->isEnabled());
    EXPECT_FALSE(rig.get("stopButton")->isEnabled());
}

// Start shows the plan due next and keeps the panel's buttons off until Stop; Stop gives them back
// and clears the display. (A plan reaching the simulator at its second: RunPlans.)
TEST(GuiTimerBlock, StartShowsThePlanAndStopGivesThePanelBack) {
    WindowRig rig;
    const auto at = dayPlanAhead(rig.settings, 3, 8);
    if (!at) GTEST_SKIP() << "too close to midnight";
    rig.open();
    rig.connect();
    ASSERT_TRUE(waitFor([&] { return rig.get("startButton")->isEnabled(); }));
    rig.click("startButton");
    for (const char* name : {"startButton", "programButton", "disconnectButton", "source:V1",
                             "setupButton", "fastMsButton"})
        EXPECT_FALSE(rig.get(name)->isEnabled()) << name;
    EXPECT_TRUE(rig.get("stopButton")->isEnabled());

    ASSERT_TRUE(waitFor([&] { return !field(rig, 0).isEmpty(); }));
    EXPECT_EQ(field(rig, 0).toStdString(), tvq::clockText(*at));
    EXPECT_EQ(field(rig, 1), "HDMI");
    EXPECT_EQ(field(rig, 2), "Immediate Execution");
    EXPECT_EQ(field(rig, 3), "Unknown");
    EXPECT_TRUE(field(rig, 4).isEmpty());  // no second plan today
    switchLanguage(true);
    EXPECT_EQ(field(rig, 2), "即将执行");
    EXPECT_EQ(field(rig, 3), "未知");
    switchLanguage(false);

    rig.click("stopButton");
    EXPECT_FALSE(rig.window->planSchedulerRunning());
    for (const char* name : {"startButton", "programButton", "disconnectButton", "source:V1"})
        EXPECT_TRUE(rig.get(name)->isEnabled()) << name;
    EXPECT_FALSE(rig.get("stopButton")->isEnabled());
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(field(rig, i).isEmpty()) << i;
}

// Auto-connect at address 0 with StartTimer: the cascade's end closes the link, so the running
// timer shows that it cannot send rather than sending into nothing. A connect meanwhile keeps
// the panel shut until Stop; Stop gives it back only with a link.
TEST(GuiTimerBlock, AutoStartAtAddressZeroShowsItCannotSendOnceTheCascadeClosedTheLink) {
    for (bool reconnect : {false, true}) {
        WindowRig rig;
        const auto at = dayPlanAhead(rig.settings, 3, 8,
                                     "[CONNECT]\nSerialTcp=0\nIP=127.0.0.1\nPort=5000\n"
                                     "ConnectFlag=1\nStartTimerFlag=1\nDeviceID=0\n");
        if (!at) GTEST_SKIP() << "too close to midnight";
        bool cascadeShown = false;
        onNextModal<CJilian>([&](CJilian* cascade) {
            cascadeShown = true;
            cascade->close();
        });
        rig.open();
        EXPECT_TRUE(cascadeShown);
        EXPECT_TRUE(rig.window->planSchedulerRunning());
        ASSERT_TRUE(waitFor([&] { return rig.info() == "Cannot send: the link is closed"; }, 8000));
        EXPECT_EQ(field(rig, 3), "Cannot send: the link is closed");
        EXPECT_EQ(rig.device.count(0x80), 0u);

        if (reconnect) {
            rig.click("addressRadio1");
            rig.click("connectButton");
            ASSERT_TRUE(waitFor([&] { return rig.window->session().workersRunning(); }));
            QTest::qWait(300);  // every panel report of the connect has arrived
            for (const char* name : {"startButton", "programButton", "disconnectButton"})
                EXPECT_FALSE(rig.get(name)->isEnabled()) << name;
            EXPECT_TRUE(rig.get("stopButton")->isEnabled());
        }
        rig.click("stopButton");
        for (const char* name : {"startButton", "programButton", "source:V1"})
            EXPECT_EQ(rig.get(name)->isEnabled(), reconnect) << name;
    }
}

}  // namespace
