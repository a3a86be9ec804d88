#pragma once
// Texts that the core hands to the operator, as identifiers. The GUI shows each one in the
// current language at the moment it is shown; the command-line client prints the English.

#include <string>
#include <string_view>
#include <vector>

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
    // The link's health, with the moment or the wait as the argument.
    NoAnswerSince,
    Reconnecting,
    LinkClosed,  // after the fast mosaic or cascade dialog
    // Attached to a chain service, with the service's (or the socket's) own words as %1.
    ServiceUnreachable,
    ServiceLinkLost,
    ServiceClosed,
    ServiceRefusedJob,
    ServiceUnsupported,
    PortHeldByService,  // %1: the service's socket
    // Settings file
    SettingsNotSaved,  // %1: why
    // screen setup
    ValueOutOfRange,
    ValueMustBeEven,
    SetupFailed,
    SetSuccessfully,
    CannotAdjustUp,
    CannotAdjustDown,
    SameAudioChannel,
    // Timed plans: pages, plan dialog, scheduler and its timer display
    PlanColumnName,
    PlanColumnTime,
    PlanColumnSignal,
    PlanColumnWeekday,
    PlanColumnMonthDay,
    PlanColumnDate,
    PlanDeleteQuestionDay,
    PlanDeleteQuestionWeek,
    PlanDeleteQuestionOnce,
    PlanSelectItem,
    PlanLimitExceeded,
    PlanEntriesOverLimit,
    PlanSpacingRefused,
    PlanTimeSkipped,
    PlanNoKindTicked,
    PlanStatusImmediate,
    PlanStatusWaiting,
    PlanResultUnknown,
    PlanCannotSend,
    PlanMissed,
    PlanLoadFailed,
    PlanSaveFailed,
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

// Replaces %1..%9 by args (a placeholder without an argument stays as it is).
std::string formatMessage(std::string_view text, const std::vector<std::string>& args);

// One line for an Info field: either a message or a literal text. A message may carry one
// argument (a time, a reason), put in place of "%1" after the message is translated.
struct InfoText {
    MessageId id = MessageId::None;
    std::string literal;   // the text itself when id is None
    std::string argument;  // stands for %1 in a message's text, in either language

    static InfoText message(MessageId id, std::string argument = {}) {
        return {id, {}, std::move(argument)};
    }
    static InfoText text(std::string literal) { return {MessageId::None, std::move(literal), {}}; }
    std::string english() const;
    bool operator==(const InfoText&) const = default;
};

}  // namespace tvq
