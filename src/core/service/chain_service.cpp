#include "core/service/chain_service.h"

#include <algorithm>
#include <cmath>

#include "core/link/commands.h"
#include "core/link/sources.h"
#include "core/service/iso_time.h"
#include "core/service/request_fields.h"
#include "core/service/service_impl.h"

namespace tvq::service {
namespace {

constexpr std::int32_t kPollTimeoutMs = 1000;
constexpr Millis kReadBackAfterCommand{100};  // the device settles before it reports
// The controller draws its lamps as unknown after this many unanswered polls in a row.
constexpr int kMissesBeforeUnknown = 3;

std::size_t index(JobPriority priority) {
    return static_cast<std::size_t>(priority);
}

}  // namespace

nlohmann::json exchangeJson(const Exchanged& e) {
    return {{"result", e.result},
            {"reply",
             e.result == static_cast<int>(kFrameSize) ? hexText(e.reply.data(), kFrameSize) : ""},
            {"received", e.detail.received},
            {"lineClosed", e.detail.lineClosed}};
}

nlohmann::json framesJson(const Exchanged& e) {
    nlohmann::json in = nullptr;
    if (e.result == static_cast<int>(kFrameSize)) in = hexText(e.reply.data(), kFrameSize);
    return nlohmann::json::array({{{"out", hexText(e.out.data(), kFrameSize)}, {"in", in}}});
}

std::string resultName(const Exchanged& e) {
    if (e.result == static_cast<int>(kFrameSize)) return "ok";
    if (e.toAll && !e.detail.lineClosed) return "sent";
    return e.detail.lineClosed ? "line-closed" : "no-reply";
}

// A page read changes nothing; every other command may.
bool changesDevice(const CommandFrame& frame) {
    return frame[2] != cmd::kReadPage;
}

nlohmann::json clientBy(const Peer& peer) {
    nlohmann::json client{{"user", peer.user}};
    // A web client has a token or an address, no process or user id.
    if (peer.pid != 0) client["pid"] = peer.pid;
    if (peer.uid >= 0) client["uid"] = peer.uid;
    return {{"client", client}};
}

ChainService::Impl::Impl(ServiceOptions options_, LinkOpener opener_, JournalSink* journal_,
                         Clock& clock_, WallClock& wall_)
    : options(std::move(options_)),
      opener(std::move(opener_)),
      journal(journal_),
      clock(clock_),
      wall(wall_),
      link(clock_,
           ExchangeTiming{.tryLength = ExchangeTiming{}.tryLength, .acceptPause = Millis{0}}),
      wire(link, clock_, ExchangeTiming{}.acceptPause),
      events(options.eventRing) {
    for (std::uint8_t address : options.addresses) pollDue[address] = Clock::TimePoint{};
}

std::string ChainService::Impl::target() const {
    return options.link.useSerial ? options.link.portName
                                  : options.link.ipText + ":" + options.link.portText;
}

void ChainService::Impl::run(std::stop_token stop) {
    Millis pause = options.reconnectFirst;
    bool pauseFirst = false;  // the first open is tried at once, every later one after a pause
    while (!stop.stop_requested()) {
        if (!link.isUp()) {
            if (pauseFirst) {
                std::unique_lock lock(mutex);
                clock.waitFor(lock, wake, stop, pause, [] { return false; });
                if (stop.stop_requested()) break;
                pause = std::min(pause * 2, options.reconnectLongest);
            }
            pauseFirst = true;
            setLinkState("connecting", "opening " + target());
            if (openLink()) {
                pause = options.reconnectFirst;
                setLinkState("up", target() + " open");
            } else {
                setLinkState("down", "cannot open " + target() + "; next try in " +
                                         std::to_string(pause.count() / 1000) + " s");
            }
            continue;
        }
        std::optional<Job> job;
        std::optional<std::uint8_t> poll;
        if (!next(stop, job, poll)) continue;
        if (job)
            job->work(wire, stop);
        else if (poll)
            pollOnce(*poll, stop);
        if (!link.isUp() && !stop.stop_requested()) {
            link.close();
            setLinkState("down", "the line to " + target() + " was lost; next try in " +
                                     std::to_string(pause.count() / 1000) + " s");
        }
    }
}

bool ChainService::Impl::openLink() {
    link.close();
    OpenedLink opened = opener(options.link, [](const InfoText&) {});
    if (!opened.link || !opened.link->isOpen()) return false;
    link.attach(std::move(opened.link));
    return true;
}

void ChainService::Impl::setLinkState(std::string state, std::string message) {
    std::deque<Job> refused;
    {
        std::lock_guard lock(mutex);
        linkState = state;
        linkMessage = message;
        // Nobody waits on a link that is not there: the clients are told, plans count it missed.
        if (state == "down")
            for (auto& queue : queues)
                std::move(queue.begin(), queue.end(), std::back_inserter(refused)), queue.clear();
    }
    refuseAll(refused, "link-down", "no link to the chain: " + message);
    events.publish("link", {{"state", state}, {"message", message}});
}

void ChainService::Impl::refuseAll(std::deque<Job>& jobs, std::string_view code,
                                   std::string_view message) {
    for (Job& job : jobs)
        if (job.refuse) job.refuse(code, message);
    jobs.clear();
}

// Among clients, the one served least lately goes first (the earliest of its jobs): a client
// flooding the queue delays another by one exchange, not by the whole queue.
std::deque<Job>::iterator ChainService::Impl::fairest(std::deque<Job>& clients) {
    const auto servedAt = [this](std::uint64_t peer) {
        const auto it = peers.find(peer);
        return it == peers.end() ? std::uint64_t{0} : it->second.served;
    };
    auto best = clients.begin();
    for (auto it = clients.begin(); it != clients.end(); ++it)
        if (servedAt(it->peer) < servedAt(best->peer)) best = it;
    if (auto it = peers.find(best->peer); it != peers.end()) it->second.served = ++serveTick;
    return best;
}

// The next job by priority, or a poll that is due; waits for one. A sequence hold lets only
// its client's jobs through.
bool ChainService::Impl::next(std::stop_token stop, std::optional<Job>& job,
                              std::optional<std::uint8_t>& poll) {
    std::unique_lock lock(mutex);
    while (!stop.stop_requested()) {
        const auto now = clock.now();
        if (holder && now - holderSeen >= options.holdIdle) {
            if (auto it = peers.find(*holder); it != peers.end()) {
                it->second.sequenceOpen = false;
                it->second.holdExpired = true;
            }
            holder.reset();
        }
        auto take = [&](std::deque<Job>& queue, std::deque<Job>::iterator it) {
            job = std::move(*it);
            queue.erase(it);
            return true;
        };
        auto& clients = queues[index(JobPriority::Client)];
        auto& plans = queues[index(JobPriority::Plan)];
        Clock::TimePoint wakeAt = now + options.pollPause;
        if (holder) {
            const auto it = std::ranges::find(clients, *holder, &Job::peer);
            if (it != clients.end()) return take(clients, it);
            wakeAt = holderSeen + options.holdIdle;
        } else {
            if (!plans.empty()) return take(plans, plans.begin());
            const auto due = std::ranges::min_element(
                pollDue, {}, [](const auto& entry) { return entry.second; });
            // A poll a whole pause overdue goes before clients: under steady load from
            // clients the watchers' state must not go stale.
            const bool starved = due != pollDue.end() && due->second != Clock::TimePoint::max() &&
                                 due->second + options.pollPause <= now;
            if (!clients.empty() && !starved) return take(clients, fairest(clients));
            if (due != pollDue.end()) {
                if (due->second <= now) {
                    poll = due->first;
                    due->second = Clock::TimePoint::max();  // set again when the poll ends
                    return true;
                }
                wakeAt = due->second;
            }
        }
        const std::uint64_t seen = changes;
        clock.waitFor(lock, wake, stop, std::chrono::ceil<Millis>(wakeAt - now),
                      [&] { return changes != seen; });
    }
    return false;
}

Exchanged ChainService::Impl::exchange(FrameExchanger& wire, std::uint8_t address,
                                       const CommandFrame& frame, std::int32_t timeoutMs,
                                       std::stop_token stop) {
    Exchanged e;
    e.out = frame;
    e.out[12] = frameCheck(frame);
    e.toAll = address == 0;
    wire.setDeviceAddress(address);
    const auto start = clock.now();
    e.result = wire.exchangeFrame(frame, e.reply, timeoutMs, e.detail, stop);
    e.ms = std::chrono::duration_cast<Millis>(clock.now() - start).count();
    ++exchanges;
    if (e.result != static_cast<int>(kFrameSize) && !e.toAll) ++failures;
    return e;
}

void ChainService::Impl::seeStatus(std::uint8_t address, const CommandFrame& query,
                                   const Exchanged& e) {
    if (query[2] != cmd::kReadPage || query[3] != 0 || e.result != static_cast<int>(kFrameSize) ||
        checkStatusReply(e.reply, address) != StatusCheck::Ok)
        return;
    StatusCache::Seen seen = cache.observe(address, e.reply, wall.now(), clock.now());
    if (seen.onAir) record(std::move(*seen.onAir));
    if (seen.changed)
        events.publish("state", {{"address", address},
                                 {"state", seen.state},
                                 {"reply", hexText(e.reply.data(), kFrameSize)}});
}

void ChainService::Impl::pollOnce(std::uint8_t address, std::stop_token stop) {
    const CommandFrame query = pageQuery(address);
    seeStatus(address, query, exchange(wire, address, query, kPollTimeoutMs, stop));
    std::lock_guard lock(mutex);
    auto& due = pollDue[address];
    // A command meanwhile asked for an early read-back: keep it.
    if (due == Clock::TimePoint::max()) due = clock.now() + options.pollPause;
}

void ChainService::Impl::noteCommand(std::uint8_t address, const nlohmann::json& by,
                                     std::string_view why) {
    std::lock_guard lock(mutex);
    // Address 0 reaches every processor of the chain.
    for (auto& [served, due] : pollDue)
        if (address == 0 || served == address) {
            cache.noteCause(served, std::string(why), by);
            due = std::min(due, clock.now() + kReadBackAfterCommand);
        }
    if (address != 0 && !pollDue.contains(address)) cache.noteCause(address, std::string(why), by);
}

void ChainService::Impl::journalExchange(std::uint8_t address, const nlohmann::json& by,
                                         std::string_view op, const nlohmann::json& frames,
                                         std::string_view result, std::int64_t ms) {
    nlohmann::json entry{{"type", "exchange"}, {"address", address}, {"by", by}, {"op", op},
                         {"frames", frames},   {"result", result},   {"ms", ms}};
    {
        std::lock_guard lock(mutex);
        if (holder) entry["sequence"] = holdWhat;
    }
    record(std::move(entry));
}

void ChainService::Impl::record(nlohmann::json entry) {
    if (!entry.contains("time")) entry["time"] = isoTime(wall.now());
    if (journal) entry["seq"] = journal->append(entry);
    events.publish("journal", {{"record", std::move(entry)}});
}

bool ChainService::Impl::enqueue(Job job, bool bounded) {
    {
        std::lock_guard lock(mutex);
        auto& queue = queues[index(job.priority)];
        if (stopped || (bounded && queue.size() >= options.queue)) return false;
        queue.push_back(std::move(job));
        ++changes;
    }
    wake.notify_all();
    return true;
}

SendOutcome ChainService::Impl::sendPlan(const CommandFrame& frame, std::stop_token stop) {
    struct Done {
        std::mutex mutex;
        std::condition_variable_any cv;
        std::optional<SendOutcome> outcome;
        void set(SendOutcome o) {
            std::lock_guard lock(mutex);
            outcome = o;
            cv.notify_all();
        }
    };
    auto done = std::make_shared<Done>();
    Job job;
    job.priority = JobPriority::Plan;
    job.work = [this, frame, done, by = std::exchange(planBy, nullptr)](
                   FrameExchanger& wire, std::stop_token runnerStop) {
        if (!wire.isUp()) return done->set(SendOutcome::LinkClosed);
        const std::uint8_t address = frame[1];
        const Exchanged e = exchange(wire, address, frame, kPlanReplyTimeoutMs, runnerStop);
        noteCommand(address, by, "plan");
        journalExchange(address, by, "plan", framesJson(e), resultName(e), e.ms);
        const bool answered = e.result == static_cast<int>(kFrameSize) || address == 0;
        done->set(answered ? SendOutcome::Sent : SendOutcome::NoReply);
    };
    job.refuse = [done](std::string_view, std::string_view) { done->set(SendOutcome::LinkClosed); };
    if (!enqueue(std::move(job), false)) return SendOutcome::LinkClosed;
    std::unique_lock lock(done->mutex);
    if (!done->cv.wait(lock, stop, [&] { return done->outcome.has_value(); }))
        return SendOutcome::Stopped;
    return *done->outcome;
}

void ChainService::Impl::planEvent(const PlanEvent& event) {
    static constexpr std::array<std::string_view, 5> kWhat{"sent", "no-reply", "cannot-send",
                                                           "missed", "same-second"};
    const std::string_view name = sourceName(static_cast<unsigned>(event.occurrence.source));
    if (event.what == PlanEvent::What::Sent) ++planFires;
    events.publish(
        "plan",
        {{"what", kWhat[static_cast<std::size_t>(event.what)]},
         {"kind", kindName(event.occurrence.kind)},
         {"entry", event.occurrence.entry},
         {"source", name.empty() ? nlohmann::json(event.occurrence.source) : nlohmann::json(name)},
         {"due",
          isoTime(WallClock::TimePoint{} + std::chrono::seconds{event.occurrence.timeOfDay})}});
}

ChainService::ChainService(ServiceOptions options, LinkOpener opener, JournalSink* journal,
                           Clock& clock, WallClock& wall)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(opener), journal, clock, wall)) {}

ChainService::~ChainService() {
    stop();
}

void ChainService::start() {
    Impl& impl = *impl_;
    {
        std::lock_guard lock(impl.mutex);
        if (impl.started || impl.stopped) return;
        impl.started = true;
    }
    impl.runner = std::jthread([&impl](std::stop_token stop) { impl.run(stop); });
    if (impl.options.plans) impl.armPlans(true);
}

bool ChainService::Impl::armPlans(bool on) {
    std::lock_guard arming(planMutex);
    {
        std::lock_guard lock(mutex);
        if (stopped || !started) on = false;
    }
    if (on == (scheduler != nullptr)) return false;
    if (!on) {
        plansArmed = false;
        scheduler->stop();  // within one reply try, also inside a sleep
        scheduler.reset();
        return true;
    }
    PlanSchedulerOptions plans;
    plans.planFile = *options.plans;
    plans.deviceAddress = options.addresses.empty() ? 1 : options.addresses.front();
    plans.fileCheck = options.planFileCheck;
    PlanLink planLink;
    planLink.send = [this](const CommandFrame& frame, std::stop_token stop) {
        return sendPlan(frame, stop);
    };
    planLink.isOpen = [this] {
        std::lock_guard lock(mutex);
        return linkState == "up";
    };
    planLink.sending = [this](const PlanOccurrence& due) {
        planBy = {{"plan", {{"kind", kindName(due.kind)}, {"entry", due.entry}}}};
    };
    scheduler = std::make_unique<PlanScheduler>(plans, planLink, *this, wall);
    scheduler->start();
    plansArmed = true;
    return true;
}

void ChainService::stop() {
    Impl& impl = *impl_;
    impl.armPlans(false);
    std::deque<Job> left;
    {
        std::lock_guard lock(impl.mutex);
        if (impl.stopped) return;
        impl.stopped = true;
        for (auto& queue : impl.queues)
            std::move(queue.begin(), queue.end(), std::back_inserter(left)), queue.clear();
    }
    impl.runner.request_stop();
    impl.wake.notify_all();
    if (impl.runner.joinable()) impl.runner.join();
    impl.armPlans(false);  // a plans.start that came between the two
    impl.refuseAll(left, "link-down", "the service is stopping");
    impl.link.close();
    for (nlohmann::json& onAir : impl.cache.closeAll(impl.wall.now()))
        impl.record(std::move(onAir));
}

nlohmann::json ChainService::greeting() const {
    const Impl& impl = *impl_;
    nlohmann::json capabilities{"exchange", "gather", "sequence", "status", "source",
                                "press",    "watch",  "settings", "wall"};
    if (impl.options.plans) capabilities.push_back("plans");
    if (impl.options.journalQuery) capabilities.push_back("journal");
    const double rate = impl.options.rate;
    const nlohmann::json link{{"kind", impl.options.link.useSerial ? "serial" : "tcp"},
                              {"target", impl.target()},
                              {"state", linkState()}};
    const nlohmann::json limits{
        {"maxLine", 65536},
        {"rate", rate == std::floor(rate) ? nlohmann::json(static_cast<std::int64_t>(rate))
                                          : nlohmann::json(rate)},
        {"burst", impl.options.burst},
        {"queue", impl.options.queue}};
    nlohmann::json hello{{"class", "hello"},
                         {"protocol", kProtocolVersion},
                         {"service", "tvq418d"},
                         {"version", impl.options.version},
                         {"chain", impl.options.chain},
                         {"link", link},
                         {"addresses", impl.options.addresses},
                         {"capabilities", capabilities},
                         {"limits", limits}};
    // Whether the plan file's plans will fire: a supervisor's check after a restart.
    if (impl.options.plans)
        hello["plans"] = {{"file", impl.options.plans->string()},
                          {"armed", impl.plansArmed.load()}};
    return hello;
}

std::string ChainService::linkState() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->linkState;
}

void ChainService::handle(const Peer& peer, const nlohmann::json& request,
                          std::function<void(nlohmann::json answer)> answer) {
    impl_->handle(peer, request, std::make_shared<AnswerOnce>(std::move(answer)));
}

void ChainService::setEventSink(std::uint64_t peerId,
                                std::function<void(const nlohmann::json&)> deliver) {
    std::lock_guard lock(impl_->mutex);
    impl_->peers[peerId].sink = std::move(deliver);
}

std::uint64_t ChainService::watch(const Peer& peer, std::optional<std::uint64_t> since,
                                  std::set<std::string> types,
                                  std::function<void(const nlohmann::json&)> deliver) {
    Impl& impl = *impl_;
    const std::uint64_t handle = impl.events.watch(since, std::move(types), std::move(deliver));
    std::optional<std::uint64_t> previous;
    {
        // One watch per peer, ended with it: a second one replaces the first.
        std::lock_guard lock(impl.mutex);
        previous = std::exchange(impl.peers[peer.id].watch, handle);
    }
    if (previous) impl.events.unwatch(*previous);
    return handle;
}

void ChainService::unwatch(std::uint64_t handle) {
    impl_->events.unwatch(handle);
}

void ChainService::peerGone(const Peer& peer) {
    Impl& impl = *impl_;
    std::deque<Job> gone;
    std::optional<std::uint64_t> watch;
    {
        std::lock_guard lock(impl.mutex);
        auto& clients = impl.queues[static_cast<std::size_t>(JobPriority::Client)];
        for (auto it = clients.begin(); it != clients.end();)
            if (it->peer == peer.id) {
                gone.push_back(std::move(*it));
                it = clients.erase(it);
            } else {
                ++it;
            }
        if (impl.holder == peer.id) impl.holder.reset();
        if (auto it = impl.peers.find(peer.id); it != impl.peers.end()) {
            watch = it->second.watch;
            impl.peers.erase(it);
        }
        ++impl.changes;
    }
    impl.wake.notify_all();
    if (watch) impl.events.unwatch(*watch);
    impl.refuseAll(gone, "internal", "the client is gone");
}

bool ChainService::submit(JobPriority priority,
                          std::function<void(FrameExchanger&, std::stop_token)> work,
                          std::function<void()> dropped) {
    Job job;
    job.priority = priority;
    job.work = std::move(work);
    if (dropped)
        job.refuse = [dropped = std::move(dropped)](std::string_view, std::string_view) {
            dropped();
        };
    return impl_->enqueue(std::move(job), priority == JobPriority::Client);
}

std::vector<UnitView> ChainService::units() const {
    const Impl& impl = *impl_;
    std::vector<std::uint8_t> addresses = impl.options.addresses;
    for (std::uint8_t seen : impl.cache.addresses())
        if (std::ranges::find(addresses, seen) == addresses.end()) addresses.push_back(seen);
    std::ranges::sort(addresses);
    std::vector<UnitView> views;
    for (std::uint8_t address : addresses) views.push_back(*unit(address));
    return views;
}

std::optional<UnitView> ChainService::unit(std::uint8_t address) const {
    const Impl& impl = *impl_;
    UnitView view;
    view.address = address;
    view.served =
        std::ranges::find(impl.options.addresses, address) != impl.options.addresses.end();
    const auto known = impl.cache.known(address);
    if (!view.served && !known) return std::nullopt;
    if (known) {
        view.reply = known->reply;
        view.panel = known->panel;
        view.age = std::chrono::duration_cast<Millis>(impl.clock.now() - known->seen);
        // As the controller's lamps: unknown once the polls of a few rounds went unanswered,
        // or while there is no line to ask on.
        const Millis round = impl.options.pollPause + Millis{kPollTimeoutMs};
        view.stale = linkState() != "up" || *view.age > kMissesBeforeUnknown * round;
    }
    return view;
}

ServiceMetrics ChainService::metrics() const {
    const Impl& impl = *impl_;
    ServiceMetrics m;
    m.exchanges = impl.exchanges;
    m.failures = impl.failures;
    m.planFires = impl.planFires;
    std::lock_guard lock(impl.mutex);
    for (const auto& queue : impl.queues) m.queued += queue.size();
    m.clients = impl.peers.size();
    return m;
}

std::uint64_t ChainService::lastEventSeq() const {
    return impl_->events.lastSeq();
}

}  // namespace tvq::service
