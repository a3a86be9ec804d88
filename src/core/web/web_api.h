#pragma once
// The HTTP face of the chain service, under /api/v1: each route turns a request into one of the
// service's own requests (the same ops, queue, rate limits and journal as the Unix socket) and
// its answer into a status and a JSON body. Sources and buttons carry the names the front panel
// shows ("HDMI", "FREEZE"). No sockets here: the server hands requests in and writes what
// comes back.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/service/chain_service.h"
#include "core/web/http_message.h"

namespace tvq::web {

// Largest request body taken; the server refuses longer ones before reading them.
inline constexpr std::size_t kMaxBody = 65536;

struct Route {
    std::string_view method;
    std::string_view path;  // as the API document writes it: "/api/v1/units/{address}"
    Role role;              // the least role that may use it
};
// Every route, in the API document's order of paths.
const std::vector<Route>& routes();

// The API document (OpenAPI 3.1), served as it is in the tree.
std::string_view openApiDocument();

// Query parameters, percent-decoded; a name given twice keeps its last value.
std::map<std::string, std::string> parseQuery(std::string_view query);

// What one processor looks like on the front panel, with the link, the state's age and
// whether the lamps would show it as unknown.
nlohmann::json unitJson(const service::UnitView& unit, std::string_view linkState);

// An event of the service as the WebSocket sends it: a state event's "state" in the panel's
// terms (as a unit's), the rest as the socket's watch sends them.
nlohmann::json webEvent(const nlohmann::json& event);

class WebApi {
public:
    explicit WebApi(service::ChainService& service) : service_(service) {}

    // `respond` is called exactly once, possibly from another thread, possibly before serve()
    // returns. The request has passed admit(); `role` is what its token may do.
    void serve(const service::Peer& peer, Role role, const HttpRequest& request,
               std::function<void(HttpResponse)> respond);

    // For GET /api/v1/events: the watch's `since` and event types from the query, or the
    // refusal. The WebSocket itself is the server's.
    struct EventsQuery {
        std::optional<std::uint64_t> since;
        std::set<std::string> types;
    };
    static std::variant<EventsQuery, HttpResponse> eventsQuery(std::string_view target);

private:
    service::ChainService& service_;
};

// The service's answer as HTTP: ok with its fields (class, id and ok dropped), or the error
// with its status (bad-request 400, busy 429 with Retry-After, link-down 503, ...).
HttpResponse answerResponse(const nlohmann::json& answer, int okStatus = 200);

}  // namespace tvq::web
