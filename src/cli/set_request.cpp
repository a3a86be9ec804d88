#include "cli/set_request.h"

#include <optional>

#include "core/link/sources.h"

namespace tvq::cli {
namespace {

struct Name {
    std::string_view text;
    SetKind kind;
    std::size_t values;  // words after the name
};

constexpr Name kNames[] = {
    {"brightness", SetKind::Brightness, 1},
    {"saturation", SetKind::Saturation, 1},
    {"bias", SetKind::Bias, 1},
    {"sharpness", SetKind::Sharpness, 1},
    {"text-key", SetKind::TextKey, 4},
    {"audio", SetKind::Audio, 2},
    {"hot-spare", SetKind::HotSpare, 1},
    {"sync-mosaic", SetKind::SyncMosaic, 1},
    {"main-window", SetKind::MainWindow, 5},
    {"pip-window", SetKind::PipWindow, 5},
    {"input-window", SetKind::InputWindow, 4},
    {"output-window", SetKind::OutputWindow, 4},
};

std::optional<bool> choice(std::string_view word, std::string_view no, std::string_view yes) {
    if (word == no) return false;
    if (word == yes) return true;
    return std::nullopt;
}

// "M1".."M4" or "1".."4".
std::optional<unsigned> pipMode(std::string_view word) {
    if (word.size() == 2 && (word[0] == 'M' || word[0] == 'm')) word.remove_prefix(1);
    if (word.size() != 1 || word[0] < '1' || word[0] > '4') return std::nullopt;
    return static_cast<unsigned>(word[0] - '1');
}

std::optional<std::array<bool, 4>> hotSpare(std::string_view word) {
    std::array<bool, 4> marks{};
    if (word.size() != 7) return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = word[2 * i];
        if ((c != '0' && c != '1') || (i < 3 && word[2 * i + 1] != ',')) return std::nullopt;
        marks[i] = c == '1';
    }
    return marks;
}

}  // namespace

std::variant<SetRequest, std::string> parseSetRequest(const std::vector<std::string_view>& words) {
    if (words.empty()) return std::string("set wants a setting name and its values");
    const Name* name = nullptr;
    for (const Name& n : kNames)
        if (n.text == words[0]) name = &n;
    if (!name) return "unknown setting \"" + std::string(words[0]) + "\"";
    if (words.size() - 1 != name->values)
        return "set " + std::string(name->text) + " wants " + std::to_string(name->values) +
               (name->values == 1 ? " value" : " values");

    SetRequest r;
    r.kind = name->kind;
    r.name = name->text;
    std::vector<std::string_view> v(words.begin() + 1, words.end());
    const auto bad = [&](std::string_view word, std::string_view want) {
        return "bad value \"" + std::string(word) + "\" for " + r.name + ": give " +
               std::string(want);
    };
    switch (r.kind) {
        case SetKind::Sharpness:
        case SetKind::SyncMosaic: {
            const bool sharp = r.kind == SetKind::Sharpness;
            const auto on = sharp ? choice(v[0], "normal", "sharp") : choice(v[0], "off", "on");
            if (!on) return bad(v[0], sharp ? "normal or sharp" : "on or off");
            r.on = *on;
            return r;
        }
        case SetKind::TextKey: {
            const auto above = choice(v[0], "below", "above");
            if (!above) return bad(v[0], "below or above");
            r.on = *above;
            v.erase(v.begin());
            break;
        }
        case SetKind::Audio: {
            const auto a = parseSource(v[0]);
            const auto b = parseSource(v[1]);
            if (!a || !b) return bad(a ? v[1] : v[0], "a source name or code");
            r.audio1 = *a;
            r.audio2 = *b;
            return r;
        }
        case SetKind::HotSpare: {
            const auto marks = hotSpare(v[0]);
            if (!marks) return bad(v[0], "four 0/1 separated by commas, e.g. 0,0,1,0");
            r.hotSpare = *marks;
            return r;
        }
        case SetKind::MainWindow:
        case SetKind::PipWindow: {
            const auto mode = pipMode(v[0]);
            if (!mode) return bad(v[0], "M1..M4");
            r.mode = *mode;
            v.erase(v.begin());
            break;
        }
        default:
            break;
    }
    r.numbers.assign(v.begin(), v.end());
    return r;
}

}  // namespace tvq::cli
