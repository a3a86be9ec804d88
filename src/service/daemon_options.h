#pragma once
// tvq418d's command line: the chain service's settings, the socket and the journal folder.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/service/chain_service.h"

namespace tvq::service {

inline constexpr int kDaemonExitOk = 0;
inline constexpr int kDaemonExitFailed = 1;  // the socket could not be made
inline constexpr int kDaemonExitUsage = 2;

struct DaemonOptions {
    ServiceOptions service;  // link, addresses, plans, chain name, rate, burst, queue
    std::filesystem::path socket;
    std::optional<std::filesystem::path> journal;
    std::string linkTarget;  // "127.0.0.1:4001" or "/dev/ttyUSB0", for messages
    bool trace = false;      // --trace: every byte on the line, as the controller prints it
    // --http ADDRESS:PORT: the web front end; --tokens FILE: who may use it.
    std::optional<std::string> httpHost;
    std::uint16_t httpPort = 0;
    std::optional<std::filesystem::path> tokens;
};

// What to do instead of serving: print `text` (to stdout when the exit code is 0, else to
// stderr) and exit.
struct DaemonExit {
    int exitCode = kDaemonExitOk;
    std::string text;
};

std::variant<DaemonOptions, DaemonExit> parseDaemonOptions(int argc, const char* const* argv);

// "127.0.0.1:8418", "[::1]:8418" or "localhost:8418" into an address to bind and a port (0:
// any free one). An error is one line; empty when good.
std::string parseHttpAddress(std::string_view text, std::string& host, std::uint16_t& port);

// "1,2,5-8": addresses 1..255, in order, each once. An error is one line; the list is then empty.
std::vector<std::uint8_t> parseAddressList(std::string_view text, std::string& error);

}  // namespace tvq::service
