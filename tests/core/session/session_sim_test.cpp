// Connect and disconnect in quick succession against the simulator, with its faults on, over
// real TCP and pseudo-terminal lines.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>

#include "core/control/session.h"
#include "core/control/session_test_access.h"
#include "core/platform/diagnostics.h"
#include "sim/sim_server.h"

namespace tvq {
namespace {

using namespace std::chrono_literals;

struct CountingObserver final : SessionObserver {
    void panelChanged(const PanelState& state) override { unknown = state.stateUnknown; }
    void infoChanged(const InfoText& text) override { info = text.id; }
    void connectFinished(ConnectOutcome) override { ++finished; }
    std::atomic<int> finished{0};
    std::atomic<bool> unknown{false};
    std::atomic<MessageId> info{MessageId::None};
};

// Waits in real time for `done`, up to a bound well past the documented waits.
bool within(std::chrono::seconds bound, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + bound;
    for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

std::size_t entries(const char* dir) {
    const std::filesystem::directory_iterator it(dir);
    return static_cast<std::size_t>(std::distance(begin(it), end(it)));
}

TEST(SessionAgainstSimulator, RapidCyclesWithFaultsLeaveNothingBehind) {
    const auto quiet = setDiagnosticSink([](std::string_view) {});  // the serial trace
    std::thread([] {}).join();  // sanitizer runtimes start a helper thread with the first one
    const auto threads = entries("/proc/self/task");
    const auto fds = entries("/proc/self/fd");
    {
        sim::SimOptions options;
        options.tcp = options.pty = true;
        options.faults[sim::Fault::Drop] = 0.3;
        options.faults[sim::Fault::Split] = 0.3;
        options.faults[sim::Fault::Corrupt] = 0.1;
        options.faults[sim::Fault::Close] = 0.05;
        sim::SimServer server;
        ASSERT_TRUE(server.start(options));
        const auto simThreads = entries("/proc/self/task");

        CountingObserver observer;
        Session session(observer);
        std::mt19937 random(418);
        for (int i = 0; i < 80; ++i) {
            const bool serial = random() % 2;
            session.setDeviceAddress(random() % 8 == 0 ? 0 : 1);
            // Held workers, or a connect job still running, must stop all the same.
            random() % 4 ? session.releaseWorkers() : session.holdWorkers(kAllWorkers);
            session.startConnect(
                {serial, server.ptyPath(), "127.0.0.1", std::to_string(server.tcpPort())});
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
            if (random() % 2) session.pressSource(8);
            session.disconnect();
            ASSERT_FALSE(session.workersRunning()) << "cycle " << i;
            ASSERT_FALSE(session.connectInProgress()) << "cycle " << i;
        }
        EXPECT_EQ(observer.finished, 80);
        ASSERT_TRUE(SessionTestAccess::panelLock(session).try_lock()) << "panelLock left held";
        SessionTestAccess::panelLock(session).unlock();
        EXPECT_EQ(entries("/proc/self/task"), simThreads);
    }
    EXPECT_EQ(entries("/proc/self/task"), threads);
    EXPECT_EQ(entries("/proc/self/fd"), fds);
    setDiagnosticSink(quiet);
}

// The simulator stops, as when the processor is switched off or the adapter pulled: the panel
// says so over either line; over TCP it resumes once the processor is back on the same port. (A
// peer's close and an address with nobody behind it take the same paths against the fake device.)
TEST(SessionAgainstSimulator, ThePanelSaysWhenTheDeviceIsGoneAndResumesWhenItIsBack) {
    const auto quiet = setDiagnosticSink([](std::string_view) {});
    for (const bool serial : {false, true}) {
        SCOPED_TRACE(serial ? "pty" : "tcp");
        sim::SimOptions options;
        (serial ? options.pty : options.tcp) = true;
        sim::SimServer server;
        ASSERT_TRUE(server.start(options));
        CountingObserver observer;
        Session session(observer);
        session.startConnect(
            {serial, server.ptyPath(), "127.0.0.1", std::to_string(server.tcpPort())});
        session.waitForConnectJob();
        ASSERT_TRUE(session.workersRunning());

        options.tcpPort = server.tcpPort();
        server.stop();
        EXPECT_TRUE(within(10s, [&] { return observer.info == MessageId::Reconnecting; }));
        EXPECT_TRUE(observer.unknown);
        if (!serial) {
            ASSERT_TRUE(server.start(options)) << "the same port again";
            EXPECT_TRUE(within(40s, [&] {
                return !observer.unknown && observer.info == MessageId::EquipmentNormal;
            })) << "resumes after a restart";
        }
        session.disconnect();
    }
    setDiagnosticSink(quiet);
}

}  // namespace
}  // namespace tvq
