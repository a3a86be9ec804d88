// Who may reach the web front end: token files, bearer tokens with roles, and the Host and
// Origin checks against DNS rebinding and cross-site WebSockets.

#include "core/web/web_access.h"

#include <gtest/gtest.h>

#include "core/web/web_panel.h"

namespace tvq::web {
namespace {

TEST(WebTokens, FileLinesAndTheirRefusals) {
    std::string error;
    const auto tokens = parseTokens(
        "# desk and wall\n\ndesk viewer 0123456789abcdef\n  wall admin fedcba9876543210XYZ\n",
        error);
    ASSERT_EQ(tokens.size(), 2u) << error;
    EXPECT_EQ(tokens[1].name, "wall");
    EXPECT_EQ(tokens[1].role, Role::Admin);
    EXPECT_EQ(tokens[1].secret, "fedcba9876543210XYZ");

    const struct {
        std::string text, error;
    } bad[] = {
        {"desk viewer\n", "line 1: give NAME ROLE SECRET"},
        {"desk root 0123456789abcdef\n", "line 1: the role must be viewer, operator or admin"},
        {"desk viewer short\n", "line 1: the secret is shorter than 16 characters"},
        {"a viewer 0123456789abcdef\nb admin 0123456789abcdef\n",
         "line 2: the secret is used twice"},
        {"# nothing\n", "no token in the file"},
    };
    for (const auto& b : bad) {
        std::string why;
        EXPECT_TRUE(parseTokens(b.text, why).empty()) << b.text;
        EXPECT_EQ(why, b.error);
        EXPECT_EQ(why.find("0123456789abcdef"), std::string::npos) << "a secret in a message";
    }
}

TEST(WebAccess, HostOriginAndTokens) {
    std::string error;
    const auto tokens =
        parseTokens("desk viewer 0123456789abcdef\nops operator 0123456789abcdeg\n", error);
    const AccessPolicy loopback{"127.0.0.1", 8418, {}};
    const AccessPolicy open{"0.0.0.0", 8418, tokens};
    const AccessPolicy lan{"192.168.1.5", 8418, tokens};
    struct Case {
        const AccessPolicy* policy;
        std::map<std::string, std::string> headers;
        int status;  // 0: admitted
        Role role = Role::Admin;
        std::string subprotocol;
    } const cases[] = {
        {&loopback, {{"host", "127.0.0.1:8418"}}, 0},
        {&loopback, {{"host", "localhost"}}, 0},
        {&loopback, {{"host", "[::1]:8418"}}, 0},
        {&loopback, {}, 400},
        {&loopback, {{"host", "localhost:9999"}}, 403},
        // A name pointed at 127.0.0.1 by its owner (DNS rebinding), however it is dressed up.
        {&loopback, {{"host", "evil.example:8418"}}, 403},
        {&loopback, {{"host", "127.0.0.1.evil.example"}}, 403},
        {&loopback, {{"host", "127.evil.example"}}, 403},
        // A browser on another site's page: Origin is not this server.
        {&loopback, {{"host", "127.0.0.1:8418"}, {"origin", "http://evil.example"}}, 403},
        {&loopback, {{"host", "127.0.0.1:8418"}, {"origin", "null"}}, 403},
        {&loopback, {{"host", "127.0.0.1:8418"}, {"origin", "http://127.0.0.1:8418"}}, 0},
        {&open, {{"host", "hall-pc:8418"}}, 401},
        {&open, {{"host", "hall-pc:8418"}, {"authorization", "Bearer 0123456789abcdeX"}}, 401},
        {&open, {{"host", "hall-pc:8418"}, {"authorization", "Basic 0123456789abcdef"}}, 401},
        {&open,
         {{"host", "hall-pc"}, {"authorization", "Bearer 0123456789abcdef"}},
         0,
         Role::Viewer},
        {&open,
         {{"host", "hall-pc"}, {"authorization", "Bearer 0123456789abcdeg"}},
         0,
         Role::Operator},
        {&lan,
         {{"host", "192.168.1.5:8418"}, {"authorization", "Bearer 0123456789abcdef"}},
         0,
         Role::Viewer},
        {&lan, {{"host", "other:8418"}, {"authorization", "Bearer 0123456789abcdef"}}, 403},
        // A browser's WebSocket carries the token as a subprotocol; the real one is echoed.
        {&open,
         {{"host", "hall-pc"},
          {"upgrade", "websocket"},
          {"sec-websocket-protocol", "bearer.0123456789abcdeg, tvq418.v1"}},
         0,
         Role::Operator,
         "tvq418.v1"},
        {&open,
         {{"host", "hall-pc"},
          {"upgrade", "websocket"},
          {"sec-websocket-protocol", "tvq418.v1, bearer.0123456789abcdeX"}},
         401},
    };
    for (const Case& c : cases) {
        const HttpRequest request{"GET", "/api/v1", c.headers, ""};
        const Admission a = admit(*c.policy, request);
        const std::string where = c.headers.contains("host") ? c.headers.at("host") : "(no host)";
        EXPECT_EQ(a.refusal ? a.refusal->status : 0, c.status) << where;
        if (!a.refusal) {
            EXPECT_EQ(a.role, c.role) << where;
            EXPECT_EQ(a.subprotocol, c.subprotocol) << where;
        }
    }
}

// The panel's files hold no secret: no token is asked for them, but the Host and Origin checks
// are the API's, and the page may run nothing but its own files.
TEST(WebPanel, ServedWithoutTokenToThisServersNamesOnly) {
    std::string error;
    const AccessPolicy open{"0.0.0.0", 8418, parseTokens("desk viewer 0123456789abcdef\n", error)};
    const struct {
        std::string method, target, host;
        int status;
        std::string type;
    } cases[] = {
        {"GET", "/", "hall-pc:8418", 200, "text/html; charset=utf-8"},
        {"GET", "/panel.js?v=2", "hall-pc:8418", 200, "text/javascript; charset=utf-8"},
        {"GET", "/panel.css", "hall-pc:9999", 403, "application/json"},
        {"POST", "/", "hall-pc:8418", 405, "application/json"},
    };
    for (const auto& c : cases) {
        const auto response = panelResponse(open, {c.method, c.target, {{"host", c.host}}, ""});
        ASSERT_TRUE(response) << c.target;
        EXPECT_EQ(response->status, c.status) << c.method << " " << c.target << " " << c.host;
        EXPECT_EQ(response->contentType, c.type) << c.target;
        if (c.status != 200) continue;
        EXPECT_FALSE(response->body.empty());
        const auto csp = std::ranges::find(response->headers, "Content-Security-Policy",
                                           &std::pair<std::string, std::string>::first);
        ASSERT_NE(csp, response->headers.end());
        EXPECT_TRUE(csp->second.starts_with("default-src 'none'; script-src 'self';"))
            << csp->second;
    }
    EXPECT_FALSE(panelResponse(open, {"GET", "/api/v1", {{"host", "hall-pc"}}, ""}));
}

TEST(WebAccess, ConstantTimeEqualIsEquality) {
    EXPECT_TRUE(constantTimeEqual("0123456789abcdef", "0123456789abcdef"));
    EXPECT_FALSE(constantTimeEqual("0123456789abcdef", "0123456789abcdeg"));
    EXPECT_FALSE(constantTimeEqual("0123456789abcdef", "0123456789abcdef0"));
    EXPECT_FALSE(constantTimeEqual("", "a"));
    EXPECT_FALSE(constantTimeEqual(std::string("a\0", 2), "a"));
}

}  // namespace
}  // namespace tvq::web
