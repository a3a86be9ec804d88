#include "core/service/event_hub.h"

#include <array>

namespace tvq::service {

bool EventHub::knownType(std::string_view type) {
    static constexpr std::array<std::string_view, 5> kTypes{"state", "link", "plan", "journal",
                                                            "job"};
    for (std::string_view known : kTypes)
        if (type == known) return true;
    return false;
}

std::uint64_t EventHub::publish(std::string_view type, nlohmann::json fields) {
    nlohmann::json event{{"class", "event"}, {"type", type}};
    std::lock_guard lock(mutex_);
    event["seq"] = ++seq_;
    event.update(fields);
    const std::string typeText(type);
    for (auto& [handle, watcher] : watchers_)
        if (watcher.wants(typeText)) watcher.deliver(event);
    kept_.push_back(std::move(event));
    while (kept_.size() > keep_) kept_.pop_front();
    return seq_;
}

std::uint64_t EventHub::watch(std::optional<std::uint64_t> since, std::set<std::string> types,
                              Deliver deliver, const std::function<void(std::uint64_t)>& first) {
    std::lock_guard lock(mutex_);
    if (first) first(seq_);
    Watcher watcher{std::move(types), std::move(deliver)};
    if (since)
        for (const nlohmann::json& event : kept_)
            if (event["seq"].get<std::uint64_t>() > *since &&
                watcher.wants(event["type"].get<std::string>()))
                watcher.deliver(event);
    const std::uint64_t handle = nextHandle_++;
    watchers_.emplace(handle, std::move(watcher));
    return handle;
}

void EventHub::unwatch(std::uint64_t handle) {
    std::lock_guard lock(mutex_);
    watchers_.erase(handle);
}

std::uint64_t EventHub::lastSeq() const {
    std::lock_guard lock(mutex_);
    return seq_;
}

}  // namespace tvq::service
