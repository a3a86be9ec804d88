#include "core/setup/read_back.h"

#include <condition_variable>
#include <mutex>

namespace tvq::setup {
namespace {

constexpr int kReplyTaken = static_cast<int>(kFrameSize);

// One page read; the reply only when it answers this read.
std::optional<CommandFrame> readPage(const ExchangeFn& exchange, std::uint8_t address,
                                     std::uint8_t page, std::int32_t timeoutMs,
                                     std::stop_token stop) {
    CommandFrame reply{};
    if (exchange(pageQuery(address, page), reply, timeoutMs, stop) != kReplyTaken)
        return std::nullopt;
    if (!isPageReply(reply, address)) return std::nullopt;
    return reply;
}

void store(ScreenSettings& s, std::uint8_t page, const CommandFrame& reply) {
    switch (page) {
        case kOutputPage:
            s.output = decodeOutputPage(reply);
            break;
        case kStatusPage:
            s.statusAnswered = true;
            s.status = decodeSetupStatus(reply);
            break;
        case kMainPage:
            s.main = decodeModeRectPage(reply);
            break;
        case kPipPage:
            s.pip = decodeRectPage(reply);
            break;
        case kInputPage:
            s.input = decodeInputPage(reply);
            break;
        case kPicturePage:
            s.picture = decodePicturePage(reply);
            break;
        case kTextKeyPage:
            s.textKey = decodeTextKeyPage(reply);
            break;
        default:
            break;
    }
}

}  // namespace

bool pauseUnlessStopped(Clock& clock, Millis duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any cv;
    std::unique_lock lock(mutex);
    clock.waitFor(lock, cv, stop, duration, [&] { return stop.stop_requested(); });
    return !stop.stop_requested();
}

void storeRects(WindowGeometry& geometry, const ScreenSettings& s) {
    if (s.output) geometry[RectTarget::Output] = s.output->output;
    if (s.main) geometry[RectTarget::Main] = s.main->rect;
    if (s.pip) geometry[RectTarget::Pip] = *s.pip;
    if (s.input) geometry[RectTarget::Input] = s.input->input;
}

void storeRects(WindowGeometry& geometry, const ModeRects& mode) {
    if (mode.main) geometry[RectTarget::Main] = mode.main->rect;
    if (mode.pip) geometry[RectTarget::Pip] = *mode.pip;
}

ReadBackResult readBack(const ExchangeFn& exchange, std::uint8_t address, Clock& clock,
                        std::stop_token stop, const ReadProgress& progress) {
    ReadBackResult result;
    bool first = true;
    for (const PageRead& read : kReadBackOrder) {
        if (!first && !pauseUnlessStopped(clock, kPagePause, stop)) {
            result.stopped = true;
            return result;
        }
        first = false;
        if (stop.stop_requested()) {
            result.stopped = true;
            return result;
        }
        if (progress) progress({read.page, true, false, result.settings});
        const auto reply = readPage(exchange, address, read.page, read.timeoutMs, stop);
        if (reply) store(result.settings, read.page, *reply);
        if (progress) progress({read.page, false, reply.has_value(), result.settings});
        if (stop.stop_requested()) {
            result.stopped = true;
            return result;
        }
        if (read.page == kOutputPage && !reply) return result;
    }
    return result;
}

ModeRects readModeRects(const ExchangeFn& exchange, std::uint8_t address, unsigned mode,
                        Clock& clock, std::stop_token stop) {
    ModeRects result;
    if (stop.stop_requested()) {
        result.stopped = true;
        return result;
    }
    if (const auto reply =
            readPage(exchange, address, modeMainPage(mode), kModePageTimeoutMs, stop))
        result.main = decodeModeRectPage(*reply);
    if (!pauseUnlessStopped(clock, kPagePause, stop)) {
        result.stopped = true;
        return result;
    }
    if (const auto reply = readPage(exchange, address, modePipPage(mode), kModePageTimeoutMs, stop))
        result.pip = decodeRectPage(*reply);
    result.stopped = stop.stop_requested();
    return result;
}

}  // namespace tvq::setup
