#pragma once
// What the service knows of each address from the status replies it has seen: the decoded
// state (answered to "status" without touching the wire), the panel state the front panel's
// rules need for "press", and which main source has been on air since when and why.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/control/panel_state.h"
#include "core/link/status_reply.h"
#include "core/platform/clock.h"

namespace tvq::service {

// The decoded status as events and answers carry it.
nlohmann::json stateJson(const StatusReport& report);

class StatusCache {
public:
    struct Seen {
        bool changed = false;  // the decoded state differs from the last one (or is the first)
        nlohmann::json state;
        std::optional<nlohmann::json> onAir;  // the stretch this reply closed
    };
    // A status reply from `address` that passed its checks, taken at `at` (`seen` on the
    // steady clock, from which its age is told).
    Seen observe(std::uint8_t address, const CommandFrame& reply, WallClock::TimePoint at,
                 Clock::TimePoint seen = {});

    // A command to `address` ran: a change of its main source seen within the next two status
    // replies is put down to it. why: "command" or "plan".
    void noteCause(std::uint8_t address, std::string why, nlohmann::json by);

    std::optional<CommandFrame> reply(std::uint8_t address) const;
    // The last good reply, the panel state decoded from it and when it came.
    struct Known {
        CommandFrame reply{};
        PanelState panel;
        Clock::TimePoint seen{};
    };
    std::optional<Known> known(std::uint8_t address) const;
    std::vector<std::uint8_t> addresses() const;  // every address with a reply seen
    // Runs f on the address's panel state under the cache's lock; nullopt when none seen yet.
    template <class F>
    auto withPanel(std::uint8_t address, F&& f)
        -> std::optional<decltype(f(std::declval<PanelState&>()))> {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(address);
        if (it == entries_.end() || !it->second.reply) return std::nullopt;
        return f(it->second.panel);
    }

    // The stretches still on air, closed as far as `at` (marked partial): the service stops.
    std::vector<nlohmann::json> closeAll(WallClock::TimePoint at);

private:
    struct Cause {
        std::string why;
        nlohmann::json by;
        std::uint64_t mark = 0;  // replies seen when the command ran
    };
    struct Stretch {
        std::uint8_t source = 0;
        WallClock::TimePoint from;
        std::string why;
        nlohmann::json by;
        bool partial = false;
    };
    struct Entry {
        std::optional<CommandFrame> reply;
        Clock::TimePoint seen{};
        nlohmann::json state;
        PanelState panel = PanelState::initial();
        std::uint64_t replies = 0;
        std::optional<Cause> cause;
        std::optional<Stretch> stretch;
    };
    static nlohmann::json close(std::uint8_t address, const Stretch& s, WallClock::TimePoint to,
                                bool partial);

    mutable std::mutex mutex_;
    std::map<std::uint8_t, Entry> entries_;
};

}  // namespace tvq::service
