#pragma once
// What a Session needs from a chain service (tvq418d) when it is attached rather than owning
// the line: the service's wire, its sequences, and the state it reports. The implementation over
// the service's socket lives with the GUI; tests give a fake.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "core/link/command_frame.h"
#include "core/link/frame_exchanger.h"

namespace tvq {

// What the service reports, on its reader thread. The handlers must not block.
struct ServiceEvents {
    // A status reply that changed, for one address ("state" events).
    std::function<void(std::uint8_t address, const CommandFrame& reply)> state;
    // The service's own link: "up", "down" or "connecting", with its message.
    std::function<void(const std::string& state, const std::string& message)> link;
    // The service closed the connection (it stopped or dropped us).
    std::function<void()> closed;
    // A client started or stopped the service's plans (its own "plan" events).
    std::function<void(bool armed)> plansArmed;
};

class ServiceAttachment {
public:
    virtual ~ServiceAttachment() = default;
    // Exchanges through the service's queue; setDeviceAddress picks the address served.
    virtual FrameExchanger& wire() = 0;
    // Nobody else's exchanges reach the wire between the two. Throw std::runtime_error with a
    // one-line message when the service refuses (busy) or is gone.
    virtual void beginSequence(const std::string& what) = 0;
    virtual void endSequence() = 0;
    // Starts the state and link events; called once, before the first exchange.
    virtual void watch(ServiceEvents events) = 0;
    // One request that needs no wire (the plan ops); the answer as the service gave it, "ok"
    // false included. Throws std::runtime_error when the service is gone or silent.
    virtual nlohmann::json request(const nlohmann::json& request) {
        throw std::runtime_error("the service was asked \"" + request.value("op", "") +
                                 "\" through an attachment that cannot ask");
    }
    // Whether its plans fire, as its greeting said; nullopt when it runs none.
    virtual std::optional<bool> plansArmed() const { return std::nullopt; }
};

// Connects to the socket and reads the greeting; throws std::runtime_error with a one-line
// message for the Info line when it cannot.
using ServiceAttacher =
    std::function<std::unique_ptr<ServiceAttachment>(const std::string& socket)>;

}  // namespace tvq
