#include "core/platform/messages.h"

#include <array>

namespace tvq {
namespace {

constexpr std::array<const char*, static_cast<std::size_t>(MessageId::Count)> kEnglish{
    "",
    QT_TRANSLATE_NOOP("Messages", "Open Com Port Success"),
    QT_TRANSLATE_NOOP("Messages", "Open Com Port fail"),
    QT_TRANSLATE_NOOP("Messages", "Open Network Success"),
    QT_TRANSLATE_NOOP("Messages", "Open Network fail"),
    QT_TRANSLATE_NOOP("Messages", "Port out of range，range is 0~65535"),
    QT_TRANSLATE_NOOP("Messages", "Communications equipment normal"),
    QT_TRANSLATE_NOOP("Messages", "Equipment connection failed"),
    QT_TRANSLATE_NOOP("Messages", "Invalid Operate Only Valid in mosaic off"),
    QT_TRANSLATE_NOOP("Messages", "Invalid Operate InCorrect Source"),
    QT_TRANSLATE_NOOP("Messages", "Invalid Operate Not ext model"),
    QT_TRANSLATE_NOOP("Messages", "Please restart the device and control software，Thank you！"),
    QT_TRANSLATE_NOOP("Messages", "No answer from the device since %1"),
    QT_TRANSLATE_NOOP("Messages", "Connection lost, reconnecting (next try in %1 s)"),
    QT_TRANSLATE_NOOP("Messages", "Link closed: press Connect to reach the device again"),
    QT_TRANSLATE_NOOP("Messages", "Chain service: %1"),
    QT_TRANSLATE_NOOP("Messages", "The chain service lost its link to the device: %1"),
    QT_TRANSLATE_NOOP("Messages", "The chain service closed the connection: press Connect"),
    QT_TRANSLATE_NOOP("Messages", "The chain service refused the job: %1"),
    QT_TRANSLATE_NOOP("Messages", "This program was built without the chain service client"),
    QT_TRANSLATE_NOOP("Messages",
                      "The port is held by the chain service: choose Chain service with the "
                      "socket %1"),
    // Settings file
    QT_TRANSLATE_NOOP("Messages", "Settings not saved: %1"),
    // screen setup
    QT_TRANSLATE_NOOP("Messages", "Value out  of range"),
    QT_TRANSLATE_NOOP("Messages", "The input value must be even, and can not be odd"),
    QT_TRANSLATE_NOOP("Messages", "Setup failed"),
    QT_TRANSLATE_NOOP("Messages", "Set successfully"),
    QT_TRANSLATE_NOOP("Messages", "Value cannot be upward adjustment"),
    QT_TRANSLATE_NOOP("Messages", "Value cannot be downward adjustment"),
    QT_TRANSLATE_NOOP("Messages", "Sorry, audio1 and audio2 can't use the same channel"),
    // Timed plans
    QT_TRANSLATE_NOOP("Messages", "Name"),
    QT_TRANSLATE_NOOP("Messages", "Time"),
    QT_TRANSLATE_NOOP("Messages", "Signal"),
    QT_TRANSLATE_NOOP("Messages", "WDay"),
    QT_TRANSLATE_NOOP("Messages", "Day"),
    QT_TRANSLATE_NOOP("Messages", "Date"),
    QT_TRANSLATE_NOOP("Messages", "Are you Sure  want to delete the current timing settings? "),
    QT_TRANSLATE_NOOP("Messages", "Are you Sure  want to delete the current timing settings?"),
    QT_TRANSLATE_NOOP("Messages", "Are you sure  want to delete the current timing settings?"),
    QT_TRANSLATE_NOOP("Messages", "Please select an item."),
    QT_TRANSLATE_NOOP("Messages", "The plan items of one day can not exceed %d."),
    QT_TRANSLATE_NOOP("Messages", "%1 entries beyond the limit are in the file."),
    // clang-format off
    QT_TRANSLATE_NOOP("Messages", "Sorry, opertion is invalid due to that the minimal time interval between a new plan and a exsisted one is 10 seconds"),
    QT_TRANSLATE_NOOP("Messages", "That clock time does not exist on that date here (the clocks go forward): choose another time"),
    // clang-format on
    QT_TRANSLATE_NOOP("Messages", "请选定要启动的定时器"),
    QT_TRANSLATE_NOOP("Messages", "Immediate Execution"),
    QT_TRANSLATE_NOOP("Messages", "No Execution"),
    QT_TRANSLATE_NOOP("Messages", "Unknown"),
    QT_TRANSLATE_NOOP("Messages", "Cannot send: the link is closed"),
    QT_TRANSLATE_NOOP("Messages", "Plan at %1 missed: it was %2 s late"),
    QT_TRANSLATE_NOOP("Messages",
                      "Plan file: bad entry %2 in section %1; later entries not loaded"),
    QT_TRANSLATE_NOOP("Messages", "Plan file not saved: %1"),
    // video wall
    QT_TRANSLATE_NOOP("Messages", "Sorry, Does not support the splicing Specifications (6 X 8)"),
    QT_TRANSLATE_NOOP("Messages",
                      "Sorry, does not support the splice specifications of less than (1 X 1)"),
    QT_TRANSLATE_NOOP("Messages",
                      "Sorry, please complete horizontal data, or can not be calculated"),
    QT_TRANSLATE_NOOP("Messages", "Sorry, data out of range"),
    QT_TRANSLATE_NOOP("Messages", "Sorry, please complete Vertical data, or can not be calculated"),
    QT_TRANSLATE_NOOP("Messages", "Data out of range"),
    QT_TRANSLATE_NOOP("Messages", "The input value must be even, and can not be odd"),
    QT_TRANSLATE_NOOP("Messages", "Can not connect to the device, detection device address"),
    QT_TRANSLATE_NOOP("Messages", "Please detection DVI channel signal"),
    QT_TRANSLATE_NOOP("Messages", "Set Success"),
    QT_TRANSLATE_NOOP("Messages", "Set Fail"),
    QT_TRANSLATE_NOOP("Messages", "Please connect the serial port"),
    QT_TRANSLATE_NOOP("Messages", "The device did not answer"),
    QT_TRANSLATE_NOOP("Messages", "The device did not accept the setting"),
};

}  // namespace

std::string_view englishText(MessageId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < kEnglish.size() ? kEnglish[index] : std::string_view{};
}

std::string formatMessage(std::string_view text, const std::vector<std::string>& args) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool placeholder = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' &&
                                 text[i + 1] <= '9' &&
                                 static_cast<std::size_t>(text[i + 1] - '1') < args.size();
        if (!placeholder) {
            out += text[i];
            continue;
        }
        out += args[static_cast<std::size_t>(text[i + 1] - '1')];
        ++i;
    }
    return out;
}

std::string InfoText::english() const {
    if (id == MessageId::None) return literal;
    std::string text(englishText(id));
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

}  // namespace tvq
