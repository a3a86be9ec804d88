#include "core/link/status_reply.h"

#include <array>

#include "core/link/commands.h"

namespace tvq {

StatusCheck checkStatusReply(const CommandFrame& reply, std::uint8_t address) {
    if (!checkByteOk(reply)) return StatusCheck::BadCheckByte;
    if (reply[0] != kFrameStart) return StatusCheck::BadStart;
    if (reply[1] != address) return StatusCheck::WrongAddress;
    if (reply[2] != cmd::kReadPage) return StatusCheck::WrongCommand;
    return StatusCheck::Ok;
}

StatusReport decodeStatus(const CommandFrame& reply) {
    StatusReport r;
    r.address = reply[1];
    r.pictureMode = reply[4];
    r.transition = reply[5];
    r.freeze = reply[6] & 0x01;
    r.bypass = reply[6] & 0x02;
    r.mosaic = reply[6] & 0x04;
    r.mainSource = reply[7] & 0x0F;
    r.subSource = reply[7] >> 4;
    r.mainSignal = reply[8] != 0;
    r.subSignal = reply[9] != 0;
    r.pipMode = reply[10];
    r.extType = reply[11];
    return r;
}

CommandFrame encodeStatus(const StatusReport& r) {
    const std::uint8_t flags =
        (r.freeze ? 0x01 : 0) | (r.bypass ? 0x02 : 0) | (r.mosaic ? 0x04 : 0);
    return makeFrame(r.address, cmd::kReadPage,
                     {0, r.pictureMode, r.transition, flags,
                      static_cast<std::uint8_t>((r.subSource << 4) | (r.mainSource & 0x0F)),
                      r.mainSignal ? std::uint8_t{1} : std::uint8_t{0},
                      r.subSignal ? std::uint8_t{1} : std::uint8_t{0}, r.pipMode, r.extType});
}

std::string_view extTypeName(unsigned type) {
    static constexpr std::array<std::string_view, 5> names{"NULL", "SDI", "VGA", "DVI", "VIDEO"};
    return type < names.size() ? names[type] : std::string_view{};
}

std::string_view transitionName(unsigned transition) {
    static constexpr std::array<std::string_view, 4> names{"Cut", "Fade=0.5S", "Fade=1.0S",
                                                           "Fade=1.5S"};
    return transition < names.size() ? names[transition] : std::string_view{};
}

}  // namespace tvq
