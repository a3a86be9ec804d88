#include "service/http_server.h"

#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <thread>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "core/service/request_line.h"
#include "core/web/web_api.h"
#include "core/web/web_panel.h"
#include "service/unix_server.h"

namespace tvq::service {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using nlohmann::json;

namespace {

constexpr std::uint32_t kMaxHeader = 8192;
constexpr std::chrono::seconds kIdle{30};  // a connection that sends nothing for this long goes
constexpr std::chrono::seconds kWatcherSilence{20};
// A WebSocket reader whose unsent events pass this is dropped, as a slow socket watcher is.
constexpr std::size_t kMaxUnsentEvents = kMaxUnsentOutput;
// Peer ids of the web side: apart from the Unix socket's, which count up from 1.
constexpr std::uint64_t kWebPeerBase = std::uint64_t{1} << 62;

web::HttpRequest plainRequest(const http::request<http::string_body>& in) {
    web::HttpRequest out;
    out.method = std::string(in.method_string());
    out.target = std::string(in.target());
    for (const auto& field : in) {
        std::string name(field.name_string());
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        out.headers[name] = std::string(field.value());
    }
    out.body = in.body();
    return out;
}

http::response<http::string_body> beastResponse(const web::HttpResponse& in, unsigned version,
                                                bool keepAlive) {
    http::response<http::string_body> out{static_cast<http::status>(in.status), version};
    out.set(http::field::server, "tvq418d");
    out.set(http::field::content_type, in.contentType);
    out.set(http::field::cache_control, "no-store");
    for (const auto& [name, value] : in.headers) out.set(name, value);
    out.keep_alive(keepAlive);
    out.body() = in.body;
    out.prepare_payload();
    return out;
}

// A connection the server closes when it stops.
struct Closable {
    virtual ~Closable() = default;
    virtual void close() = 0;
};

}  // namespace

struct HttpServer::Impl {
    Impl(HttpOptions options_, ChainService& service_)
        : options(std::move(options_)),
          service(service_),
          api(service_),
          policy{options.host, options.port, options.tokens},
          acceptor(*io) {}

    // The peer a request is put down to: its token, or without tokens its address. The
    // service's rate limit and the journal go by it.
    Peer peerFor(const std::string& who, const std::string& address) {
        const std::string key = who.empty() ? "http:" + address : "token:" + who;
        auto [it, added] = peers.try_emplace(key, kWebPeerBase + peers.size());
        return Peer{it->second, key, 0, -1};
    }

    void accept();

    HttpOptions options;
    ChainService& service;
    web::WebApi api;
    web::AccessPolicy policy;
    // Shared with every callback given to the service, which may answer after we are gone.
    std::shared_ptr<net::io_context> io = std::make_shared<net::io_context>(1);
    tcp::acceptor acceptor;
    std::thread thread;
    std::map<std::string, std::uint64_t> peers;     // web thread only
    std::map<std::string, std::size_t> perAddress;  // open connections by remote address
    std::uint64_t nextSocketPeer = 1;               // WebSocket watchers, one peer each
    std::set<std::shared_ptr<Closable>> live;       // connections to close at stop
};

namespace {

class EventSocket final : public Closable, public std::enable_shared_from_this<EventSocket> {
public:
    EventSocket(HttpServer::Impl& server, tcp::socket socket, Peer peer, std::string address)
        : server_(server),
          ws_(std::move(socket)),
          peer_(std::move(peer)),
          address_(std::move(address)) {}

    void start(http::request<http::string_body> request, web::WebApi::EventsQuery query,
               std::string subprotocol) {
        // Pinged when quiet; one that answers nothing for kWatcherSilence (it stopped reading,
        // or is gone without a word) is dropped.
        auto timeout = websocket::stream_base::timeout::suggested(beast::role_type::server);
        timeout.idle_timeout = kWatcherSilence;
        timeout.keep_alive_pings = true;
        ws_.set_option(timeout);
        ws_.read_message_max(4096);  // a watcher has nothing to say
        ws_.set_option(websocket::stream_base::decorator(
            [subprotocol = std::move(subprotocol)](websocket::response_type& response) {
                response.set(http::field::server, "tvq418d");
                if (!subprotocol.empty())
                    response.set(http::field::sec_websocket_protocol, subprotocol);
            }));
        ws_.async_accept(request, [self = shared_from_this(), query](beast::error_code error) {
            if (error) return self->close();
            self->watch(query);
            self->read();
        });
    }

    void close() override {
        if (closed_) return;
        closed_ = true;
        server_.service.peerGone(peer_);
        beast::error_code ignored;
        beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ignored);
        beast::get_lowest_layer(ws_).close();
        server_.live.erase(shared_from_this());
        if (--server_.perAddress[address_] == 0) server_.perAddress.erase(address_);
    }

private:
    // A client resuming from further back than the service keeps, or not resuming at all,
    // first gets every unit's state as it is now.
    void watch(const web::WebApi::EventsQuery& query) {
        const std::uint64_t last = server_.service.lastEventSeq();
        std::optional<std::uint64_t> since = query.since;
        if (!since || *since + server_.options.eventRing < last) {
            json units = json::array();
            const std::string link = server_.service.linkState();
            for (const UnitView& unit : server_.service.units())
                units.push_back(web::unitJson(unit, link));
            send(json{{"class", "snapshot"}, {"seq", last}, {"units", units}}.dump());
            since = last;
        }
        // Under the service's event lock: only a copy is made there; the rest on our thread.
        server_.service.watch(peer_, since, query.types,
                              [weak = weak_from_this(), io = server_.io](const json& event) {
                                  net::post(*io, [weak, event] {
                                      if (const auto self = weak.lock())
                                          self->send(wireLine(web::webEvent(event)));
                                  });
                              });
    }

    void read() {
        ws_.async_read(incoming_,
                       [self = shared_from_this()](beast::error_code error, std::size_t) {
                           if (error) return self->close();
                           self->incoming_.clear();
                           self->read();
                       });
    }

    void send(std::string text) {
        if (closed_) return;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        unsent_ += text.size();
        if (unsent_ > kMaxUnsentEvents) {
            std::fprintf(stderr, "tvq418d: web watcher %s dropped: over %zu bytes unread\n",
                         address_.c_str(), kMaxUnsentEvents);
            return close();
        }
        output_.push_back(std::move(text));
        if (output_.size() == 1) write();
    }

    void write() {
        ws_.text(true);
        ws_.async_write(net::buffer(output_.front()),
                        [self = shared_from_this()](beast::error_code error, std::size_t) {
                            if (self->closed_) return;
                            if (error) return self->close();
                            self->unsent_ -= self->output_.front().size();
                            self->output_.pop_front();
                            if (!self->output_.empty()) self->write();
                        });
    }

    HttpServer::Impl& server_;
    websocket::stream<beast::tcp_stream> ws_;
    const Peer peer_;
    const std::string address_;
    beast::flat_buffer incoming_;
    std::deque<std::string> output_;
    std::size_t unsent_ = 0;
    bool closed_ = false;
};

class HttpSession final : public Closable, public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(HttpServer::Impl& server, tcp::socket socket, std::string address)
        : server_(server), stream_(std::move(socket)), address_(std::move(address)) {}

    void read() {
        parser_.emplace();
        parser_->header_limit(kMaxHeader);
        parser_->body_limit(web::kMaxBody);
        stream_.expires_after(kIdle);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code error, std::size_t) {
                             self->onRead(error);
                         });
    }

    void close() override {
        if (closed_) return;
        closed_ = true;
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
        server_.live.erase(shared_from_this());
        if (!upgraded_ && --server_.perAddress[address_] == 0) server_.perAddress.erase(address_);
    }

private:
    void onRead(beast::error_code error) {
        if (closed_) return;
        if (error == http::error::header_limit || error == http::error::body_limit) {
            const bool header = error == http::error::header_limit;
            return reply(header ? web::errorResponse(431, "too-large", "the headers are too long")
                                : web::errorResponse(413, "too-large",
                                                     "the body is longer than " +
                                                         std::to_string(web::kMaxBody) + " bytes"),
                         11, false);
        }
        if (error) return close();
        http::request<http::string_body> request = parser_->release();
        const web::HttpRequest plain = plainRequest(request);
        if (auto page = web::panelResponse(server_.policy, plain))
            return reply(*page, request.version(), request.keep_alive());
        const web::Admission admission = web::admit(server_.policy, plain);
        if (admission.refusal) return reply(*admission.refusal, request.version(), false);

        const std::string path = plain.target.substr(0, plain.target.find('?'));
        if (path == "/api/v1/events" && websocket::is_upgrade(request)) {
            auto query = web::WebApi::eventsQuery(plain.target);
            if (auto* refusal = std::get_if<web::HttpResponse>(&query))
                return reply(*refusal, request.version(), false);
            // The connection becomes the watcher's; its count goes with it.
            upgraded_ = true;
            const Peer peer{kWebPeerBase / 2 + server_.nextSocketPeer++,
                            admission.who.empty() ? "http:" + address_ : "token:" + admission.who,
                            0, -1};
            auto socket =
                std::make_shared<EventSocket>(server_, stream_.release_socket(), peer, address_);
            server_.live.insert(socket);
            socket->start(std::move(request), std::get<web::WebApi::EventsQuery>(query),
                          admission.subprotocol);
            closed_ = true;
            server_.live.erase(shared_from_this());
            return;
        }
        const unsigned version = request.version();
        const bool keepAlive = request.keep_alive();
        stream_.expires_never();  // the service may take a while; the answer always comes
        server_.api.serve(server_.peerFor(admission.who, address_), admission.role, plain,
                          [weak = weak_from_this(), io = server_.io, version,
                           keepAlive](web::HttpResponse response) {
                              net::post(*io,
                                        [weak, response = std::move(response), version, keepAlive] {
                                            if (const auto self = weak.lock())
                                                self->reply(response, version, keepAlive);
                                        });
                          });
    }

    void reply(const web::HttpResponse& response, unsigned version, bool keepAlive) {
        if (closed_) return;
        auto out = std::make_shared<http::response<http::string_body>>(
            beastResponse(response, version, keepAlive));
        stream_.expires_after(kIdle);
        http::async_write(stream_, *out,
                          [self = shared_from_this(), out](beast::error_code error, std::size_t) {
                              if (self->closed_) return;
                              if (error || !out->keep_alive()) return self->close();
                              self->read();
                          });
    }

    HttpServer::Impl& server_;
    beast::tcp_stream stream_;
    const std::string address_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    bool closed_ = false;
    bool upgraded_ = false;
};

}  // namespace

void HttpServer::Impl::accept() {
    acceptor.async_accept([this](beast::error_code error, tcp::socket socket) {
        if (!acceptor.is_open()) return;
        if (!error) {
            beast::error_code ignored;
            const std::string address = socket.remote_endpoint(ignored).address().to_string();
            std::size_t& open = perAddress[address];
            if (open >= options.connectionsPerPeer) {
                // Over its share: closed at once, before a byte is read.
                socket.close(ignored);
            } else {
                ++open;
                auto session = std::make_shared<HttpSession>(*this, std::move(socket), address);
                live.insert(session);
                session->read();
            }
        }
        accept();
    });
}

HttpServer::HttpServer(HttpOptions options, ChainService& service)
    : impl_(std::make_unique<Impl>(std::move(options), service)) {
    Impl& impl = *impl_;
    if (impl.options.tokens.empty() && !web::isLoopback(impl.options.host))
        throw SocketError("--http " + impl.options.host +
                          " is reachable from other machines: give --tokens FILE");
    beast::error_code error;
    const auto address = net::ip::make_address(impl.options.host, error);
    if (error) throw SocketError("--http: " + impl.options.host + " is not an IP address");
    const tcp::endpoint endpoint(address, impl.options.port);
    impl.acceptor.open(endpoint.protocol(), error);
    if (!error) impl.acceptor.set_option(net::socket_base::reuse_address(true), error);
    if (!error) impl.acceptor.bind(endpoint, error);
    if (!error) impl.acceptor.listen(net::socket_base::max_listen_connections, error);
    if (error)
        throw SocketError("cannot listen on " + impl.options.host + ":" +
                          std::to_string(impl.options.port) + ": " + error.message());
    impl.policy.port = port();
}

HttpServer::~HttpServer() {
    stop();
}

std::uint16_t HttpServer::port() const {
    beast::error_code ignored;
    return impl_->acceptor.local_endpoint(ignored).port();
}

void HttpServer::start() {
    Impl& impl = *impl_;
    impl.accept();
    impl.thread = std::thread([&impl] { impl.io->run(); });
}

void HttpServer::stop() {
    Impl& impl = *impl_;
    if (!impl.thread.joinable()) return;
    net::post(*impl.io, [&impl] {
        beast::error_code ignored;
        impl.acceptor.close(ignored);
        const auto live = impl.live;  // each close takes itself out
        for (const auto& connection : live) connection->close();
        impl.io->stop();
    });
    impl.thread.join();
}

}  // namespace tvq::service
