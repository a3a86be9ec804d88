#include "sim/options.h"

#include "sim/processor_state.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <string_view>

namespace tvq::sim {
namespace {

constexpr int kMaxMs = 600'000;

template <class T>
std::optional<T> parseNumber(std::string_view text) {
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<double> parseProbability(std::string_view text) {
    auto p = parseNumber<double>(text);
    if (!p || !(*p >= 0.0 && *p <= 1.0)) return std::nullopt;
    return p;
}

std::optional<int> parseMs(std::string_view text) {
    auto ms = parseNumber<int>(text);
    if (!ms || *ms < 0 || *ms > kMaxMs) return std::nullopt;
    return ms;
}

// "HOST:PORT", ":PORT" or "PORT"; "localhost" is the loopback address.
bool parseTcp(std::string_view text, SimOptions& o) {
    const std::size_t colon = text.rfind(':');
    std::string_view host = colon == std::string_view::npos ? "" : text.substr(0, colon);
    const std::string_view port = colon == std::string_view::npos ? text : text.substr(colon + 1);
    const auto number = parseNumber<unsigned>(port);
    if (!number || *number > 65535) return false;
    if (host == "localhost") host = "127.0.0.1";
    o.tcp = true;
    o.tcpHost = host.empty() ? "127.0.0.1" : std::string(host);
    o.tcpPort = static_cast<std::uint16_t>(*number);
    return true;
}

bool parseAddresses(std::string_view text, SimOptions& o) {
    std::vector<std::uint8_t> list;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto value = parseNumber<unsigned>(text.substr(0, comma));
        if (!value || *value < 1 || *value > 255) return false;
        if (std::find(list.begin(), list.end(), *value) != list.end()) return false;
        list.push_back(static_cast<std::uint8_t>(*value));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    o.addresses = std::move(list);
    return true;
}

// "MIN-MAX" or one number for both.
bool parseDelay(std::string_view text, SimOptions& o) {
    const std::size_t dash = text.find('-');
    const auto low = parseMs(text.substr(0, dash));
    const auto high = dash == std::string_view::npos ? low : parseMs(text.substr(dash + 1));
    if (!low || !high || *low > *high) return false;
    o.faults.delayMinMs = *low;
    o.faults.delayMaxMs = *high;
    return true;
}

// "N" for every processor, or "ADDR:N,ADDR:N" for each its own.
bool parseOutputFormats(std::string_view text, SimOptions& o) {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> list;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t colon = item.find(':');
        const auto address = colon == std::string_view::npos
                                 ? std::optional<unsigned>{0}
                                 : parseNumber<unsigned>(item.substr(0, colon));
        const auto format =
            parseNumber<unsigned>(colon == std::string_view::npos ? item : item.substr(colon + 1));
        if (!address || !format || *address > 255 || *format >= kOutputFormats) return false;
        if (colon != std::string_view::npos && *address == 0) return false;
        list.emplace_back(static_cast<std::uint8_t>(*address), static_cast<std::uint8_t>(*format));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    o.outputFormats = std::move(list);
    return true;
}

using Setter = std::function<bool(std::string_view, SimOptions&)>;

Setter probability(Fault fault) {
    return [fault](std::string_view text, SimOptions& o) {
        const auto p = parseProbability(text);
        if (p) o.faults[fault] = *p;
        return p.has_value();
    };
}

const std::map<std::string_view, Setter>& valueOptions() {
    static const std::map<std::string_view, Setter> table{
        {"--tcp", parseTcp},
        {"--addresses", parseAddresses},
        {"--log",
         [](std::string_view t, SimOptions& o) {
             o.logPath = t;
             return !t.empty();
         }},
        {"--log-max-bytes",
         [](std::string_view t, SimOptions& o) {
             const auto bytes = parseNumber<std::uint64_t>(t);
             if (bytes && *bytes > 0) o.logMaxBytes = *bytes;
             return bytes && *bytes > 0;
         }},
        {"--seed",
         [](std::string_view t, SimOptions& o) {
             const auto seed = parseNumber<std::uint32_t>(t);
             if (seed) o.seed = *seed;
             return seed.has_value();
         }},
        {"--drop", probability(Fault::Drop)},
        {"--delay", parseDelay},
        {"--output-format", parseOutputFormats},
        {"--mute-pages",
         [](std::string_view t, SimOptions& o) {
             const auto pages = parsePageSet(t);
             if (pages) o.mutedPages = *pages;
             return pages.has_value();
         }},
        {"--delay-prob", probability(Fault::Delay)},
        {"--split", probability(Fault::Split)},
        {"--corrupt", probability(Fault::Corrupt)},
        {"--wrong-address", probability(Fault::WrongAddress)},
        {"--ff6", probability(Fault::Ff6)},
        {"--close", probability(Fault::Close)},
        {"--answer-ms",
         [](std::string_view t, SimOptions& o) {
             const auto ms = parseMs(t);
             if (ms) o.answerMs = *ms;
             return ms.has_value();
         }},
    };
    return table;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            return result;
        }
        if (arg.starts_with("--") && arg.ends_with('=')) {  // CLI11 would take the next word
            result.error = arg.substr(0, arg.size() - 1) + " needs a value";
            return result;
        }
    }
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    SimOptions o;
    app.add_flag("--pty", o.pty);
    for (const auto& [name, setter] : valueOptions()) {
        app.add_option_function<std::string>(
            std::string(name), [&o, &result, name = name, &setter = setter](const std::string& v) {
                if (result.error.empty() && !setter(v, o))
                    result.error = "bad value for " + std::string(name) + ": " + v;
            });
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& e) {  // "--seed: 1 required TEXT missing"
        const std::string what = e.what();
        result.error = what.substr(0, what.find(':')) + " needs a value";
        return result;
    } catch (const CLI::ParseError& e) {
        result.error = e.what();
        return result;
    }
    if (!result.error.empty()) return result;
    if (!app.remaining().empty()) {
        result.error = "unknown option: " + app.remaining()[0] + " (try --help)";
        return result;
    }
    const bool delayGiven = app.count("--delay") > 0;
    if (delayGiven && app.count("--delay-prob") == 0) o.faults[Fault::Delay] = 1.0;
    if (!delayGiven) o.faults[Fault::Delay] = 0.0;
    if (!o.tcp && !o.pty) {
        result.error = "no endpoint: give --tcp HOST:PORT and/or --pty";
        return result;
    }
    result.options = std::move(o);
    return result;
}

std::string usageText() {
    return R"(usage: tvq418-sim [--tcp HOST:PORT] [--pty] [options]
A simulated chain of TVQ418 processors behind a TCP port and/or a pseudo-terminal.
  --tcp HOST:PORT     listen for TCP clients (port 0 picks a free one; host defaults to 127.0.0.1)
  --pty               open a pseudo-terminal at 9600 baud; its slave path is printed
  --addresses LIST    processor addresses on the line, e.g. 1,2,3 (default 1)
  --log FILE          append a JSON line for every frame in and out
  --log-max-bytes N   cap of the log (default 67108864, 64 MiB): past it FILE becomes FILE.1,
                      replacing an older FILE.1, and a fresh FILE is started
  --seed N            seed of the fault plan (default 1)
  --drop P            probability that a reply is not sent
  --delay MIN-MAX     delay a reply by MIN..MAX ms, with probability --delay-prob (default 1)
  --delay-prob P
  --split P           send a reply in 2..4 pieces with small gaps
  --corrupt P         spoil a reply's check byte
  --wrong-address P   answer from another address
  --ff6 P             answer with byte 6 = 0xFF (no status)
  --close P           close the TCP connection instead of answering
  --answer-ms N       processing time before every reply (default 0)
  --output-format F   output format 0..9 of every processor, or ADDR:F,ADDR:F,... each its own
  --mute-pages LIST   page reads left unanswered, e.g. 0-2,4-14 (silent after page 3)
  --help              this text
  --version           the program's version
At least one of --tcp and --pty is needed. Type "help" on standard input for the operator keys.
)";
}

}  // namespace tvq::sim
