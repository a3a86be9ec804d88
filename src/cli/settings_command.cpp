#include "cli/settings_command.h"

#include "cli/command_report.h"
#include "cli/json.h"
#include "core/link/commands.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_checks.h"
#include "core/setup/setup_frames.h"

namespace tvq::cli {
namespace {

using namespace tvq::setup;

constexpr int kReplyTaken = static_cast<int>(kFrameSize);

// Windows are written X W Y H on the command line, the order the processor keeps them in.
std::string rectWords(const WindowRect& r) {
    return std::to_string(r.x) + " " + std::to_string(r.width) + " " + std::to_string(r.y) + " " +
           std::to_string(r.height);
}

Json rectJson(const WindowRect& r) {
    return {{"x", r.x}, {"width", r.width}, {"y", r.y}, {"height", r.height}};
}

std::string modeName(unsigned mode) {
    return mode < kPipModes ? "M" + std::to_string(mode + 1) : std::to_string(mode);
}

std::string audioName(unsigned code) {
    const auto position = audioPositionOfCode(code);
    return position ? std::string(kAudioEntries[*position]) : std::to_string(code);
}

std::string_view fieldName(RectField field) {
    switch (field) {
        case RectField::Width:
            return "W";
        case RectField::HStart:
            return "X";
        case RectField::Height:
            return "H";
        case RectField::VStart:
            return "Y";
    }
    return "";
}

// The setup empties the size field when size + |start| overflows, even when the size alone
// fits and the start is negative; typed on a command line, the number to correct is the start.
RectField blamedField(const RectCheck& check, const std::array<std::string_view, 4>& texts,
                      Resolution output) {
    const auto i = static_cast<std::size_t>(check.field);
    if (check.outcome != CheckOutcome::OutOfRange || i % 2 != 0) return check.field;
    const auto size = parseFieldValue(texts[i]);
    const auto start = parseFieldValue(texts[i + 1]);
    const std::int32_t limit = i == 0 ? output.width : output.height;
    const bool sizeFits = size && *size >= kMinRectSize && *size <= limit;
    return sizeFits && start && *start < 0 ? static_cast<RectField>(i + 1) : check.field;
}

CommandResult refused(CommandReport& out, const PreparedSet& prepared) {
    if (!prepared.field.empty()) {
        out.json()["field"] = prepared.field;
        out.line("field " + prepared.field);
    }
    return out.finish(kExitUsage, std::string(englishText(prepared.refusal)));
}

void reportFormat(CommandReport& out, const OutputPage& page) {
    const auto resolution = formatResolution(page.formatIndex);
    Json format{{"index", page.formatIndex}};
    if (resolution) {
        const std::string_view text = kOutputFormats[page.formatIndex].text;
        format["text"] = text;
        format["width"] = resolution->width;
        format["height"] = resolution->height;
        out.line("output-format " + std::to_string(page.formatIndex) + " " + std::string(text) +
                 " " + std::to_string(resolution->width) + " " +
                 std::to_string(resolution->height));
    } else {
        out.line("output-format " + std::to_string(page.formatIndex) + " unknown");
    }
    out.json()["output_format"] = format;
}

}  // namespace

PreparedSet prepareSet(const SetRequest& r, std::uint8_t address, Resolution output) {
    const auto level = [&](Level which, CommandFrame (*frame)(std::uint8_t, std::uint8_t)) {
        const auto value = parseFieldValue(r.numbers.at(0));
        const CheckOutcome outcome = checkLevel(which, value);
        if (outcome != CheckOutcome::Ok) return PreparedSet{{}, refusalMessage(outcome), {}};
        return PreparedSet{frame(address, static_cast<std::uint8_t>(*value)), MessageId::None, {}};
    };
    switch (r.kind) {
        case SetKind::Brightness:
            return level(Level::Brightness, brightnessFrame);
        case SetKind::Saturation:
            return level(Level::Saturation, saturationFrame);
        case SetKind::Bias:
            return level(Level::Bias, biasFrame);
        case SetKind::Sharpness:
            return {sharpnessFrame(address, r.on), MessageId::None, {}};
        case SetKind::SyncMosaic:
            return {syncMosaicFrame(address, r.on), MessageId::None, {}};
        case SetKind::HotSpare:
            return {hotSpareFrame(address, r.hotSpare), MessageId::None, {}};
        case SetKind::Audio: {
            const auto p1 = audioPositionOfCode(r.audio1);
            const auto p2 = audioPositionOfCode(r.audio2);
            if (!p1 || !p2 || sameChannelRule(*p2, *p1).refused)
                return {{}, MessageId::SameAudioChannel, {}};
            return {audioFrame(address, r.audio1, r.audio2), MessageId::None, {}};
        }
        case SetKind::TextKey: {
            std::array<std::optional<std::int32_t>, 3> rgb;
            for (std::size_t i = 0; i < 3; ++i) rgb[i] = parseFieldValue(r.numbers.at(i));
            if (const auto bad = firstBadThreshold(rgb))
                return {{}, MessageId::ValueOutOfRange, std::string(1, "RGB"[*bad])};
            return {textKeyFrame(
                        address, r.on,
                        {static_cast<std::uint8_t>(*rgb[0]), static_cast<std::uint8_t>(*rgb[1]),
                         static_cast<std::uint8_t>(*rgb[2])}),
                    MessageId::None,
                    {}};
        }
        case SetKind::MainWindow:
        case SetKind::PipWindow:
        case SetKind::InputWindow:
        case SetKind::OutputWindow:
            break;
    }
    // X W Y H on the command line; width, start, height, start for the checks.
    const std::array<std::string_view, 4> texts{r.numbers.at(1), r.numbers.at(0), r.numbers.at(3),
                                                r.numbers.at(2)};
    const RectCheck check = checkRectTexts(texts, output);
    if (check.outcome != CheckOutcome::Ok)
        return {{},
                refusalMessage(check.outcome),
                std::string(fieldName(blamedField(check, texts, output)))};
    const RectTarget target = r.kind == SetKind::MainWindow    ? RectTarget::Main
                              : r.kind == SetKind::PipWindow   ? RectTarget::Pip
                              : r.kind == SetKind::InputWindow ? RectTarget::Input
                                                               : RectTarget::Output;
    return {rectFrame(address, target, saveCodeOf(r.mode), check.rect), MessageId::None, {}};
}

std::optional<CommandResult> refuseBeforeLink(const CliOptions& options) {
    if (options.command != Command::Set || options.set.isWindow()) return std::nullopt;
    const PreparedSet prepared = prepareSet(options.set, options.address, kDefaultResolution);
    if (prepared.frame) return std::nullopt;
    CommandReport out(options);
    out.json()["setting"] = options.set.name;
    return refused(out, prepared);
}

namespace {

// A line that closed on the way is the reason, not the device's silence.
std::string withLineState(std::string error, const FrameExchanger& link) {
    if (const std::string why = link.lastError(); !why.empty()) return error + " (" + why + ")";
    if (!link.isUp())
        error += link.isSerial() ? " (the serial line went away)" : " (the connection closed)";
    return error;
}

ExchangeFn exchangeOver(FrameExchanger& link) {
    return
        [&link](const CommandFrame& frame, CommandFrame& reply, std::int32_t timeoutMs,
                std::stop_token stop) { return link.exchangeFrame(frame, reply, timeoutMs, stop); };
}

}  // namespace

CommandResult runSet(const CliOptions& options, FrameExchanger& link, Clock& clock) {
    const SetRequest& r = options.set;
    const std::uint8_t address = options.address;
    const ExchangeFn exchange = exchangeOver(link);
    CommandReport out(options);
    out.json()["setting"] = r.name;

    Resolution resolution = kDefaultResolution;
    if (r.isWindow()) {
        // The window checks need the output resolution, as the setup has it from page 3.
        const auto page3 = readPage(exchange, address, kOutputPage, kPageTimeoutMs);
        if (!page3)
            return out.finish(kExitFailed, withLineState("no usable reply to page 3 from address " +
                                                             std::to_string(address),
                                                         link));
        const OutputPage output = decodeOutputPage(*page3);
        reportFormat(out, output);
        if (const auto known = formatResolution(output.formatIndex)) resolution = *known;
        if (r.kind == SetKind::InputWindow) {
            clock.sleepFor(kPagePause);
            const auto page0 = readPage(exchange, address, kStatusPage, kPageTimeoutMs);
            const auto status = page0 ? decodeSetupStatus(*page0) : std::nullopt;
            if (!status)
                return out.finish(
                    kExitFailed,
                    withLineState("no status from address " + std::to_string(address), link));
            if (!status->inputSaveAllowed)
                return out.finish(kExitUsage,
                                  "the input window can be set only while the main picture is "
                                  "DVI with a signal, MOSAIC is on and BYPASS is off");
        }
        clock.sleepFor(kPagePause);
    }

    const PreparedSet prepared = prepareSet(r, address, resolution);
    if (!prepared.frame) return refused(out, prepared);

    CommandFrame reply{};
    const int result = link.exchangeFrame(*prepared.frame, reply, kWriteTimeoutMs);
    out.json()["sent"] = hexBytes(*prepared.frame);
    out.json()["result"] = result;
    if (address == 0) {
        out.json()["broadcast"] = true;
        out.line("sent to all devices (address 0); no reply awaited");
        return out.finish(kExitOk);
    }
    if (result == kReplyTaken) out.json()["reply"] = hexBytes(reply);
    switch (judgeWrite(result, *prepared.frame, reply)) {
        case WriteOutcome::Accepted:
            out.json()["message"] = englishText(MessageId::SetSuccessfully);
            out.line(std::string(englishText(MessageId::SetSuccessfully)));
            return out.finish(kExitOk);
        case WriteOutcome::Failed:
            return out.finish(
                kExitFailed, withLineState(std::string(englishText(MessageId::SetupFailed)), link));
        case WriteOutcome::Ignored:
            break;
    }
    return out.finish(kExitFailed, "the reply does not acknowledge the write: " + hexBytes(reply));
}

CommandResult runSettings(const CliOptions& options, FrameExchanger& link, Clock& clock) {
    const std::uint8_t address = options.address;
    const ExchangeFn exchange = exchangeOver(link);
    const ScreenSettings s = readBack(exchange, address, clock, {}).settings;
    std::array<ModeRects, kPipModes> modes{};
    if (s.output) {
        for (unsigned m = 0; m < kPipModes; ++m) {
            clock.sleepFor(kPagePause);
            modes[m] = readModeRects(exchange, address, m, clock, {});
        }
    }

    CommandReport out(options);
    std::vector<std::string> missing;
    const auto absent = [&](std::string name) { missing.push_back(std::move(name)); };
    Json& json = out.json();

    if (s.output) {
        reportFormat(out, *s.output);
        json["output_window"] = rectJson(s.output->output);
        out.line("output-window " + rectWords(s.output->output));
    } else {
        absent("output_format");
        absent("output_window");
    }
    if (s.input) {
        json["input_window"] = rectJson(s.input->input);
        json["sync_mosaic"] = s.input->syncMosaic;
        out.line("input-window " + rectWords(s.input->input));
        out.line(std::string("sync-mosaic ") + (s.input->syncMosaic ? "on" : "off"));
    } else {
        absent("input_window");
        absent("sync_mosaic");
    }
    if (s.main) {
        json["pip_mode"] = modeName(s.main->mode);
        json["main_window"] = rectJson(s.main->rect);
        out.line("pip-mode " + modeName(s.main->mode));
        out.line("current-main-window " + rectWords(s.main->rect));
    } else {
        absent("pip_mode");
        absent("main_window");
    }
    if (s.pip) {
        json["pip_window"] = rectJson(*s.pip);
        out.line("current-pip-window " + rectWords(*s.pip));
    } else {
        absent("pip_window");
    }
    Json modesJson = Json::object();
    for (unsigned m = 0; m < kPipModes; ++m) {
        Json one = Json::object();
        const std::string name = modeName(m);
        if (modes[m].main) {
            one["main"] = rectJson(modes[m].main->rect);
            out.line("main-window " + name + " " + rectWords(modes[m].main->rect));
        } else {
            absent("modes." + name + ".main");
        }
        if (modes[m].pip) {
            one["pip"] = rectJson(*modes[m].pip);
            out.line("pip-window " + name + " " + rectWords(*modes[m].pip));
        } else {
            absent("modes." + name + ".pip");
        }
        modesJson[name] = one;
    }
    json["modes"] = modesJson;
    if (s.picture) {
        const PicturePage& p = *s.picture;
        const char* sharpness = p.sharp ? "sharp" : "normal";
        json["brightness"] = p.brightness;
        json["saturation"] = p.saturation;
        json["bias"] = p.bias;
        json["sharpness"] = sharpness;
        json["audio"] = {{"ad1", audioName(p.audio1)}, {"ad2", audioName(p.audio2)}};
        Json marks = Json::array();
        std::string words;
        for (bool mark : p.hotSpare) {
            marks.push_back(mark);
            words += words.empty() ? "" : ",";
            words += mark ? "1" : "0";
        }
        json["hot_spare"] = marks;
        out.line("brightness " + std::to_string(p.brightness));
        out.line("saturation " + std::to_string(p.saturation));
        out.line("bias " + std::to_string(p.bias));
        out.line(std::string("sharpness ") + sharpness);
        out.line("audio " + audioName(p.audio1) + " " + audioName(p.audio2));
        out.line("hot-spare " + words);
    } else {
        for (const char* name :
             {"brightness", "saturation", "bias", "sharpness", "audio", "hot_spare"})
            absent(name);
    }
    if (s.textKey) {
        const TextKeyPage& t = *s.textKey;
        const char* mode = t.above ? "above" : "below";
        json["text_key"] = {
            {"mode", mode}, {"red", t.rgb[0]}, {"green", t.rgb[1]}, {"blue", t.rgb[2]}};
        out.line(std::string("text-key ") + mode + " " + std::to_string(t.rgb[0]) + " " +
                 std::to_string(t.rgb[1]) + " " + std::to_string(t.rgb[2]));
    } else {
        absent("text_key");
    }
    if (s.status) {
        json["input_save_allowed"] = s.status->inputSaveAllowed;
        out.line(std::string("input-save ") + (s.status->inputSaveAllowed ? "allowed" : "refused"));
    } else {
        absent("input_save_allowed");
    }

    std::string list;
    for (const std::string& name : missing) list += (list.empty() ? "" : " ") + name;
    json["missing"] = missing;
    if (missing.empty()) return out.finish(kExitOk);
    out.line("missing " + list);
    if (!s.output)
        return out.finish(kExitFailed, withLineState("no usable reply to page 3 from address " +
                                                         std::to_string(address),
                                                     link));
    return out.finish(kExitFailed, withLineState("missing: " + list, link));
}

}  // namespace tvq::cli
