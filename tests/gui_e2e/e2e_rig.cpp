#include "e2e_rig.h"

#include <QApplication>
#include <QComboBox>
#include <algorithm>
#include <fstream>

#include "core/link/serial_port.h"
#include "gui/control/service_attacher.h"

namespace e2e {
Rig::Rig(Via v) : via(v) {
    // Several tests share one scratch directory when the binary runs them all.
    static int serial = 0;
    logPath_ = "frames-" + std::to_string(++serial) + ".jsonl";
    std::filesystem::remove(logPath_);
    std::filesystem::remove(settings);
    tvq::sim::SimOptions options;
    options.tcp = via == Via::Tcp;
    options.pty = via == Via::Pty;
    options.logPath = logPath_;
    std::string error;
    if (!server.start(options, &error)) ADD_FAILURE() << "simulator: " << error;
}

Rig::~Rig() {
    window_.reset();
    std::filesystem::remove(settings);
}

CTVQ418ControlDlg& Rig::open() {
    MainWindowDeps deps;
    deps.boxes = &boxes;
    deps.settingsPath = settings;
    deps.attacher = serviceAttacher();
    // The pseudo-terminal stands in for the one serial port the system lists.
    deps.listPorts = [this]() -> std::vector<tvq::PresentPort> {
        if (via != Via::Pty) return {};
        return {{std::string(tvq::kDeviceNamePrefix) + "pty0", server.ptyPath()}};
    };
    window_ = std::make_unique<CTVQ418ControlDlg>(std::move(deps));
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->readSettings();
    return *window_;
}

void Rig::chooseSimulatorLink() {
    auto type = [](QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    };
    if (via == Via::Tcp) {
        click("networkRadio");
        type(get<QLineEdit>("ipBox"), "127.0.0.1");
        type(get<QLineEdit>("tcpPortBox"), QString::number(server.tcpPort()));
    } else {
        click("serialRadio");
        type(get<QComboBox>("portList")->lineEdit(), QString::fromStdString(server.ptyPath()));
    }
}

void Rig::click(const QString& name) {
    auto* button = get<QAbstractButton>(name);
    if (!button) return;
    EXPECT_TRUE(waitFor([button] { return button->isEnabled(); })) << name.toStdString();
    guitest::clickOn(button);
}

std::size_t Rig::count(std::initializer_list<std::string> parts) const {
    std::size_t n = 0;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);)
        n += std::all_of(parts.begin(), parts.end(),
                         [&](const std::string& p) { return line.find(p) != std::string::npos; });
    return n;
}

}  // namespace e2e
