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
};

}  // namespace

std::string_view englishText(MessageId id) {
    const auto index = static_cast<std::size_t>(id);
    return index < kEnglish.size() ? kEnglish[index] : std::string_view{};
}

std::string InfoText::english() const {
    if (id == MessageId::None) return literal;
    std::string text(englishText(id));
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

}  // namespace tvq
