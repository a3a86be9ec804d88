// Connecting the real window to the simulator at start-up from the saved settings.

#include <fstream>

#include "e2e_rig.h"

using namespace e2e;

namespace {

class GuiE2eConnect : public testing::TestWithParam<Via> {};

TEST_P(GuiE2eConnect, AutoConnectAtStartUpShowsTheProcessorsState) {
    Rig rig(GetParam());
    // A state the window cannot show by default (the panel run checks the rest of its lights).
    rig.change([](tvq::sim::ProcessorState& s) { s.mainSource = 8; });
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
    EXPECT_TRUE(waitFor([&] { return rig.lamp("HDMI")->isLit() && !rig.lamp("V1")->isLit(); }));
    EXPECT_EQ(rig.info(), "Communications equipment normal");
    EXPECT_TRUE(rig.boxes.shown.empty());
    EXPECT_TRUE(rig.cameIn("05 01 17 00 00 00 00 00 00 00 00 00 13"));
}

INSTANTIATE_TEST_SUITE_P(Gui, GuiE2eConnect, testing::Values(Via::Tcp, Via::Pty),
                         [](const auto& info) { return info.param == Via::Tcp ? "Tcp" : "Pty"; });

}  // namespace
