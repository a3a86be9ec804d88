#include "sim/console.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "core/link/sources.h"
#include "core/link/status_reply.h"

namespace tvq::sim {
namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

std::optional<unsigned> number(std::string_view text, unsigned max) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value > max) return std::nullopt;
    return value;
}

std::optional<bool> onOff(std::string_view text) {
    if (text == "on" || text == "1") return true;
    if (text == "off" || text == "0") return false;
    return std::nullopt;
}

std::optional<std::uint8_t> extType(std::string_view text) {
    for (std::uint8_t t = 0; t < kExtTypes; ++t) {
        const std::string_view name = extTypeName(t);
        if (text.size() == name.size() &&
            std::equal(text.begin(), text.end(), name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            }))
            return t;
    }
    if (auto n = number(text, kExtTypes - 1)) return static_cast<std::uint8_t>(*n);
    return std::nullopt;
}

std::optional<std::uint8_t> pipModeArg(std::string_view text) {
    if (!text.empty() && (text[0] == 'M' || text[0] == 'm')) text.remove_prefix(1);
    const auto n = number(text, kPipModes);
    if (!n || *n == 0) return std::nullopt;
    return static_cast<std::uint8_t>(*n - 1);
}

std::string name(unsigned code) {
    const std::string_view n = sourceName(code);
    return n.empty() ? std::to_string(code) : std::string(n);
}

ConsoleReply error(std::string text) {
    return {"error: " + text + "\n", false};
}

using Change = std::function<void(ProcessorState&)>;

// Applies edit to the processor at addr ("all" or 0 for every one).
ConsoleReply change(SimCore& core, std::string_view addr, const Change& edit) {
    const bool all = addr == "all" || addr == "0";
    const auto address = all ? std::optional<unsigned>{0} : number(addr, 255);
    if (!address) return error("bad address: " + std::string(addr));
    const bool found = core.withChain([&](Chain& chain) {
        if (all) {
            for (Processor& p : chain.processors()) edit(p.state());
            return true;
        }
        Processor* p = chain.find(static_cast<std::uint8_t>(*address));
        if (p) edit(p->state());
        return p != nullptr;
    });
    if (!found) return error("no processor at address " + std::string(addr));
    return {"ok\n", false};
}

ConsoleReply status(SimCore& core, std::string_view addr) {
    const auto address = addr.empty() ? std::optional<unsigned>{0} : number(addr, 255);
    if (!address && addr != "all") return error("bad address: " + std::string(addr));
    std::string text = core.withChain([&](Chain& chain) {
        std::string lines;
        for (const Processor& p : chain.processors())
            if (!address || *address == 0 || p.address() == *address)
                lines += describeState(p.state()) + "\n";
        return lines;
    });
    if (text.empty()) return error("no processor at address " + std::string(addr));
    return {text, false};
}

std::string faultsText(const FaultSettings& s) {
    std::string text;
    for (std::size_t i = 0; i < kFaultCount; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", s.probability[i]);
        if (i) text += ' ';
        text += faultName(static_cast<Fault>(i));
        text += '=';
        text += value;
    }
    return text + " delay-ms=" + std::to_string(s.delayMinMs) + "-" + std::to_string(s.delayMaxMs) +
           "\n";
}

ConsoleReply setFault(SimCore& core, std::string_view faultText, std::string_view pText) {
    const auto fault = parseFaultName(faultText);
    if (!fault) return error("unknown fault: " + std::string(faultText));
    double p = -1;
    auto [end, ec] = std::from_chars(pText.data(), pText.data() + pText.size(), p);
    if (ec != std::errc{} || end != pText.data() + pText.size() || !(p >= 0 && p <= 1))
        return error("probability must be 0..1: " + std::string(pText));
    core.faults().setProbability(*fault, p);
    return {"ok\n", false};
}

}  // namespace

ConsoleReply runConsoleLine(std::string_view line, SimCore& core) {
    const std::vector<std::string_view> w = words(line);
    if (w.empty()) return {};
    const std::string_view key = w[0];
    const std::size_t n = w.size();
    const auto usage = [&](const char* form) { return error(std::string("usage: ") + form); };

    if (key == "help") return {consoleHelp(), false};
    if (key == "quit" || key == "exit") return {"bye\n", true};
    if (key == "status") return n <= 2 ? status(core, n == 2 ? w[1] : "") : usage("status [ADDR]");
    if (key == "faults") return {faultsText(core.faults().settings()), false};
    if (key == "fault") return n == 3 ? setFault(core, w[1], w[2]) : usage("fault NAME P");

    if (key == "source" || key == "sub") {
        if (n != 3) return usage("source|sub ADDR NAME");
        const auto code = parseSource(w[2]);
        if (!code) return error("unknown source: " + std::string(w[2]));
        const bool main = key == "source";
        return change(core, w[1],
                      [&](ProcessorState& s) { (main ? s.mainSource : s.subSource) = *code; });
    }
    if (key == "signal") {
        const auto code = n == 4 ? parseSource(w[2]) : std::nullopt;
        const auto on = n == 4 ? onOff(w[3]) : std::nullopt;
        if (!code || !on) return usage("signal ADDR SOURCE on|off");
        return change(core, w[1], [&](ProcessorState& s) { s.signal[*code] = *on; });
    }
    if (key == "pip" || key == "text" || key == "freeze" || key == "bypass" || key == "mosaic" ||
        key == "sync") {
        const auto on = n == 3 ? onOff(w[2]) : std::nullopt;
        if (!on) return usage("pip|text|freeze|bypass|mosaic|sync ADDR on|off");
        return change(core, w[1], [&](ProcessorState& s) {
            if (key == "pip") {
                s.pip = *on;
                if (*on) s.text = false;
            } else if (key == "text") {
                s.text = *on;
                if (*on) s.pip = false;
            } else if (key == "freeze") {
                s.freeze = *on;
            } else if (key == "bypass") {
                s.bypass = *on;
            } else if (key == "mosaic") {
                s.mosaic = *on;
            } else {
                s.syncMosaic = *on;
            }
        });
    }
    if (key == "ext") {
        const auto type = n == 3 ? extType(w[2]) : std::nullopt;
        if (!type) return usage("ext ADDR NULL|SDI|VGA|DVI|VIDEO");
        return change(core, w[1], [&](ProcessorState& s) { s.extType = *type; });
    }
    if (key == "format") {
        const auto index = n == 3 ? number(w[2], kOutputFormats - 1) : std::nullopt;
        if (!index) return usage("format ADDR 0..9");
        return change(core, w[1], [&](ProcessorState& s) {
            s.setOutputFormat(static_cast<std::uint8_t>(*index));
        });
    }
    if (key == "pipmode") {
        const auto mode = n == 3 ? pipModeArg(w[2]) : std::nullopt;
        if (!mode) return usage("pipmode ADDR M1..M4");
        return change(core, w[1], [&](ProcessorState& s) { s.pipMode = *mode; });
    }
    if (key == "transition") {
        const auto t = n == 3 ? number(w[2], 3) : std::nullopt;
        if (!t) return usage("transition ADDR 0..3");
        return change(core, w[1], [&](ProcessorState& s) { s.transition = *t; });
    }
    return error("unknown key: " + std::string(key) + " (type help)");
}

std::string consoleHelp() {
    return "keys (ADDR is a processor address or all):\n"
           "  source ADDR NAME          main picture's source (V1 V2 V3 S-VIDEO VGA1 VGA2 DVI HDMI "
           "EXT. YPbPr)\n"
           "  sub ADDR NAME             second picture's source (PIP/POP and TEXT)\n"
           "  signal ADDR NAME on|off   signal present at an input\n"
           "  pip|text ADDR on|off      PIP/POP or TEXT function\n"
           "  freeze|bypass|mosaic ADDR on|off\n"
           "  sync ADDR on|off          synchronised mosaic\n"
           "  ext ADDR TYPE             EXT. input type (NULL SDI VGA DVI VIDEO)\n"
           "  format ADDR N             output format 0..9 (the output window follows it)\n"
           "  pipmode ADDR M1..M4       current PIP mode\n"
           "  transition ADDR 0..3      Cut, Fade 0.5/1.0/1.5 s\n"
           "  status [ADDR]             show the state\n"
           "  fault NAME P              probability 0..1 of drop delay split corrupt "
           "wrong-address ff6 close\n"
           "  faults                    show the fault probabilities\n"
           "  quit                      stop the simulator\n";
}

std::string describeState(const ProcessorState& s) {
    std::string signals;
    for (std::uint8_t code = 0; code < kSourceSlots; ++code)
        if (isSourceCode(code) && s.signal[code]) {
            if (!signals.empty()) signals += ',';
            signals += name(code);
        }
    const auto flag = [](bool on) { return on ? "on" : "off"; };
    char text[512];
    std::snprintf(
        text, sizeof text,
        "addr=%u main=%s sub=%s picture=%u pip=%s text=%s transition=%s freeze=%s bypass=%s "
        "mosaic=%s pipmode=M%u ext=%s format=%u signal=%s brightness=%u saturation=%u bias=%u "
        "sharpness=%u textkey=%u/%u,%u,%u audio=%s,%s hotspare=%u sync=%s vgaauto=%u",
        s.address, name(s.mainSource).c_str(), name(s.subSource).c_str(), s.pictureMode(),
        flag(s.pip), flag(s.text), std::string(transitionName(s.transition)).c_str(),
        flag(s.freeze), flag(s.bypass), flag(s.mosaic), s.pipMode + 1u,
        std::string(extTypeName(s.extType)).c_str(), s.outputFormat,
        signals.empty() ? "none" : signals.c_str(), s.brightness, s.saturation, s.bias, s.sharpness,
        s.textKeyMode, s.textKeyRgb[0], s.textKeyRgb[1], s.textKeyRgb[2], name(s.audio1).c_str(),
        name(s.audio2).c_str(), s.hotSpare, flag(s.syncMosaic), s.vgaAutoCount);
    // Rectangles as horizontal start, width, vertical start, height, the order on the wire.
    const auto rect = [](const Rect& r) {
        return std::to_string(r.x) + "," + std::to_string(r.width) + "," + std::to_string(r.y) +
               "," + std::to_string(r.height);
    };
    std::string line = text;
    line += " output=" + rect(s.outputRect) + " input=" + rect(s.inputRect);
    for (std::size_t m = 0; m < kPipModes; ++m)
        line += " M" + std::to_string(m + 1) + "=" + rect(s.mainRect[m]) + "/" + rect(s.pipRect[m]);
    return line;
}

}  // namespace tvq::sim
