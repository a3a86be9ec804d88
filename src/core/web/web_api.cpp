#include "core/web/web_api.h"

#include <array>
#include <charconv>
#include <limits>

#include "core/link/sources.h"
#include "core/link/status_reply.h"
#include "core/service/event_hub.h"
#include "core/service/journal_report.h"
#include "core/service/request_fields.h"
#include "core/service/request_line.h"

namespace tvq::web {
namespace {

using nlohmann::json;
using service::ChainService;

constexpr std::string_view kPrefix = "/api/v1";

// The lamps' names on the panel, in the order of the Light enumeration.
constexpr std::array<std::string_view, kLightCount> kLampNames{
    "V1",      "V2",   "V3",     "S-VIDEO", "DVI",    "HDMI",     "VGA1", "VGA2", "EXT.", "YPbPr",
    "PIP/POP", "TEXT", "BYPASS", "FREEZE",  "MOSAIC", "VGA-AUTO", "M1",   "M2",   "M3",   "M4"};

const std::vector<Route> kRoutes{
    {"GET", "/api/v1", Role::Viewer},
    {"GET", "/api/v1/units", Role::Viewer},
    {"GET", "/api/v1/units/{address}", Role::Viewer},
    {"POST", "/api/v1/units/{address}/source", Role::Operator},
    {"POST", "/api/v1/units/{address}/press", Role::Operator},
    {"GET", "/api/v1/units/{address}/settings", Role::Viewer},
    {"PUT", "/api/v1/units/{address}/settings", Role::Admin},
    {"POST", "/api/v1/wall", Role::Admin},
    {"GET", "/api/v1/jobs/{job}", Role::Viewer},
    {"GET", "/api/v1/plans", Role::Viewer},
    {"POST", "/api/v1/plans", Role::Admin},
    {"DELETE", "/api/v1/plans/{kind}/{entry}", Role::Admin},
    {"GET", "/api/v1/journal", Role::Viewer},
    {"GET", "/api/v1/events", Role::Viewer},
    {"GET", "/openapi.json", Role::Viewer},
    {"GET", "/healthz", Role::Viewer},
    {"GET", "/metrics", Role::Viewer},
};

std::vector<std::string_view> segments(std::string_view path) {
    std::vector<std::string_view> out;
    while (!path.empty()) {
        if (path.front() == '/') path.remove_prefix(1);
        const std::size_t slash = std::min(path.find('/'), path.size());
        out.push_back(path.substr(0, slash));
        path.remove_prefix(slash);
    }
    return out;
}

// The path's parameters when it fits the pattern.
std::optional<std::map<std::string, std::string>> match(std::string_view pattern,
                                                        std::string_view path) {
    const auto want = segments(pattern);
    const auto have = segments(path);
    if (want.size() != have.size()) return std::nullopt;
    std::map<std::string, std::string> params;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i].starts_with('{'))
            params[std::string(want[i].substr(1, want[i].size() - 2))] = std::string(have[i]);
        else if (want[i] != have[i])
            return std::nullopt;
    }
    return params;
}

std::string dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

HttpResponse jsonResponse(const json& body, int status = 200) {
    HttpResponse response;
    response.status = status;
    response.body = dump(body);
    return response;
}

struct Bad : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::int64_t wholeNumber(std::string_view text, std::string_view name, std::int64_t min,
                         std::int64_t max) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw Bad(std::string(name) + " must be a whole number from " + std::to_string(min) +
                  " to " + std::to_string(max));
    return value;
}

std::uint8_t addressParam(const std::map<std::string, std::string>& params) {
    return static_cast<std::uint8_t>(wholeNumber(params.at("address"), "address", 0, 255));
}

json bodyObject(const HttpRequest& request) {
    std::string error;
    auto body = service::parseJsonObject(request.body, error);
    if (!body) throw Bad(error);
    return *body;
}

// Only the named fields of a body reach the service: a body cannot choose the op.
json pick(const json& body, std::initializer_list<const char*> names) {
    json out = json::object();
    for (const char* name : names)
        if (const auto it = body.find(name); it != body.end()) out[name] = *it;
    return out;
}

bool flag(const std::map<std::string, std::string>& query, const std::string& name) {
    const auto it = query.find(name);
    if (it == query.end()) return false;
    if (it->second.empty() || it->second == "true" || it->second == "1") return true;
    if (it->second == "false" || it->second == "0") return false;
    throw Bad(name + " must be true or false");
}

json journalRequest(const std::map<std::string, std::string>& query) {
    json request{{"op", "journal"}};
    constexpr auto kMost = std::numeric_limits<std::int64_t>::max();
    if (query.contains("since"))
        request["since"] = wholeNumber(query.at("since"), "since", 0, kMost);
    if (query.contains("address"))
        request["address"] = wholeNumber(query.at("address"), "address", 0, 255);
    if (query.contains("limit"))
        request["limit"] = wholeNumber(query.at("limit"), "limit", 1, 100000);
    for (const char* name : {"from", "to"})
        if (query.contains(name)) request[name] = query.at(name);
    request["onAir"] = flag(query, "on-air");
    return request;
}

// The journal's records in the format asked for.
HttpResponse journalResponse(const json& answer, const std::string& format, bool onAir) {
    if (!answer.value("ok", false) || format == "json") return answerResponse(answer);
    HttpResponse response;
    const std::vector<json> records = answer.value("records", std::vector<json>{});
    if (format == "ndjson") {
        response.contentType = "application/x-ndjson";
        for (const json& record : records) response.body += dump(record) + "\n";
    } else {
        response.contentType = "text/csv; charset=utf-8";
        response.body = onAir ? service::onAirCsv(records) : service::journalCsv(records);
    }
    // Where to go on from, as the JSON form's "next" says.
    response.headers.emplace_back("Journal-Next", std::to_string(answer.value("next", 0)));
    return response;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

json sourceJson(unsigned code) {
    const std::string_view name = sourceName(code);
    return name.empty() ? json(nullptr) : json(name);
}

// Prometheus' text format.
HttpResponse metricsResponse(const service::ServiceMetrics& m, const std::string& link) {
    HttpResponse response;
    response.contentType = "text/plain; version=0.0.4; charset=utf-8";
    const auto add = [&](std::string_view name, std::string_view type, std::string_view help,
                         std::uint64_t value) {
        const std::string full = "tvq418d_" + std::string(name);
        response.body += "# HELP " + full + " " + std::string(help) + "\n# TYPE " + full + " " +
                         std::string(type) + "\n" + full + " " + std::to_string(value) + "\n";
    };
    add("exchanges_total", "counter", "Frames sent to the chain, polls included.", m.exchanges);
    add("exchange_failures_total", "counter", "Frames that got no whole reply.", m.failures);
    add("queue_depth", "gauge", "Jobs waiting for the chain.", m.queued);
    add("clients", "gauge", "Clients the service keeps state for.", m.clients);
    add("plan_fires_total", "counter", "Plans sent and answered.", m.planFires);
    add("link_up", "gauge", "1 while the link to the chain is open.", link == "up" ? 1 : 0);
    return response;
}

}  // namespace

const std::vector<Route>& routes() {
    return kRoutes;
}

std::map<std::string, std::string> parseQuery(std::string_view query) {
    std::map<std::string, std::string> out;
    while (!query.empty()) {
        const std::size_t amp = std::min(query.find('&'), query.size());
        const std::string_view pair = query.substr(0, amp);
        const std::size_t equals = pair.find('=');
        if (!pair.empty())
            out[percentDecoded(pair.substr(0, equals))] =
                equals == std::string_view::npos ? "" : percentDecoded(pair.substr(equals + 1));
        query.remove_prefix(std::min(amp + 1, query.size()));
    }
    return out;
}

json unitJson(const service::UnitView& unit, std::string_view linkState) {
    json out{
        {"address", unit.address}, {"served", unit.served},
        {"link", linkState},       {"ageMs", unit.age ? json(unit.age->count()) : json(nullptr)},
        {"stale", unit.stale},     {"state", nullptr}};
    if (!unit.reply) return out;
    const StatusReport r = decodeStatus(*unit.reply);
    json lamps = json::object();
    for (std::size_t i = 0; i < kLightCount; ++i)
        lamps[std::string(kLampNames[i])] = unit.panel.blinkSet[i]     ? "blink"
                                            : unit.panel.lightShown[i] ? "on"
                                                                       : "off";
    out["state"] = {{"main", sourceJson(r.mainSource)},
                    {"sub", sourceJson(r.subSource)},
                    {"functions",
                     {{"PIP/POP", r.pipActive()},
                      {"TEXT", r.textActive()},
                      {"BYPASS", r.bypass},
                      {"FREEZE", r.freeze},
                      {"MOSAIC", r.mosaic}}},
                    {"pipMode", "M" + std::to_string(r.pipMode + 1)},
                    {"transition", transitionName(r.transition)},
                    {"ext", extTypeName(r.extType)},
                    {"signal", {{"main", r.mainSignal}, {"sub", r.subSignal}}},
                    {"lamps", lamps}};
    return out;
}

json webEvent(const json& event) {
    if (event.value("type", "") != "state" || !event.contains("reply")) return event;
    json out = event;
    service::UnitView unit;
    try {
        unit.address = event.value("address", std::uint8_t{0});
        unit.reply = service::frameField(event, "reply");
    } catch (const std::exception&) {
        return event;  // not a reply the service made: passed on as it is
    }
    applyStatusReply(unit.panel, *unit.reply, unit.address, false);
    out["state"] = unitJson(unit, "up")["state"];
    return out;
}

HttpResponse answerResponse(const json& answer, int okStatus) {
    if (answer.value("ok", false)) {
        json body = answer;
        for (const char* field : {"class", "id", "ok"}) body.erase(field);
        return jsonResponse(body, okStatus);
    }
    const std::string code = answer.value("error", "internal");
    const std::string message = answer.value("message", "");
    static const std::map<std::string, int> kStatus{
        {"parse", 400},  {"bad-request", 400}, {"unknown-op", 404}, {"too-long", 413},
        {"busy", 429},   {"link-down", 503},   {"sequence", 409},   {"internal", 500},
        {"device", 502}, {"not-found", 404}};
    const auto it = kStatus.find(code);
    HttpResponse response = errorResponse(it == kStatus.end() ? 500 : it->second, code, message);
    // A full queue is the service's state, not this client's doing: 503 rather than 429.
    if (code == "busy" && message.find("queue") != std::string::npos) response.status = 503;
    if (code == "busy") response.headers.emplace_back("Retry-After", "1");
    return response;
}

std::variant<WebApi::EventsQuery, HttpResponse> WebApi::eventsQuery(std::string_view target) {
    const std::size_t question = target.find('?');
    const auto query =
        parseQuery(question == std::string_view::npos ? "" : target.substr(question + 1));
    EventsQuery events;
    try {
        if (query.contains("since"))
            events.since = static_cast<std::uint64_t>(wholeNumber(
                query.at("since"), "since", 0, std::numeric_limits<std::int64_t>::max()));
        if (const auto it = query.find("events"); it != query.end())
            for (std::string_view list = it->second; !list.empty();) {
                const std::size_t comma = std::min(list.find(','), list.size());
                const std::string type(list.substr(0, comma));
                if (!service::EventHub::knownType(type))
                    throw Bad("events may list state, link, plan, journal and job");
                events.types.insert(type);
                list.remove_prefix(std::min(comma + 1, list.size()));
            }
    } catch (const Bad& e) {
        return errorResponse(400, "bad-request", e.what());
    }
    return events;
}

void WebApi::serve(const service::Peer& peer, Role role, const HttpRequest& request,
                   std::function<void(HttpResponse)> respond) {
    const std::size_t question = request.target.find('?');
    const std::string path = request.target.substr(0, question);
    const auto query = parseQuery(question == std::string::npos
                                      ? std::string_view()
                                      : std::string_view(request.target).substr(question + 1));
    const Route* route = nullptr;
    std::map<std::string, std::string> params;
    std::string allowed;
    for (const Route& r : kRoutes)
        if (auto found = match(r.path, path)) {
            allowed += (allowed.empty() ? "" : ", ") + std::string(r.method);
            if (r.method == request.method) {
                route = &r;
                params = std::move(*found);
            }
        }
    if (!route) {
        if (allowed.empty()) return respond(errorResponse(404, "not-found", "no such resource"));
        HttpResponse response =
            errorResponse(405, "method-not-allowed", "use " + allowed + " here");
        response.headers.emplace_back("Allow", allowed);
        return respond(response);
    }
    if (role < route->role)
        return respond(errorResponse(403, "forbidden", "this token may not do that"));
    // A page elsewhere can make a browser post a form or text/plain without asking first;
    // JSON it cannot send unasked.
    if ((request.method == "POST" || request.method == "PUT") &&
        request.header("content-type").substr(0, request.header("content-type").find(';')) !=
            "application/json")
        return respond(
            errorResponse(415, "unsupported-media-type", "send the body as application/json"));

    // The service's answer, as HTTP, wherever it comes from.
    const auto ask = [&](json serviceRequest, int okStatus = 200) {
        serviceRequest["id"] = nullptr;
        service_.handle(peer, serviceRequest, [respond, okStatus](json answer) {
            respond(answerResponse(answer, okStatus));
        });
    };
    const std::string_view p = route->path;
    try {
        if (p == "/api/v1") {
            json about = service_.greeting();
            about.erase("class");
            about["api"] = 1;
            // What this token may do, so that a page can grey what it may not.
            about["role"] = role == Role::Admin      ? "admin"
                            : role == Role::Operator ? "operator"
                                                     : "viewer";
            return respond(jsonResponse(about));
        }
        if (p == "/api/v1/units") {
            json units = json::array();
            const std::string link = service_.linkState();
            for (const service::UnitView& unit : service_.units())
                units.push_back(unitJson(unit, link));
            return respond(jsonResponse({{"units", units}}));
        }
        if (p == "/api/v1/units/{address}") {
            const std::uint8_t address = addressParam(params);
            const auto unit = service_.unit(address);
            if (!unit)
                return respond(errorResponse(
                    404, "not-found",
                    "address " + std::to_string(address) + " is not served and has not answered"));
            return respond(jsonResponse(unitJson(*unit, service_.linkState())));
        }
        if (p == "/api/v1/units/{address}/source") {
            json fields = pick(bodyObject(request), {"source"});
            fields["op"] = "source";
            fields["address"] = addressParam(params);
            return ask(fields);
        }
        if (p == "/api/v1/units/{address}/press") {
            const json body = bodyObject(request);
            json fields{{"op", "press"}, {"address", addressParam(params)}};
            if (const auto it = body.find("button"); it != body.end())
                fields["key"] = *it;
            else
                throw Bad("\"button\" is missing");
            return ask(fields);
        }
        if (p == "/api/v1/units/{address}/settings" && request.method == "GET")
            return ask({{"op", "settings"}, {"address", addressParam(params)}});
        if (p == "/api/v1/units/{address}/settings")
            return ask({{"op", "set"},
                        {"address", addressParam(params)},
                        {"settings", bodyObject(request)}});
        if (p == "/api/v1/wall") {
            json fields = pick(bodyObject(request), {"rows", "columns", "widths", "heights",
                                                     "bezelH", "bezelV", "addresses", "sync"});
            fields["op"] = "wall";
            fields["id"] = nullptr;
            // Accepted, not done: the job's own page says how it goes.
            service_.handle(peer, fields, [respond](json answer) {
                HttpResponse response = answerResponse(answer, 202);
                if (answer.value("ok", false))
                    response.headers.emplace_back("Location",
                                                  "/api/v1/jobs/" + answer["job"].dump());
                respond(std::move(response));
            });
            return;
        }
        if (p == "/api/v1/jobs/{job}")
            return ask({{"op", "job"},
                        {"job", wholeNumber(params.at("job"), "job", 1,
                                            std::numeric_limits<std::int64_t>::max())}});
        if (p == "/api/v1/plans" && request.method == "GET") return ask({{"op", "plans.list"}});
        if (p == "/api/v1/plans") {
            json fields =
                pick(bodyObject(request), {"kind", "time", "source", "weekday", "day", "date"});
            fields["op"] = "plans.add";
            return ask(fields, 201);
        }
        if (p == "/api/v1/plans/{kind}/{entry}")
            return ask({{"op", "plans.delete"},
                        {"kind", params.at("kind")},
                        {"entry", wholeNumber(params.at("entry"), "entry", 0, 1000000)}});
        if (p == "/api/v1/journal") {
            const std::string format = query.contains("format") ? query.at("format") : "json";
            if (format != "json" && format != "ndjson" && format != "csv")
                throw Bad("format must be json, ndjson or csv");
            json fields = journalRequest(query);
            fields["id"] = nullptr;
            const bool onAir = fields["onAir"];
            service_.handle(peer, fields, [respond, format, onAir](json answer) {
                respond(journalResponse(answer, format, onAir));
            });
            return;
        }
        if (p == "/api/v1/events") {
            HttpResponse response =
                errorResponse(426, "upgrade-required", "events come over a WebSocket");
            response.headers.emplace_back("Upgrade", "websocket");
            return respond(response);
        }
        if (p == "/openapi.json") {
            HttpResponse response;
            response.body = std::string(openApiDocument());
            return respond(response);
        }
        if (p == "/metrics")
            return respond(metricsResponse(service_.metrics(), service_.linkState()));
        if (p == "/healthz")
            return respond(jsonResponse({{"status", "ok"}, {"link", service_.linkState()}}));
        respond(errorResponse(500, "internal", "route without a handler"));
    } catch (const Bad& e) {
        respond(errorResponse(400, "bad-request", e.what()));
    }
}

}  // namespace tvq::web
