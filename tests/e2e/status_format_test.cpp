#include "cli/status_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "cli/json_object.h"

namespace tvq::cli {
namespace {

// The line of statusText that starts with key, padding squeezed out.
std::string field(const std::string& text, const std::string& key) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        if (line.starts_with(key + " ")) {
            const std::size_t value = line.find_first_not_of(' ', key.size());
            return line.substr(value);
        }
        start = end + 1;
    }
    return "<missing " + key + ">";
}

TEST(StatusFormat, WholeReport) {
    // The reply bytes as the device sends them: PIP steady, Fade 0.5 s, BYPASS, HDMI over V1.
    const CommandFrame reply = {5, 1, 0x17, 0, 3, 1, 0x02, 0x08, 1, 0, 2, 1, 0};
    EXPECT_EQ(statusText(decodeStatus(reply)),
              "device      1\n"
              "main        HDMI, signal\n"
              "second      V1, no signal\n"
              "picture     PIP/POP, steady\n"
              "transition  Fade=0.5S\n"
              "FREEZE      off\n"
              "BYPASS      on\n"
              "MOSAIC      off\n"
              "PIP mode    M3\n"
              "EXT. type   SDI\n");
}

TEST(StatusFormat, FieldValues) {
    struct Case {
        // reply bytes 4..11: picture mode, transition, flags, sources (second << 4 | main),
        // main signal, second signal, PIP mode, EXT. type
        std::array<std::uint8_t, 8> bytes;
        std::string key;
        std::string value;
    };
    const std::vector<Case> cases = {
        {{3, 0, 0, 0, 0, 0, 0, 0}, "picture", "PIP/POP, steady"},
        {{1, 0, 0, 0, 0, 0, 0, 0}, "picture", "PIP/POP, blinking"},
        {{5, 0, 0, 0, 0, 0, 0, 0}, "picture", "TEXT, steady"},
        {{4, 0, 0, 0, 0, 0, 0, 0}, "picture", "TEXT, blinking"},
        {{0, 0, 0, 0, 0, 0, 0, 0}, "picture", "none"},
        {{2, 0, 0, 0, 0, 0, 0, 0}, "picture", "none"},
        {{6, 0, 0, 0, 0, 0, 0, 0}, "picture", "none"},
        {{0, 0, 0, 0x53, 0, 0, 0, 0}, "main", "none (code 3), no signal"},
        {{0, 0, 0, 0x53, 0, 0, 0, 0}, "second", "VGA1, no signal"},
        {{0, 0, 0, 0x0F, 0, 0, 0, 0}, "main", "none (code 15), no signal"},
        {{0, 0, 0, 0x09, 7, 0, 0, 0}, "main", "EXT., signal"},
        {{0, 0, 0, 0xA0, 0, 1, 0, 0}, "second", "YPbPr, signal"},
        {{0, 0, 0, 0, 0, 0, 0, 0}, "transition", "Cut"},
        {{0, 3, 0, 0, 0, 0, 0, 0}, "transition", "Fade=1.5S"},
        {{0, 4, 0, 0, 0, 0, 0, 0}, "transition", "unknown (4)"},
        {{0, 0, 0x01, 0, 0, 0, 0, 0}, "FREEZE", "on"},
        {{0, 0, 0x01, 0, 0, 0, 0, 0}, "BYPASS", "off"},
        {{0, 0, 0x04, 0, 0, 0, 0, 0}, "MOSAIC", "on"},
        {{0, 0, 0xF8, 0, 0, 0, 0, 0}, "FREEZE", "off"},  // unused bits mean nothing
        {{0, 0, 0, 0, 0, 0, 0, 0}, "PIP mode", "M1"},
        {{0, 0, 0, 0, 0, 0, 3, 0}, "PIP mode", "M4"},
        {{0, 0, 0, 0, 0, 0, 4, 0}, "PIP mode", "unknown (4)"},
        {{0, 0, 0, 0, 0, 0, 0, 4}, "EXT. type", "VIDEO"},
        {{0, 0, 0, 0, 0, 0, 0, 5}, "EXT. type", "unknown (5)"},
    };
    for (const Case& c : cases) {
        CommandFrame reply{5, 1, 0x17};
        std::copy(c.bytes.begin(), c.bytes.end(), reply.begin() + 4);
        EXPECT_EQ(field(statusText(decodeStatus(reply)), c.key), c.value)
            << c.key << " from " << hexBytes(reply);
    }
}

TEST(StatusFormat, Json) {
    const CommandFrame reply = {5, 2, 0x17, 0, 4, 2, 0x05, 0x37, 0, 1, 1, 3, 0};
    EXPECT_EQ(statusJson(decodeStatus(reply)).str(),
              R"({"address":2,)"
              R"("main":{"code":7,"name":"DVI","signal":false},)"
              R"("second":{"code":3,"name":null,"signal":true},)"
              R"("picture":{"code":4,"mode":"TEXT","blinking":true},)"
              R"("transition":{"code":2,"name":"Fade=1.0S"},)"
              R"("freeze":true,"bypass":false,"mosaic":true,)"
              R"("pipMode":{"code":1,"name":"M2"},)"
              R"("extType":{"code":3,"name":"DVI"}})");
}

TEST(JsonObject, QuotesAndEscapes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", R"("plain")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"back\\slash", R"("back\\slash")"},
        {"two\nlines\t", R"("two\nlines\t")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x1f", R"("\u001f")"},
        {"", R"("")"},
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(jsonQuote(text), quoted);

    JsonObject a;
    a.addNumber("n", -3).addBool("b", false);
    JsonObject empty;
    EXPECT_EQ(JsonObject().addFields(empty).addFields(a).addNull("z").str(),
              R"({"n":-3,"b":false,"z":null})");
}

}  // namespace
}  // namespace tvq::cli
