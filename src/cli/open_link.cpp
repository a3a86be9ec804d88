#include "cli/open_link.h"

#include <filesystem>
#include <system_error>

#include "core/link/link_open.h"
#include "core/link/network_link.h"

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
    // A path that is not there is a typo, not a device that failed to answer.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return {nullptr, kExitUsage, "no such serial device: " + path};
    auto link = openSerialLink(options.serialPath, nullptr);
    if (link) return {std::move(link), kExitOk, {}};
    return {nullptr, kExitFailed,
            "could not open the link: " + std::string(englishText(MessageId::OpenComPortFail)) +
                " (" + path + ")"};
}

}  // namespace

OpenedLink openLink(const CliOptions& options) {
    return options.link == LinkKind::Tcp ? openTcp(options) : openSerial(options);
}

}  // namespace tvq::cli
