#pragma once
// The link-open step of a connect: opens the chosen line and reports on the Info line.

#include <functional>
#include <memory>
#include <string>

#include "core/link/byte_link.h"
#include "core/platform/messages.h"

namespace tvq {

using InfoSink = std::function<void(const InfoText&)>;

// The path a port name is opened by: a bare name ("ttyUSB0") lives under /dev, anything with a
// slash is already a path ("/dev/pts/7").
std::string serialDevicePath(const std::string& portName);

// Opens and configures a serial port; tells the Info line the outcome, then the device path.
std::unique_ptr<ByteLink> openSerialLink(const std::string& portName, const InfoSink& info);

struct NetworkOpenResult {
    enum class Outcome { Connected, Failed, PortOutOfRange };
    Outcome outcome = Outcome::Failed;
    std::unique_ptr<ByteLink> link;
};

// Checks the port range (out of range touches no Info line: the caller shows its box), then
// connects and tells the Info line the outcome. An empty or malformed address box, or
// 0.0.0.0, is not tried: that address would reach this very machine.
NetworkOpenResult openNetworkLink(const std::string& ipText, const std::string& portText,
                                  const InfoSink& info, Millis timeout = Millis{3003});

}  // namespace tvq
