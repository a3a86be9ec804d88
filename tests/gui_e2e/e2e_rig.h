#pragma once
// The real main window against an in-process simulator, over TCP or a pseudo-terminal. The
// window runs with its real link, clock and worker timings; only the message boxes are
// scripted, and the serial port list is the simulator's pseudo-terminal.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/diagnostics.h"
#include "gui/control/main_window.h"
#include "gui/ui/indicator_lamp.h"
#include "gui/ui/message_boxes.h"
#include "sim/sim_server.h"

namespace e2e {

enum class Via { Tcp, Pty };

// Generous: the suite must pass on a loaded two-core machine.
inline constexpr int kSettleMs = 8000;

class ScriptedBoxes final : public MessageBoxes {
public:
    std::deque<Answer> answers;  // Cancel once used up
    std::vector<QString> shown;  // texts, in order

    Answer askYesNoCancel(QWidget*, const QString&, const QString& text) override {
        shown.push_back(text);
        if (answers.empty()) return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void inform(QWidget*, const QString&, const QString& text) override { shown.push_back(text); }
    int askOpenClose(QWidget*) override { return 0; }
};

// One line of the simulator's frame log.
struct LoggedFrame {
    bool in = false;
    std::string bytes;  // "05 01 17 ...", lowercase hex
    bool sent = true;   // out lines: false when dropped
    std::string fault;
};

bool waitFor(const std::function<bool()>& condition, int timeoutMs = kSettleMs);

// Runs action on the next modal dialog of type T once it is up, then closes it, so a failed
// expectation inside cannot leave the test sitting in the dialog's event loop.
template <class T>
void onNextModal(std::function<void(T*)> action) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
        dialog->reject();
    });
    timer->start(10);
}

class SimRig {
public:
    explicit SimRig(Via via);
    ~SimRig();

    tvq::sim::SimServer& server() { return server_; }
    Via via() const { return via_; }
    // The state of the processor at address 1, changed as by its own keys.
    void change(const std::function<void(tvq::sim::ProcessorState&)>& edit);
    tvq::sim::ProcessorState state();
    void setDrop(double probability);

    std::vector<LoggedFrame> log() const;
    // True once a frame with exactly these bytes came in.
    bool cameIn(const std::string& bytes) const;
    std::size_t countIn(const std::string& bytes) const;

private:
    Via via_;
    std::string logPath_;
    tvq::sim::SimServer server_;
    tvq::DiagnosticSink previousSink_;
};

// A main window beside the simulator, with the settings file in the scratch directory.
class WindowRig {
public:
    explicit WindowRig(Via via);
    ~WindowRig();

    // Creates and shows the window, then runs its start-up settings step as the application
    // does once the window is on screen (which may connect at once).
    CTVQ418ControlDlg& open();
    void writeSettings(const std::string& text);

    // Chooses the simulator's link in the connection boxes by typing, as an operator would.
    void chooseSimulatorLink();
    // Clicks Connect and waits until the panel shows the connection.
    bool connect();

    template <class W = QWidget>
    W* get(const QString& name) {
        auto* found = window_->findChild<W*>(name);
        if (!found) ADD_FAILURE() << "no control named " << name.toStdString();
        return found;
    }
    IndicatorLamp* lamp(const QString& name) { return get<IndicatorLamp>("lamp:" + name); }
    bool enabled(const QString& name) { return get(name)->isEnabled(); }
    // Waits until the control can be pressed, then clicks it.
    void click(const QString& name);
    QString info();

    SimRig sim;
    ScriptedBoxes boxes;
    const std::filesystem::path settings = "Planinfo.ini";
    CTVQ418ControlDlg& window() { return *window_; }

private:
    std::unique_ptr<CTVQ418ControlDlg> window_;
};

inline std::string viaName(Via via) {
    return via == Via::Tcp ? "Tcp" : "Pty";
}

}  // namespace e2e
