#include "sim/processor.h"

#include "core/link/commands.h"
#include "core/link/sources.h"
#include "core/link/status_reply.h"
#include "sim/pages.h"

namespace tvq::sim {
namespace {

// Sources outside the table leave the selection as it was, as the panel never sends them.
void selectSource(std::uint8_t& slot, std::uint8_t code) {
    if (isSourceCode(code)) slot = code;
}

CommandFrame acknowledge(const ProcessorState& s, const CommandFrame& frame) {
    CommandFrame reply = encodeStatus(statusOf(s));
    reply[2] = frame[2];
    reply[3] = frame[3];
    reply[12] = frameCheck(reply);
    return reply;
}

}  // namespace

std::optional<CommandFrame> Processor::handle(const CommandFrame& frame) {
    if (frame[2] == cmd::kReadPage) {
        if (frame[3] < 32 && (state_.mutedPages >> frame[3]) & 1u) return std::nullopt;
        return encodePage(state_, frame[3]);
    }
    if (!apply(frame)) return std::nullopt;
    return acknowledge(state_, frame);
}

bool Processor::apply(const CommandFrame& f) {
    ProcessorState& s = state_;
    const std::uint8_t p = f[3];
    const bool on = p != 0;
    switch (f[2]) {
        case cmd::kMainSource:
            selectSource(s.mainSource, p);
            return true;
        case cmd::kPip:
            s.pip = on;
            if (on) s.text = false;
            return true;
        case cmd::kPipSource:
        case cmd::kTextSource:
            selectSource(s.subSource, p);
            return true;
        case cmd::kText:
            s.text = on;
            if (on) s.pip = false;
            return true;
        case cmd::kBypass:
            s.bypass = on;
            return true;
        case cmd::kMosaic:
            s.mosaic = on;
            return true;
        case cmd::kFreeze:
            s.freeze = on;
            return true;
        case cmd::kVgaAuto:
            ++s.vgaAutoCount;
            return true;
        case cmd::kOutputWindow:
            s.outputRect = readRect(f);
            return true;
        case cmd::kTextKey:
            s.textKeyMode = on ? 1 : 0;
            s.textKeyRgb = {f[4], f[5], f[6]};
            return true;
        case cmd::kBias:
            s.bias = p;
            return true;
        case cmd::kBrightness:
            s.brightness = p;
            return true;
        case cmd::kSaturation:
            s.saturation = p;
            return true;
        case cmd::kSharpness:
            s.sharpness = on ? 1 : 0;
            return true;
        case cmd::kAudio:
            selectSource(s.audio1, f[3]);
            selectSource(s.audio2, f[4]);
            return true;
        case cmd::kHotSpare:
            s.hotSpare = static_cast<std::uint8_t>((f[3] ? 1 : 0) | (f[4] ? 2 : 0) |
                                                   (f[5] ? 4 : 0) | (f[6] ? 8 : 0));
            return true;
        case cmd::kInputWindow:
            s.inputRect = readRect(f);
            return true;
        case cmd::kPipMode:
            if (p < kPipModes) s.pipMode = p;
            return true;
        case cmd::kTransition:
            if (p <= 3) s.transition = p;
            return true;
        case cmd::kSyncMosaic:
            s.syncMosaic = on;
            return true;
        default:
            break;
    }
    if (f[2] >= cmd::kPipModeRectFirst && f[2] <= cmd::kPipModeRectLast) {
        const std::size_t mode = f[2] - cmd::kPipModeRectFirst;
        if (p == 0) s.mainRect[mode] = readRect(f);
        if (p == 1) s.pipRect[mode] = readRect(f);
        return true;
    }
    return false;
}

}  // namespace tvq::sim
