#include "service/daemon.h"

#include <signal.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <asio/post.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include "core/platform/diagnostics.h"
#include "core/service/journal_file.h"
#include "core/service/journal_reader.h"
#include "service/http_server.h"
#include "service/unix_server.h"

namespace tvq::service {
namespace {

// One answer holds at most this many journal records (about 400 bytes each), so that it stays
// well inside what a connection may leave unread; a reader goes on from "next".
constexpr std::size_t kJournalPage = 1000;

void notify(const std::string& state) {
    ::sd_notify(0, state.c_str());
}

// WATCHDOG=1 at half systemd's interval, but only while the service's runner still takes
// jobs: each beat is a job ahead of every other, and the next WATCHDOG=1 waits for it to run
// (or be dropped, which the runner also does). Output the runner made for clients counts as
// a sign of life too, so a client's long sequence, which plans and this beat wait behind,
// does not look like a hang.
class Watchdog {
public:
    Watchdog(asio::io_context& io, ChainService& service, const std::atomic<std::uint64_t>& work)
        : timer_(io), service_(service), work_(work) {}

    void start() {
        std::uint64_t usec = 0;
        if (::sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return;
        period_ = std::chrono::microseconds(usec / 2);
        beat();
        wait();
    }
    void stop() { timer_.cancel(); }

private:
    void beat() {
        beaten_->store(false);
        const auto done = beaten_;
        if (!service_.submit(
                JobPriority::Plan, [done](FrameExchanger&, std::stop_token) { done->store(true); },
                [done] { done->store(true); }))
            done->store(false);
    }
    void wait() {
        timer_.expires_after(period_);
        timer_.async_wait([this](std::error_code error) {
            if (error) return;
            const std::uint64_t work = work_.load();
            if (beaten_->load() || work != lastWork_) notify("WATCHDOG=1");
            lastWork_ = work;
            if (beaten_->load()) beat();
            wait();
        });
    }

    asio::steady_timer timer_;
    ChainService& service_;
    const std::atomic<std::uint64_t>& work_;
    std::uint64_t lastWork_ = 0;
    std::shared_ptr<std::atomic<bool>> beaten_ = std::make_shared<std::atomic<bool>>(false);
    std::chrono::microseconds period_{};
};

// The token file: secrets, so nobody but its owner and group may read it.
std::vector<web::Token> readTokens(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::perms perms = fs::status(file, error).permissions();
    if (error) throw std::runtime_error(file.string() + ": " + error.message());
    if ((perms & fs::perms::others_read) != fs::perms::none)
        throw std::runtime_error(file.string() + " is readable by everyone: chmod o-r it");
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string problem;
    std::vector<web::Token> tokens = web::parseTokens(text.str(), problem);
    if (!problem.empty()) throw std::runtime_error(file.string() + ", " + problem);
    return tokens;
}

}  // namespace

namespace {
// The line's trace (a poll and its reply every second) would flood a system log: it is kept
// for --trace. Other diagnostics, such as a port that cannot be opened, go to stderr.
bool isTraceLine(std::string_view text) {
    return text.size() > 16 && text[2] == ':' && text[5] == ':' && text[8] == '-' &&
           (text.substr(12, 4) == " -> " || text.substr(12, 4) == " <- ");
}
}  // namespace

int runDaemon(const DaemonOptions& options) {
    ::signal(SIGPIPE, SIG_IGN);  // a client gone mid-write is an error code, not a signal
    tvq::setDiagnosticSink([trace = options.trace](std::string_view text) {
        if (trace || !isTraceLine(text)) {
            std::fwrite(text.data(), 1, text.size(), trace ? stdout : stderr);
            std::fflush(trace ? stdout : stderr);
        }
    });
    asio::io_context io(1);
    // Before any thread starts, so the signals come here.
    asio::signal_set signals(io, SIGTERM, SIGINT);

    // The socket first: a second service started by mistake is told so before it touches
    // anything else of the first one's.
    std::unique_ptr<UnixServer> server;
    try {
        server = std::make_unique<UnixServer>(io, options.socket);
    } catch (const SocketError& e) {
        std::fprintf(stderr, "tvq418d: %s\n", e.what());
        return kDaemonExitFailed;
    }
    std::unique_ptr<JournalFile> journal;
    ServiceOptions settings = options.service;
    if (options.journal) {
        try {
            journal = std::make_unique<JournalFile>(*options.journal);
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "tvq418d: %s\n", e.what());
            return kDaemonExitFailed;
        }
        settings.journalQuery = [dir = *options.journal](const nlohmann::json& request) {
            std::string error;
            std::optional<JournalQuery> query = journalQueryFromJson(request, error);
            if (!query) throw std::invalid_argument(error);
            if (query->limit == 0 || query->limit > kJournalPage) query->limit = kJournalPage;
            return journalPageJson(readJournal(dir, *query));
        };
    }
    const std::size_t eventRing = settings.eventRing;
    ChainService service(std::move(settings), openChosenLink, journal.get());
    std::unique_ptr<HttpServer> web;
    if (options.httpHost) {
        try {
            HttpOptions http;
            http.host = *options.httpHost;
            http.port = options.httpPort;
            http.eventRing = eventRing;
            if (options.tokens) http.tokens = readTokens(*options.tokens);
            web = std::make_unique<HttpServer>(std::move(http), service);
        } catch (const std::runtime_error& e) {
            std::fprintf(stderr, "tvq418d: %s\n", e.what());
            return kDaemonExitFailed;
        }
    }

    const std::string chain = options.service.chain;
    auto link = std::make_shared<std::string>("connecting");
    const auto showStatus = [&, link] {
        notify("STATUS=" + chain + ": link " + *link + " (" + options.linkTarget + "), " +
               std::to_string(server->connectionCount()) + " client(s)");
    };
    server->onClientsChanged(showStatus);
    // The service's own watch on its link, for systemctl status.
    const std::uint64_t linkWatch = service.watch(
        Peer{0, "tvq418d", static_cast<int>(::getpid()), static_cast<int>(::getuid())},
        std::nullopt, {"link"}, [&io, link, showStatus](const nlohmann::json& event) {
            std::string state = event.value("state", "down");
            asio::post(io, [link, state, showStatus] {
                *link = state;
                showStatus();
            });
        });

    service.start();
    server->start(service);
    Watchdog watchdog(io, service, server->serviceWork());
    watchdog.start();
    if (web) {
        web->start();
        const bool v6 = options.httpHost->find(':') != std::string::npos;
        std::fprintf(stderr, "tvq418d: web on http://%s%s%s:%u/api/v1\n", v6 ? "[" : "",
                     options.httpHost->c_str(), v6 ? "]" : "", web->port());
    }
    std::fprintf(stderr, "tvq418d: serving %s on %s\n", chain.c_str(), options.socket.c_str());
    notify("READY=1");
    showStatus();

    signals.async_wait([&](std::error_code error, int) {
        if (error) return;
        notify("STOPPING=1");
        watchdog.stop();
        server->close();
        io.stop();
    });
    io.run();

    service.unwatch(linkWatch);
    if (web) web->stop();  // its connections tell the service they are gone
    service.stop();
    server->close();  // its connections tell the service they are gone
    return kDaemonExitOk;
}

}  // namespace tvq::service
