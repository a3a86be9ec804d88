// Request lines as a client may send them: what is taken, and how each refusal is worded.

#include <string>

#include <gtest/gtest.h>

#include "core/service/request_line.h"

namespace tvq::service {
namespace {

using nlohmann::json;

struct LineCase {
    std::string line;
    std::string error;  // empty: taken
    json id;            // the id taken or echoed
};

TEST(RequestLine, TakesRequestsAndRefusesEverythingElse) {
    const std::string deep = std::string(65, '[') + std::string(65, ']');
    const LineCase cases[] = {
        {R"({"id":1,"op":"status","address":1})", "", 1},
        {R"({"id":"a7","op":"watch"})", "", "a7"},
        {R"({"op":"unwatch"})", "", nullptr},  // no id: answered with id null
        {" {\"id\":2.5,\"op\":\"end\"}\r", "", 2.5},
        {"", "parse", nullptr},
        {"{\"id\":1,", "parse", nullptr},
        {"[1,2]", "parse", nullptr},
        {"\"status\"", "parse", nullptr},
        {R"({"id":1,"op":"a"} {"id":2,"op":"b"})", "parse", nullptr},
        {"{\"id\":1,\"op\":\"\xff\"}", "parse", nullptr},  // not UTF-8
        {"{\"id\":1,\"x\":" + deep + ",\"op\":\"end\"}", "parse", nullptr},
        {R"({"id":3})", "bad-request", 3},
        {R"({"id":"q","op":7})", "bad-request", "q"},
        {R"({"id":4,"op":""})", "bad-request", 4},
        {R"({"id":{"n":1},"op":"end"})", "bad-request", nullptr},
        {R"({"id":true,"op":"end"})", "bad-request", nullptr},
        {std::string(kMaxRequestLine + 1, ' '), "too-long", nullptr},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 80));
        const ParsedLine parsed = parseRequestLine(c.line);
        if (c.error.empty()) {
            ASSERT_TRUE(parsed.ok()) << parsed.error;
            EXPECT_EQ(parsed.request["id"], c.id);
            continue;
        }
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error["class"], "answer");
        EXPECT_EQ(parsed.error["ok"], false);
        EXPECT_EQ(parsed.error["error"], c.error);
        EXPECT_EQ(parsed.error["id"], c.id);
        EXPECT_FALSE(parsed.error["message"].get<std::string>().empty());
    }
    // The longest line taken is exactly the cap.
    std::string longest = R"({"id":1,"op":"end","pad":")";
    longest += std::string(kMaxRequestLine - longest.size() - 2, 'x') + "\"}";
    EXPECT_TRUE(parseRequestLine(longest).ok());
}

TEST(RequestLine, WireLinesStayOneLineWhateverTheyCarry) {
    const json odd = {{"text", "two\nlines \xff"}};
    const std::string wire = wireLine(odd);
    EXPECT_EQ(wire.find('\n'), wire.size() - 1);
    EXPECT_TRUE(json::parse(wire).is_object());
}

}  // namespace
}  // namespace tvq::service
