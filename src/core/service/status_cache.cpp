#include "core/service/status_cache.h"

#include "core/link/sources.h"
#include "core/service/iso_time.h"

namespace tvq::service {
namespace {

// A change seen this many status replies after a command is the command's doing.
constexpr std::uint64_t kCauseReplies = 2;

nlohmann::json sourceJson(unsigned code) {
    const std::string_view name = sourceName(code);
    return name.empty() ? nlohmann::json(nullptr) : nlohmann::json(name);
}

}  // namespace

nlohmann::json stateJson(const StatusReport& r) {
    return {{"pip", r.pipActive()},
            {"text", r.textActive()},
            {"pictureMode", r.pictureMode},
            {"transition", r.transition},
            {"transitionName", transitionName(r.transition)},
            {"freeze", r.freeze},
            {"bypass", r.bypass},
            {"mosaic", r.mosaic},
            {"mainSource", r.mainSource},
            {"mainSourceName", sourceJson(r.mainSource)},
            {"subSource", r.subSource},
            {"subSourceName", sourceJson(r.subSource)},
            {"mainSignal", r.mainSignal},
            {"subSignal", r.subSignal},
            {"pipMode", r.pipMode},
            {"extType", r.extType},
            {"extTypeName", extTypeName(r.extType)}};
}

StatusCache::Seen StatusCache::observe(std::uint8_t address, const CommandFrame& reply,
                                       WallClock::TimePoint at, Clock::TimePoint seenAt) {
    const StatusReport report = decodeStatus(reply);
    Seen seen;
    seen.state = stateJson(report);
    std::lock_guard lock(mutex_);
    Entry& e = entries_[address];
    ++e.replies;
    seen.changed = !e.reply || e.state != seen.state;
    e.reply = reply;
    e.seen = seenAt;
    e.state = seen.state;
    applyStatusReply(e.panel, reply, address, false);

    if (!e.stretch) {
        // On air before we looked: when it began, and why, is not known.
        e.stretch = Stretch{report.mainSource, at, "device-keys", nullptr, true};
    } else if (e.stretch->source != report.mainSource) {
        seen.onAir = close(address, *e.stretch, at, false);
        Stretch next{report.mainSource, at, "device-keys", nullptr, false};
        if (e.cause && e.replies - e.cause->mark <= kCauseReplies) {
            next.why = e.cause->why;
            next.by = e.cause->by;
            e.cause.reset();  // one command explains one change
        }
        e.stretch = next;
    }
    return seen;
}

void StatusCache::noteCause(std::uint8_t address, std::string why, nlohmann::json by) {
    std::lock_guard lock(mutex_);
    Entry& e = entries_[address];
    e.cause = Cause{std::move(why), std::move(by), e.replies};
}

std::optional<CommandFrame> StatusCache::reply(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(address);
    if (it == entries_.end()) return std::nullopt;
    return it->second.reply;
}

std::optional<StatusCache::Known> StatusCache::known(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(address);
    if (it == entries_.end() || !it->second.reply) return std::nullopt;
    return Known{*it->second.reply, it->second.panel, it->second.seen};
}

std::vector<std::uint8_t> StatusCache::addresses() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out;
    for (const auto& [address, e] : entries_)
        if (e.reply) out.push_back(address);
    return out;
}

std::vector<nlohmann::json> StatusCache::closeAll(WallClock::TimePoint at) {
    std::lock_guard lock(mutex_);
    std::vector<nlohmann::json> records;
    for (auto& [address, e] : entries_)
        if (e.stretch) records.push_back(close(address, *std::exchange(e.stretch, {}), at, true));
    return records;
}

nlohmann::json StatusCache::close(std::uint8_t address, const Stretch& s, WallClock::TimePoint to,
                                  bool partial) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(to - s.from).count();
    nlohmann::json record{{"type", "on-air"},
                          {"address", address},
                          {"source", sourceJson(s.source)},
                          {"sourceCode", s.source},
                          {"from", isoTime(s.from)},
                          {"to", isoTime(to)},
                          {"seconds", static_cast<double>(ms) / 1000.0},
                          {"why", s.why}};
    if (!s.by.is_null()) record["by"] = s.by;
    if (partial || s.partial) record["partial"] = true;
    return record;
}

}  // namespace tvq::service
