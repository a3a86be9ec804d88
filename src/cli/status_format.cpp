#include "cli/status_format.h"

#include <cstdio>

#include "core/link/sources.h"

namespace tvq::cli {
namespace {

// A known name, or "unknown (N)" so an odd byte stays visible instead of vanishing.
std::string nameOrCode(std::string_view name, unsigned code) {
    if (!name.empty()) return std::string(name);
    return "unknown (" + std::to_string(code) + ")";
}

std::string sourceText(unsigned code, bool signal) {
    const std::string_view name = sourceName(code);
    const std::string shown =
        name.empty() ? "none (code " + std::to_string(code) + ")" : std::string(name);
    return shown + (signal ? ", signal" : ", no signal");
}

std::string pictureText(unsigned mode) {
    const std::string_view name = pictureModeName(mode);
    if (name == "none") return std::string(name);
    return std::string(name) + (pictureModeBlinks(mode) ? ", blinking" : ", steady");
}

void addLine(std::string& out, std::string_view key, std::string_view value) {
    char padded[16];
    std::snprintf(padded, sizeof padded, "%-12.*s", static_cast<int>(key.size()), key.data());
    out += padded;
    out += value;
    out += '\n';
}

// {"code":N,"name":"..."} with a null name for codes that name nothing.
Json codeAndName(unsigned code, std::string_view name) {
    return {{"code", code}, {"name", name.empty() ? Json(nullptr) : Json(name)}};
}

Json sourceJson(unsigned code, bool signal) {
    Json object = codeAndName(code, sourceName(code));
    object["signal"] = signal;
    return object;
}

}  // namespace

std::string_view pictureModeName(unsigned pictureMode) {
    if (pictureMode == 3 || pictureMode == 1) return "PIP/POP";
    if (pictureMode == 5 || pictureMode == 4) return "TEXT";
    return "none";
}

bool pictureModeBlinks(unsigned pictureMode) {
    return pictureMode == 1 || pictureMode == 4;
}

std::string pipModeName(unsigned pipMode) {
    if (pipMode > 3) return {};
    std::string text = "M";
    text += std::to_string(pipMode + 1);
    return text;
}

std::string statusText(const StatusReport& s) {
    std::string out;
    addLine(out, "device", std::to_string(s.address));
    addLine(out, "main", sourceText(s.mainSource, s.mainSignal));
    addLine(out, "second", sourceText(s.subSource, s.subSignal));
    addLine(out, "picture", pictureText(s.pictureMode));
    addLine(out, "transition", nameOrCode(transitionName(s.transition), s.transition));
    addLine(out, "FREEZE", s.freeze ? "on" : "off");
    addLine(out, "BYPASS", s.bypass ? "on" : "off");
    addLine(out, "MOSAIC", s.mosaic ? "on" : "off");
    addLine(out, "PIP mode", nameOrCode(pipModeName(s.pipMode), s.pipMode));
    addLine(out, "EXT. type", nameOrCode(extTypeName(s.extType), s.extType));
    return out;
}

Json statusJson(const StatusReport& s) {
    return {
        {"address", s.address},
        {"main", sourceJson(s.mainSource, s.mainSignal)},
        {"second", sourceJson(s.subSource, s.subSignal)},
        {"picture",
         {{"code", s.pictureMode},
          {"mode", pictureModeName(s.pictureMode)},
          {"blinking", pictureModeBlinks(s.pictureMode)}}},
        {"transition", codeAndName(s.transition, transitionName(s.transition))},
        {"freeze", s.freeze},
        {"bypass", s.bypass},
        {"mosaic", s.mosaic},
        {"pipMode", codeAndName(s.pipMode, pipModeName(s.pipMode))},
        {"extType", codeAndName(s.extType, extTypeName(s.extType))},
    };
}

}  // namespace tvq::cli
