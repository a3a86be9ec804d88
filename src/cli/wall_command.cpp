#include "cli/wall_command.h"

#include "cli/parse_args.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <string_view>

#include "cli/json.h"
#include "cli/open_link.h"
#include "cli/run_command.h"
#include "cli/service_route.h"
#include "cli/stop_on_signal.h"
#include "core/link/device_link.h"
#include "core/platform/diagnostics.h"

namespace tvq::cli {
namespace {

constexpr std::string_view kWallUsage =
    "Usage: tvq418ctl wall calc --rows R --cols C --cell S --widths LIST --heights LIST\n"
    "                 [--res WxH] [--bezel-h PX] [--bezel-v PX] [--json]\n"
    "       tvq418ctl (--tcp HOST:PORT | --serial PATH | --service PATH) wall program\n"
    "                 --rows R --cols C --widths LIST --heights LIST [--addresses LIST]\n"
    "                 [--bezel-h PX] [--bezel-v PX] [--sync on|off] [--json]\n"
    "LIST holds R x C entries row by row, comma-separated; an empty item is an empty entry.\n"
    "calc prints cell S's input and output windows (exit 1 when a check fails); program runs\n"
    "every cell in turn on its processor (cell k -> address k + 1 unless --addresses says\n"
    "otherwise), one line per cell, exit 1 when any cell failed.\n";

// Options of the link, handed on to the client's own parser, then the wall's own.
constexpr std::array<const char*, 5> kLinkOptions{"--tcp", "--serial", "--service", "--address",
                                                  "--timeout"};
constexpr std::array<const char*, 15> kOptions{"--tcp",     "--serial",    "--service", "--address",
                                               "--timeout", "--rows",      "--cols",    "--cell",
                                               "--widths",  "--heights",   "--res",     "--bezel-h",
                                               "--bezel-v", "--addresses", "--sync"};

std::optional<long long> number(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [next, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || next != end) return std::nullopt;
    return value;
}

std::vector<std::string_view> splitList(std::string_view text) {
    std::vector<std::string_view> items;
    for (;;) {
        const std::size_t comma = text.find(',');
        items.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return items;
        text.remove_prefix(comma + 1);
    }
}

std::string threeDigits(unsigned k) {
    char text[8];
    std::snprintf(text, sizeof text, "%03u", k);
    return text;
}

Json rectJson(const WindowRect& r) {
    return {{"width", r.width}, {"height", r.height}, {"x", r.x}, {"y", r.y}};
}

std::string rectText(std::string_view side, const WindowRect& r) {
    return std::string(side) + " width " + std::to_string(r.width) + " height " +
           std::to_string(r.height) + " x " + std::to_string(r.x) + " y " + std::to_string(r.y) +
           "\n";
}

std::optional<UsageError> parseEntries(std::string_view name, std::string_view text,
                                       std::size_t cells, std::vector<WallEntry>& out) {
    const auto items = splitList(text);
    if (items.size() != cells)
        return UsageError{std::string(name) + " wants " + std::to_string(cells) +
                          " comma-separated entries (rows x columns), got " +
                          std::to_string(items.size())};
    for (std::string_view item : items) out.push_back(wallEntryFromText(item));
    return std::nullopt;
}

std::optional<UsageError> parseBounded(const SplitArgs& p, std::string_view name, long long low,
                                       long long high, long long& out) {
    const auto it = p.values.find(name);
    if (it == p.values.end()) return std::nullopt;
    const auto value = number(it->second);
    const std::string range = std::to_string(low) + ".." + std::to_string(high);
    if (!value)
        return UsageError{"bad " + std::string(name) + " \"" + std::string(it->second) +
                          "\": give " + range};
    if (*value < low || *value > high)
        return UsageError{std::string(name) + " " + std::string(it->second) + " is out of range " +
                          range};
    out = *value;
    return std::nullopt;
}

// Each frame carries its cell's address; the link awaits a reply for any but 0.
ExchangeFn exchangeAt(FrameExchanger& link) {
    return [&link](const CommandFrame& f, CommandFrame& reply, std::int32_t timeoutMs,
                   std::stop_token stop) {
        link.setDeviceAddress(f[1]);
        return link.exchangeFrame(f, reply, timeoutMs, stop);
    };
}

}  // namespace

bool isWallCommand(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) return arg == "wall";
        if (arg.find('=') == std::string_view::npos && arg != "--json" && arg != "--help" &&
            arg != "-h")
            ++i;  // skip the option's value
    }
    return false;
}

std::variant<WallRequest, UsageError> parseWallArgs(int argc, const char* const* argv) {
    auto pieces = splitArgs({argv + (argc > 0 ? 1 : 0), argv + argc}, kOptions);
    if (auto* error = std::get_if<UsageError>(&pieces)) return *error;
    const SplitArgs& p = std::get<SplitArgs>(pieces);

    WallRequest r;
    r.json = p.json;
    if (p.words.size() != 2 || p.words[0] != "wall" ||
        (p.words[1] != "calc" && p.words[1] != "program"))
        return UsageError{"give wall calc or wall program"};
    r.program = p.words[1] == "program";

    for (std::string_view needed : {"--rows", "--cols", "--widths", "--heights"})
        if (!p.values.contains(needed)) return UsageError{"wall wants " + std::string(needed)};
    if (!r.program && !p.values.contains("--cell")) return UsageError{"wall calc wants --cell"};
    for (std::string_view only : {"--addresses", "--sync"})
        if (!r.program && p.values.contains(only))
            return UsageError{std::string(only) + " belongs to wall program"};
    if (r.program && p.values.contains("--cell"))
        return UsageError{"wall program programs every cell: leave out --cell"};

    long long rows = 0, cols = 0;
    if (auto e = parseBounded(p, "--rows", 1, kMaxWallRows, rows)) return *e;
    if (auto e = parseBounded(p, "--cols", 1, kMaxWallColumns, cols)) return *e;
    r.layout.rows = static_cast<unsigned>(rows);
    r.layout.columns = static_cast<unsigned>(cols);
    const std::size_t cells = std::size_t{r.layout.rows} * r.layout.columns;

    long long cell = 0, bezelH = 0, bezelV = 0;
    if (auto e = parseBounded(p, "--cell", 0, static_cast<long long>(cells) - 1, cell)) return *e;
    if (auto e = parseBounded(p, "--bezel-h", 0, kMaxBezel, bezelH)) return *e;
    if (auto e = parseBounded(p, "--bezel-v", 0, kMaxBezel, bezelV)) return *e;
    r.layout.selected = static_cast<unsigned>(cell);
    r.layout.bezelH = static_cast<std::uint16_t>(bezelH);
    r.layout.bezelV = static_cast<std::uint16_t>(bezelV);

    if (auto e = parseEntries("--widths", p.values.at("--widths"), cells, r.layout.widths))
        return *e;
    if (auto e = parseEntries("--heights", p.values.at("--heights"), cells, r.layout.heights))
        return *e;

    if (const auto it = p.values.find("--res"); it != p.values.end()) {
        const std::string_view text = it->second;
        const std::size_t x = text.find_first_of("xX");
        const auto w = number(text.substr(0, x));
        const auto h = x == std::string_view::npos ? std::nullopt : number(text.substr(x + 1));
        if (!w || !h || *w < kMinScreenSize || *h < kMinScreenSize || *w > 8192 || *h > 8192)
            return UsageError{"bad --res \"" + std::string(text) + "\": give WxH, e.g. 1920x1080"};
        r.layout.resolution = {static_cast<std::uint16_t>(*w), static_cast<std::uint16_t>(*h)};
    }

    if (const auto it = p.values.find("--addresses"); it != p.values.end()) {
        for (std::string_view item : splitList(it->second)) {
            const auto a = number(item);
            if (!a || *a < 1 || *a > 255)
                return UsageError{"bad address \"" + std::string(item) +
                                  "\" in --addresses: give 1..255"};
            r.addresses.push_back(static_cast<std::uint8_t>(*a));
        }
    }
    if (const auto it = p.values.find("--sync"); it != p.values.end()) {
        if (it->second != "on" && it->second != "off") return UsageError{"--sync wants on or off"};
        r.syncMosaic = it->second == "on";
    }

    if (!r.program) return r;
    WallPlan plan{r.layout, r.addresses, r.syncMosaic};
    if (auto error = wallPlanError(plan)) return UsageError{*error};
    if (p.values.contains("--address"))
        return UsageError{"wall program takes --addresses LIST, not --address"};

    std::vector<std::string> linkArgs{"tvq418ctl"};
    for (const char* name : kLinkOptions)
        if (const auto it = p.values.find(name); it != p.values.end())
            linkArgs.push_back(std::string(name) + "=" + it->second);
    linkArgs.push_back("status");
    std::vector<const char*> linkArgv;
    for (const std::string& arg : linkArgs) linkArgv.push_back(arg.c_str());
    const ParsedArgs link = parseArgs(static_cast<int>(linkArgv.size()), linkArgv.data());
    if (const auto* error = std::get_if<UsageError>(&link)) return *error;
    r.link = std::get<CliOptions>(link);
    r.link.json = r.json;
    return r;
}

WallOutput runWallCalc(const WallRequest& request) {
    const WallCalculation calc = CalculateWindows(request.layout);
    WallOutput out;
    if (calc.windows) {
        if (request.json) {
            const Json windows{{"input", rectJson(calc.windows->input)},
                               {"output", rectJson(calc.windows->output)}};
            out.output = jsonText(windows) + "\n";
        } else {
            out.output =
                rectText("input", calc.windows->input) + rectText("output", calc.windows->output);
        }
        return out;
    }
    out.exitCode = kExitFailed;
    Json failures = Json::array();
    for (const WallFailure& f : calc.failures) {
        failures.push_back({{"check", wallCheckName(f.check)},
                            {"cell", f.cell},
                            {"message", englishText(f.message)}});
        out.output += "cell " + threeDigits(f.cell) + " " + std::string(wallCheckName(f.check)) +
                      ": " + std::string(englishText(f.message)) + "\n";
    }
    if (request.json) out.output = jsonText(Json{{"failures", failures}}) + "\n";
    return out;
}

WallOutput runWallProgram(const WallRequest& request, const ExchangeFn& exchange, Clock& clock,
                          const std::function<void(const std::string&)>& line,
                          std::stop_token stop) {
    const WallPlan plan{request.layout, request.addresses, request.syncMosaic};
    WallCallbacks callbacks;
    std::string text;
    callbacks.cellDone = [&](const CellResult& cell) {
        const std::string one = describeCell(cell) + "\n";
        text += one;
        if (line && !request.json) line(one);
    };
    const WallSummary summary = programWall(plan, exchange, clock, stop, callbacks);

    WallOutput out;
    out.exitCode = summary.allDone() ? kExitOk : kExitFailed;
    const std::string tally = std::to_string(summary.cells.size()) +
                              " cells: " + std::to_string(summary.done) + " done, " +
                              std::to_string(summary.failed) + " failed, " +
                              std::to_string(summary.cancelled) + " cancelled\n";
    if (!request.json) {
        out.output = (line ? std::string() : text) + tally;
        return out;
    }
    Json cells = Json::array();
    for (const CellResult& c : summary.cells) {
        Json cell{
            {"cell", c.cell}, {"address", c.address}, {"outcome", cellOutcomeName(c.outcome)}};
        if (c.message != MessageId::None && c.outcome != CellOutcome::Done)
            cell["message"] = englishText(c.message);
        if (c.windows) {
            cell["input"] = rectJson(c.windows->input);
            cell["output"] = rectJson(c.windows->output);
        }
        cells.push_back(std::move(cell));
    }
    const Json tallies{{"cells", std::move(cells)},
                       {"done", summary.done},
                       {"failed", summary.failed},
                       {"cancelled", summary.cancelled}};
    out.output = jsonText(tallies) + "\n";
    return out;
}

int wallMain(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fwrite(kWallUsage.data(), 1, kWallUsage.size(), stdout);
            return kExitOk;
        }
    }
    const auto parsed = parseWallArgs(argc, argv);
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return reportFailure(kExitUsage, error->message, jsonRequested(argc, argv), "wall --help");
    const WallRequest& request = std::get<WallRequest>(parsed);
    if (request.json) {  // the serial trace must not spoil the JSON on stdout
        setDiagnosticSink([](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        });
    }
    WallOutput out;
    if (!request.program) {
        out = runWallCalc(request);
    } else {
        StopOnSignal interrupt;
        const auto printLine = [](const std::string& line) {
            std::fputs(line.c_str(), stdout);
            std::fflush(stdout);
        };
        if (!request.link.servicePath.empty()) {
            ServiceLink service = connectService(request.link.servicePath);
            if (!service.link) return reportFailure(kExitFailed, service.error, request.json);
            const ExchangeFn exchange = exchangeAt(*service.link);
            // The whole wall in one hold: nobody else's frame between two cells' writes.
            const CommandResult held = inSequence(*service.link, "wall program", request.json, [&] {
                const WallOutput wall =
                    runWallProgram(request, exchange, systemClock(), printLine, interrupt.token());
                return CommandResult{wall.exitCode, wall.output, {}};
            });
            out = {held.exitCode, held.output};
            if (!held.error.empty()) std::fprintf(stderr, "tvq418ctl: %s\n", held.error.c_str());
        } else {
            OpenedExchanger opened = openExchanger(request.link);
            if (!opened.exchanger)
                return reportFailure(opened.exitCode, opened.error, request.json);
            out = runWallProgram(request, exchangeAt(*opened.exchanger), systemClock(), printLine,
                                 interrupt.token());
        }
    }
    std::fputs(out.output.c_str(), stdout);
    std::fflush(stdout);
    return out.exitCode;
}

}  // namespace tvq::cli
