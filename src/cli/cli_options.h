#pragma once
// What one run of tvq418ctl was asked to do, as parsed from its command line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/set_request.h"
#include "core/link/command_frame.h"
#include "core/plans/plan_record.h"

namespace tvq::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // no answer, a reply that fails its checks, no link
inline constexpr int kExitUsage = 2;   // bad arguments or bad input

enum class LinkKind { Tcp, Serial };
enum class Command { Send, Status, Page, Source, Settings, Set, RunPlans, Scan, Watch };

struct CliOptions {
    LinkKind link = LinkKind::Tcp;
    std::uint32_t ipv4 = 0;  // --tcp
    std::uint16_t port = 0;
    std::string serialPath;  // --serial
    // --service: the chain service's socket; when set, it carries every exchange instead of a
    // link of our own (and `link`, `ipv4`, `port`, `serialPath` mean nothing).
    std::string servicePath;
    std::uint8_t address = 1;
    std::int32_t timeoutMs = 6000;
    bool json = false;

    Command command = Command::Status;
    CommandFrame frame{};     // send: the bytes as given; byte 12 is recomputed on the way out
    std::uint8_t page = 0;    // page
    std::uint8_t source = 0;  // source
    SetRequest set;           // set
    std::string planFile = "Planinfo.ini";   // run-plans
    PlanKindSet kinds = PlanKindSet::all();  // run-plans

    // scan: addresses from..to; --timeout, when given, is the wait per address
    std::uint8_t scanFrom = 1;
    std::uint8_t scanTo = 255;
    bool timeoutGiven = false;

    // watch (needs --service): resume after event SEQ; the event types wanted, empty for all
    std::optional<std::uint64_t> watchSince;
    std::vector<std::string> watchEvents;

    bool viaService() const { return !servicePath.empty(); }
};

constexpr std::string_view commandName(Command command) {
    switch (command) {
        case Command::Send:
            return "send";
        case Command::Status:
            return "status";
        case Command::Page:
            return "page";
        case Command::Source:
            return "source";
        case Command::Settings:
            return "settings";
        case Command::Set:
            return "set";
        case Command::RunPlans:
            return "run-plans";
        case Command::Scan:
            return "scan";
        case Command::Watch:
            return "watch";
    }
    return "";
}

}  // namespace tvq::cli
