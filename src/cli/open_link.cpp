#include "cli/open_link.h"

#include <cerrno>

#include "cli/service_route.h"
#include "core/link/device_link.h"
#include "core/link/link_open.h"
#include "core/link/network_link.h"
#include "core/link/port_holder.h"
#include "core/link/serial_port.h"
#include "core/platform/diagnostics.h"

namespace tvq::cli {
namespace {

OpenedLink openTcp(const CliOptions& options) {
    const std::string endpoint = formatIPv4(options.ipv4) + ":" + std::to_string(options.port);
    NetworkOpenResult opened =
        openNetworkLink(formatIPv4(options.ipv4), std::to_string(options.port), nullptr);
    if (opened.link) return {std::move(opened.link), kExitOk, {}};
    return {nullptr, kExitFailed,
            "could not open the link: " + std::string(englishText(MessageId::OpenNetworkFail)) +
                " (" + endpoint + ")"};
}

OpenedLink openSerial(const CliOptions& options) {
    const std::string path = serialDevicePath(options.serialPath);
    // Opened here rather than through openSerialLink, to keep the port's reason for failing.
    auto port = std::make_unique<CSerialPort>();
    if (port->Open(path) == 1 && port->Configure() == 1) return {std::move(port), kExitOk, {}};
    if (port->lastError() == EBUSY) {
        if (const auto socket = serviceHoldingPort(path))
            return {nullptr, kExitFailed,
                    "could not open the link: " + heldByServiceText(path, *socket)};
    }
    return {nullptr, kExitFailed,
            "could not open the link: " + std::string(englishText(MessageId::OpenComPortFail)) +
                " (" + path + "): " + lastErrorText(port->lastError())};
}

}  // namespace

OpenedLink openLink(const CliOptions& options) {
    return options.link == LinkKind::Tcp ? openTcp(options) : openSerial(options);
}

OpenedExchanger openExchanger(const CliOptions& options) {
    if (options.viaService()) {
        ServiceLink service = connectService(options.servicePath);
        if (!service.link) return {nullptr, kExitFailed, std::move(service.error)};
        return {std::move(service.link), kExitOk, {}};
    }
    OpenedLink opened = openLink(options);
    if (!opened.link) return {nullptr, opened.exitCode, std::move(opened.error)};
    auto link = std::make_unique<DeviceLink>();
    link->attach(std::move(opened.link));
    return {std::move(link), kExitOk, {}};
}

}  // namespace tvq::cli
