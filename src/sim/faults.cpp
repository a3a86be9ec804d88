#include "sim/faults.h"

#include <algorithm>

namespace tvq::sim {
namespace {

constexpr std::array<std::string_view, kFaultCount> kNames{
    "drop", "delay", "split", "corrupt", "wrong-address", "ff6", "close"};

int uniformInt(std::mt19937& engine, int low, int high) {
    if (high <= low) return low;
    return std::uniform_int_distribution<int>(low, high)(engine);
}

void note(ReplyPlan& plan, Fault fault) {
    if (!plan.faults.empty()) plan.faults += ',';
    plan.faults += faultName(fault);
}

// Two to four pieces, cut at distinct points inside the frame.
std::vector<Piece> splitPieces(std::mt19937& engine, const FaultSettings& s) {
    const int count = uniformInt(engine, 2, 4);
    std::array<std::uint8_t, kFrameSize - 1> cuts{};
    for (std::size_t i = 0; i < cuts.size(); ++i) cuts[i] = static_cast<std::uint8_t>(i + 1);
    std::shuffle(cuts.begin(), cuts.end(), engine);
    std::sort(cuts.begin(), cuts.begin() + (count - 1));

    std::vector<Piece> pieces;
    std::uint8_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t end = i + 1 < count ? cuts[static_cast<std::size_t>(i)] : kFrameSize;
        const Millis gap{i == 0 ? 0 : uniformInt(engine, s.splitGapMinMs, s.splitGapMaxMs)};
        pieces.push_back({start, static_cast<std::uint8_t>(end - start), gap});
        start = end;
    }
    return pieces;
}

}  // namespace

std::string_view faultName(Fault fault) {
    return kNames[static_cast<std::size_t>(fault)];
}

std::optional<Fault> parseFaultName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name) return static_cast<Fault>(i);
    if (name == "wrong_address" || name == "wrongaddress") return Fault::WrongAddress;
    return std::nullopt;
}

bool ReplyPlan::has(Fault f) const {
    const std::string_view wanted = faultName(f);
    std::string_view rest = faults;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        if (rest.substr(0, comma) == wanted) return true;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

FaultPlan::FaultPlan(FaultSettings settings, std::uint32_t seed)
    : settings_(settings), engine_(seed) {}

ReplyPlan FaultPlan::plan(const CommandFrame& reply) {
    FaultSettings s;
    std::uint32_t replySeed = 0;
    {
        std::lock_guard lock(mutex_);
        s = settings_;
        replySeed = static_cast<std::uint32_t>(engine_());
    }
    std::mt19937 engine(replySeed);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    // Every chance is drawn whether or not it is used, so one fault never shifts another.
    std::array<bool, kFaultCount> hit{};
    for (std::size_t i = 0; i < kFaultCount; ++i) hit[i] = chance(engine) < s.probability[i];
    const int delayMs = uniformInt(engine, s.delayMinMs, s.delayMaxMs);
    const auto on = [&hit](Fault f) { return hit[static_cast<std::size_t>(f)]; };

    ReplyPlan plan;
    plan.bytes = reply;
    plan.pieces = {Piece{0, kFrameSize, Millis{0}}};
    if (on(Fault::Close)) {
        plan.send = false;
        plan.closeConnection = true;
        note(plan, Fault::Close);
        return plan;
    }
    if (on(Fault::Drop)) {
        plan.send = false;
        note(plan, Fault::Drop);
        return plan;
    }
    if (on(Fault::WrongAddress)) {
        plan.bytes[1] = static_cast<std::uint8_t>(reply[1] % 255 + 1);  // never 0, never itself
        note(plan, Fault::WrongAddress);
    }
    if (on(Fault::Ff6)) {
        plan.bytes[6] = 0xFF;
        note(plan, Fault::Ff6);
    }
    plan.bytes[12] = frameCheck(plan.bytes);
    if (on(Fault::Corrupt)) {
        plan.bytes[12] ^= static_cast<std::uint8_t>(uniformInt(engine, 1, 255));
        note(plan, Fault::Corrupt);
    }
    if (on(Fault::Delay)) {
        plan.delay = Millis{delayMs};
        note(plan, Fault::Delay);
    }
    if (on(Fault::Split)) {
        plan.pieces = splitPieces(engine, s);
        note(plan, Fault::Split);
    }
    return plan;
}

void FaultPlan::setProbability(Fault fault, double probability) {
    std::lock_guard lock(mutex_);
    settings_[fault] = std::clamp(probability, 0.0, 1.0);
}

FaultSettings FaultPlan::settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

}  // namespace tvq::sim
