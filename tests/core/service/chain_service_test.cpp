#include "core/service/chain_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "core/link/commands.h"
#include "core/platform/local_time.h"
#include "support/fake_device.h"

namespace tvq::service {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class MemoryJournal final : public JournalSink {
public:
    std::uint64_t append(json record) override {
        std::lock_guard lock(mutex_);
        record["seq"] = next_;
        records_.push_back(std::move(record));
        return next_++;
    }
    std::uint64_t nextSeq() const override {
        std::lock_guard lock(mutex_);
        return next_;
    }
    std::vector<json> records(const std::string& type) const {
        std::lock_guard lock(mutex_);
        std::vector<json> out;
        for (const json& r : records_)
            if (r["type"] == type) out.push_back(r);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::uint64_t next_ = 1;
    std::vector<json> records_;
};

// Waits in real time for what the runner thread does in virtual time.
template <class F>
bool eventually(F&& done) {
    for (int i = 0; i < 5000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

const Peer kAlice{1, "alice", 100, 1000};
const Peer kBob{2, "bob", 200, 1001};

std::string hex(const CommandFrame& frame) {
    std::string text;
    char two[3];
    for (std::uint8_t b : frame) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

json exchangeOf(std::uint8_t source) {
    return {{"op", "exchange"},
            {"address", 1},
            {"frame", hex(makeFrame(1, cmd::kMainSource, {source}))},
            {"timeoutMs", 500}};
}

class ServiceRig : public testing::Test {
protected:
    void SetUp() override {
        device_.setStatus(1, {.mainSource = 0, .mainSignal = true});
        // A plan scheduler would race through virtual days, sending its plans each day.
        wall_.onSleep = [this](WallClock::TimePoint) {
            while (!tearingDown_) std::this_thread::sleep_for(1ms);
        };
    }
    void TearDown() override {
        tearingDown_ = true;
        if (service_) service_->stop();
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    ChainService& make(ServiceOptions options = {}, LinkOpener opener = {}) {
        options.link = {false, {}, "127.0.0.1", "4001"};
        if (!opener)
            opener = [this](const LinkChoice&, const InfoSink&) {
                return OpenedLink{device_.openLink()};
            };
        service_ =
            std::make_unique<ChainService>(options, std::move(opener), &journal_, clock_, wall_);
        return *service_;
    }
    std::future<json> send(const Peer& peer, json request) {
        auto promise = std::make_shared<std::promise<json>>();
        auto future = promise->get_future();
        service_->handle(peer, request, [promise](json answer) { promise->set_value(answer); });
        return future;
    }
    json call(const Peer& peer, json request) {
        auto future = send(peer, std::move(request));
        EXPECT_EQ(future.wait_for(5s), std::future_status::ready) << "no answer";
        return future.get();
    }
    // The frames that were not polls, as their command and first parameter.
    std::vector<std::pair<int, int>> commands() const {
        std::vector<std::pair<int, int>> out;
        for (const auto& s : device_.sent())
            if (s.frame[2] != cmd::kReadPage) out.emplace_back(s.frame[2], s.frame[3]);
        return out;
    }
    fs::path planFile(const std::string& text) {
        dir_ = fs::temp_directory_path() / ("tvq-svc-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "Planinfo.ini", std::ios::binary) << text;
        return dir_ / "Planinfo.ini";
    }

    FakeClock clock_;
    FakeWallClock wall_{WallClock::TimePoint{} + std::chrono::seconds{1'800'000'000}};
    test::FakeDevice device_{clock_};
    MemoryJournal journal_;
    std::unique_ptr<ChainService> service_;
    fs::path dir_;
    std::atomic<bool> tearingDown_{false};
};

TEST_F(ServiceRig, PlansGoFirstThenClientsTakingTurnsThenPolls) {
    ChainService& service = make();
    auto first = send(kAlice, exchangeOf(1));
    ASSERT_TRUE(service.submit(JobPriority::Plan, [](FrameExchanger& link, std::stop_token) {
        CommandFrame reply{};
        link.setDeviceAddress(1);
        link.exchangeFrame(makeFrame(1, cmd::kMainSource, {9}), reply, 500);
    }));
    send(kAlice, exchangeOf(4));
    send(kAlice, exchangeOf(5));
    auto last = send(kBob, exchangeOf(2));  // waits one exchange of Alice's, not all three
    service.start();                        // a poll is due at once, yet waits for them all
    EXPECT_EQ(first.get()["result"], 13);
    EXPECT_EQ(last.get()["ok"], true);
    ASSERT_TRUE(eventually([&] { return device_.sent().size() >= 6; }));
    std::vector<int> order;
    for (const auto& s : device_.sent())
        order.push_back(s.frame[2] == cmd::kReadPage ? -1 : s.frame[3]);
    order.resize(6);  // more polls follow
    EXPECT_THAT(order, testing::ElementsAre(9, 1, 2, 4, 5, -1));
}

TEST_F(ServiceRig, SequenceHoldsTheWireForItsClientUntilEndOrSilence) {
    ChainService& service = make();
    std::vector<std::future<json>> answers;
    answers.push_back(send(kBob, exchangeOf(1)));
    answers.push_back(send(kAlice, {{"op", "begin"}, {"what", "wall program"}}));
    answers.push_back(send(kAlice, exchangeOf(2)));
    answers.push_back(send(kBob, exchangeOf(3)));
    answers.push_back(send(kAlice, exchangeOf(4)));
    answers.push_back(send(kAlice, {{"op", "end"}}));
    answers.push_back(send(kBob, exchangeOf(5)));
    service.start();
    for (auto& answer : answers) EXPECT_EQ(answer.get()["ok"], true);
    const std::vector<std::pair<int, int>> order{
        {0x80, 1}, {0x80, 2}, {0x80, 4}, {0x80, 3}, {0x80, 5}};
    EXPECT_EQ(commands(), order);
    // The journal names the sequence its exchanges belonged to.
    EXPECT_EQ(journal_.records("exchange")[1]["sequence"], "wall program");

    // A client that begins and falls silent holds the others up for holdIdle only.
    EXPECT_EQ(call(kAlice, {{"op", "begin"}})["ok"], true);
    EXPECT_EQ(call(kBob, exchangeOf(6))["result"], 13);
    const json late = call(kAlice, {{"op", "end"}});
    EXPECT_EQ(late["error"], "sequence");
    EXPECT_THAT(late["message"].get<std::string>(), testing::HasSubstr("10 s"));
}

TEST_F(ServiceRig, PlansStopAndStartTellEveryWatcherAndTheJournalWhoDidIt) {
    wall_.onSleep = [](WallClock::TimePoint) { std::this_thread::sleep_for(1ms); };
    ServiceOptions options;
    options.plans = planFile("[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0= 8:30: 0,7\n");
    ChainService& service = make(options);
    std::mutex mutex;
    std::vector<json> plans;
    service.setEventSink(kBob.id, [&](const json& event) {
        std::lock_guard lock(mutex);
        plans.push_back(event);
    });
    call(kBob, {{"op", "watch"}, {"events", {"plan"}}});
    service.start();
    EXPECT_EQ(service.greeting()["plans"]["armed"], true);

    // A second stop changes nothing and is not recorded; the greeting follows.
    EXPECT_EQ(call(kAlice, {{"op", "plans.stop"}})["armed"], false);
    EXPECT_EQ(call(kAlice, {{"op", "plans.stop"}})["armed"], false);
    EXPECT_EQ(service.greeting()["plans"]["armed"], false);
    EXPECT_EQ(call(kBob, {{"op", "plans.start"}})["armed"], true);
    const auto records = journal_.records("plans");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["armed"], false);
    EXPECT_EQ(records[0]["by"]["client"]["user"], "alice");
    EXPECT_EQ(records[1]["by"]["client"]["user"], "bob");
    std::lock_guard lock(mutex);
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0]["what"], "disarmed");
    EXPECT_EQ(plans[1]["armed"], true);

    // Modify keeps one plan and renumbers as the program window does.
    EXPECT_EQ(call(kAlice, {{"op", "plans.modify"},
                            {"kind", "day"},
                            {"entry", 0},
                            {"time", "7:00:00"},
                            {"source", "HDMI"}})["entry"],
              0);
    const json listed = call(kAlice, {{"op", "plans.list"}})["plans"];
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["time"], "07:00:00");
    EXPECT_EQ(listed[0]["source"], "HDMI");
}

TEST_F(ServiceRig, FloodsAreToldBusyAtOnce) {
    struct Case {
        double rate;
        int burst;
        std::size_t queue;
        int accepted;  // before the first refusal
        const char* message;
    };
    const Case cases[] = {
        {2, 3, 100, 3, "busy: 2 commands per second at most"},
        {1000, 1000, 4, 2, "busy: the queue is full"}  // half of it for one client
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ServiceOptions options;
        options.rate = c.rate;
        options.burst = c.burst;
        options.queue = c.queue;
        ChainService& service = make(options);  // not started: everything waits
        std::vector<std::future<json>> waiting;
        for (int i = 0; i < c.accepted; ++i) waiting.push_back(send(kAlice, exchangeOf(1)));
        const json refused = call(kAlice, exchangeOf(1));
        EXPECT_EQ(refused["error"], "busy");
        EXPECT_EQ(refused["message"], c.message);
        // Another client still gets in.
        waiting.push_back(send(kBob, exchangeOf(1)));
        EXPECT_EQ(waiting.back().wait_for(0s), std::future_status::timeout);
        clock_.advance(1s);
        if (c.queue == 100) waiting.push_back(send(kAlice, exchangeOf(1)));  // refilled
        service.stop();  // every waiting request still gets its one answer
        for (auto& answer : waiting) EXPECT_EQ(answer.get()["error"], "link-down");
        EXPECT_TRUE(device_.sent().empty());
        service_.reset();
    }
}

TEST_F(ServiceRig, BadRequestsAreAnsweredAndChangeNothing) {
    ServiceOptions options;
    const std::string plans = "[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0= 8:30: 0,7\n";
    options.plans = planFile(plans);
    options.pollPause = 3600s;
    ChainService& service = make(options);
    service.start();
    const std::string good = hex(makeFrame(1, cmd::kMainSource, {1}));
    struct Case {
        json request;
        const char* error;
    };
    const Case cases[] = {
        {{{"op", "reboot"}}, "unknown-op"},
        {{{"op", "exchange"}, {"address", 1}}, "bad-request"},
        {{{"op", "exchange"}, {"address", 256}, {"frame", good}}, "bad-request"},
        {{{"op", "exchange"}, {"address", "1"}, {"frame", good}}, "bad-request"},
        {{{"op", "exchange"}, {"address", 1}, {"frame", good.substr(2)}}, "bad-request"},
        {{{"op", "exchange"}, {"address", 1}, {"frame", "zz" + good.substr(2)}}, "bad-request"},
        {{{"op", "exchange"}, {"address", 1}, {"frame", good}, {"timeoutMs", -5}}, "bad-request"},
        {{{"op", "gather"}, {"address", 1}, {"frame", good}, {"max", 0}}, "bad-request"},
        {{{"op", "source"}, {"address", 1}, {"source", "XYZ"}}, "bad-request"},
        {{{"op", "source"}, {"address", 1}, {"source", 3}}, "bad-request"},
        {{{"op", "press"}, {"address", 1}, {"key", "eject"}}, "bad-request"},
        {{{"op", "press"}, {"address", 9}, {"key", "FREEZE"}}, "bad-request"},  // state unknown
        {{{"op", "end"}}, "sequence"},
        {{{"op", "watch"}, {"events", {"state", "gossip"}}}, "bad-request"},
        {{{"op", "journal"}, {"since", -1}}, "bad-request"},
        {{{"op", "journal"}}, "internal"},  // this service keeps no journal
        {{{"op", "plans.add"}, {"kind", "day"}, {"time", "25:00:00"}, {"source", "DVI"}},
         "bad-request"},
        {{{"op", "plans.add"},
          {"kind", "day"},
          {"time", "9:00:00"},
          {"source", "DVI"},
          {"weekday", 1}},
         "bad-request"},
        {{{"op", "plans.delete"}, {"kind", "day"}, {"entry", 5}}, "bad-request"},
        {{{"op", "plans.modify"}, {"kind", "day"}, {"entry", 5}, {"time", "9:0:0"}, {"source", 1}},
         "bad-request"},
        {{{"op", "plans.reboot"}}, "unknown-op"},
        // Settings are checked as the setup checks them, windows against the resolution the
        // device reports (1280 x 1024 here), all before the first write.
        {{{"op", "set"}, {"address", 1}, {"settings", {{"bias", 10}, {"brightness", 63}}}},
         "bad-request"},
        {{{"op", "set"}, {"address", 1}, {"settings", {{"volume", 1}}}}, "bad-request"},
        {{{"op", "set"}, {"address", 1}, {"settings", {{"audio", {{"ad1", "HDMI"}, {"ad2", 8}}}}}},
         "bad-request"},
        {{{"op", "set"},
          {"address", 1},
          {"settings",
           {{"bias", 10},
            {"outputWindow", {{"x", 2}, {"width", 1280}, {"y", 0}, {"height", 64}}}}}},
         "bad-request"},
        {{{"op", "wall"}, {"rows", 1}, {"columns", 2}, {"widths", {1920}}, {"heights", {1, 2}}},
         "bad-request"},
        {{{"op", "job"}, {"job", 99}}, "not-found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.dump());
        const json answer = call(kAlice, c.request);
        EXPECT_EQ(answer["ok"], false);
        EXPECT_EQ(answer["error"], c.error);
        EXPECT_FALSE(answer["message"].get<std::string>().empty());
    }
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(journal_.records("exchange").empty());
    std::ifstream file(*options.plans, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), plans);
}

TEST_F(ServiceRig, StateEventsOnlyOnChangeAndWatchersResumeAfterASeq) {
    ChainService& service = make();
    std::mutex mutex;
    std::vector<json> seen;
    service.setEventSink(kAlice.id, [&](const json& event) {
        std::lock_guard lock(mutex);
        seen.push_back(event);
    });
    const auto states = [&] {
        std::lock_guard lock(mutex);
        std::vector<json> out;
        for (const json& e : seen)
            if (e["type"] == "state") out.push_back(e);
        return out;
    };
    EXPECT_EQ(call(kAlice, {{"op", "watch"}})["seq"], 0);
    service.start();
    ASSERT_TRUE(eventually([&] { return device_.count(cmd::kReadPage) >= 5; }));
    ASSERT_EQ(states().size(), 1u);
    EXPECT_EQ(states()[0]["state"]["mainSourceName"], "V1");
    EXPECT_EQ(call(kAlice, {{"op", "status"}, {"address", 1}})["state"], states()[0]["state"]);

    device_.setStatus(1, {.mainSource = 7, .mainSignal = true});
    ASSERT_TRUE(eventually([&] { return states().size() == 2; }));
    const std::uint64_t firstSeq = states()[0]["seq"];

    // A second watch replaces the first and replays what came after `since`, of its types.
    {
        std::lock_guard lock(mutex);
        seen.clear();
    }
    call(kAlice, {{"op", "watch"}, {"since", firstSeq}, {"events", {"state"}}});
    ASSERT_EQ(states().size(), 1u);
    EXPECT_EQ(states()[0]["state"]["mainSourceName"], "DVI");
    service.stop();  // before the sink's locals go
    for (const json& e : seen) EXPECT_EQ(e["type"], "state");
}

TEST_F(ServiceRig, OnAirStretchesSayWhyTheyBegan) {
    ServiceOptions options;
    // A day plan two seconds after the virtual wall clock's start switches to HDMI.
    const Moment start = clockAt(2026, 12, 7, 9, 59, 58);
    wall_.set(WallClock::TimePoint{} + std::chrono::seconds{start});
    options.plans = planFile("[PLANCOUNT]\ndaytimecount=1\n[DAYTIME]\nTime0=10: 0: 0,8\n");
    options.planFileCheck = 3600s;
    device_.onFrame([this](const CommandFrame& frame) {
        if (frame[2] == cmd::kMainSource) device_.setStatus(1, {.mainSource = frame[3]});
    });
    // The plan waits for the first poll; after it, the scheduler's virtual day stands still.
    std::atomic<bool> planMayRun{false}, finishing{false};
    wall_.onSleep = [&](WallClock::TimePoint now) {
        const bool afterPlan = now > WallClock::TimePoint{} + std::chrono::seconds{start + 10};
        eventually([&] { return finishing || (planMayRun && !afterPlan); });
    };
    ChainService& service = make(options);
    service.start();
    ASSERT_TRUE(eventually([&] { return device_.count(cmd::kReadPage) > 0; }));
    planMayRun = true;
    ASSERT_TRUE(eventually([&] { return journal_.records("on-air").size() == 1; }));
    EXPECT_EQ(call(kAlice, {{"op", "source"}, {"address", 1}, {"source", "DVI"}})["result"], 13);
    ASSERT_TRUE(eventually([&] { return journal_.records("on-air").size() == 2; }));
    device_.setStatus(1, {.mainSource = 5});  // VGA1 at the device's own keys
    ASSERT_TRUE(eventually([&] { return journal_.records("on-air").size() == 3; }));
    finishing = true;
    service.stop();

    const auto onAir = journal_.records("on-air");
    ASSERT_EQ(onAir.size(), 4u);
    const json plan{{"plan", {{"kind", "day"}, {"entry", 0}}}};
    const json alice{{"client", {{"user", "alice"}, {"pid", 100}, {"uid", 1000}}}};
    const std::vector<std::tuple<std::string, std::string, json, bool>> expected{
        {"V1", "device-keys", nullptr, true},  // on air before the service looked
        {"HDMI", "plan", plan, false},
        {"DVI", "command", alice, false},
        {"VGA1", "device-keys", nullptr, true}  // still on air when the service stopped
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [source, why, by, partial] = expected[i];
        SCOPED_TRACE(onAir[i].dump());
        EXPECT_EQ(onAir[i]["source"], source);
        EXPECT_EQ(onAir[i]["why"], why);
        EXPECT_EQ(onAir[i].value("by", json()), by);
        EXPECT_EQ(onAir[i].value("partial", false), partial);
    }
    // Both commands are journaled with who asked; polls and status reads are not.
    const auto exchanges = journal_.records("exchange");
    ASSERT_EQ(exchanges.size(), 2u);
    EXPECT_EQ(exchanges[0]["by"], plan);
    EXPECT_EQ(exchanges[1]["by"], alice);
    EXPECT_EQ(exchanges[1]["frames"][0]["in"], exchanges[1]["frames"][0]["out"]);  // the echo
}

TEST_F(ServiceRig, AnAbsentDeviceIsTriedAgainAfter1Then2SecondsAndWaitingRequestsAreTold) {
    int opens = 0;
    std::future<json> waiting;
    ChainService& service = make({}, [&](const LinkChoice&, const InfoSink&) {
        // Asked while the link is being opened: it waits for the outcome.
        if (++opens == 2) waiting = send(kAlice, exchangeOf(1));
        return opens < 3 ? OpenedLink{} : OpenedLink{device_.openLink()};
    });
    std::mutex mutex;
    std::vector<std::string> states;
    service.watch(kBob, std::nullopt, {"link"}, [&](const json& event) {
        std::lock_guard lock(mutex);
        states.push_back(event["state"]);
    });
    service.start();
    ASSERT_TRUE(eventually([&] { return service.linkState() == "up"; }));
    EXPECT_EQ(waiting.get()["error"], "link-down");
    EXPECT_GE(clock_.elapsed(), 3s);
    const json hello = service.greeting();
    EXPECT_EQ(hello["link"]["state"], "up");
    EXPECT_EQ(hello["limits"].dump(), R"({"burst":40,"maxLine":65536,"queue":256,"rate":20})");
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return states.size() == 6;
    }));
    service.stop();  // before the watcher's locals go
    EXPECT_THAT(states, testing::ElementsAre("connecting", "down", "connecting", "down",
                                             "connecting", "up"));
}

// A write the device does not acknowledge is a failure, not a success, and ends the writes; a
// wall is a job whose record and events carry it to its end.
TEST_F(ServiceRig, SettingWritesAreJudgedAndAWallIsAJobToFollow) {
    ChainService& service = make();
    service.start();
    const json twoWrites{
        {"op", "set"}, {"address", 1}, {"settings", {{"brightness", 32}, {"bias", 10}}}};
    EXPECT_EQ(call(kAlice, twoWrites)["written"].size(), 2u);
    device_.setCommandFault(test::FakeDevice::Fault::WrongCommand);
    const std::size_t before = commands().size();
    const json refused = call(kAlice, twoWrites);
    EXPECT_EQ(refused["error"], "device") << refused;
    EXPECT_EQ(commands().size(), before + 1) << "a write after an unacknowledged one";
    device_.setCommandFault(test::FakeDevice::Fault::Silent);
    EXPECT_EQ(call(kAlice, {{"op", "settings"}, {"address", 1}})["error"], "device");
    EXPECT_EQ(journal_.records("exchange").back()["op"], "set");

    device_.setCommandFault(test::FakeDevice::Fault::None);
    std::mutex mutex;
    std::vector<std::string> states;
    service.setEventSink(kBob.id, [&](const json& event) {
        std::lock_guard lock(mutex);
        if (states.empty() || states.back() != event["state"]) states.push_back(event["state"]);
    });
    call(kBob, {{"op", "watch"}, {"events", {"job"}}});
    const json accepted = call(
        kAlice,
        {{"op", "wall"}, {"rows", 1}, {"columns", 1}, {"widths", {1920}}, {"heights", {1080}}});
    ASSERT_EQ(accepted["state"], "queued") << accepted;
    json record;
    ASSERT_TRUE(eventually([&] {
        record = call(kBob, {{"op", "job"}, {"job", accepted["job"]}});
        return record["result"].is_object();
    })) << record;
    EXPECT_EQ(record["state"], "failed") << record;  // the fake never turns wall-ready
    EXPECT_EQ(record["cells"].size(), 1u);
    // The record is written before its event goes out: wait for the event.
    const std::vector<std::string> expected{"queued", "running", "failed"};
    EXPECT_TRUE(eventually([&] {
        std::lock_guard lock(mutex);
        return states == expected;
    }));
    std::lock_guard lock(mutex);
    EXPECT_EQ(states, expected);
}

}  // namespace
}  // namespace tvq::service
