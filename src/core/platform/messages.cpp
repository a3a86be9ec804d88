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

std::string InfoText::english() const {
    return id == MessageId::None ? literal : std::string(englishText(id));
}

}  // namespace tvq
