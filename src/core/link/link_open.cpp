#include "core/link/link_open.h"

#include <cerrno>

#include "core/link/network_link.h"
#include "core/link/port_holder.h"
#include "core/link/serial_port.h"

namespace tvq {

std::string serialDevicePath(const std::string& portName) {
    if (portName.find('/') != std::string::npos) return portName;
    return "/dev/" + portName;
}

std::unique_ptr<ByteLink> openSerialLink(const std::string& portName, const InfoSink& info) {
    const std::string path = serialDevicePath(portName);
    auto port = std::make_unique<CSerialPort>();
    const bool opened = port->Open(path) == 1;
    const bool usable = opened && port->Configure() == 1;
    if (!opened && port->lastError() == EBUSY && info) {
        // Another program would only say "busy"; a chain service can be gone through instead.
        if (const auto socket = serviceHoldingPort(path)) {
            info(InfoText::message(MessageId::PortHeldByService, *socket));
            return nullptr;
        }
    }
    if (info) {
        info(
            InfoText::message(opened ? MessageId::OpenComPortSuccess : MessageId::OpenComPortFail));
        info(InfoText::text(path));
    }
    if (!usable) return nullptr;
    return port;
}

NetworkOpenResult openNetworkLink(const std::string& ipText, const std::string& portText,
                                  const InfoSink& info, Millis timeout) {
    NetworkOpenResult result;
    const std::int64_t port = readPortText(portText);
    if (!portInRange(port)) {
        result.outcome = NetworkOpenResult::Outcome::PortOutOfRange;
        return result;
    }
    const auto address = parseIPv4(ipText);
    if (address && *address != 0)
        result.link = connectWithTimeout(*address, static_cast<std::uint16_t>(port), timeout);
    result.outcome =
        result.link ? NetworkOpenResult::Outcome::Connected : NetworkOpenResult::Outcome::Failed;
    if (info)
        info(InfoText::message(result.link ? MessageId::OpenNetworkSuccess
                                           : MessageId::OpenNetworkFail));
    return result;
}

}  // namespace tvq
