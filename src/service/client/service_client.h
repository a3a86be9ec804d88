#pragma once
// A client of tvq418d over its Unix socket: one request at a time per caller, answers matched by
// id, events handed to a callback on the reader thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>

#include <nlohmann/json.hpp>

#include "core/link/frame_exchanger.h"

namespace tvq::service {

// The socket could not be reached, the greeting was not ours, the service went away, or an
// answer did not come in time. The message is one line for the user.
class ServiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ServiceClient {
public:
    // Connects and reads the greeting. Throws ServiceError.
    explicit ServiceClient(const std::string& socketPath,
                           std::chrono::milliseconds timeout = std::chrono::seconds(5));
    ~ServiceClient();  // closes the socket and joins the reader
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    // {"class":"hello","protocol":1,...}
    const nlohmann::json& greeting() const;
    // Sends the request with a fresh "id" and waits for its answer ({"id":..,"ok":..}).
    // Safe from several threads. Throws ServiceError when the service goes away or is silent.
    nlohmann::json request(nlohmann::json request,
                           std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // The same; a stop request ends the wait (ServiceError) and the late answer is dropped.
    nlohmann::json request(nlohmann::json request, std::chrono::milliseconds timeout,
                           std::stop_token stop);
    // Every {"class":"event"} line, on the reader thread. Set before asking for a watch.
    void onEvent(std::function<void(const nlohmann::json& event)> handler);
    // Called once on the reader thread when the service closes the connection.
    void onClosed(std::function<void()> handler);
    bool connected() const;
    const std::string& socketPath() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The wire through the service: each exchange is one "exchange" (or "gather") request. Between
// beginSequence and endSequence the service runs this client's exchanges and nobody else's.
class ServiceExchanger : public FrameExchanger {
public:
    explicit ServiceExchanger(ServiceClient& client);

    void setDeviceAddress(std::uint8_t address) override;
    std::uint8_t deviceAddress() const override;
    // The service's link state: from the greeting, then from each answer ("link-down" or not).
    bool isOpen() const override;
    bool isSerial() const override;  // from the greeting
    bool isUp() const override;
    int exchangeFrame(const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      ExchangeDetail& detail, std::stop_token stop = {}) override;
    int exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out, Millis firstWait,
                       Millis quiet, std::stop_token stop = {}) override;

    // Throw ServiceError when the service refuses (busy) or is gone.
    void beginSequence(const std::string& what);
    void endSequence();

    // Why the last exchange or gather gave 0 or -1 without the wire's word on it: the service's
    // refusal ("busy: ...", the link is down) or its absence. Empty after one that was carried.
    std::string lastError() const override;

private:
    // The answer to one wire request, or the refusal kept as lastError (nullopt).
    std::optional<nlohmann::json> ask(nlohmann::json request, std::chrono::milliseconds timeout,
                                      std::stop_token stop);

    ServiceClient& client_;
    std::atomic<std::uint8_t> address_{1};
    std::atomic<bool> up_{false};
    bool serial_ = false;
    mutable std::mutex errorMutex_;
    std::string lastError_;
};

}  // namespace tvq::service
