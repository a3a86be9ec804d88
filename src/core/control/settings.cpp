#include "core/control/settings.h"

#include "core/platform/diagnostics.h"
#include "core/platform/profile_file.h"

#include <functional>
#include <system_error>

namespace tvq {
namespace {

constexpr char kSection[] = "CONNECT";
constexpr char kServiceSection[] = "SET";

// Loads the file afresh, applies change and saves; reports any failure once. The file's lock is
// held from the read to the save, so plans saved meanwhile by another writer are not lost.
std::error_code updateFile(const std::filesystem::path& path,
                           const std::function<bool(ProfileFile&)>& change) {
    const ProfileLock lock(path);
    ProfileFile file(path);
    std::error_code ec = lock.error() ? lock.error() : file.loadError();
    if (!ec && !change(file)) ec = std::make_error_code(std::errc::invalid_argument);
    if (!ec) ec = file.save();
    if (ec) diagnostic("Cannot save " + path.string() + ": " + ec.message() + "\n");
    return ec;
}

}  // namespace

ConnectSettings readConnectSettings(const std::filesystem::path& path) {
    const ProfileFile file(path);
    if (file.state() == ProfileFile::State::Unreadable)
        diagnostic("Cannot read " + path.string() + ": " + file.loadError().message() + "\n");

    ConnectSettings settings;
    settings.useSerial = file.readInt(kSection, "SerialTcp") != 0;
    if (settings.useSerial) {
        settings.serialPort = file.readString(kSection, "SerialPort");
    } else {
        settings.ip = file.readString(kSection, "IP");
        settings.port = file.readString(kSection, "Port");
    }
    settings.useService = file.readInt(kServiceSection, "UseService") != 0;
    settings.serviceSocket = file.readString(kServiceSection, "ServiceSocket");
    settings.autoConnect = file.readInt(kSection, "ConnectFlag") != 0;
    settings.startTimer = file.readInt(kSection, "StartTimerFlag") != 0;
    if (settings.autoConnect) {
        // Reduced to the address byte: 260 is 4, -1 is 255.
        settings.deviceAddress =
            static_cast<std::uint8_t>(static_cast<unsigned>(file.readInt(kSection, "DeviceID")));
    }
    return settings;
}

std::error_code writeSerialTcp(const std::filesystem::path& path, bool useSerial) {
    return updateFile(path, [&](ProfileFile& file) {
        return file.writeInt(kSection, "SerialTcp", useSerial ? 1 : 0);
    });
}

std::error_code saveConnectSettings(const std::filesystem::path& path,
                                    const ConnectSettings& settings) {
    return updateFile(path, [&](ProfileFile& file) {
        bool ok = true;
        if (!settings.useSerial) {
            if (!settings.ip.empty()) ok = file.writeString(kSection, "IP", settings.ip) && ok;
            if (!settings.port.empty())
                ok = file.writeString(kSection, "Port", settings.port) && ok;
        } else if (!settings.serialPort.empty()) {
            ok = file.writeString(kSection, "SerialPort", settings.serialPort) && ok;
        }
        // A file that never knew the service stays without its keys until it is chosen.
        if (settings.useService || file.readInt(kServiceSection, "UseService") != 0)
            ok = file.writeInt(kServiceSection, "UseService", settings.useService ? 1 : 0) && ok;
        if (!settings.serviceSocket.empty())
            ok = file.writeString(kServiceSection, "ServiceSocket", settings.serviceSocket) && ok;
        ok = file.writeInt(kSection, "ConnectFlag", settings.autoConnect ? 1 : 0) && ok;
        ok = file.writeInt(kSection, "StartTimerFlag", settings.startTimer ? 1 : 0) && ok;
        return file.writeInt(kSection, "DeviceID", settings.deviceAddress) && ok;
    });
}

InfoText settingsNotSaved(const std::error_code& why) {
    return InfoText::message(MessageId::SettingsNotSaved, why.message());
}

}  // namespace tvq
