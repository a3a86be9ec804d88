#pragma once
// The real main window, with its real link, clock and worker timings, against an in-process
// simulator; only the message boxes are scripted.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gui/gui_test_support.h"
#include "gui/ui/indicator_lamp.h"
#include "sim/sim_server.h"

namespace e2e {

enum class Via { Tcp, Pty };

// Generous: the suite must pass on a loaded two-core machine.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 8000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

class Rig {
public:
    explicit Rig(Via via);
    ~Rig();

    // Creates and shows the window, then runs its start-up settings step as the application
    // does once the window is on screen (which may connect at once).
    CTVQ418ControlDlg& open();
    // Chooses the simulator's link in the connection boxes by typing, as an operator would.
    void chooseSimulatorLink();
    // Clicks Connect and waits until the panel shows the connection.
    bool connect() {
        click("connectButton");
        return waitFor([this] { return enabled("disconnectButton") && !enabled("connectButton"); });
    }

    template <class W = QWidget>
    W* get(const QString& name) {
        return guitest::child<W>(window_.get(), name);
    }
    IndicatorLamp* lamp(const QString& name) { return get<IndicatorLamp>("lamp:" + name); }
    bool enabled(const QString& name) { return get(name)->isEnabled(); }
    // Waits until the control can be pressed, then clicks it.
    void click(const QString& name);
    QString info() { return get<QLineEdit>("infoLine")->text(); }
    CTVQ418ControlDlg& window() { return *window_; }

    // The processor at address 1, changed as by its own keys.
    void change(const std::function<void(tvq::sim::ProcessorState&)>& edit) {
        server.withChain([&](tvq::sim::Chain& chain) { edit(chain.find(1)->state()); });
    }
    tvq::sim::ProcessorState state() {
        return server.withChain([](tvq::sim::Chain& chain) { return chain.find(1)->state(); });
    }
    void setDrop(double p) { server.core().faults().setProbability(tvq::sim::Fault::Drop, p); }
    // Lines of the simulator's frame log holding every one of the parts.
    std::size_t count(std::initializer_list<std::string> parts) const;
    std::size_t countIn(const std::string& bytes) const {
        return count({"\"dir\":\"in\"", "\"bytes\":\"" + bytes + "\""});
    }
    bool cameIn(const std::string& bytes) const { return countIn(bytes) > 0; }
    std::size_t dropped() const { return count({"\"sent\":false"}); }  // replies lost

    const Via via;
    tvq::sim::SimServer server;
    guitest::ScriptedBoxes boxes;
    const std::filesystem::path settings = "Planinfo.ini";

private:
    std::string logPath_;
    std::unique_ptr<CTVQ418ControlDlg> window_;
};

}  // namespace e2e
