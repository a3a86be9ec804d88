#pragma once
// Events of the chain service: numbered in one sequence, the recent ones kept so a watcher can
// resume after a reconnect, and handed to each watcher as they happen.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

namespace tvq::service {

class EventHub {
public:
    using Deliver = std::function<void(const nlohmann::json&)>;
    explicit EventHub(std::size_t keep) : keep_(keep) {}

    // Adds "class", "seq" and "type" to the fields and hands the event to every watcher of its
    // type, under the hub's lock so each watcher sees the events in seq order.
    std::uint64_t publish(std::string_view type, nlohmann::json fields);

    // `first` runs under the lock with the last seq before anything is delivered (the watch
    // answer goes out ahead of the events). Then the kept events after `since`, then live ones.
    std::uint64_t watch(std::optional<std::uint64_t> since, std::set<std::string> types,
                        Deliver deliver, const std::function<void(std::uint64_t)>& first = {});
    void unwatch(std::uint64_t handle);
    std::uint64_t lastSeq() const;

    static bool knownType(std::string_view type);

private:
    struct Watcher {
        std::set<std::string> types;  // empty: all
        Deliver deliver;
        bool wants(const std::string& type) const { return types.empty() || types.contains(type); }
    };
    const std::size_t keep_;
    mutable std::mutex mutex_;
    std::uint64_t seq_ = 0;
    std::uint64_t nextHandle_ = 1;
    std::deque<nlohmann::json> kept_;
    std::map<std::uint64_t, Watcher> watchers_;
};

}  // namespace tvq::service
