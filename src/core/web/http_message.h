#pragma once
// An HTTP request and response as the web front end's rules see them: plain values, no sockets,
// so the routes, the access rules and the API document can be tested without a server.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tvq::web {

struct HttpRequest {
    std::string method;                          // "GET", "POST", ...
    std::string target;                          // path and query, as sent: "/api/v1/units?x=1"
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    std::string header(const std::string& lowerName) const {
        const auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // beyond Content-Type
};

// What a bearer token may do: each role can do what the one before it can.
enum class Role { Viewer, Operator, Admin };

// {"error": code, "message": text} with its status.
HttpResponse errorResponse(int status, std::string_view code, std::string_view message);

}  // namespace tvq::web
