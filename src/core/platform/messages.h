#pragma once
// Texts that the core hands to the operator, as identifiers. The GUI shows each one in the
// current language at the moment it is shown; the command-line client prints the English.

#include <string>
#include <string_view>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, text) text
#endif

namespace tvq {

enum class MessageId {
    None,  // a literal text (a device path), not translated
    OpenComPortSuccess,
    OpenComPortFail,
    OpenNetworkSuccess,
    OpenNetworkFail,
    PortOutOfRange,
    EquipmentNormal,
    EquipmentFailed,
    MosaicOnlyOff,
    IncorrectSource,
    NotExtModel,
    RestartDevice,
    // video wall: fast mosaic screen and whole-wall programming
    WallSpecTooLarge,
    WallSpecTooSmall,
    WallHorizontalEmpty,
    WallDataOutOfRange,
    WallVerticalEmpty,
    WallSetOutOfRange,
    WallSetOdd,
    WallCannotConnect,
    WallCheckDvi,
    WallSetSuccess,
    WallSetFail,
    WallConnectSerial,
    WallNoAnswer,
    WallWriteRejected,
    Count
};

// English source text of a message; the translation context is kMessageContext.
inline constexpr const char* kMessageContext = "Messages";
std::string_view englishText(MessageId id);

// One line for an Info field: either a message or a literal text.
struct InfoText {
    MessageId id = MessageId::None;
    std::string literal;

    static InfoText message(MessageId id) { return {id, {}}; }
    static InfoText text(std::string literal) { return {MessageId::None, std::move(literal)}; }
    std::string english() const;
    bool operator==(const InfoText&) const = default;
};

}  // namespace tvq
