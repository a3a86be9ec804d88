#include "e2e_rig.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "core/control/settings.h"
#include "core/link/serial_port.h"

namespace e2e {
namespace {

// The value of "key":"..." in one log line, empty when absent.
std::string textField(const std::string& line, const std::string& key) {
    const std::string open = "\"" + key + "\":\"";
    const auto start = line.find(open);
    if (start == std::string::npos) return {};
    const auto from = start + open.size();
    const auto end = line.find('"', from);
    return end == std::string::npos ? std::string{} : line.substr(from, end - from);
}

std::string freshLogPath() {
    // Several tests may share one scratch directory when the binary runs them all.
    static int serial = 0;
    return "frames-" + std::to_string(++serial) + ".jsonl";
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

SimRig::SimRig(Via via) : via_(via), logPath_(freshLogPath()) {
    // The serial link traces every frame on stdout; the frame log says the same, once.
    previousSink_ = tvq::setDiagnosticSink([](std::string_view) {});
    std::filesystem::remove(logPath_);
    tvq::sim::SimOptions options;
    options.tcp = via == Via::Tcp;
    options.pty = via == Via::Pty;
    options.logPath = logPath_;
    std::string error;
    if (!server_.start(options, &error)) ADD_FAILURE() << "simulator: " << error;
}

SimRig::~SimRig() {
    server_.stop();
    tvq::setDiagnosticSink(previousSink_);
}

void SimRig::change(const std::function<void(tvq::sim::ProcessorState&)>& edit) {
    server_.withChain([&](tvq::sim::Chain& chain) { edit(chain.find(1)->state()); });
}

tvq::sim::ProcessorState SimRig::state() {
    return server_.withChain([](tvq::sim::Chain& chain) { return chain.find(1)->state(); });
}

void SimRig::setDrop(double probability) {
    server_.core().faults().setProbability(tvq::sim::Fault::Drop, probability);
}

std::vector<LoggedFrame> SimRig::log() const {
    std::vector<LoggedFrame> frames;
    std::ifstream in(logPath_);
    for (std::string line; std::getline(in, line);) {
        LoggedFrame f;
        f.in = textField(line, "dir") == "in";
        f.bytes = textField(line, "bytes");
        f.fault = textField(line, "fault");
        f.sent = line.find("\"sent\":false") == std::string::npos;
        frames.push_back(std::move(f));
    }
    return frames;
}

std::size_t SimRig::countIn(const std::string& bytes) const {
    std::size_t n = 0;
    for (const LoggedFrame& f : log()) n += f.in && f.bytes == bytes;
    return n;
}

bool SimRig::cameIn(const std::string& bytes) const {
    return countIn(bytes) > 0;
}

WindowRig::WindowRig(Via via) : sim(via) {
    std::filesystem::remove(settings);
}

WindowRig::~WindowRig() {
    window_.reset();
    std::filesystem::remove(settings);
}

CTVQ418ControlDlg& WindowRig::open() {
    MainWindowDeps deps;
    deps.boxes = &boxes;
    deps.settingsPath = settings;
    // The pseudo-terminal stands in for the one serial port the system lists.
    deps.listPorts = [this]() -> std::vector<tvq::PresentPort> {
        if (sim.via() != Via::Pty) return {};
        return {{std::string(tvq::kDeviceNamePrefix) + "pty0", sim.server().ptyPath()}};
    };
    window_ = std::make_unique<CTVQ418ControlDlg>(std::move(deps));
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->readSettings();
    return *window_;
}

void WindowRig::writeSettings(const std::string& text) {
    std::ofstream(settings) << text;
}

void WindowRig::chooseSimulatorLink() {
    if (sim.via() == Via::Tcp) {
        click("networkRadio");
        for (auto [box, text] :
             {std::pair{"ipBox", QStringLiteral("127.0.0.1")},
              std::pair{"tcpPortBox", QString::number(sim.server().tcpPort())}}) {
            auto* edit = get<QLineEdit>(box);
            edit->clear();
            QTest::keyClicks(edit, text);
        }
    } else {
        click("serialRadio");
        auto* ports = get<QComboBox>("portList");
        ports->lineEdit()->clear();
        QTest::keyClicks(ports->lineEdit(), QString::fromStdString(sim.server().ptyPath()));
    }
}

bool WindowRig::connect() {
    click("connectButton");
    return waitFor([this] { return enabled("disconnectButton") && !enabled("connectButton"); });
}

void WindowRig::click(const QString& name) {
    auto* button = get<QAbstractButton>(name);
    if (!button) return;
    EXPECT_TRUE(waitFor([button] { return button->isEnabled(); })) << name.toStdString();
    QPoint at = button->rect().center();
    // A check box or radio only takes a click on its box or text.
    if (button->isCheckable() && !qobject_cast<QPushButton*>(button)) at.setX(qMin(at.x(), 7));
    QTest::mouseClick(button, Qt::LeftButton, {}, at);
    QApplication::processEvents();
}

QString WindowRig::info() {
    return get<QLineEdit>("infoLine")->text();
}

}  // namespace e2e
