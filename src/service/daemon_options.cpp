#include "service/daemon_options.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include <CLI/CLI.hpp>

#include "core/link/network_link.h"
#include "core/web/web_access.h"

namespace tvq::service {
namespace {

std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// HOST:PORT into the connect settings; empty error when good.
std::string parseTcp(const std::string& text, LinkChoice& link) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) return "give HOST:PORT";
    std::string host = text.substr(0, colon);
    if (host == "localhost") host = "127.0.0.1";
    const auto address = parseIPv4(host);
    if (!address || *address == 0) return "HOST must be a dotted IPv4 address or localhost";
    const auto port = number(std::string_view(text).substr(colon + 1));
    if (!port || *port < 1 || *port > 65535) return "PORT must be 1..65535";
    link.useSerial = false;
    link.ipText = host;
    link.portText = std::to_string(*port);
    return {};
}

}  // namespace

std::string parseHttpAddress(std::string_view text, std::string& host, std::uint16_t& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return "give ADDRESS:PORT";
    std::string_view name = text.substr(0, colon);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    const auto given = number(text.substr(colon + 1));
    if (!given || *given < 0 || *given > 65535) return "PORT must be 0..65535";
    if (name == "localhost") name = "127.0.0.1";
    const bool v4 = parseIPv4(std::string(name)).has_value();
    const bool v6 = name.find(':') != std::string_view::npos &&
                    name.find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
    if (!v4 && !v6) return "ADDRESS must be an IPv4 or IPv6 address or localhost";
    host = std::string(name);
    port = static_cast<std::uint16_t>(*given);
    return {};
}

std::vector<std::uint8_t> parseAddressList(std::string_view text, std::string& error) {
    std::vector<std::uint8_t> addresses;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t dash = item.find('-');
        const auto first = number(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : number(item.substr(dash + 1));
        if (!first || !last || *first < 1 || *last > 255 || *first > *last) {
            error = "\"" + std::string(item) + "\" is not an address 1..255 or a range N-M";
            return {};
        }
        for (int a = *first; a <= *last; ++a) addresses.push_back(static_cast<std::uint8_t>(a));
        start = comma + 1;
    }
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

std::variant<DaemonOptions, DaemonExit> parseDaemonOptions(int argc, const char* const* argv) {
    DaemonOptions options;
    ServiceOptions& service = options.service;
    std::string tcp, serial, addresses = "1", name;
    std::string plans, journal;

    CLI::App app(
        "tvq418d: the chain service. Owns one TVQ418 chain's link and shares it with "
        "any number of clients over a Unix socket.",
        "tvq418d");
    app.footer(
        "Give one of --tcp and --serial. Exit status: 0 after SIGTERM or SIGINT, 1 when "
        "the socket cannot be made, 2 on a usage error.");
    app.set_version_flag("--version", std::string("tvq418d ") + TVQ_VERSION);
    auto* tcpOption = app.add_option("--tcp", tcp, "TCP link to the chain")
                          ->type_name("HOST:PORT")
                          ->check(CLI::Validator(
                              [](std::string& text) {
                                  LinkChoice probe;
                                  return parseTcp(text, probe);
                              },
                              "", "HOST:PORT"));
    app.add_option("--serial", serial, "serial link to the chain")
        ->type_name("PATH")
        ->excludes(tcpOption);
    app.add_option("--addresses", addresses, "addresses served, e.g. 1,2,5-8 (default 1)")
        ->type_name("LIST")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::string error;
                parseAddressList(text, error);
                return error;
            },
            "", "LIST"));
    app.add_option("--socket", options.socket, "the Unix socket to serve on")
        ->type_name("PATH")
        ->required();
    app.add_option("--plans", plans, "plan file to run (reloaded when it changes)")
        ->type_name("FILE");
    app.add_option("--journal", journal, "folder of the journal")->type_name("DIR");
    app.add_option("--name", name, "the chain's name for clients (default: the socket's stem)")
        ->type_name("CHAIN");
    std::string http, tokens;
    app.add_option("--http", http,
                   "serve HTTP and WebSocket on this address (loopback unless --tokens)")
        ->type_name("ADDRESS:PORT")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::string host;
                std::uint16_t port = 0;
                return parseHttpAddress(text, host, port);
            },
            "", "ADDRESS:PORT"));
    app.add_option("--tokens", tokens,
                   "bearer tokens of the web front end: NAME ROLE SECRET a line")
        ->type_name("FILE");
    app.add_flag("--trace", options.trace,
                 "print every frame on the line (a poll a second: for diagnosis only)");
    app.add_option("--rate", service.rate, "requests per second per client (default 20)")
        ->type_name("N")
        ->check(CLI::Range(0.1, 10000.0));
    app.add_option("--burst", service.burst, "requests at once per client (default 40)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000));
    app.add_option("--queue", service.queue, "client requests waiting at most (default 256)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000));

    try {
        app.parse(argc, argv);
        if (tcp.empty() && serial.empty())
            throw CLI::ValidationError("--tcp or --serial",
                                       "give the link: --tcp HOST:PORT or --serial PATH");
        if (!http.empty()) {
            std::string host;
            std::uint16_t port = 0;
            parseHttpAddress(http, host, port);
            // Anyone on the network could switch the wall: not without tokens.
            if (tokens.empty() && !web::isLoopback(host))
                throw CLI::ValidationError(
                    "--http", http + " is reachable from other machines: give --tokens FILE too");
            options.httpHost = host;
            options.httpPort = port;
        }
        if (!tokens.empty() && http.empty())
            throw CLI::ValidationError("--tokens", "is for the web front end: give --http too");
        if (!tokens.empty()) options.tokens = tokens;
    } catch (const CLI::Success& e) {  // --help, --version
        std::ostringstream out, err;
        app.exit(e, out, err);
        return DaemonExit{kDaemonExitOk, out.str()};
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        app.exit(e, out, err);
        return DaemonExit{kDaemonExitUsage, "tvq418d: " + err.str()};
    }

    if (!tcp.empty()) {
        parseTcp(tcp, service.link);
        options.linkTarget = service.link.ipText + ":" + service.link.portText;
    } else {
        service.link.useSerial = true;
        service.link.portName = serial;
        options.linkTarget = serial;
    }
    std::string error;
    service.addresses = parseAddressList(addresses, error);
    if (!plans.empty()) service.plans = plans;
    if (!journal.empty()) options.journal = journal;
    service.chain = name.empty() ? options.socket.stem().string() : name;
    return options;
}

}  // namespace tvq::service
