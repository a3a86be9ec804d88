// The controller attached to a real tvq418d in front of the simulator: another client's switch
// shows within one poll, and a press reaches the processor through the service; the plans, their
// Start and Stop and the scan are the service's. (A port the service holds: tvq418ctl's test.)

#include <QAction>
#include <QListWidget>
#include <QProcess>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "e2e_rig.h"
#include "gui/control/find_processors_dialog.h"
#include "gui/control/service_attacher.h"
#include "gui/plans/add_plan_dialog.h"
#include "gui/plans/plan_page.h"
#include "gui/plans/program_window.h"

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

std::string textOf(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST(GuiE2eService, PlansStartStopAndTheScanAreTheServicesWhenAttached) {
    Rig rig(Via::Tcp);
    const auto dir = std::filesystem::current_path();
    const std::string socket = (dir / "plans.sock").string();
    const auto plans = dir / "service-plans.ini";
    std::filesystem::remove(socket);
    std::ofstream(plans, std::ios::binary)
        << "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0= 8:30: 0,7\n";
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(TVQ418D_PATH, {"--tcp", QStringLiteral("127.0.0.1:%1").arg(rig.server.tcpPort()),
                                "--socket", QString::fromStdString(socket), "--plans",
                                QString::fromStdString(plans.string())});
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(socket); }));
    rig.open();
    rig.click("serviceCheck");
    auto* path = rig.get<QLineEdit>("serviceSocketBox");
    path->clear();
    QTest::keyClicks(path, QString::fromStdString(socket));

    // Not connected, the scan asks the service, which owns the line.
    QStringList found;
    guitest::onNextModal<CFindProcessorsDlg>([&](CFindProcessorsDlg* d) {
        guitest::child<QSpinBox>(d, "toBox")->setValue(2);
        guitest::clickOn(guitest::child<QPushButton>(d, "scanButton"));
        waitFor([&] { return !d->scanning(); });
        auto* list = guitest::child<QListWidget>(d, "foundList");
        for (int i = 0; i < list->count(); ++i) found << list->item(i)->text();
        guitest::clickOn(guitest::child<QPushButton>(d, "cancelButton"));
    });
    rig.window().findChild<QAction*>("findProcessorsAction")->trigger();
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found[0].startsWith("Address 1")) << found[0].toStdString();

    ASSERT_TRUE(rig.connect()) << rig.info().toStdString();
    // The service's plans are armed since it started: Stop disarms them, and another client's
    // Start shows here too.
    EXPECT_TRUE(waitFor([&] { return rig.enabled("stopButton") && !rig.enabled("startButton"); }));
    rig.click("stopButton");
    EXPECT_TRUE(waitFor([&] { return rig.enabled("startButton") && !rig.enabled("stopButton"); }));
    const auto other = serviceAttacher()(socket);
    EXPECT_EQ(other->plansArmed(), false);
    EXPECT_EQ(other->request({{"op", "plans.start"}})["armed"], true);
    EXPECT_TRUE(waitFor([&] { return rig.enabled("stopButton") && !rig.enabled("startButton"); }));

    // The program window lists and adds the service's plans, not the local file's.
    QStringList listed;
    guitest::onNextModal<CProgram>([&](CProgram* program) {
        auto* list = guitest::child<QTreeWidget>(program->page(tvq::PlanKind::Day), "planList");
        guitest::onNextModal<CAddPlan>([&](CAddPlan* d) {
            guitest::child<QTimeEdit>(d, "timePicker")->setTime(QTime(9, 0, 0));
            guitest::clickOn(guitest::child<QRadioButton>(d, "sourceHdmi"));
            guitest::clickOn(guitest::child<QPushButton>(d, "okButton"));
        });
        guitest::clickOn(
            guitest::child<QPushButton>(program->page(tvq::PlanKind::Day), "addButton"));
        for (int r = 0; r < list->topLevelItemCount(); ++r)
            listed << list->topLevelItem(r)->text(1) + '|' + list->topLevelItem(r)->text(2);
        program->accept();
    });
    rig.click("programButton");
    EXPECT_EQ(listed, QStringList({" 8:30: 0|DVI", " 9: 0: 0|HDMI"}));
    EXPECT_NE(textOf(plans).find("Time1= 9: 0: 0,8"), std::string::npos) << textOf(plans);
    EXPECT_EQ(textOf(rig.settings).find("DAYTIME"), std::string::npos);

    rig.click("disconnectButton");
    daemon.terminate();
    EXPECT_TRUE(daemon.waitForFinished(5000));
}

}  // namespace
