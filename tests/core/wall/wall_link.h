#pragma once
// An exchange function over an in-process simulated chain, with per-command faults, a log of
// what was sent and virtual time: an unanswered frame costs its whole time-out.

#include <functional>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "core/platform/clock.h"
#include "core/wall/mosaic_device.h"
#include "sim/chain.h"

namespace tvq::test {

class WallLink {
public:
    enum class Fault { Silent, WrongCommand, BadCheckByte, NoStatus };
    struct Sent {
        CommandFrame frame;
        std::int32_t timeoutMs;
    };

    WallLink(std::vector<std::uint8_t> addresses, FakeClock& clock)
        : chain_(addresses), clock_(clock) {}

    sim::ProcessorState& state(std::uint8_t address) { return chain_.find(address)->state(); }
    // A fault for one command at one address; for command 23, optionally one page only.
    void fault(std::uint8_t address, std::uint8_t command, Fault fault, int page = -1) {
        faults_[{address, command, page}] = fault;
    }
    // Runs for every frame before it is answered.
    void onFrame(std::function<void(const CommandFrame&)> hook) { hook_ = std::move(hook); }

    const std::vector<Sent>& sent() const { return sent_; }
    std::vector<std::uint8_t> commands() const {
        std::vector<std::uint8_t> list;
        for (const Sent& s : sent_) list.push_back(s.frame[2]);
        return list;
    }

    ExchangeFn fn() {
        return [this](const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                      std::stop_token) { return exchange(frame, reply, timeoutMs); };
    }

private:
    int exchange(CommandFrame frame, CommandFrame& reply, std::int32_t timeoutMs) {
        frame[12] = frameCheck(frame);
        sent_.push_back({frame, timeoutMs});
        if (hook_) hook_(frame);
        auto replies = chain_.deliver(frame);
        auto f = faults_.find({frame[1], frame[2], frame[3]});
        if (f == faults_.end()) f = faults_.find({frame[1], frame[2], -1});
        if (replies.empty() || (f != faults_.end() && f->second == Fault::Silent)) {
            clock_.advance(Millis{timeoutMs});
            return 0;
        }
        reply = replies.front();
        if (f != faults_.end()) {
            if (f->second == Fault::WrongCommand) reply[2] ^= 0x01;
            if (f->second == Fault::NoStatus) reply[6] = 0xFF;
            reply[12] = frameCheck(reply);
            if (f->second == Fault::BadCheckByte) reply[12] ^= 0x5A;
        }
        return 13;
    }

    sim::Chain chain_;
    FakeClock& clock_;
    std::map<std::tuple<std::uint8_t, std::uint8_t, int>, Fault> faults_;
    std::function<void(const CommandFrame&)> hook_;
    std::vector<Sent> sent_;
};

}  // namespace tvq::test
