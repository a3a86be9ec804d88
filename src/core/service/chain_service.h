#pragma once
// The owner of one chain: the only thread that talks to the device, the status poller of every
// served address, the plan scheduler and the journal, shared by any number of clients. No
// sockets here: a front end parses request lines, hands each to handle() and writes the answers
// and events it is given.
//
// Jobs run one at a time on one runner thread, so no two exchanges ever overlap on the wire. A
// job is one exchange or an atomic sequence. Order: plans (their second must hold), then
// clients' requests, then polls. Plans go first come first served; clients take turns (the
// one served least lately first, each client's requests in order), so a flooding client
// delays another by one exchange, not by the queue it filled. A poll runs only when nothing
// else waits, so it delays a client by one exchange at most.
//
// Choices a front end relies on:
// - handle() answers at once for what needs no wire (status from the cache, watch, plans.*,
//   journal, and every refusal); requests that need the wire are answered from the runner
//   thread when their job ends. `answer` is called exactly once, also when the service stops
//   (error "link-down", "the service is stopping") or the peer is gone first. Like `deliver`,
//   it must not block nor call back into the service (the answer to "watch" comes with the
//   event lock held): a front end queues the line and returns.
// - Rate limit: a token bucket per peer (rate per second, burst), taken by every request that
//   queues a job, writes the plan file or reads the journal ("end", "unwatch", a cached
//   "status", "watch" and "plans.list" are free). Beyond it, or with `queue` client jobs
//   already waiting (or half of them this client's own), the answer is "busy" at once.
// - begin/end are jobs in the client's own stream: "begin" takes effect (and is answered) when
//   the client's requests before it have run, "end" after those between. Meanwhile only that
//   client's jobs reach the wire; plans and polls wait. The hold ends by itself after
//   holdIdle without a request from the client, or at peerGone().
// - Requests are refused with "link-down" while the link is known down; while it is being
//   (re)opened they wait for the outcome. Jobs queued when the line is lost get "link-down".
// - Answers: "exchange", "source" and "press" give {result, reply (hex without blanks, "" when
//   result is 0), received, lineClosed}. Frames are accepted as hex with or without blanks.
//   timeoutMs defaults to 1000; gather's firstWaitMs 1000, quietMs 100, max 256 (at most
//   4096). A gather that could send nothing is "link-down".
// - "status" answers from the cache; an address not yet seen (or "fresh":true) costs one
//   exchange. The answer is {address, state (null when no good reply), reply} plus, after an
//   exchange, result/received/lineClosed, so a client can print it as a direct link would.
// - "press" runs the front panel's own rules on the address's last state; a refusal is the
//   error "bad-request" with the panel's message. Keys: source names, "PIP/POP", "TEXT",
//   "BYPASS", "FREEZE", "MOSAIC", "VGA-AUTO", "M1".."M4", "Cut", "Fade=0.5S", "Fade=1.0S",
//   "Fade=1.5S" (any case).
// - Events reach watchers through `deliver`, called with the service's event lock held, in
//   seq order: it must not block and must not call back into the service. A front end gives
//   each peer's sink with setEventSink() so that the ops "watch"/"unwatch" work through
//   handle(); watch() and unwatch() are the same without the protocol around them. One
//   watch per peer: a second replaces the first, peerGone() ends it. Events older than the
//   last eventRing are gone: a watcher sees the gap in seq.
// - Journal records: one per job that changes something (every command; not status queries,
//   not polls), and one per stretch of a main source on air, closed when a status reply shows
//   another source. A stretch that began before the service saw it, or was still on air when
//   it stopped, carries "partial":true. Exchange records: {type, address, by, op,
//   frames: [{out, in}], result "ok"|"no-reply"|"line-closed"|"sent" (address 0), ms}, and
//   "sequence": what, inside a hold. Each record also goes out as a "journal" event (without
//   a sink: unnumbered).
// - "settings" (the setup's whole read-back), "set" (screen settings after the setup's checks,
//   all checked before the first write) and "wall" (every cell of a video wall) each run as one
//   job: nothing else reaches the wire between their exchanges, plans and polls wait (up to a
//   minute for a read-back whose pages go unanswered). "wall" is answered at once with a job
//   number; "job" gives its record and "job" events each change of it.
// - Plans address the first served address. The opener may block (a TCP connect, 3 s at
//   most): stop() waits for it.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/control/panel_state.h"
#include "core/control/session.h"
#include "core/link/frame_exchanger.h"
#include "core/platform/clock.h"
#include "core/service/journal_sink.h"

namespace tvq::service {

inline constexpr int kProtocolVersion = 1;

struct Peer {
    std::uint64_t id = 0;  // unique per connection
    std::string user;
    int pid = 0;
    int uid = -1;
};

struct ServiceOptions {
    std::vector<std::uint8_t> addresses{1};      // served: polled, cached, watched
    LinkChoice link;                             // what the opener is given
    std::optional<std::filesystem::path> plans;  // plan file; none: no scheduler, no plans.*
    std::string chain = "tvq418";                // the greeting's name of the chain
    double rate = 20;                            // requests per second per peer ...
    int burst = 40;                              // ... with this many at once
    std::size_t queue = 256;                     // client jobs waiting, all peers together
    Millis pollPause{1000};                      // between two polls of one address
    Millis reconnectFirst{1000};                 // after a lost or failed open, doubled ...
    Millis reconnectLongest{30000};              // ... up to this
    Millis holdIdle{10000};                      // a sequence hold ends after this silence
    std::size_t eventRing = 4096;                // recent events kept for "since"
    Millis planFileCheck{1000};                  // how often the plan file is looked at
    std::string version = TVQ_VERSION;
    // The journal's reader, for the op "journal": given the request (fields checked: since,
    // from, to, address, onAir, limit), returns {"records":[...],"next":N}. It may throw
    // std::invalid_argument (answered "bad-request") or anything else ("internal"). Unset: the
    // op answers "internal" with "no journal".
    std::function<nlohmann::json(const nlohmann::json& request)> journalQuery;
};

// What the service knows of one processor: its last good status reply, decoded as the front
// panel shows it, and how old that is. Stale: the controller would draw the lamps as unknown
// (no reply for three poll rounds, or no line).
struct UnitView {
    std::uint8_t address = 0;
    bool served = false;  // polled by the service, not only seen after a client's command
    std::optional<CommandFrame> reply;
    PanelState panel = PanelState::initial();
    std::optional<Millis> age;
    bool stale = true;
};

// Counts since the start, for monitoring.
struct ServiceMetrics {
    std::uint64_t exchanges = 0;  // frames sent by jobs and polls
    std::uint64_t failures = 0;   // of those, unanswered or cut off (address 0 excepted)
    std::size_t queued = 0;       // jobs waiting now, plans, clients and in-process together
    std::size_t clients = 0;      // peers the service keeps state for now
    std::uint64_t planFires = 0;  // plans sent and answered
};

enum class JobPriority { Plan = 0, Client = 1, Poll = 2 };

class ChainService {
public:
    // The opener is called on the runner thread, at start and after each reconnect pause.
    ChainService(ServiceOptions options, LinkOpener opener, JournalSink* journal /*nullable*/,
                 Clock& clock = systemClock(), WallClock& wall = systemWallClock());
    ~ChainService();  // stops
    ChainService(const ChainService&) = delete;
    ChainService& operator=(const ChainService&) = delete;

    // Opens the link and starts the runner and the plan scheduler. Requests handled before
    // start wait in the queue.
    void start();
    // Ends the scheduler and the runner within one exchange plus a few ms; waiting requests
    // are answered "link-down". Stretches on air are journaled as far as now.
    void stop();

    // The hello line.
    nlohmann::json greeting() const;
    // "up", "down" or "connecting".
    std::string linkState() const;

    // One parsed request object from a peer; `answer` is called exactly once, from any thread
    // (possibly before handle() returns).
    void handle(const Peer& peer, const nlohmann::json& request,
                std::function<void(nlohmann::json answer)> answer);

    // Where the ops "watch"/"unwatch" of this peer send its events (see deliver above).
    void setEventSink(std::uint64_t peerId, std::function<void(const nlohmann::json&)> deliver);

    // Events of the given types ("state", "link", "plan", "journal"; empty: all), first those
    // kept after `since`, then as they happen. Returns a handle for unwatch().
    std::uint64_t watch(const Peer& peer, std::optional<std::uint64_t> since,
                        std::set<std::string> types,
                        std::function<void(const nlohmann::json&)> deliver);
    void unwatch(std::uint64_t handle);
    // The peer's connection is gone: its hold ends, its watch and sink go, its waiting jobs
    // are dropped (answered "internal", "the client is gone").
    void peerGone(const Peer& peer);

    // An in-process job (an atomic sequence of exchanges) on the runner thread. `work` gets
    // the link and the runner's stop token; `dropped` (optional) is called instead when the
    // job will not run (service stopping, link lost). False when refused at once: queue full
    // (client level only) or service stopped.
    bool submit(JobPriority priority, std::function<void(FrameExchanger&, std::stop_token)> work,
                std::function<void()> dropped = {});

    // The served addresses and any other that answered, by address; one of them (nullopt for
    // an address neither served nor seen). From the cache: never touches the wire.
    std::vector<UnitView> units() const;
    std::optional<UnitView> unit(std::uint8_t address) const;

    ServiceMetrics metrics() const;

    // The last sequence number of an event, 0 before the first.
    std::uint64_t lastEventSeq() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tvq::service
