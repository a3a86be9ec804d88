// The controller attached to a real tvq418d in front of the simulator: another client's switch
// shows within one poll, and a press reaches the processor through the service.

#include <QProcess>

#include "e2e_rig.h"

using namespace e2e;

namespace {

TEST(GuiE2eService, AttachedControllerSeesAnotherClientAndPressesReachTheWire) {
    Rig rig(Via::Tcp);
    const std::string socket = (std::filesystem::current_path() / "hall.sock").string();
    std::filesystem::remove(socket);
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(TVQ418D_PATH, {"--tcp", QStringLiteral("127.0.0.1:%1").arg(rig.server.tcpPort()),
                                "--socket", QString::fromStdString(socket)});
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(socket); }));

    rig.open();
    rig.click("serviceCheck");
    auto* path = rig.get<QLineEdit>("serviceSocketBox");
    path->clear();
    QTest::keyClicks(path, QString::fromStdString(socket));
    ASSERT_TRUE(rig.connect()) << rig.info().toStdString();

    QProcess ctl;
    ctl.start(TVQ418CTL_PATH, {"--service", QString::fromStdString(socket), "source", "HDMI"});
    ASSERT_TRUE(ctl.waitForFinished(10000));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    // The service polls once a second; its state event is the controller's only news.
    EXPECT_TRUE(waitFor([&] { return rig.lamp("HDMI")->isLit(); }, 2500));

    rig.click("source:DVI");
    EXPECT_TRUE(waitFor([&] { return rig.state().mainSource == 7; }));
    EXPECT_TRUE(waitFor([&] { return rig.lamp("DVI")->isLit(); }));

    rig.click("disconnectButton");
    daemon.terminate();
    EXPECT_TRUE(daemon.waitForFinished(5000));
    EXPECT_EQ(daemon.exitCode(), 0);
}

}  // namespace
