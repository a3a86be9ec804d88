// The front panel against the simulator: presses reach the wire as their frames, the lights
// follow the processor, and a silent processor freezes the panel, not the window.

#include <QElapsedTimer>
#include <QRadioButton>
#include <QTimer>

#include "e2e_rig.h"

using namespace e2e;

namespace {

class GuiE2ePanel : public testing::TestWithParam<Via> {};

// The longest the UI thread went without running a 10 ms timer while it lives.
struct StallMeter {
    QTimer timer;
    QElapsedTimer clock;
    qint64 worst = 0;
    StallMeter() {
        clock.start();
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { worst = std::max(worst, clock.restart()); });
        timer.start(10);
    }
};

TEST_P(GuiE2ePanel, ConnectButtonShowsTheStateAndPressesReachTheWire) {
    Rig rig(GetParam());
    rig.change([](tvq::sim::ProcessorState& s) {
        s.mainSource = 7;
        s.transition = 3;
    });
    rig.open();
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    EXPECT_TRUE(waitFor([&] {
        return rig.lamp("DVI")->isLit() && !rig.lamp("V1")->isLit() &&
               rig.get<QRadioButton>("transition3")->isChecked();
    }));

    // In an order the function rules allow: BYPASS needs no PIP/POP, M1..M4 need it.
    const struct {
        const char *control, *wire;
        std::function<bool()> shown;
    } presses[]{{"source:HDMI", "05 01 80 08 00 00 00 00 00 00 00 00 8c",
                 [&] { return rig.lamp("HDMI")->isLit() && !rig.lamp("DVI")->isLit(); }},
                {"function:BYPASS", "05 01 85 01 00 00 00 00 00 00 00 00 80",
                 [&] { return rig.lamp("BYPASS")->isLit(); }},
                {"function:PIP/POP", "05 01 81 01 00 00 00 00 00 00 00 00 84",
                 [&] { return rig.lamp("PIP/POP")->isLit() && rig.lamp("M1")->isLit(); }},
                {"mode:M3", "05 01 98 02 00 00 00 00 00 00 00 00 9e",
                 [&] { return rig.lamp("M3")->isLit() && !rig.lamp("M1")->isLit(); }},
                {"transition2", "05 01 99 02 00 00 00 00 00 00 00 00 9f",
                 [&] { return rig.get<QRadioButton>("transition2")->isChecked(); }}};
    for (const auto& p : presses) {
        rig.click(p.control);
        EXPECT_TRUE(waitFor([&] { return rig.cameIn(p.wire); })) << p.control;
        EXPECT_TRUE(waitFor(p.shown)) << p.control << ": the panel shows the result";
        EXPECT_EQ(rig.countIn(p.wire), 1u) << p.control;
    }
    EXPECT_EQ(rig.info(), "Communications equipment normal");  // no press was refused
}

// A silent processor freezes the panel, not the window; a press still reaches the processor,
// only its answer is lost. Disconnect once joined the command worker on the UI thread, which sat
// out the rest of the command's 6 s exchange with the window frozen. The processor then answers
// again: a new connect shows the source the unanswered press chose.
TEST_P(GuiE2ePanel, SilentProcessorFreezesThePanelAndDisconnectKeepsTheWindowPainting) {
    Rig rig(GetParam());
    rig.change([](tvq::sim::ProcessorState& s) { s.mainSource = 8; });
    rig.open();
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    rig.setDrop(1.0);
    ASSERT_TRUE(waitFor([&] { return rig.dropped() > 0; }));
    ASSERT_TRUE(rig.lamp("HDMI")->isLit());
    const QString info = rig.info();

    rig.change([](tvq::sim::ProcessorState& s) { s.mainSource = 5; });
    StallMeter stalls;
    const std::size_t before = rig.dropped();
    ASSERT_TRUE(waitFor([&] { return rig.dropped() > before; }));
    rig.click("source:V2");
    ASSERT_TRUE(waitFor([&] { return rig.cameIn("05 01 80 01 00 00 00 00 00 00 00 00 85"); }));
    EXPECT_LT(stalls.worst, 2000) << "the window kept painting";
    EXPECT_TRUE(rig.lamp("HDMI")->isLit() && !rig.lamp("VGA1")->isLit()) << "the panel keeps";
    EXPECT_EQ(rig.info(), info) << "no message for a silent processor";

    stalls.worst = 0;
    QElapsedTimer took;
    took.start();
    rig.click("disconnectButton");
    EXPECT_TRUE(waitFor([&] { return rig.enabled("connectButton"); }));
    EXPECT_LT(took.elapsed(), 2500);
    EXPECT_LT(stalls.worst, 1000);
    EXPECT_FALSE(rig.window().session().lineOpen());
    EXPECT_FALSE(rig.window().session().workersRunning());
    rig.setDrop(0.0);
    ASSERT_TRUE(rig.connect());
    EXPECT_TRUE(waitFor([&] { return rig.lamp("V2")->isLit() && !rig.lamp("V1")->isLit(); }));
}

INSTANTIATE_TEST_SUITE_P(Gui, GuiE2ePanel, testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return info.param == Via::Tcp ? "Tcp" : "Pty"; });

}  // namespace
