// tvq418d as a process between raw socket clients and tvq418-sim: what an integrator with socat
// sees, and the refusals that must leave the connection, and everyone else, served.

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

using nlohmann::json;

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

int connectTcp(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    ::close(fd);
    return -1;
}

// One connection, read line by line (or by bytes) with a deadline.
class RawClient {
public:
    explicit RawClient(const std::string& path) : fd_(connectTo(path)) {}
    explicit RawClient(int port) : fd_(connectTcp(port)) {}
    ~RawClient() { ::close(fd_); }
    bool connected() const { return fd_ >= 0; }
    void send(const std::string& text) {
        for (std::size_t sent = 0; sent < text.size();) {
            const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    // The next line as JSON; null at end of stream or after the deadline.
    json next(Millis limit = Millis{5000}) {
        const auto deadline = Clock::now() + limit;
        while (buffer_.find('\n') == std::string::npos)
            if (!fill(deadline)) return {};
        const auto newline = buffer_.find('\n');
        const std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return json::parse(line, nullptr, false);
    }
    // The next `count` bytes, or what came before the deadline or the end.
    std::string bytes(std::size_t count, Millis limit = Millis{5000}) {
        const auto deadline = Clock::now() + limit;
        while (buffer_.size() < count && fill(deadline)) {
        }
        std::string out = buffer_.substr(0, count);
        buffer_.erase(0, out.size());
        return out;
    }
    // Up to and with `end`.
    std::string through(const std::string& end, Millis limit = Millis{5000}) {
        const auto deadline = Clock::now() + limit;
        while (buffer_.find(end) == std::string::npos && fill(deadline)) {
        }
        const auto at = buffer_.find(end);
        return bytes(at == std::string::npos ? buffer_.size() : at + end.size());
    }
    // An HTTP/1.1 exchange on a fresh connection: the status and the body.
    std::pair<int, std::string> http(const std::string& head, const std::string& body = "") {
        send(head + "Content-Length: " + std::to_string(body.size()) +
             "\r\nConnection: close\r\n\r\n" + body);
        const std::string header = through("\r\n\r\n");
        while (fill(Clock::now() + Millis{5000})) {
        }
        const int status = header.size() > 12 ? std::atoi(header.c_str() + 9) : 0;
        return {status, bytes(buffer_.size())};
    }
    // The next WebSocket text message (a server's frames are not masked).
    json message() {
        const std::string head = bytes(2);
        if (head.size() < 2) return {};
        std::size_t size = static_cast<unsigned char>(head[1]) & 0x7f;
        if (size >= 126) {
            const std::string wide = bytes(size == 126 ? 2 : 8);
            size = 0;
            for (unsigned char c : wide) size = size * 256 + c;
        }
        return json::parse(bytes(size), nullptr, false);
    }
    // The next line that `wanted` accepts.
    template <class Test>
    json until(Test wanted, Millis limit = Millis{5000}) {
        for (json line = next(limit); !line.is_null(); line = next(limit))
            if (wanted(line)) return line;
        return {};
    }
    json ask(const std::string& request) {
        send(request + "\n");
        return until([](const json& line) { return line.value("class", "") == "answer"; });
    }

private:
    bool fill(Clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[65536];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    int fd_;
    std::string buffer_;
};

TEST(Daemon, ServesClientsOverItsSocketAndKeepsThemApart) {
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    std::string dir = "/tmp/tvq-daemon-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string path = dir + "/hall.sock";
    {  // a socket file left by a service that died: replaced
        const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(stale);
    }
    std::vector<std::string> argv{TVQ418D_PATH};
    argv.insert(argv.end(), sim.linkArgs().begin(), sim.linkArgs().end());
    argv.insert(argv.end(), {"--journal", dir + "/journal", "--socket", path});
    const std::string out = tempFile(), err = tempFile();
    const pid_t daemon = spawn(argv, out, err);
    for (int i = 0; i < 500 && !has(readFile(err), "serving"); ++i)
        std::this_thread::sleep_for(Millis{10});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0) << readFile(err);
    EXPECT_EQ(info.st_mode & 0777, 0660u);

    RawClient a(path), b(path);
    ASSERT_TRUE(a.connected() && b.connected());
    const json hello = a.next();
    EXPECT_EQ(hello["class"], "hello");
    EXPECT_EQ(hello["protocol"], 1);
    EXPECT_EQ(hello["chain"], "hall");
    EXPECT_EQ(b.next()["class"], "hello");
    EXPECT_EQ(b.ask(R"({"id":"w","op":"watch","events":["state"]})")["ok"], true);

    const json status = a.ask(
        R"({"id":1,"op":"exchange","address":1,"frame":"05 01 17 00 00 00 00 00 00 00 00 00 13"})");
    EXPECT_EQ(status["result"], 13) << status;
    EXPECT_TRUE(status.value("reply", "").starts_with("050117")) << status;
    EXPECT_EQ(a.ask(R"({"id":2,"op":"source","address":1,"source":"HDMI"})")["result"], 13);
    const json seen = b.until([](const json& e) {
        return e.value("type", "") == "state" && e["state"]["mainSourceName"] == "HDMI";
    });
    EXPECT_EQ(seen["address"], 1) << "the other client saw no switch";

    // The journal names who switched, from the socket's credentials.
    const json journal = a.ask(R"({"id":5,"op":"journal","since":0})");
    ASSERT_FALSE(journal.value("records", json()).empty()) << journal;
    EXPECT_EQ(journal["records"][0]["by"]["client"]["pid"], ::getpid()) << journal;

    // Refusals keep the connection: a bad line, and an over-long one followed at once by a good
    // request, which is taken as soon as the long line's newline passes.
    EXPECT_EQ(a.ask("{not json")["error"], "parse");
    a.send(std::string(70000, 'x') + "\n" + R"({"id":3,"op":"status","address":1})" + "\n");
    EXPECT_EQ(a.next()["error"], "too-long");
    const json after = a.next();
    EXPECT_EQ(after["id"], 3);
    EXPECT_EQ(after["state"]["mainSourceName"], "HDMI") << after;

    {  // a client that asks and never reads is dropped; the others go on
        RawClient greedy(path);
        std::string burst;
        for (int i = 0; i < 8000; ++i)
            burst += R"({"id":1,"op":"status","address":1})"
                     "\n";
        greedy.send(burst);
        int lines = 0;
        while (!greedy.next(Millis{3000}).is_null()) ++lines;
        EXPECT_LT(lines, 8000) << "never dropped";
        EXPECT_EQ(a.ask(R"({"id":4,"op":"status","address":1})")["ok"], true);
    }

    // A second service on a live socket is refused, and the first keeps it.
    argv.back() = path;
    EXPECT_EQ(reap(spawn(argv, out, out), Millis{5000}), 1);
    EXPECT_TRUE(has(readFile(out), "already listening")) << readFile(out);
    EXPECT_TRUE(RawClient(path).connected());

    ::kill(daemon, SIGTERM);
    EXPECT_EQ(reap(daemon, Millis{5000}), 0) << readFile(err);
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
    ::unlink(out.c_str());
    ::unlink(err.c_str());
}

// The web front end serves the same service: a switch over HTTP reaches a WebSocket watcher
// and the journal names the address that asked; another site's page gets nothing.
TEST(Daemon, ServesTheSameChainOverHttpAndWebSocket) {
    Simulator sim(Via::Tcp);
    ASSERT_TRUE(sim.ready()) << sim.diagnostics();
    std::string dir = "/tmp/tvq-daemon-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    std::vector<std::string> argv{TVQ418D_PATH};
    argv.insert(argv.end(), sim.linkArgs().begin(), sim.linkArgs().end());
    argv.insert(argv.end(), {"--journal", dir + "/journal", "--socket", dir + "/hall.sock",
                             "--http", "127.0.0.1:0"});
    const std::string out = tempFile(), err = tempFile();
    const pid_t daemon = spawn(argv, out, err);
    std::string web;
    for (int i = 0; i < 500 && web.empty(); ++i) {
        std::this_thread::sleep_for(Millis{10});
        const std::string text = readFile(err);
        if (const auto at = text.find("http://127.0.0.1:"); at != std::string::npos)
            web = text.substr(at + 17, text.find('/', at + 17) - at - 17);
    }
    ASSERT_FALSE(web.empty()) << readFile(err);
    const int port = std::stoi(web);
    const std::string host = "Host: 127.0.0.1:" + web + "\r\n";
    const std::string upgrade = "GET /api/v1/events?events=state HTTP/1.1\r\n" + host +
                                "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                                "Sec-WebSocket-Version: 13\r\n"
                                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";

    // As a browser offers a token: the real subprotocol is echoed, the token never.
    RawClient watcher(port);
    watcher.send(upgrade + "Origin: http://127.0.0.1:" + web +
                 "\r\nSec-WebSocket-Protocol: bearer.0123456789abcdef, tvq418.v1\r\n\r\n");
    const std::string handshake = watcher.through("\r\n\r\n");
    EXPECT_TRUE(has(handshake, " 101 ")) << handshake;
    EXPECT_TRUE(has(handshake, "Sec-WebSocket-Protocol: tvq418.v1\r\n")) << handshake;
    const json snapshot = watcher.message();
    EXPECT_EQ(snapshot["class"], "snapshot") << snapshot;

    const auto [status, body] = RawClient(port).http(
        "POST /api/v1/units/1/source HTTP/1.1\r\nContent-Type: application/json\r\n" + host,
        R"({"source":"HDMI"})");
    EXPECT_EQ(status, 200) << body;
    EXPECT_EQ(json::parse(body, nullptr, false)["result"], 13) << body;
    json seen = watcher.message();
    while (seen.is_object() && seen["state"]["main"] != "HDMI") seen = watcher.message();
    EXPECT_EQ(seen["address"], 1) << seen;

    RawClient local(dir + "/hall.sock");
    const json journal = local.ask(R"({"id":1,"op":"journal","since":0})");
    EXPECT_EQ(journal["records"][0]["by"]["client"]["user"], "http:127.0.0.1") << journal;

    // Headers past their cap are refused; one address holds at most 16 connections.
    EXPECT_EQ(
        RawClient(port)
            .http("GET /api/v1 HTTP/1.1\r\n" + host + "X-Pad: " + std::string(9000, 'x') + "\r\n")
            .first,
        431);
    std::vector<std::unique_ptr<RawClient>> many;
    for (int i = 0; i < 16; ++i) many.push_back(std::make_unique<RawClient>(port));
    EXPECT_EQ(RawClient(port).http("GET /healthz HTTP/1.1\r\n" + host).first, 0);
    many.clear();  // served again once the server has seen them go
    for (int i = 0;
         i < 200 && RawClient(port).http("GET /healthz HTTP/1.1\r\n" + host).first != 200; ++i)
        std::this_thread::sleep_for(Millis{10});

    // A page of another site may not open the events in its visitor's browser.
    RawClient crossSite(port);
    crossSite.send(upgrade + "Origin: http://evil.example\r\n\r\n");
    EXPECT_TRUE(has(crossSite.through("\r\n\r\n"), " 403 "));

    ::kill(daemon, SIGTERM);
    EXPECT_EQ(reap(daemon, Millis{5000}), 0) << readFile(err);
    std::filesystem::remove_all(dir);
    ::unlink(out.c_str());
    ::unlink(err.c_str());
}

}  // namespace
}  // namespace tvq::e2e
