#include "cli/parse_args.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "cli/plans_command.h"
#include "core/link/network_link.h"
#include "core/link/sources.h"

namespace tvq::cli {
namespace {

// Below one 100 ms try the exchange sends and does not wait at all, which reads as no answer.
constexpr long long kMinTimeoutMs = 100;
// A scan listens byte by byte instead; under a frame's time on the line nothing can answer.
constexpr long long kMinScanWaitMs = 15;

constexpr std::string_view kUsage =
    "Usage: tvq418ctl (--tcp HOST:PORT | --serial PATH | --service PATH) [--address N]\n"
    "                 [--timeout MS] [--json] COMMAND\n"
    "\n"
    "Commands:\n"
    "  send B0 B1 ... B11 [B12]  send one frame of hex bytes (byte 12 is recomputed) and print\n"
    "                            the result (13 or 0) and the reply\n"
    "  status                    read and decode the device's status\n"
    "  page N                    read page N (0..255) and print it in hex\n"
    "  source NAME|CODE          switch the main picture to a source: V1 V2 V3 S-VIDEO VGA1\n"
    "                            VGA2 DVI HDMI EXT. YPbPr, or its code 0..10\n"
    "  run-plans [--file F] [--kinds day,week,month,once]\n"
    "                            carry out the timed plans of F (default ./Planinfo.ini) until\n"
    "                            SIGINT or SIGTERM, one line per event; plans added, changed\n"
    "                            or deleted in F meanwhile are taken in within 2 s; a file\n"
    "                            that cannot be read is refused (exit 1)\n"
    "  scan [--from N] [--to M]  ask addresses N..M (default 1..255) for their status and list\n"
    "                            those that answer; --timeout is then the wait per address\n"
    "                            (15 or more; default from the line's speed)\n"
    "  watch [--since SEQ] [--events state,link,plan,journal,job]\n"
    "                            (--service only) print the chain service's events as JSON\n"
    "                            lines until SIGINT or SIGTERM; --since resumes after event\n"
    "                            SEQ, --events picks the types (default all)\n"
    "  wall calc|program ...     video wall: one screen's windows (no link needed), or program\n"
    "                            a whole wall; see tvq418ctl wall --help\n";

constexpr std::string_view kPlansUsage =
    "\n"
    "Plan files (no link needed): tvq418ctl plans list|today|add|delete ... (plans --help)\n";

constexpr std::string_view kOptionsUsage =
    "\n"
    "Options:\n"
    "  --tcp HOST:PORT   TCP link; HOST is a dotted IPv4 address or localhost\n"
    "  --serial PATH     serial link, for example /dev/ttyUSB0 or /dev/pts/7\n"
    "  --service PATH    the chain service's socket (tvq418d --socket PATH): every command\n"
    "                    goes through the service that owns the chain, with the same output\n"
    "                    and exit status\n"
    "  --address N       device address 1..255 (default: byte 1 of a sent frame, else 1); 0\n"
    "                    sends to every device of the chain and awaits no reply (send, source,\n"
    "                    run-plans, and set but the windows); send refuses an address other\n"
    "                    than the frame's byte 1\n"
    "  --timeout MS      how long to wait for a reply, in milliseconds, 100 or more\n"
    "                    (default 6000); settings and set wait as the setup does (5000, 7000,\n"
    "                    15000)\n"
    "  --json            print one JSON object, usage errors and link failures included; the\n"
    "                    serial trace then goes to stderr\n"
    "  --help            print this text\n"
    "  --version         print the program's version\n"
    "\n"
    "Exit status: 0 success, 1 no answer, a short or rejected reply or no link, 2 bad usage.\n";

// Decimal, or hexadecimal with a 0x prefix; the whole text must be the number.
std::optional<long long> parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [next, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc{} || next != end) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> parseHexByte(std::string_view token) {
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
        token.remove_prefix(2);
    if (token.empty() || token.size() > 2) return std::nullopt;
    unsigned value = 0;
    const char* end = token.data() + token.size();
    auto [next, ec] = std::from_chars(token.data(), end, value, 16);
    if (ec != std::errc{} || next != end) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// Bytes may come as separate arguments or as one quoted list ("05 01 17 ..." or "05,01,...").
std::vector<std::string_view> splitByteTokens(const std::vector<std::string_view>& args) {
    std::vector<std::string_view> tokens;
    for (std::string_view arg : args) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= arg.size(); ++i) {
            const bool separator = i == arg.size() || arg[i] == ' ' || arg[i] == ',' ||
                                   arg[i] == '\t' || arg[i] == '\n';
            if (!separator) continue;
            if (i > start) tokens.push_back(arg.substr(start, i - start));
            start = i + 1;
        }
    }
    return tokens;
}

std::optional<UsageError> parseTcp(std::string_view text, CliOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return UsageError{"--tcp wants HOST:PORT, got \"" + std::string(text) + "\""};
    const std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);

    const auto address =
        host == "localhost" ? std::optional<std::uint32_t>{0x7F000001} : parseIPv4(host);
    if (!address)
        return UsageError{"bad host \"" + std::string(host) +
                          "\": give a dotted IPv4 address or localhost"};
    if (*address == 0) return UsageError{"0.0.0.0 is not a device address"};

    const auto port = parseNumber(portText);
    if (!port) return UsageError{"bad port \"" + std::string(portText) + "\""};
    if (!portInRange(*port))
        return UsageError{"port " + std::string(portText) + " out of range 0..65535"};

    options.link = LinkKind::Tcp;
    options.ipv4 = *address;
    options.port = static_cast<std::uint16_t>(*port);
    return std::nullopt;
}

std::optional<UsageError> parseCommand(const std::vector<std::string_view>& words,
                                       CliOptions& options) {
    if (words.empty())
        return UsageError{
            "no command: give send, status, page, source, settings, set, run-plans, scan or "
            "watch"};
    const std::string_view name = words[0];
    const std::vector<std::string_view> args(words.begin() + 1, words.end());

    if (name == "send") {
        const auto tokens = splitByteTokens(args);
        if (tokens.size() != kFrameSize - 1 && tokens.size() != kFrameSize)
            return UsageError{"send wants 12 or 13 hex bytes, got " +
                              std::to_string(tokens.size())};
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const auto byte = parseHexByte(tokens[i]);
            if (!byte) return UsageError{"bad hex byte \"" + std::string(tokens[i]) + "\""};
            options.frame[i] = *byte;
        }
        options.command = Command::Send;
        return std::nullopt;
    }
    if (name == "status") {
        if (!args.empty()) return UsageError{"status takes no arguments"};
        options.command = Command::Status;
        return std::nullopt;
    }
    if (name == "page") {
        if (args.size() != 1) return UsageError{"page wants one page number"};
        const auto page = parseNumber(args[0]);
        if (!page || *page < 0 || *page > 255)
            return UsageError{"bad page \"" + std::string(args[0]) + "\": give 0..255"};
        options.command = Command::Page;
        options.page = static_cast<std::uint8_t>(*page);
        return std::nullopt;
    }
    if (name == "source") {
        if (args.size() != 1) return UsageError{"source wants one source name or code"};
        const auto code = parseSource(args[0]);
        if (!code)
            return UsageError{"unknown source \"" + std::string(args[0]) +
                              "\": give V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI EXT. YPbPr or a code"};
        options.command = Command::Source;
        options.source = *code;
        return std::nullopt;
    }
    if (name == "settings") {
        if (!args.empty()) return UsageError{"settings takes no arguments"};
        options.command = Command::Settings;
        return std::nullopt;
    }
    if (name == "set") {
        auto request = parseSetRequest(args);
        if (const auto* error = std::get_if<std::string>(&request)) return UsageError{*error};
        options.command = Command::Set;
        options.set = std::get<SetRequest>(std::move(request));
        return std::nullopt;
    }
    if (name == "run-plans") {
        if (!args.empty()) return UsageError{"run-plans takes options only (--file, --kinds)"};
        options.command = Command::RunPlans;
        return std::nullopt;
    }
    if (name == "watch") {
        if (!args.empty()) return UsageError{"watch takes options only (--since, --events)"};
        options.command = Command::Watch;
        return std::nullopt;
    }
    if (name == "scan") {
        if (!args.empty()) return UsageError{"scan takes no arguments besides its options"};
        options.command = Command::Scan;
        return std::nullopt;
    }
    return UsageError{"unknown command \"" + std::string(name) + "\""};
}

// Event types a watcher may ask for, as the service names them.
constexpr std::array<std::string_view, 5> kEventTypes{"state", "link", "plan", "journal", "job"};

std::optional<UsageError> parseEvents(std::string_view text, CliOptions& options) {
    options.watchEvents.clear();
    for (std::string_view rest = text;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view name = rest.substr(0, comma);
        if (std::find(kEventTypes.begin(), kEventTypes.end(), name) == kEventTypes.end())
            return UsageError{"unknown event type \"" + std::string(name) +
                              "\": give state, link, plan, journal, job"};
        if (std::find(options.watchEvents.begin(), options.watchEvents.end(), name) ==
            options.watchEvents.end())
            options.watchEvents.emplace_back(name);
        if (comma == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(comma + 1);
    }
}

// Every option the client knows takes one value; a repeated option keeps its last value.
constexpr std::array<const char*, 11> kValueOptions{
    "--tcp",   "--serial", "--service", "--address", "--timeout", "--file",
    "--kinds", "--from",   "--to",      "--since",   "--events"};

// Where the exchanges go: a link of our own, or the chain service.
std::optional<UsageError> parseLink(const std::map<std::string, std::string, std::less<>>& given,
                                    CliOptions& options) {
    const bool tcp = given.contains("--tcp");
    const bool serial = given.contains("--serial");
    const bool service = given.contains("--service");
    if (tcp && serial) return UsageError{"give either --tcp or --serial, not both"};
    if (service && (tcp || serial))
        return UsageError{"--service replaces --tcp and --serial: give one of them"};
    if (!tcp && !serial && !service)
        return UsageError{"no link: give --tcp HOST:PORT, --serial PATH or --service PATH"};
    if (tcp) return parseTcp(given.at("--tcp"), options);
    if (serial) {
        options.link = LinkKind::Serial;
        options.serialPath = given.at("--serial");
        if (options.serialPath.empty()) return UsageError{"--serial wants a device path"};
    } else {
        options.servicePath = given.at("--service");
        if (options.servicePath.empty()) return UsageError{"--service wants a socket path"};
    }
    return std::nullopt;
}

ParsedArgs parseArgList(const std::vector<std::string_view>& args) {
    for (std::string_view arg : args)
        if (arg == "--help" || arg == "-h") return HelpRequest{};

    CliOptions options;
    auto split = splitArgs(args, kValueOptions);
    if (auto* error = std::get_if<UsageError>(&split)) return *error;
    const auto& given = std::get<SplitArgs>(split).values;
    options.json = std::get<SplitArgs>(split).json;
    const std::vector<std::string>& wordTexts = std::get<SplitArgs>(split).words;
    const auto text = [&given](const char* name) -> std::optional<std::string_view> {
        const auto it = given.find(name);
        if (it == given.end()) return std::nullopt;
        return it->second;
    };

    if (auto error = parseLink(given, options)) return *error;
    if (const auto value = text("--address")) {
        const auto address = parseNumber(*value);
        if (!address || *address < 0 || *address > 255)
            return UsageError{"bad address \"" + std::string(*value) + "\": give 0..255"};
        options.address = static_cast<std::uint8_t>(*address);
    }
    if (const auto value = text("--file")) {
        if (value->empty()) return UsageError{"--file wants a path"};
        options.planFile = std::string(*value);
    }
    if (const auto value = text("--kinds")) {
        std::string error;
        if (!parseKinds(*value, options.kinds, error)) return UsageError{error};
    }
    for (const char* name : {"--from", "--to"}) {
        const auto value = text(name);
        if (!value) continue;
        const auto address = parseNumber(*value);
        if (!address || *address < 1 || *address > 255)
            return UsageError{"bad " + std::string(name) + " \"" + std::string(*value) +
                              "\": give 1..255"};
        (name == std::string_view("--from") ? options.scanFrom : options.scanTo) =
            static_cast<std::uint8_t>(*address);
    }
    if (const auto value = text("--since")) {
        const auto seq = parseNumber(*value);
        if (!seq || *seq < 0)
            return UsageError{"bad --since \"" + std::string(*value) +
                              "\": give an event number, 0 or more"};
        options.watchSince = static_cast<std::uint64_t>(*seq);
    }
    if (const auto value = text("--events"))
        if (auto error = parseEvents(*value, options)) return *error;

    const std::vector<std::string_view> words(wordTexts.begin(), wordTexts.end());
    if (auto error = parseCommand(words, options)) return *error;
    const Command command = options.command;
    if ((given.contains("--file") || given.contains("--kinds")) && command != Command::RunPlans)
        return UsageError{"--file and --kinds belong to run-plans"};
    if ((given.contains("--since") || given.contains("--events")) && command != Command::Watch)
        return UsageError{"--since and --events belong to watch"};
    if (command == Command::Watch && !options.viaService())
        return UsageError{"watch needs the chain service: give --service PATH"};
    if (command == Command::RunPlans && options.viaService())
        return UsageError{
            "run-plans runs the plans over a link of its own; the chain service runs "
            "its own (tvq418d --plans FILE)"};
    const bool scan = command == Command::Scan;
    if (const auto value = text("--timeout")) {
        const long long least = scan ? kMinScanWaitMs : kMinTimeoutMs;
        const auto timeout = parseNumber(*value);
        if (!timeout || *timeout < least || *timeout > std::numeric_limits<std::int32_t>::max())
            return UsageError{"bad timeout \"" + std::string(*value) + "\": give milliseconds, " +
                              std::to_string(least) + " or more"};
        options.timeoutMs = static_cast<std::int32_t>(*timeout);
        options.timeoutGiven = true;
    }
    const bool addressGiven = given.contains("--address");
    if ((given.contains("--from") || given.contains("--to")) && !scan)
        return UsageError{"--from and --to belong to scan"};
    if (scan && addressGiven) return UsageError{"scan asks every address of --from..--to"};
    if (options.scanFrom > options.scanTo)
        return UsageError{"--from " + std::to_string(options.scanFrom) + " is above --to " +
                          std::to_string(options.scanTo)};
    if (command == Command::Send) {
        // The address decides whether a reply is awaited and which reply is good: it must be
        // the one the frame goes to.
        if (!addressGiven) options.address = options.frame[1];
        if (options.address != options.frame[1])
            return UsageError{"--address " + std::to_string(options.address) +
                              " differs from the frame's byte 1 (" +
                              std::to_string(options.frame[1]) + ")"};
    }
    const bool readsDevice = command == Command::Status || command == Command::Page ||
                             command == Command::Settings ||
                             (command == Command::Set && options.set.isWindow());
    if (options.address == 0 && readsDevice)
        return UsageError{std::string(commandName(command)) +
                          " reads one device: give --address 1..255"};
    return options;
}

}  // namespace

std::variant<SplitArgs, UsageError> splitArgs(const std::vector<std::string_view>& args,
                                              std::span<const char* const> valueOptions) {
    for (std::string_view arg : args)  // CLI11 would take the next word as the value
        if (arg.starts_with("--") && arg.ends_with('='))
            return UsageError{std::string(arg.substr(0, arg.size() - 1)) + " wants a value"};
    CLI::App app;
    app.set_help_flag();  // each caller looks for help before anything else
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    SplitArgs split;
    for (const char* name : valueOptions)
        app.add_option_function<std::string>(
            name, [&split, name](const std::string& value) { split.values[name] = value; });
    app.add_flag("--json", split.json);
    app.add_option("words", split.words);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& e) {  // "--address: 1 required TEXT missing"
        const std::string what = e.what();
        return UsageError{what.substr(0, what.find(':')) + " wants a value"};
    } catch (const CLI::ParseError& e) {
        return UsageError{e.what()};
    }
    if (!app.remaining().empty()) {
        const std::string arg = app.remaining().front();  // remaining() is a copy
        return UsageError{"unknown option " + arg.substr(0, arg.find('='))};
    }
    return split;
}

std::string_view usageText() {
    static const std::string text = std::string(kUsage) + std::string(kSetUsage) +
                                    std::string(kPlansUsage) + std::string(kOptionsUsage);
    return text;
}

bool jsonRequested(int argc, const char* const* argv) {
    return std::find(argv + (argc > 0 ? 1 : 0), argv + argc, std::string_view("--json")) !=
           argv + argc;
}

ParsedArgs parseArgs(int argc, const char* const* argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ParsedArgs parsed = parseArgList(args);
    if (auto* error = std::get_if<UsageError>(&parsed)) error->json = jsonRequested(argc, argv);
    return parsed;
}

}  // namespace tvq::cli
