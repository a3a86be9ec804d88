#pragma once
// tvq418ctl wall calc | wall program: the video wall's calculation without a link, and the
// programming of a whole wall over one.

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>
#include <vector>

#include "cli/cli_options.h"
#include "cli/parse_args.h"
#include "core/platform/clock.h"
#include "core/wall/wall_program.h"

namespace tvq::cli {

struct WallRequest {
    bool program = false;  // wall program; else wall calc
    bool json = false;
    WallLayout layout;                    // calc: `selected` is --cell
    std::vector<std::uint8_t> addresses;  // program; empty: cell k -> address k + 1
    std::optional<bool> syncMosaic;       // program: --sync on|off
    CliOptions link;                      // program: the link options
};

// True when the first word that is not an option or an option's value is "wall".
bool isWallCommand(int argc, const char* const* argv);

std::variant<WallRequest, UsageError> parseWallArgs(int argc, const char* const* argv);

struct WallOutput {
    int exitCode = kExitOk;
    std::string output;  // for stdout
};

WallOutput runWallCalc(const WallRequest& request);

// `line` gets each cell's line as soon as the cell is finished (text mode only). A stop request
// ends the run after the exchange in flight; the cells not done are reported cancelled.
WallOutput runWallProgram(const WallRequest& request, const ExchangeFn& exchange, Clock& clock,
                          const std::function<void(const std::string&)>& line = {},
                          std::stop_token stop = {});

// The whole command: parse, open the link for program, run, print. Returns the exit status.
int wallMain(int argc, const char* const* argv);

}  // namespace tvq::cli
