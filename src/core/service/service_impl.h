#pragma once
// The inside of ChainService, shared by its two files: chain_service.cpp (the runner, the link,
// plans and the journal) and service_requests.cpp (the ops). Lock order: mutex, then the
// event hub's or the cache's own (leaves); no lock is held across an exchange.

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "core/link/device_link.h"
#include "core/plans/plan_scheduler.h"
#include "core/service/chain_service.h"
#include "core/service/event_hub.h"
#include "core/service/resting_link.h"
#include "core/service/status_cache.h"
#include "core/setup/read_back.h"

namespace tvq::service {

// Exactly one answer per request, whichever path gets there first.
class AnswerOnce {
public:
    explicit AnswerOnce(std::function<void(nlohmann::json)> answer) : answer_(std::move(answer)) {}
    void operator()(nlohmann::json answer) {
        if (!done_.exchange(true)) answer_(std::move(answer));
    }

private:
    std::function<void(nlohmann::json)> answer_;
    std::atomic<bool> done_{false};
};
using Answer = std::shared_ptr<AnswerOnce>;

struct Job {
    JobPriority priority = JobPriority::Client;
    std::uint64_t peer = 0;  // the client whose job it is; 0 for plans and in-process jobs
    std::function<void(FrameExchanger&, std::stop_token)> work;
    // Called instead of work when the job will not run: error code and message.
    std::function<void(std::string_view, std::string_view)> refuse;
};

// What one exchange came to, for the answer and the journal.
struct Exchanged {
    CommandFrame out{};  // as sent, check byte included
    bool toAll = false;  // address 0: nobody answers
    int result = 0;
    CommandFrame reply{};
    ExchangeDetail detail;
    std::int64_t ms = 0;
};

struct PeerState {
    double tokens = 0;
    Clock::TimePoint refilled{};
    bool fresh = true;
    bool sequenceOpen = false;  // begin accepted, no end yet
    bool holdExpired = false;   // the hold ended by itself: the next "end" is told so
    std::uint64_t served = 0;   // serveTick when its last job was taken
    std::function<void(const nlohmann::json&)> sink;
    std::optional<std::uint64_t> watch;
};

struct ChainService::Impl final : PlanObserver {
    Impl(ServiceOptions options, LinkOpener opener, JournalSink* journal, Clock& clock,
         WallClock& wall);

    // chain_service.cpp
    void run(std::stop_token stop);
    bool openLink();
    void setLinkState(std::string state, std::string message);
    bool next(std::stop_token stop, std::optional<Job>& job, std::optional<std::uint8_t>& poll);
    std::deque<Job>::iterator fairest(std::deque<Job>& clients);
    void pollOnce(std::uint8_t address, std::stop_token stop);
    Exchanged exchange(FrameExchanger& link, std::uint8_t address, const CommandFrame& frame,
                       std::int32_t timeoutMs, std::stop_token stop);
    void seeStatus(std::uint8_t address, const CommandFrame& query, const Exchanged& e);
    // A client's or a plan's command ran: the next change of the address is put down to it,
    // and its read-back comes early.
    void noteCommand(std::uint8_t address, const nlohmann::json& by, std::string_view why);
    void journalExchange(std::uint8_t address, const nlohmann::json& by, std::string_view op,
                         const nlohmann::json& frames, std::string_view result, std::int64_t ms);
    void record(nlohmann::json record);
    bool enqueue(Job job, bool bounded);
    void refuseAll(std::deque<Job>& jobs, std::string_view code, std::string_view message);
    SendOutcome sendPlan(const CommandFrame& frame, std::stop_token stop);
    // Starts or ends the plan scheduler (not after stop()); true when this call changed it.
    bool armPlans(bool on);
    std::string target() const;

    // PlanObserver, on the scheduler's thread.
    void showTimers(const std::optional<TimerDisplay>&,
                    const std::optional<TimerDisplay>&) override {}
    void planEvent(const PlanEvent& event) override;
    void planNotice(const PlanNotice&) override {}

    // service_requests.cpp
    void handle(const Peer& peer, const nlohmann::json& request, const Answer& answer);
    // Why a request that needs the wire (or a rate token) cannot be taken now; nullopt: taken.
    std::optional<nlohmann::json> admit(const Peer& peer, const nlohmann::json& id, bool wire);
    // The answer when enqueue refused: the queue filled, or the service stopped, meanwhile.
    nlohmann::json notQueued(const nlohmann::json& id) const;
    void queueExchange(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                       std::uint8_t address, const CommandFrame& frame, std::int32_t timeoutMs,
                       std::string op);
    void queueStatus(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                     std::uint8_t address);
    void queueGather(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                     const nlohmann::json& request);
    void sequence(const Peer& peer, const nlohmann::json& id, const Answer& answer, bool begin,
                  const nlohmann::json& request);
    void startWatch(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                    const nlohmann::json& request);
    void armPlansFor(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                     const std::string& op);
    CommandFrame pressFrame(std::uint8_t address, const std::string& key);

    // setup_jobs.cpp: the screen settings and whole-wall programming, each one job.
    // The exchange of a job's sequence: the cache sees its status replies, the journal its
    // writes (as `op`, by the peer).
    setup::ExchangeFn exchangeFn(FrameExchanger& wire, const Peer& peer, std::string op);
    void queueSettings(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                       std::uint8_t address);
    void queueSet(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                  const nlohmann::json& request);
    void startWall(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                   const nlohmann::json& request);
    // Merges `change` into the job's record and tells the watchers the whole record.
    void updateJob(std::uint64_t job, const nlohmann::json& change);
    nlohmann::json jobRecord(const nlohmann::json& id, std::uint64_t job) const;

    const ServiceOptions options;
    const LinkOpener opener;
    JournalSink* const journal;
    Clock& clock;
    WallClock& wall;
    DeviceLink link;   // rests not at all ...
    RestingLink wire;  // ... the jobs' and polls' way to it rests before each send
    EventHub events;
    StatusCache cache;

    mutable std::mutex mutex;
    std::condition_variable_any wake;
    std::uint64_t changes = 0;                 // bumped by every enqueue: the runner looks again
    std::array<std::deque<Job>, 3> queues;     // by JobPriority
    std::map<std::uint64_t, PeerState> peers;  // by Peer::id
    std::uint64_t serveTick = 0;
    std::optional<std::uint64_t> holder;  // the peer whose sequence holds the wire
    std::string holdWhat;
    Clock::TimePoint holderSeen{};  // its last request
    std::map<std::uint8_t, Clock::TimePoint> pollDue;
    std::string linkState = "connecting";
    std::string linkMessage;
    bool started = false;
    bool stopped = false;

    std::jthread runner;
    std::mutex planMutex;  // arming and disarming, one at a time; before `mutex`
    std::unique_ptr<PlanScheduler> scheduler;
    std::atomic<bool> plansArmed{false};  // the scheduler runs: told in the greeting
    std::atomic<std::uint64_t> exchanges{0}, failures{0}, planFires{0};
    // Who the scheduler's next send is for: {"plan":{kind, entry}}. Its thread only.
    nlohmann::json planBy;
    std::map<std::uint64_t, nlohmann::json> jobs;  // wall jobs' records by number, under mutex
    std::uint64_t lastJob = 0;
};

nlohmann::json exchangeJson(const Exchanged& e);
nlohmann::json framesJson(const Exchanged& e);
std::string resultName(const Exchanged& e);
bool changesDevice(const CommandFrame& frame);
nlohmann::json clientBy(const Peer& peer);

}  // namespace tvq::service
