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
    void panelChanged(const PanelState&) override {}
    void infoChanged(const InfoText&) override {}
    void connectFinished(ConnectOutcome) override { ++finished; }
    std::atomic<int> finished{0};
};

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

}  // namespace
}  // namespace tvq
