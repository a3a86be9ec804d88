#pragma once
// tvq418d's web front end: HTTP under /api/v1 and the event WebSocket, served by Boost.Beast
// on a thread and io_context of its own. Requests reach the chain service as the Unix socket's
// do (ChainService::handle and watch are safe from any thread); the service's answers and
// events are posted back to the web thread, which alone touches the connections. Beast stays
// inside http_server.cpp: this header includes none of it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/service/chain_service.h"
#include "core/web/web_access.h"

namespace tvq::service {

struct HttpOptions {
    std::string host = "127.0.0.1";  // an address to bind, not a name
    std::uint16_t port = 0;          // 0: one the system picks (see HttpServer::port)
    std::vector<web::Token> tokens;  // none: loopback only, no token asked
    std::size_t connectionsPerPeer = 16;
    std::size_t eventRing = 4096;  // the service's: a WebSocket resuming from older gets a snapshot
};

class HttpServer {
public:
    // Binds and listens; throws SocketError (unix_server.h) when it cannot, or when asked for
    // a non-loopback address without tokens.
    HttpServer(HttpOptions options, ChainService& service);
    ~HttpServer();  // stops
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void start();  // the web thread begins accepting
    void stop();   // closes every connection and joins the thread
    std::uint16_t port() const;

    struct Impl;  // http_server.cpp's, shared with its connections

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace tvq::service
