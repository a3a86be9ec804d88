#pragma once
// The CONNECT section of the settings file: link kind, network address and port, the two start-up
// boxes and the auto-connect address. The plan sections of the same file are never touched here.

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/platform/messages.h"

namespace tvq {

// Looked up in the current working directory.
inline constexpr char kSettingsFile[] = "Planinfo.ini";

struct ConnectSettings {
    bool useSerial = false;  // false: the network link
    std::string ip;          // read only for the network link
    std::string port;        // read only for the network link
    bool autoConnect = false;
    bool startTimer = false;
    std::uint8_t deviceAddress = 1;  // only read, and only meaningful, when autoConnect
    std::string serialPort;          // read only for the serial link; empty: none saved
    bool useService = false;         // attach to a chain service instead of either link
    std::string serviceSocket;       // the service's socket path

    bool operator==(const ConnectSettings&) const = default;
};

// A missing or unreadable file, section or key gives the defaults above.
ConnectSettings readConnectSettings(const std::filesystem::path& path = kSettingsFile);

// Each write reloads the file, changes only its own keys and replaces the file atomically. On
// failure it prints one diagnostic line and returns why; the file is then as it was.
std::error_code writeSerialTcp(const std::filesystem::path& path, bool useSerial);
// Writes ConnectFlag, StartTimerFlag and DeviceID; IP and Port only for the network link and
// SerialPort only for the serial link, each only when not empty, so an empty box keeps the earlier
// value. The service choice goes to [SET] (UseService, ServiceSocket) once it has been made.
std::error_code saveConnectSettings(const std::filesystem::path& path,
                                    const ConnectSettings& settings);

// The Info line's report of a failed write.
InfoText settingsNotSaved(const std::error_code& why);

}  // namespace tvq
