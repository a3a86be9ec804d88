// Connecting the real window to the simulator: at start-up from the saved settings, and to
// every chained processor at once through the cascade dialog.

#include <QApplication>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <fstream>

#include "e2e_rig.h"
#include "gui/wall/cascade_dialog.h"

using namespace e2e;

namespace {

class GuiE2eConnect : public testing::TestWithParam<Via> {};

TEST_P(GuiE2eConnect, AutoConnectAtStartUpShowsTheProcessorsState) {
    Rig rig(GetParam());
    // A state the window cannot show by default: HDMI main, FREEZE on, Fade=1.5S.
    rig.change([](tvq::sim::ProcessorState& s) {
        s.mainSource = 8;
        s.freeze = true;
        s.transition = 3;
    });
    // Over serial the port comes from the system's port list, never from the file.
    std::ofstream(rig.settings) << "[CONNECT]\nConnectFlag=1\nStartTimerFlag=0\nDeviceID=1\n"
                                << (GetParam() == Via::Tcp
                                        ? "SerialTcp=0\nIP=127.0.0.1\nPort=" +
                                              std::to_string(rig.server.tcpPort())
                                        : "SerialTcp=1");
    EXPECT_TRUE(rig.open().session().connected());
    EXPECT_TRUE(
        waitFor([&] { return rig.enabled("disconnectButton") && rig.enabled("source:V1"); }));
    EXPECT_FALSE(rig.enabled("connectButton"));
    EXPECT_TRUE(rig.get<QAbstractButton>("autoConnectBox")->isChecked());
    EXPECT_TRUE(waitFor([&] {
        return rig.lamp("HDMI")->isLit() && rig.lamp("FREEZE")->isLit() &&
               !rig.lamp("V1")->isLit() && !rig.lamp("PIP/POP")->isLit() &&
               rig.get<QRadioButton>("transition3")->isChecked();
    }));
    EXPECT_EQ(rig.info(), "Communications equipment normal");
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_TRUE(rig.cameIn("05 01 17 00 00 00 00 00 00 00 00 00 13"));
}

TEST_P(GuiE2eConnect, AddressZeroDrivesTheWholeChainFromTheCascadeDialog) {
    Rig rig(GetParam());
    rig.open();
    rig.chooseSimulatorLink();
    rig.click("addressRadio0");
    rig.boxes.answer = MessageBoxes::Answer::Yes;

    // Drives the cascade dialog once it is up, then closes it, so a failed expectation inside
    // cannot leave the test sitting in the dialog's event loop.
    bool connectedMeanwhile = false;  // stays false unless the dialog came up
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        auto* cascade = qobject_cast<CJilian*>(QApplication::activeModalWidget());
        if (!cascade) return;
        timer->stop();
        timer->deleteLater();
        connectedMeanwhile = waitFor([&] { return rig.enabled("disconnectButton"); });
        QTest::mouseClick(cascade->findChild<QAbstractButton*>("source:HDMI"), Qt::LeftButton);
        EXPECT_TRUE(waitFor([cascade] { return !cascade->sending(); }));
        cascade->findChild<QSlider*>("brightnessSlider")->setValue(50);
        QTest::mouseClick(cascade->findChild<QAbstractButton*>("saveButton"), Qt::LeftButton);
        EXPECT_TRUE(waitFor([cascade] { return !cascade->sending(); }));
        // The processor obeys the broadcast although nobody answers it.
        EXPECT_TRUE(waitFor([&] {
            const auto s = rig.state();
            return s.mainSource == 8 && s.brightness == 50;
        }));
        cascade->reject();
    });
    timer->start(10);
    rig.click("connectButton");  // returns once the cascade dialog has closed

    EXPECT_TRUE(connectedMeanwhile);
    ASSERT_EQ(rig.boxes.shown.size(), 1u);  // the address-0 question, answered Yes
    EXPECT_TRUE(rig.cameIn("05 00 80 08 00 00 00 00 00 00 00 00 8d"));
    EXPECT_TRUE(rig.cameIn("05 00 91 32 00 00 00 00 00 00 00 00 a6"));
    EXPECT_EQ(rig.count({"\"dir\":\"out\""}), 0u) << "address 0 gets no reply";
    EXPECT_EQ(rig.count({"\"bytes\":\"05 00 17"}), 0u) << "no status query at address 0";

    // Closing the dialog closed the link and returned to not connected.
    EXPECT_FALSE(rig.window().session().link().isOpen());
    EXPECT_TRUE(waitFor([&] { return rig.enabled("connectButton"); }));
    EXPECT_FALSE(rig.enabled("disconnectButton"));
    EXPECT_FALSE(rig.enabled("source:V1"));
}

INSTANTIATE_TEST_SUITE_P(Gui, GuiE2eConnect, testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return info.param == Via::Tcp ? "Tcp" : "Pty"; });

}  // namespace
