// tvq418ctl --service against a real tvq418d in front of tvq418-sim: what a script gets is what
// it got over a line of its own, and watch sees what another client does. (A service leaving
// mid-request: the service client's tests.)

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

// tvq418d on this simulator's link, serving a socket in a folder of its own.
class Service {
public:
    explicit Service(const Simulator& sim) {
        std::vector<std::string> argv{TVQ418D_PATH};
        argv.insert(argv.end(), sim.linkArgs().begin(), sim.linkArgs().end());
        argv.insert(argv.end(), {"--addresses", "1,2", "--socket", socket, "--journal", journal,
                                 "--plans", plans});
        pid_ = spawn(argv, log_, log_);
        const auto deadline = Clock::now() + Millis{10000};
        struct stat info {};
        while (::stat(socket.c_str(), &info) != 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(Millis{20});
        // The socket comes before the link: ready once a status goes through.
        while (ctl({"--service", socket, "status"}).exitCode != 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(Millis{100});
    }
    ~Service() {
        stop();
        std::filesystem::remove_all(dir_);
        ::unlink(log_.c_str());
    }
    void stop() {
        if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) reap(pid_, Millis{5000});
        pid_ = -1;
    }
    std::string log() const { return readFile(log_); }

private:
    std::string dir_ = [] {
        std::string d = "/tmp/tvq-svc-XXXXXX";
        return std::string(::mkdtemp(d.data()));
    }();
    std::string log_ = tempFile();
    pid_t pid_ = -1;

public:
    const std::string socket = dir_ + "/hall.sock";
    const std::string journal = dir_ + "/journal";
    const std::string plans = dir_ + "/Planinfo.ini";
};

TEST(CliService, PrintsWhatTheDirectLinkPrintsAndWatchSeesAnotherClient) {
    Simulator sim(Via::Tcp, {"--addresses", "1,2"});
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    Service service(sim);
    const std::vector<std::vector<std::string>> commands = {
        {"status"},
        {"--json", "source", "DVI"},
        {"--address", "2", "--json", "status"},
        {"send", "05 01 17 00 00 00 00 00 00 00 00 00"},
        {"--address", "0", "source", "V2"},
        {"--timeout", "200", "--from", "1", "--to", "3", "scan"}  // held as a sequence
    };
    for (const auto& args : commands) {
        const Finished direct = sim.ctl(args);
        std::vector<std::string> through{"--service", service.socket};
        through.insert(through.end(), args.begin(), args.end());
        const Finished served = ctl(through);
        EXPECT_EQ(served.exitCode, direct.exitCode) << shown(served) << service.log();
        EXPECT_EQ(served.out, direct.out) << args.back();
        EXPECT_EQ(served.err, direct.err) << args.back();
    }

    // The journal through the service is the journal read from its folder.
    const Finished served = ctl({"--service", service.socket, "journal", "--on-air"});
    EXPECT_EQ(served.exitCode, 0) << shown(served);
    EXPECT_EQ(served.out, ctl({"journal", "--journal", service.journal, "--on-air"}).out);
    EXPECT_TRUE(has(served.out, "DVI")) << shown(served);

    // The plan commands reach the service's file and scheduler.
    const auto plans = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--service", service.socket, "plans"});
        return ctl(args);
    };
    EXPECT_EQ(
        plans({"add", "--kind", "week", "--weekday", "1", "--time", "9:00:00", "--source", "DVI"})
            .out,
        "added week Time0\n");
    EXPECT_EQ(plans({"list"}).out, ctl({"plans", "list", "--file", service.plans}).out);
    EXPECT_EQ(plans({"stop"}).out, "plans disarmed\n");

    // A switch made by another tvq418ctl reaches the watcher as a state event.
    bool switched = false;
    const Finished watch =
        ctl({"--service", service.socket, "watch", "--events", "state"}, Millis{10000},
            [&](const std::string& out) {
                if (!switched) {
                    std::this_thread::sleep_for(Millis{500});
                    switched = ctl({"--service", service.socket, "source", "HDMI"}).exitCode == 0;
                }
                return has(out, R"("mainSourceName":"HDMI")");
            });
    EXPECT_TRUE(switched);
    EXPECT_EQ(watch.exitCode, 0) << shown(watch);
    EXPECT_TRUE(has(watch.out, R"("class":"event")")) << shown(watch);
}

// The serial port the service holds: a direct tvq418ctl is told where to go instead of "busy".
TEST(CliService, APortHeldByTheServiceNamesItsSocket) {
    Simulator sim(Via::Pty);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    Service service(sim);
    const Finished direct = sim.ctl({"status"});
    EXPECT_EQ(direct.exitCode, 1) << shown(direct);
    EXPECT_TRUE(
        has(direct.err,
            sim.linkArgs()[1] + " is held by the chain service: use --service " + service.socket))
        << shown(direct) << service.log();
}

}  // namespace
}  // namespace tvq::e2e
