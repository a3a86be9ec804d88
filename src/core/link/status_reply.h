#pragma once
// Field-by-field view of the reply to the status query (command 23, page 0).

#include <cstdint>
#include <string>

#include "core/link/command_frame.h"

namespace tvq {

struct StatusReport {
    std::uint8_t address = 0;
    std::uint8_t pictureMode = 0;  // 3/1 PIP/POP (steady/blinking), 5/4 TEXT, else neither
    std::uint8_t transition = 0;   // 0 Cut, 1..3 Fade 0.5/1.0/1.5 s
    bool freeze = false;
    bool bypass = false;
    bool mosaic = false;
    std::uint8_t mainSource = 0;  // low four bits of byte 7
    std::uint8_t subSource = 0;   // high four bits of byte 7
    bool mainSignal = false;
    bool subSignal = false;
    std::uint8_t pipMode = 0;  // 0..3 shown as M1..M4
    std::uint8_t extType = 0;  // 0 NULL, 1 SDI, 2 VGA, 3 DVI, 4 VIDEO

    bool pipActive() const { return pictureMode == 3 || pictureMode == 1; }
    bool textActive() const { return pictureMode == 5 || pictureMode == 4; }
};

enum class StatusCheck { Ok, BadCheckByte, BadStart, WrongAddress, WrongCommand };

// Tests a reply the way the panel does before decoding it.
StatusCheck checkStatusReply(const CommandFrame& reply, std::uint8_t address);

StatusReport decodeStatus(const CommandFrame& reply);

// Inverse of decodeStatus, for the simulator and tests; the check byte is filled in.
CommandFrame encodeStatus(const StatusReport& report);

std::string_view extTypeName(unsigned type);
std::string_view transitionName(unsigned transition);

}  // namespace tvq
