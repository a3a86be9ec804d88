#include "service/client/service_client.h"

#include <sys/stat.h>

#include <algorithm>
#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>
#include <asio/post.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <condition_variable>
#include <deque>
#include <istream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tvq::service {
namespace {

using Socket = asio::local::stream_protocol::socket;
using Json = nlohmann::json;

// Far above any answer the service sends (a journal page included); a peer that never ends a
// line must not take all our memory.
constexpr std::size_t kMaxLine = 64u << 20;

std::string connectErrorText(const std::string& path, const asio::error_code& ec) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return path + ": no such socket (is tvq418d running?)";
    if (::stat(path.c_str(), &info) == 0 && !S_ISSOCK(info.st_mode))
        return path + ": not a socket (tvq418d --socket names the one to give)";
    if (ec == asio::error::connection_refused)
        return path + ": connection refused (is tvq418d running?)";
    if (ec == asio::error::access_denied)
        return path + ": permission denied (is this user in the socket's group?)";
    if (ec == asio::error::timed_out) return path + ": the service did not accept in time";
    return path + ": " + ec.message();
}

std::string secondsText(std::chrono::milliseconds t) {
    const auto ms = t.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

struct ServiceClient::Impl {
    std::string path;
    asio::io_context io;
    Socket socket{io};
    asio::streambuf input{kMaxLine};
    Json hello;
    std::thread reader;

    // I/O thread only.
    std::deque<std::string> outbox;
    bool writing = false;

    std::mutex mutex;  // everything below
    std::condition_variable_any answered;
    std::map<std::uint64_t, std::optional<Json>> pending;
    std::uint64_t nextId = 1;
    bool closed = false;
    bool closing = false;  // we close: no onClosed
    std::function<void(const Json&)> eventHandler;
    std::function<void()> closedHandler;

    // Runs the loop until `done` or the time is up; false on time-out.
    bool runFor(std::chrono::milliseconds timeout, const bool& done) {
        io.restart();
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (!done && std::chrono::steady_clock::now() < until)
            if (io.run_one_until(until) == 0 && io.stopped()) break;
        return done;
    }

    void connect(std::chrono::milliseconds timeout) {
        asio::error_code result = asio::error::timed_out;
        bool done = false;
        socket.async_connect(asio::local::stream_protocol::endpoint(path),
                             [&](const asio::error_code& ec) {
                                 result = ec;
                                 done = true;
                             });
        if (!runFor(timeout, done)) {
            asio::error_code ignored;
            socket.close(ignored);
            throw ServiceError(connectErrorText(path, asio::error::timed_out));
        }
        if (result) throw ServiceError(connectErrorText(path, result));

        std::optional<asio::error_code> readResult;
        bool read = false;
        asio::async_read_until(socket, input, '\n', [&](const asio::error_code& ec, std::size_t) {
            readResult = ec;
            read = true;
        });
        if (!runFor(timeout, read)) {
            asio::error_code ignored;
            socket.close(ignored);
            throw ServiceError(path + ": no greeting within " + secondsText(timeout) +
                               " (not a tvq418d socket?)");
        }
        if (*readResult) throw ServiceError(path + ": not a tvq418d socket");
        checkGreeting(Json::parse(takeLine(), nullptr, false));
    }

    std::string takeLine() {
        std::istream stream(&input);
        std::string line;
        std::getline(stream, line);
        return line;
    }

    void checkGreeting(Json line) {
        if (!line.is_object() || line.value("class", Json()) != "hello")
            throw ServiceError(path + ": not a tvq418d socket");
        const Json protocol = line.value("protocol", Json());
        if (protocol != 1)
            throw ServiceError(path + ": protocol " + protocol.dump() + " is not supported");
        hello = std::move(line);
    }

    void readNext() {
        asio::async_read_until(socket, input, '\n',
                               [this](const asio::error_code& ec, std::size_t) {
                                   if (ec) return lost();
                                   dispatch(takeLine());
                                   readNext();
                               });
    }

    void dispatch(const std::string& text) {
        Json line = Json::parse(text, nullptr, false);
        if (!line.is_object()) return;  // nothing of ours to match it with
        const std::string kind = line.value("class", "");
        if (kind == "event") {
            std::function<void(const Json&)> handler;
            {
                std::lock_guard lock(mutex);
                handler = eventHandler;
            }
            if (handler) handler(line);
            return;
        }
        const Json id = line.value("id", Json());
        if (kind != "answer" || !id.is_number_unsigned()) return;
        std::lock_guard lock(mutex);
        const auto it = pending.find(id.get<std::uint64_t>());
        if (it == pending.end()) return;  // its caller gave up waiting
        it->second = std::move(line);
        answered.notify_all();
    }

    void lost() {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex);
            if (closed) return;
            closed = true;
            if (!closing) handler = closedHandler;
            answered.notify_all();
        }
        asio::error_code ignored;
        socket.close(ignored);
        if (handler) handler();
    }

    void send(std::string line) {
        asio::post(io, [this, line = std::move(line)]() mutable {
            outbox.push_back(std::move(line));
            if (!writing) writeNext();
        });
    }

    void writeNext() {
        if (outbox.empty()) {
            writing = false;
            return;
        }
        writing = true;
        asio::async_write(socket, asio::buffer(outbox.front()),
                          [this](const asio::error_code& ec, std::size_t) {
                              if (ec) return lost();
                              outbox.pop_front();
                              writeNext();
                          });
    }
};

ServiceClient::ServiceClient(const std::string& socketPath, std::chrono::milliseconds timeout)
    : impl_(std::make_unique<Impl>()) {
    impl_->path = socketPath;
    impl_->connect(timeout);
    impl_->io.restart();
    impl_->readNext();
    impl_->reader = std::thread([impl = impl_.get()] { impl->io.run(); });
}

ServiceClient::~ServiceClient() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->closing = true;
    }
    asio::post(impl_->io, [impl = impl_.get()] { impl->lost(); });
    if (impl_->reader.joinable()) impl_->reader.join();
}

const nlohmann::json& ServiceClient::greeting() const {
    return impl_->hello;
}

nlohmann::json ServiceClient::request(nlohmann::json request, std::chrono::milliseconds timeout) {
    return this->request(std::move(request), timeout, {});
}

nlohmann::json ServiceClient::request(nlohmann::json request, std::chrono::milliseconds timeout,
                                      std::stop_token stop) {
    Impl& d = *impl_;
    std::unique_lock lock(d.mutex);
    if (d.closed) throw ServiceError(d.path + ": the service closed the connection");
    const std::uint64_t id = d.nextId++;
    request["id"] = id;
    auto& slot = d.pending[id];
    d.send(request.dump() + "\n");
    const bool got = d.answered.wait_for(lock, stop, timeout, [&] { return slot || d.closed; });
    std::optional<Json> answer = std::move(slot);
    d.pending.erase(id);
    if (answer) return std::move(*answer);
    if (d.closed) throw ServiceError(d.path + ": the service closed the connection");
    if (!got && !stop.stop_requested())
        throw ServiceError(d.path + ": no answer within " + secondsText(timeout));
    throw ServiceError(d.path + ": stopped while waiting for the service");
}

void ServiceClient::onEvent(std::function<void(const nlohmann::json& event)> handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->eventHandler = std::move(handler);
}

void ServiceClient::onClosed(std::function<void()> handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->closedHandler = std::move(handler);
}

bool ServiceClient::connected() const {
    std::lock_guard lock(impl_->mutex);
    return !impl_->closed;
}

const std::string& ServiceClient::socketPath() const {
    return impl_->path;
}

}  // namespace tvq::service

// --- ServiceExchanger ---------------------------------------------------------------------

namespace tvq::service {
namespace {

// Beyond the exchange's own wait, the time it may stand in the service's queue.
constexpr std::chrono::milliseconds kQueueAllowance{30'000};

std::string hexOf(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

// Hex with or without spaces between the bytes; nullopt for anything else.
std::optional<std::vector<std::uint8_t>> bytesOf(const nlohmann::json& value) {
    if (!value.is_string()) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : value.get_ref<const std::string&>()) {
        if (c == ' ') continue;
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

}  // namespace

ServiceExchanger::ServiceExchanger(ServiceClient& client) : client_(client) {
    const nlohmann::json link = client.greeting().value("link", nlohmann::json::object());
    serial_ = link.value("kind", "") == "serial";
    up_ = link.value("state", "") == "up";
}

void ServiceExchanger::setDeviceAddress(std::uint8_t address) {
    address_ = address;
}

std::uint8_t ServiceExchanger::deviceAddress() const {
    return address_;
}

bool ServiceExchanger::isOpen() const {
    return client_.connected() && up_;
}

bool ServiceExchanger::isSerial() const {
    return serial_;
}

bool ServiceExchanger::isUp() const {
    return isOpen();
}

std::string ServiceExchanger::lastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

std::optional<nlohmann::json> ServiceExchanger::ask(nlohmann::json request,
                                                    std::chrono::milliseconds timeout,
                                                    std::stop_token stop) {
    std::string error;
    std::optional<nlohmann::json> result;
    try {
        nlohmann::json answer = client_.request(std::move(request), timeout, stop);
        if (answer.value("ok", false)) {
            up_ = true;
            result = std::move(answer);
        } else {
            if (answer.value("error", "") == "link-down") up_ = false;
            error = answer.value("message", answer.value("error", std::string("refused")));
        }
    } catch (const ServiceError& e) {
        error = e.what();
    }
    std::lock_guard lock(errorMutex_);
    lastError_ = error;
    return result;
}

int ServiceExchanger::exchangeFrame(const CommandFrame& frame, CommandFrame& reply,
                                    std::int32_t timeoutMs, ExchangeDetail& detail,
                                    std::stop_token stop) {
    detail = {};
    CommandFrame out = frame;
    out[12] = frameCheck(out);
    const auto answer = ask({{"op", "exchange"},
                             {"address", address_.load()},
                             {"frame", hexOf(out)},
                             {"timeoutMs", timeoutMs}},
                            std::chrono::milliseconds(timeoutMs) + kQueueAllowance, stop);
    if (!answer) {
        detail.lineClosed = !client_.connected();
        return 0;
    }
    detail.received = answer->value("received", std::size_t{0});
    detail.lineClosed = answer->value("lineClosed", false);
    if (answer->value("result", 0) != static_cast<int>(kFrameSize)) return 0;
    const auto bytes = bytesOf(answer->value("reply", nlohmann::json()));
    if (!bytes || bytes->size() != kFrameSize) {
        std::lock_guard lock(errorMutex_);
        lastError_ = client_.socketPath() + ": the service sent a malformed reply";
        return 0;
    }
    std::copy(bytes->begin(), bytes->end(), reply.begin());
    return static_cast<int>(kFrameSize);
}

int ServiceExchanger::exchangeGather(const CommandFrame& frame, std::span<std::uint8_t> out,
                                     Millis firstWait, Millis quiet, std::stop_token stop) {
    CommandFrame sent = frame;
    sent[12] = frameCheck(sent);
    const auto answer = ask(
        {{"op", "gather"},
         {"address", address_.load()},
         {"frame", hexOf(sent)},
         {"firstWaitMs", firstWait.count()},
         {"quietMs", quiet.count()},
         {"max", out.size()}},
        std::chrono::duration_cast<std::chrono::milliseconds>(firstWait) + kQueueAllowance, stop);
    if (!answer) return -1;
    const auto bytes = bytesOf(answer->value("bytes", nlohmann::json("")));
    if (!bytes) return -1;
    const std::size_t count = std::min(bytes->size(), out.size());
    std::copy_n(bytes->begin(), count, out.begin());
    return static_cast<int>(count);
}

void ServiceExchanger::beginSequence(const std::string& what) {
    if (!ask({{"op", "begin"}, {"what", what}}, std::chrono::seconds(60), {}))
        throw ServiceError(lastError());
}

void ServiceExchanger::endSequence() {
    if (!ask({{"op", "end"}}, std::chrono::seconds(10), {})) throw ServiceError(lastError());
}

}  // namespace tvq::service
