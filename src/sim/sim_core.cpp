#include "sim/sim_core.h"

namespace tvq::sim {
namespace {

LogEntry entry(Direction dir, LineId line, std::span<const std::uint8_t> bytes,
               std::int64_t monoUs) {
    LogEntry e;
    e.monoUs = monoUs;
    e.dir = dir;
    e.endpoint = line.endpoint;
    e.connection = line.connection;
    e.bytes = bytes;
    return e;
}

}  // namespace

SimCore::SimCore(std::span<const std::uint8_t> addresses, FaultSettings faults, std::uint32_t seed,
                 std::unique_ptr<FrameLog> log, Millis answerDelay)
    : chain_(addresses), faults_(faults, seed), log_(std::move(log)), answerDelay_(answerDelay) {}

std::vector<ReplyPlan> SimCore::receive(const CommandFrame& frame, LineId line) {
    if (log_) log_->record(entry(Direction::In, line, frame, monotonicMicros()));
    const std::vector<CommandFrame> replies = withChain([&](Chain& c) { return c.deliver(frame); });
    std::vector<ReplyPlan> plans;
    plans.reserve(replies.size());
    for (const CommandFrame& reply : replies) {
        ReplyPlan plan = faults_.plan(reply);
        plan.delay += answerDelay_;
        plans.push_back(std::move(plan));
    }
    return plans;
}

void SimCore::logGarbage(std::span<const std::uint8_t> bytes, LineId line) {
    if (!log_ || bytes.empty()) return;
    LogEntry e = entry(Direction::In, line, bytes, monotonicMicros());
    e.fault = "garbage";
    log_->record(e);
}

void SimCore::logReply(const ReplyPlan& plan, LineId line, std::int64_t monoUs) {
    if (!log_) return;
    LogEntry e = entry(Direction::Out, line, plan.bytes, monoUs);
    e.fault = plan.faults;
    e.sent = plan.send;
    log_->record(e);
}

}  // namespace tvq::sim
