#pragma once
// Who holds a serial port that would not open: when it is a chain service (tvq418d), the socket
// to go through instead. Found from the kernel's lock table and the holder's command line, so
// the service leaves no note behind that could outlive it.

#include <optional>
#include <string>
#include <string_view>

namespace tvq {

// The pid holding a lock on the file with this device (major, minor) and inode, from the text
// of /proc/locks; nullopt when none does.
std::optional<int> lockHolder(std::string_view locks, unsigned major, unsigned minor,
                              unsigned long inode);

// The --socket value from a command line as /proc/PID/cmdline gives it (NUL-separated words).
std::optional<std::string> socketOption(std::string_view cmdline);

// The socket of the tvq418d that holds devicePath, or nullopt (not held, held by anything else,
// or not ours to see).
std::optional<std::string> serviceHoldingPort(const std::string& devicePath);

// "PATH is held by the chain service: use --service SOCKET"
std::string heldByServiceText(const std::string& devicePath, const std::string& socket);

}  // namespace tvq
