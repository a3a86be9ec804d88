// Connecting the real window to the simulator: at start-up from the saved settings, by
// clicking Connect, and to every chained processor at once through the cascade dialog.

#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include "e2e_rig.h"
#include "gui/wall/cascade_dialog.h"

using namespace e2e;
using Answer = MessageBoxes::Answer;

namespace {

class GuiE2eConnect : public testing::TestWithParam<Via> {};

// A state the window cannot show by default: HDMI main, FREEZE on, Fade=1.5S.
void distinctiveState(SimRig& sim) {
    sim.change([](tvq::sim::ProcessorState& s) {
        s.mainSource = 8;
        s.freeze = true;
        s.transition = 3;
    });
}

void expectDistinctiveStateShown(WindowRig& rig) {
    EXPECT_TRUE(waitFor([&] { return rig.lamp("HDMI")->isLit(); }));
    EXPECT_TRUE(rig.lamp("FREEZE")->isLit());
    EXPECT_FALSE(rig.lamp("V1")->isLit());
    EXPECT_FALSE(rig.lamp("PIP/POP")->isLit());
    EXPECT_TRUE(rig.get<QRadioButton>("transition3")->isChecked());
    EXPECT_EQ(rig.info(), "Communications equipment normal");
}

TEST_P(GuiE2eConnect, AutoConnectAtStartUpShowsTheProcessorsState) {
    WindowRig rig(GetParam());
    distinctiveState(rig.sim);
    // Over serial the port comes from the system's port list, never from the file.
    const std::string link = GetParam() == Via::Tcp ? "SerialTcp=0\nIP=127.0.0.1\nPort=" +
                                                          std::to_string(rig.sim.server().tcpPort())
                                                    : std::string("SerialTcp=1");
    rig.writeSettings("[CONNECT]\n" + link + "\nConnectFlag=1\nStartTimerFlag=0\nDeviceID=1\n");
    auto& w = rig.open();

    EXPECT_TRUE(w.session().connected());
    EXPECT_TRUE(waitFor([&] { return rig.enabled("disconnectButton"); }));
    EXPECT_FALSE(rig.enabled("connectButton"));
    EXPECT_TRUE(rig.enabled("source:V1"));
    EXPECT_TRUE(rig.get<QAbstractButton>("autoConnectBox")->isChecked());
    expectDistinctiveStateShown(rig);
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_TRUE(rig.sim.cameIn("05 01 17 00 00 00 00 00 00 00 00 00 13"));
}

TEST_P(GuiE2eConnect, ConnectButtonWithTheBoxesFilledIn) {
    WindowRig rig(GetParam());
    distinctiveState(rig.sim);
    auto& w = rig.open();
    EXPECT_FALSE(w.session().connected());
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    expectDistinctiveStateShown(rig);
    EXPECT_TRUE(rig.enabled("function:PIP/POP"));
    EXPECT_FALSE(rig.enabled("mode:M1"));  // PIP/POP is off on the processor

    // A second connect after Disconnect reaches the same processor again.
    rig.click("disconnectButton");
    ASSERT_TRUE(waitFor([&] { return rig.enabled("connectButton"); }));
    EXPECT_FALSE(rig.enabled("source:V1"));
    rig.sim.change([](tvq::sim::ProcessorState& s) { s.mainSource = 7; });
    ASSERT_TRUE(rig.connect());
    EXPECT_TRUE(waitFor([&] { return rig.lamp("DVI")->isLit() && !rig.lamp("HDMI")->isLit(); }));
}

TEST_P(GuiE2eConnect, AddressZeroDrivesTheWholeChainFromTheCascadeDialog) {
    WindowRig rig(GetParam());
    rig.open();
    rig.chooseSimulatorLink();
    rig.click("addressRadio0");
    rig.boxes.answers = {Answer::Yes};

    bool cascadeSeen = false;
    bool connectedMeanwhile = false;
    onNextModal<CJilian>([&](CJilian* cascade) {
        cascadeSeen = true;
        connectedMeanwhile = waitFor([&] { return rig.enabled("disconnectButton"); });
        auto idle = [cascade] { return waitFor([cascade] { return !cascade->sending(); }); };

        QTest::mouseClick(cascade->findChild<QAbstractButton*>("source:HDMI"), Qt::LeftButton);
        EXPECT_TRUE(idle());
        cascade->findChild<QSlider*>("brightnessSlider")->setValue(50);
        EXPECT_EQ(cascade->findChild<QLineEdit*>("brightnessEntry")->text(), "50");
        QTest::mouseClick(cascade->findChild<QAbstractButton*>("saveButton"), Qt::LeftButton);
        EXPECT_TRUE(idle());
        // The processor obeys the broadcast although nobody answers it.
        EXPECT_TRUE(waitFor([&] {
            const auto s = rig.sim.state();
            return s.mainSource == 8 && s.brightness == 50;
        }));
    });
    rig.click("connectButton");  // returns once the cascade dialog has closed

    EXPECT_TRUE(cascadeSeen);
    EXPECT_TRUE(connectedMeanwhile);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);  // the address-0 question, answered Yes
    EXPECT_TRUE(rig.sim.cameIn("05 00 80 08 00 00 00 00 00 00 00 00 8d"));
    EXPECT_TRUE(rig.sim.cameIn("05 00 91 32 00 00 00 00 00 00 00 00 a6"));
    for (const LoggedFrame& f : rig.sim.log()) {
        EXPECT_TRUE(f.in) << "address 0 gets no reply: " << f.bytes;
        EXPECT_NE(f.bytes.substr(0, 8), "05 00 17") << "no status query at address 0";
    }

    // Closing the dialog closed the link and returned to not connected.
    EXPECT_FALSE(rig.window().session().link().isOpen());
    EXPECT_TRUE(waitFor([&] { return rig.enabled("connectButton"); }));
    EXPECT_FALSE(rig.enabled("disconnectButton"));
    EXPECT_FALSE(rig.enabled("source:V1"));
}

INSTANTIATE_TEST_SUITE_P(Gui, GuiE2eConnect, testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return viaName(info.param); });

}  // namespace
