#include "cli/reply_check.h"

#include <cstdio>

namespace tvq::cli {

StatusCheck checkReplyTo(const CommandFrame& sent, const CommandFrame& reply) {
    if (!checkByteOk(reply)) return StatusCheck::BadCheckByte;
    if (reply[0] != kFrameStart) return StatusCheck::BadStart;
    if (reply[1] != sent[1]) return StatusCheck::WrongAddress;
    if (reply[2] != sent[2]) return StatusCheck::WrongCommand;
    return StatusCheck::Ok;
}

std::string describeCheck(StatusCheck check, const CommandFrame& sent, const CommandFrame& reply) {
    char text[80];
    switch (check) {
        case StatusCheck::Ok:
            return "reply is good";
        case StatusCheck::BadCheckByte:
            std::snprintf(text, sizeof text, "bad check byte 0x%02x, expected 0x%02x", reply[12],
                          frameCheck(reply));
            break;
        case StatusCheck::BadStart:
            std::snprintf(text, sizeof text, "reply starts with 0x%02x, not 0x05", reply[0]);
            break;
        case StatusCheck::WrongAddress:
            std::snprintf(text, sizeof text, "reply from address %u, expected %u", reply[1],
                          sent[1]);
            break;
        case StatusCheck::WrongCommand:
            std::snprintf(text, sizeof text, "reply to command 0x%02x, expected 0x%02x", reply[2],
                          sent[2]);
            break;
    }
    return text;
}

}  // namespace tvq::cli
