// The ops of the socket protocol: each request's fields are checked before anything is queued
// or changed, so a bad request is answered and leaves no trace.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "core/link/commands.h"
#include "core/link/sources.h"
#include "core/panel/front_panel.h"
#include "core/service/plan_ops.h"
#include "core/service/request_fields.h"
#include "core/service/service_impl.h"

namespace tvq::service {
namespace {

constexpr std::int32_t kCommandTimeoutMs = 6000;
constexpr std::int32_t kStatusTimeoutMs = 1000;
constexpr std::int64_t kLongestWaitMs = 60000;
constexpr std::int64_t kGatherMost = 4096;
constexpr std::size_t kWhatLongest = 200;

std::string lower(std::string text) {
    std::ranges::transform(text, text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string rateText(double rate) {
    return rate == std::floor(rate) ? std::to_string(static_cast<long long>(rate))
                                    : std::to_string(rate);
}

// A request's id: a number or a string; anything else is not echoed.
nlohmann::json idOf(const nlohmann::json& request) {
    if (!request.is_object()) return nullptr;
    const auto it = request.find("id");
    if (it == request.end() || it->is_null()) return nullptr;
    if (!it->is_number() && !it->is_string())
        throw BadRequest("\"id\" must be a number or a string");
    return *it;
}

std::uint8_t sourceCode(const nlohmann::json& request) {
    const auto it = request.find("source");
    std::optional<std::uint8_t> code;
    if (it != request.end() && it->is_number_integer()) {
        const auto number = it->get<std::int64_t>();
        if (number >= 0 && number <= 255 && isSourceCode(static_cast<unsigned>(number)))
            code = static_cast<std::uint8_t>(number);
    } else if (it != request.end() && it->is_string()) {
        code = parseSource(it->get<std::string>());
    }
    if (!code || !isSourceCode(*code))
        throw BadRequest(
            "\"source\" must be V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI EXT. YPbPr or "
            "its code");
    return *code;
}

}  // namespace

void ChainService::Impl::handle(const Peer& peer, const nlohmann::json& request,
                                const Answer& answer) {
    nlohmann::json id = nullptr;
    try {
        id = idOf(request);
        if (!request.is_object()) throw BadRequest("a request is a JSON object");
        const std::string op = stringField(request, "op");
        {
            std::lock_guard lock(mutex);
            peers[peer.id];  // known from its first request on
            if (holder == peer.id) holderSeen = clock.now();
        }
        if (op == "exchange") {
            const std::uint8_t address = addressField(request);
            const CommandFrame frame = frameField(request);
            const auto timeout = intField(request, "timeoutMs", 1, kLongestWaitMs, 1000);
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueExchange(peer, id, answer, address, frame,
                                 static_cast<std::int32_t>(timeout), op);
        }
        if (op == "gather") {
            addressField(request);
            frameField(request);
            intField(request, "firstWaitMs", 0, kLongestWaitMs, 1000);
            intField(request, "quietMs", 0, kLongestWaitMs, 100);
            intField(request, "max", 1, kGatherMost, 256);
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueGather(peer, id, answer, request);
        }
        if (op == "begin" || op == "end") return sequence(peer, id, answer, op == "begin", request);
        if (op == "status") {
            const std::uint8_t address = addressField(request);
            const bool fresh = boolField(request, "fresh", false);
            const auto known = fresh ? std::nullopt : cache.reply(address);
            if (known)
                return (*answer)(okAnswer(id, {{"address", address},
                                               {"state", stateJson(decodeStatus(*known))},
                                               {"reply", hexText(known->data(), kFrameSize)}}));
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueStatus(peer, id, answer, address);
        }
        if (op == "source") {
            const std::uint8_t address = addressField(request);
            const CommandFrame frame = makeFrame(address, cmd::kMainSource, {sourceCode(request)});
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueExchange(peer, id, answer, address, frame, kCommandTimeoutMs, op);
        }
        if (op == "press") {
            const std::uint8_t address = addressField(request);
            const CommandFrame frame = pressFrame(address, stringField(request, "key"));
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueExchange(peer, id, answer, address, frame, kCommandTimeoutMs, op);
        }
        if (op == "settings") {
            const std::uint8_t address = addressField(request);
            if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
            return queueSettings(peer, id, answer, address);
        }
        if (op == "set") return queueSet(peer, id, answer, request);
        if (op == "wall") return startWall(peer, id, answer, request);
        if (op == "job")
            return (*answer)(
                jobRecord(id, static_cast<std::uint64_t>(intField(
                                  request, "job", 1, std::numeric_limits<std::int64_t>::max()))));
        if (op == "watch") return startWatch(peer, id, answer, request);
        if (op == "unwatch") {
            std::optional<std::uint64_t> watch;
            {
                std::lock_guard lock(mutex);
                watch = std::exchange(peers[peer.id].watch, std::nullopt);
            }
            if (watch) events.unwatch(*watch);
            return (*answer)(okAnswer(id));
        }
        if (op.starts_with("plans.")) {
            if (!options.plans) throw BadRequest("this service was given no plan file");
            nlohmann::json result;
            if (op == "plans.list") {
                result = listPlansJson(*options.plans);
            } else if (op == "plans.start" || op == "plans.stop") {
                if (auto refused = admit(peer, id, false)) return (*answer)(std::move(*refused));
                return armPlansFor(peer, id, answer, op);
            } else {
                if (op != "plans.add" && op != "plans.modify" && op != "plans.delete")
                    return (*answer)(errorAnswer(id, "unknown-op", "unknown op \"" + op + "\""));
                if (auto refused = admit(peer, id, false)) return (*answer)(std::move(*refused));
                result = op == "plans.add"      ? addPlanJson(*options.plans, request)
                         : op == "plans.modify" ? modifyPlanJson(*options.plans, request)
                                                : deletePlanJson(*options.plans, request);
            }
            return (*answer)(okAnswer(id, std::move(result)));
        }
        if (op == "journal") {
            optionalInt(request, "since", 0, std::numeric_limits<std::int64_t>::max());
            optionalString(request, "from");
            optionalString(request, "to");
            optionalInt(request, "address", 0, 255);
            boolField(request, "onAir", false);
            optionalInt(request, "limit", 1, 100000);
            if (!options.journalQuery) return (*answer)(errorAnswer(id, "internal", "no journal"));
            if (auto refused = admit(peer, id, false)) return (*answer)(std::move(*refused));
            return (*answer)(okAnswer(id, options.journalQuery(request)));
        }
        (*answer)(errorAnswer(id, "unknown-op", "unknown op \"" + op + "\""));
    } catch (const BadRequest& e) {
        (*answer)(errorAnswer(id, "bad-request", e.what()));
    } catch (const std::invalid_argument& e) {
        (*answer)(errorAnswer(id, "bad-request", e.what()));
    } catch (const std::exception& e) {
        (*answer)(errorAnswer(id, "internal", e.what()));
    }
}

// Start and Stop of the plans: every watcher's Start/Stop follows the "plan" event, and the
// journal says who did it. A start or stop that changes nothing is answered, not recorded.
void ChainService::Impl::armPlansFor(const Peer& peer, const nlohmann::json& id,
                                     const Answer& answer, const std::string& op) {
    const bool on = op == "plans.start";
    if (armPlans(on)) {
        record({{"type", "plans"}, {"op", op}, {"armed", on}, {"by", clientBy(peer)}});
        events.publish(
            "plan", {{"what", on ? "armed" : "disarmed"}, {"armed", on}, {"by", clientBy(peer)}});
    }
    (*answer)(okAnswer(id, {{"armed", plansArmed.load()}}));
}

std::optional<nlohmann::json> ChainService::Impl::admit(const Peer& peer, const nlohmann::json& id,
                                                        bool wire) {
    std::lock_guard lock(mutex);
    if (stopped) return errorAnswer(id, "link-down", "the service is stopping");
    if (wire && linkState == "down")
        return errorAnswer(id, "link-down", "no link to the chain: " + linkMessage);
    PeerState& p = peers[peer.id];
    const auto now = clock.now();
    if (p.fresh) {
        p.fresh = false;
        p.tokens = options.burst;
        p.refilled = now;
    }
    const double seconds = std::chrono::duration<double>(now - p.refilled).count();
    p.tokens = std::min<double>(options.burst, p.tokens + seconds * options.rate);
    p.refilled = now;
    if (p.tokens < 1)
        return errorAnswer(id, "busy",
                           "busy: " + rateText(options.rate) + " commands per second at most");
    p.tokens -= 1;
    if (!wire) return std::nullopt;
    // One client may fill half the queue at most: the other half stays for everyone else.
    const auto& clients = queues[static_cast<std::size_t>(JobPriority::Client)];
    const auto own = static_cast<std::size_t>(std::ranges::count(clients, peer.id, &Job::peer));
    if (clients.size() >= options.queue || own >= std::max<std::size_t>(1, options.queue / 2))
        return errorAnswer(id, "busy", "busy: the queue is full");
    return std::nullopt;
}

nlohmann::json ChainService::Impl::notQueued(const nlohmann::json& id) const {
    std::lock_guard lock(mutex);
    return stopped ? errorAnswer(id, "link-down", "the service is stopping")
                   : errorAnswer(id, "busy", "busy: the queue is full");
}

void ChainService::Impl::queueExchange(const Peer& peer, const nlohmann::json& id,
                                       const Answer& answer, std::uint8_t address,
                                       const CommandFrame& frame, std::int32_t timeoutMs,
                                       std::string op) {
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp()) return (*answer)(errorAnswer(id, "link-down", "no link to the chain"));
        const Exchanged e = exchange(wire, address, frame, timeoutMs, stop);
        seeStatus(address, frame, e);
        if (changesDevice(frame)) {
            noteCommand(address, clientBy(peer), "command");
            journalExchange(address, clientBy(peer), op, framesJson(e), resultName(e), e.ms);
        }
        (*answer)(okAnswer(id, exchangeJson(e)));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), true)) (*answer)(notQueued(id));
}

void ChainService::Impl::queueStatus(const Peer& peer, const nlohmann::json& id,
                                     const Answer& answer, std::uint8_t address) {
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp()) return (*answer)(errorAnswer(id, "link-down", "no link to the chain"));
        const CommandFrame query = pageQuery(address);
        const Exchanged e = exchange(wire, address, query, kStatusTimeoutMs, stop);
        seeStatus(address, query, e);
        nlohmann::json result = exchangeJson(e);
        result["address"] = address;
        result["state"] = nullptr;
        if (e.result == static_cast<int>(kFrameSize) &&
            checkStatusReply(e.reply, address) == StatusCheck::Ok)
            result["state"] = stateJson(decodeStatus(e.reply));
        (*answer)(okAnswer(id, std::move(result)));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), true)) (*answer)(notQueued(id));
}

void ChainService::Impl::queueGather(const Peer& peer, const nlohmann::json& id,
                                     const Answer& answer, const nlohmann::json& request) {
    const std::uint8_t address = addressField(request);
    const CommandFrame frame = frameField(request);
    const Millis firstWait{intField(request, "firstWaitMs", 0, kLongestWaitMs, 1000)};
    const Millis quiet{intField(request, "quietMs", 0, kLongestWaitMs, 100)};
    const auto most = static_cast<std::size_t>(intField(request, "max", 1, kGatherMost, 256));
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp()) return (*answer)(errorAnswer(id, "link-down", "no link to the chain"));
        std::vector<std::uint8_t> bytes(most);
        wire.setDeviceAddress(address);
        const auto start = clock.now();
        const int count = wire.exchangeGather(frame, bytes, firstWait, quiet, stop);
        const auto ms = std::chrono::duration_cast<Millis>(clock.now() - start).count();
        if (count < 0) return (*answer)(errorAnswer(id, "link-down", "nothing could be sent"));
        const std::string in = hexText(bytes.data(), static_cast<std::size_t>(count));
        if (changesDevice(frame)) {
            CommandFrame out = frame;
            out[12] = frameCheck(frame);
            const nlohmann::json frames =
                nlohmann::json::array({{{"out", hexText(out.data(), kFrameSize)}, {"in", in}}});
            noteCommand(address, clientBy(peer), "command");
            journalExchange(address, clientBy(peer), "gather", frames,
                            count > 0 ? "ok" : "no-reply", ms);
        }
        (*answer)(okAnswer(id, {{"count", count}, {"bytes", in}}));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), true)) (*answer)(notQueued(id));
}

// begin and end run in the client's own stream of jobs, so each takes effect after the
// client's requests before it. "end" is never refused for the rate or the queue: a refused end
// would keep everyone else off the wire until the hold times out.
void ChainService::Impl::sequence(const Peer& peer, const nlohmann::json& id, const Answer& answer,
                                  bool begin, const nlohmann::json& request) {
    std::string what;
    if (begin) {
        what = optionalString(request, "what").value_or("");
        if (what.size() > kWhatLongest) throw BadRequest("\"what\" is too long");
    }
    // Answers go out with no lock held: the front end may hand us its next request from there.
    std::optional<std::string> misuse;
    {
        std::lock_guard lock(mutex);
        PeerState& p = peers[peer.id];
        if (begin && p.sequenceOpen) misuse = "a sequence is open already: end it first";
        if (!begin && !p.sequenceOpen)
            misuse = std::exchange(p.holdExpired, false)
                         ? "the sequence had ended: no request from this client for " +
                               std::to_string(options.holdIdle.count() / 1000) + " s"
                         : "no sequence is open";
    }
    if (misuse) return (*answer)(errorAnswer(id, "sequence", *misuse));
    if (begin)
        if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
    {
        std::lock_guard lock(mutex);
        PeerState& p = peers[peer.id];
        p.sequenceOpen = begin;
        p.holdExpired = false;
    }
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger&, std::stop_token) {
        {
            std::lock_guard lock(mutex);
            if (begin) {
                holder = peer.id;
                holdWhat = what;
                holderSeen = clock.now();
            } else if (holder == peer.id) {
                holder.reset();
            }
        }
        (*answer)(okAnswer(id));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), begin)) {
        {
            std::lock_guard lock(mutex);
            peers[peer.id].sequenceOpen = !begin;
        }
        (*answer)(notQueued(id));
    }
}

void ChainService::Impl::startWatch(const Peer& peer, const nlohmann::json& id,
                                    const Answer& answer, const nlohmann::json& request) {
    const auto since = optionalInt(request, "since", 0, std::numeric_limits<std::int64_t>::max());
    std::set<std::string> types;
    if (const auto it = request.find("events"); it != request.end() && !it->is_null()) {
        if (!it->is_array()) throw BadRequest("\"events\" must be a list of event types");
        for (const nlohmann::json& type : *it) {
            if (!type.is_string() || !EventHub::knownType(type.get<std::string>()))
                throw BadRequest("\"events\" may hold state, link, plan, journal and job");
            types.insert(type.get<std::string>());
        }
    }
    std::function<void(const nlohmann::json&)> sink;
    std::optional<std::uint64_t> previous;
    {
        std::lock_guard lock(mutex);
        PeerState& p = peers[peer.id];
        sink = p.sink;
        if (sink) previous = std::exchange(p.watch, std::nullopt);
    }
    if (!sink) return (*answer)(errorAnswer(id, "internal", "no event sink for this connection"));
    if (previous) events.unwatch(*previous);  // a second watch replaces the first
    const std::uint64_t handle =
        events.watch(since ? std::optional<std::uint64_t>(*since) : std::nullopt, std::move(types),
                     sink, [&](std::uint64_t last) {
                         (*answer)(okAnswer(id, {{"seq", last}}));
                     });
    std::lock_guard lock(mutex);
    const auto it = peers.find(peer.id);
    if (it != peers.end())
        it->second.watch = handle;
    else
        events.unwatch(handle);  // gone meanwhile
}

// The frame a front panel key sends, by the panel's own rules on the address's last state.
CommandFrame ChainService::Impl::pressFrame(std::uint8_t address, const std::string& key) {
    const std::string k = lower(key);
    struct Named {
        std::string_view name;
        std::function<PressOutcome(PanelState&)> press;
        bool needsState;  // a toggle's frame depends on what the device shows now
    };
    const auto toggle = [address](Toggle t) {
        return [address, t](PanelState& s) { return pressToggle(s, address, t); };
    };
    const std::array<Named, 14> kKeys{{
        {"pip/pop", toggle(Toggle::Pip), true},
        {"text", toggle(Toggle::Text), true},
        {"bypass", toggle(Toggle::Bypass), true},
        {"freeze", toggle(Toggle::Freeze), true},
        {"mosaic", toggle(Toggle::Mosaic), true},
        {"vga-auto", [address](PanelState&) { return pressVgaAuto(address); }, false},
        {"m1", [address](PanelState&) { return pressPipMode(address, 0); }, false},
        {"m2", [address](PanelState&) { return pressPipMode(address, 1); }, false},
        {"m3", [address](PanelState&) { return pressPipMode(address, 2); }, false},
        {"m4", [address](PanelState&) { return pressPipMode(address, 3); }, false},
        {"cut", [address](PanelState& s) { return pressTransition(s, address, 0); }, false},
        {"fade=0.5s", [address](PanelState& s) { return pressTransition(s, address, 1); }, false},
        {"fade=1.0s", [address](PanelState& s) { return pressTransition(s, address, 2); }, false},
        {"fade=1.5s", [address](PanelState& s) { return pressTransition(s, address, 3); }, false},
    }};
    std::function<PressOutcome(PanelState&)> press;
    bool needsState = true;
    for (const Named& named : kKeys)
        if (named.name == k) {
            press = named.press;
            needsState = named.needsState;
        }
    if (const auto code = parseSource(key); !press && code && isSourceCode(*code))
        press = [address, code](PanelState& s) { return pressSource(s, address, *code); };
    if (!press)
        throw BadRequest("unknown key \"" + key +
                         "\": give a source name, PIP/POP, TEXT, BYPASS, FREEZE, MOSAIC, VGA-AUTO, "
                         "M1-M4, Cut or Fade=0.5S/1.0S/1.5S");
    std::optional<PressOutcome> outcome = cache.withPanel(address, press);
    if (!outcome) {
        if (needsState)
            throw BadRequest("the state of address " + std::to_string(address) +
                             " is not known yet: press needs it");
        PanelState blank = PanelState::initial();
        outcome = press(blank);
    }
    if (outcome->refusal != MessageId::None)
        throw BadRequest(std::string(englishText(outcome->refusal)));
    if (!outcome->frame)
        throw BadRequest("that key sends nothing at address " + std::to_string(address));
    return *outcome->frame;
}

}  // namespace tvq::service
