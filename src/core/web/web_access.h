#pragma once
// Who may use the web front end, and from where: bearer tokens with a role each, and the Host
// and Origin headers that keep a web page elsewhere from reaching a service on this machine
// (DNS rebinding) or opening its event stream in a visitor's browser (cross-site WebSocket).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/web/http_message.h"

namespace tvq::web {

struct Token {
    std::string name;  // for the journal and the log; the secret itself is never shown
    Role role = Role::Viewer;
    std::string secret;
};

// A token file: one token a line, "NAME ROLE SECRET" separated by blanks, roles viewer,
// operator and admin; blank lines and lines starting with # are skipped. Secrets are at least
// kShortestSecret characters and each name and secret is used once. An error names the line
// (never its secret); the list is then empty.
inline constexpr std::size_t kShortestSecret = 16;
std::vector<Token> parseTokens(std::string_view text, std::string& error);

// Equal or not in a time that depends only on the lengths, not on where they first differ.
bool constantTimeEqual(std::string_view a, std::string_view b);

// True for 127.0.0.0/8, ::1 and "localhost".
bool isLoopback(std::string_view host);

struct AccessPolicy {
    std::string bindHost;  // as given to --http: "127.0.0.1", "0.0.0.0", "::", ...
    std::uint16_t port = 0;
    std::vector<Token> tokens;  // none: no token asked, everyone is admin (loopback only)
};

// Who asked and what they may do, or the refusal.
struct Admission {
    std::optional<HttpResponse> refusal;
    Role role = Role::Admin;
    std::string who;  // the token's name, or "" without tokens
};

// Checks Host (always), Origin (when sent; browsers send it with every WebSocket and every
// cross-site request) and the bearer token (when the policy has tokens).
Admission admit(const AccessPolicy& policy, const HttpRequest& request);

}  // namespace tvq::web
