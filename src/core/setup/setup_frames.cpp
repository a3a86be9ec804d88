#include "core/setup/setup_frames.h"

#include "core/link/commands.h"

namespace tvq::setup {

CommandFrame rectFrame(std::uint8_t address, RectTarget target, std::uint8_t saveCode,
                       const WindowRect& rect) {
    std::uint8_t command = saveCode;
    std::uint8_t which = 0;
    switch (target) {
        case RectTarget::Main:
            break;
        case RectTarget::Pip:
            which = 1;
            break;
        case RectTarget::Input:
            command = cmd::kInputWindow;
            break;
        case RectTarget::Output:
            command = cmd::kOutputWindow;
            break;
    }
    CommandFrame frame = makeFrame(address, command, {which});
    writeFrameRect(frame, rect);
    frame[12] = frameCheck(frame);
    return frame;
}

CommandFrame brightnessFrame(std::uint8_t address, std::uint8_t value) {
    return makeFrame(address, cmd::kBrightness, {value});
}

CommandFrame saturationFrame(std::uint8_t address, std::uint8_t value) {
    return makeFrame(address, cmd::kSaturation, {value});
}

CommandFrame biasFrame(std::uint8_t address, std::uint8_t value) {
    return makeFrame(address, cmd::kBias, {value});
}

CommandFrame sharpnessFrame(std::uint8_t address, bool sharp) {
    return makeFrame(address, cmd::kSharpness, {static_cast<std::uint8_t>(sharp ? 1 : 0)});
}

CommandFrame textKeyFrame(std::uint8_t address, bool above,
                          const std::array<std::uint8_t, 3>& rgb) {
    return makeFrame(address, cmd::kTextKey,
                     {static_cast<std::uint8_t>(above ? 1 : 0), rgb[0], rgb[1], rgb[2]});
}

CommandFrame audioFrame(std::uint8_t address, std::uint8_t code1, std::uint8_t code2) {
    return makeFrame(address, cmd::kAudio, {code1, code2});
}

CommandFrame hotSpareFrame(std::uint8_t address, const std::array<bool, 4>& marks) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(marks[i] ? 1 : 0); };
    return makeFrame(address, cmd::kHotSpare, {b(0), b(1), b(2), b(3)});
}

CommandFrame syncMosaicFrame(std::uint8_t address, bool sync) {
    return makeFrame(address, cmd::kSyncMosaic, {static_cast<std::uint8_t>(sync ? 1 : 0)});
}

WriteOutcome judgeWrite(int result, const CommandFrame& sent, const CommandFrame& reply) {
    if (result != static_cast<int>(kFrameSize)) return WriteOutcome::Failed;
    if (reply[2] != sent[2] || !checkByteOk(reply)) return WriteOutcome::Ignored;
    return WriteOutcome::Accepted;
}

MessageId writeMessage(WriteOutcome outcome) {
    switch (outcome) {
        case WriteOutcome::Failed:
            return MessageId::SetupFailed;
        case WriteOutcome::Accepted:
            return MessageId::SetSuccessfully;
        case WriteOutcome::Ignored:
            break;
    }
    return MessageId::None;
}

}  // namespace tvq::setup
