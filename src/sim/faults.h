#pragma once
// The seeded fault plan: what happens to each reply on its way out.
//
// Every reply costs the plan exactly one draw from its engine, which then seeds the reply's own
// decisions; so with one seed the same sequence of replies meets the same faults, whatever the
// probabilities of the other faults and however they change at run time.

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/command_frame.h"

namespace tvq::sim {

using Millis = std::chrono::milliseconds;

enum class Fault { Drop, Delay, Split, Corrupt, WrongAddress, Ff6, Close };
inline constexpr std::size_t kFaultCount = 7;

// "drop", "delay", "split", "corrupt", "wrong-address", "ff6", "close".
std::string_view faultName(Fault fault);
std::optional<Fault> parseFaultName(std::string_view name);

struct FaultSettings {
    std::array<double, kFaultCount> probability{};  // indexed by Fault, each 0..1
    int delayMinMs = 0;
    int delayMaxMs = 0;
    int splitGapMinMs = 1;  // pause between the pieces of a split reply
    int splitGapMaxMs = 5;

    double& operator[](Fault f) { return probability[static_cast<std::size_t>(f)]; }
    double operator[](Fault f) const { return probability[static_cast<std::size_t>(f)]; }
};

// One piece of a reply on the wire, written after a pause.
struct Piece {
    std::uint8_t offset = 0;
    std::uint8_t length = 0;
    Millis gapBefore{0};
};

struct ReplyPlan {
    CommandFrame bytes{};  // the reply as it goes out, address and bytes already spoilt
    bool send = true;      // false: dropped, or the connection closes instead
    bool closeConnection = false;
    Millis delay{0};            // before the first byte
    std::vector<Piece> pieces;  // cover the 13 bytes in order; one piece unless split
    std::string faults;         // names of the faults applied, comma-separated

    bool has(Fault f) const;
};

class FaultPlan {
public:
    explicit FaultPlan(FaultSettings settings = {}, std::uint32_t seed = 1);

    // Decides the fate of one reply. Safe to call from several threads.
    ReplyPlan plan(const CommandFrame& reply);

    void setProbability(Fault fault, double probability);
    FaultSettings settings() const;

private:
    mutable std::mutex mutex_;
    FaultSettings settings_;
    std::mt19937 engine_;
};

}  // namespace tvq::sim
