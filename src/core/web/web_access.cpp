#include "core/web/web_access.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

namespace tvq::web {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<Role> roleNamed(std::string_view name) {
    if (name == "viewer") return Role::Viewer;
    if (name == "operator") return Role::Operator;
    if (name == "admin") return Role::Admin;
    return std::nullopt;
}

// "host", "host:port", "[v6]" or "[v6]:port" into the host (brackets dropped) and the port.
struct Authority {
    std::string host;
    std::optional<std::string> port;
};
std::optional<Authority> splitAuthority(std::string_view text) {
    Authority a;
    if (text.empty()) return std::nullopt;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        a.host = lower(text.substr(1, close - 1));
        text.remove_prefix(close + 1);
        if (text.empty()) return a;
        if (text.front() != ':') return std::nullopt;
        a.port = std::string(text.substr(1));
        return a;
    }
    const auto colon = text.find(':');
    a.host = lower(text.substr(0, colon));
    if (colon != std::string_view::npos) a.port = std::string(text.substr(colon + 1));
    if (a.host.empty()) return std::nullopt;
    return a;
}

bool isWildcard(std::string_view host) {
    return host == "0.0.0.0" || host == "::" || host == "[::]";
}

HttpResponse forbidden(std::string_view message) {
    return errorResponse(403, "forbidden", message);
}

}  // namespace

HttpResponse errorResponse(int status, std::string_view code, std::string_view message) {
    HttpResponse response;
    response.status = status;
    response.body = nlohmann::json{{"error", code}, {"message", message}}.dump(
        -1, ' ', false, nlohmann::json::error_handler_t::replace);
    return response;
}

std::vector<Token> parseTokens(std::string_view text, std::string& error) {
    std::vector<Token> tokens;
    std::set<std::string> names, secrets;
    std::istringstream in{std::string(text)};
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        std::istringstream fields(line);
        std::string name, role, secret, extra;
        fields >> name;
        if (name.empty() || name.front() == '#') continue;
        fields >> role >> secret >> extra;
        const std::string where = "line " + std::to_string(number) + ": ";
        const auto known = roleNamed(role);
        if (secret.empty() || !extra.empty())
            error = where + "give NAME ROLE SECRET";
        else if (!known)
            error = where + "the role must be viewer, operator or admin";
        else if (secret.size() < kShortestSecret)
            error = where + "the secret is shorter than " + std::to_string(kShortestSecret) +
                    " characters";
        else if (!names.insert(name).second)
            error = where + "the name " + name + " is used twice";
        else if (!secrets.insert(secret).second)
            error = where + "the secret is used twice";
        if (!error.empty()) return {};
        tokens.push_back({name, *known, secret});
    }
    if (tokens.empty()) error = "no token in the file";
    return tokens;
}

bool constantTimeEqual(std::string_view a, std::string_view b) {
    unsigned char differ = a.size() == b.size() ? 0 : 1;
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        differ |= static_cast<unsigned char>(x ^ y);
    }
    return differ == 0;
}

bool isLoopback(std::string_view host) {
    const std::string h = lower(host);
    // 127.x.y.z in numbers only: "127.example.com" is a name anyone can point anywhere.
    const bool numeric = std::ranges::all_of(
        h, [](char c) { return c == '.' || std::isdigit(static_cast<unsigned char>(c)); });
    return h == "localhost" || h == "::1" || h == "[::1]" ||
           (h.starts_with("127.") && numeric && std::ranges::count(h, '.') == 3);
}

Admission admit(const AccessPolicy& policy, const HttpRequest& request) {
    Admission admission;
    const std::string hostHeader = request.header("host");
    const auto host = splitAuthority(hostHeader);
    if (!host) {
        admission.refusal = errorResponse(400, "bad-request", "no usable Host header");
        return admission;
    }
    // Without tokens nothing but the name of this machine's loopback will do: a page whose
    // name was pointed at 127.0.0.1 (DNS rebinding) sends its own name.
    const bool anyName = !policy.tokens.empty() && isWildcard(policy.bindHost);
    const bool named =
        isLoopback(host->host) || (!policy.tokens.empty() && host->host == lower(policy.bindHost));
    const bool portOk = !host->port || *host->port == std::to_string(policy.port);
    if (!portOk || !(anyName || named)) {
        admission.refusal = forbidden("the Host header names another server");
        return admission;
    }
    // A browser tells where the page that asks came from: it must be this server.
    if (const auto it = request.headers.find("origin"); it != request.headers.end()) {
        const std::string origin = lower(it->second);
        const std::string scheme = "http://";
        if (!origin.starts_with(scheme) || origin.substr(scheme.size()) != lower(hostHeader)) {
            admission.refusal = forbidden("requests from another site's pages are refused");
            return admission;
        }
    }
    if (policy.tokens.empty()) return admission;

    const std::string authorization = request.header("authorization");
    const std::string bearer = "Bearer ";
    const Token* found = nullptr;
    if (authorization.size() > bearer.size() && authorization.starts_with(bearer)) {
        const std::string_view given = std::string_view(authorization).substr(bearer.size());
        // Every token is compared, so the time taken does not tell which one came close.
        for (const Token& token : policy.tokens)
            if (constantTimeEqual(given, token.secret) && !found) found = &token;
    }
    if (!found) {
        HttpResponse refusal = errorResponse(401, "unauthorized", "give a valid bearer token");
        refusal.headers.emplace_back("WWW-Authenticate", "Bearer");
        admission.refusal = std::move(refusal);
        return admission;
    }
    admission.role = found->role;
    admission.who = found->name;
    return admission;
}

}  // namespace tvq::web
