#pragma once
// What every endpoint of one simulator shares: the chain (under its lock), the fault plan and
// the frame log. Endpoints hand it what comes off their line and send what it plans.

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "core/link/command_frame.h"
#include "sim/chain.h"
#include "sim/faults.h"
#include "sim/frame_log.h"

namespace tvq::sim {

struct LineId {
    EndpointKind endpoint = EndpointKind::Tcp;
    unsigned connection = 0;  // TCP only
};

class SimCore {
public:
    SimCore(std::span<const std::uint8_t> addresses, FaultSettings faults = {},
            std::uint32_t seed = 1, std::unique_ptr<FrameLog> log = nullptr,
            Millis answerDelay = Millis{0});

    // Runs f(Chain&) under the chain's lock; keep f short, it blocks every line.
    template <class F>
    decltype(auto) withChain(F&& f) {
        std::lock_guard lock(chainMutex_);
        return std::forward<F>(f)(chain_);
    }

    FaultPlan& faults() { return faults_; }

    // Logs a frame that came in and returns its replies, each with its fault plan decided.
    std::vector<ReplyPlan> receive(const CommandFrame& frame, LineId line);

    void logGarbage(std::span<const std::uint8_t> bytes, LineId line);
    // A reply done with: written (monoUs = its last byte), dropped or closed instead.
    void logReply(const ReplyPlan& plan, LineId line, std::int64_t monoUs);

private:
    std::mutex chainMutex_;
    Chain chain_;
    FaultPlan faults_;
    std::unique_ptr<FrameLog> log_;
    Millis answerDelay_;
};

}  // namespace tvq::sim
