#pragma once
// The simulator's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace tvq::sim {

struct SimOptions {
    bool tcp = false;
    std::string tcpHost = "127.0.0.1";
    std::uint16_t tcpPort = 0;  // 0 picks a free port
    bool pty = false;
    std::vector<std::uint8_t> addresses{1};
    std::string logPath;  // empty: no frame log
    std::uint32_t seed = 1;
    FaultSettings faults;
    int answerMs = 0;  // processing time before every reply
    // Output format per address at start; address 0 stands for every processor.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> outputFormats;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // absent on error or --help
    bool help = false;
    std::string error;  // one line, for stderr
};

ParsedOptions parseOptions(const std::vector<std::string>& args);

std::string usageText();

}  // namespace tvq::sim
