#include "core/link/port_holder.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace tvq {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::optional<int> lockHolder(std::string_view locks, unsigned major, unsigned minor,
                              unsigned long inode) {
    std::istringstream lines{std::string(locks)};
    for (std::string line; std::getline(lines, line);) {
        // "1: FLOCK  ADVISORY  WRITE 10400 00:19:3 0 EOF"; waiters ("1: -> FLOCK ...") hold nothing
        std::istringstream words(line);
        std::string index, kind, mode, access, file;
        int pid = 0;
        if (!(words >> index >> kind) || kind == "->") continue;
        if (!(words >> mode >> access >> pid >> file)) continue;
        unsigned fileMajor = 0, fileMinor = 0;
        unsigned long fileInode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &fileMajor, &fileMinor, &fileInode) != 3)
            continue;
        if (fileMajor == major && fileMinor == minor && fileInode == inode) return pid;
    }
    return std::nullopt;
}

std::optional<std::string> socketOption(std::string_view cmdline) {
    bool next = false;
    while (!cmdline.empty()) {
        const std::size_t end = std::min(cmdline.find('\0'), cmdline.size());
        const std::string_view word = cmdline.substr(0, end);
        cmdline.remove_prefix(std::min(end + 1, cmdline.size()));
        if (next) return std::string(word);
        if (word == "--socket") next = true;
        if (word.starts_with("--socket=")) return std::string(word.substr(9));
    }
    return std::nullopt;
}

std::optional<std::string> serviceHoldingPort(const std::string& devicePath) {
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0) return std::nullopt;
    const auto pid =
        lockHolder(readAll("/proc/locks"), ::major(info.st_dev), ::minor(info.st_dev), info.st_ino);
    if (!pid) return std::nullopt;
    const std::string proc = "/proc/" + std::to_string(*pid);
    if (readAll(proc + "/comm") != "tvq418d\n") return std::nullopt;
    auto socket = socketOption(readAll(proc + "/cmdline"));
    if (!socket) return std::nullopt;
    if (!socket->starts_with('/')) {
        // Relative to where the service started; seen only when we may look there.
        char cwd[4096];
        const ssize_t n = ::readlink((proc + "/cwd").c_str(), cwd, sizeof cwd - 1);
        if (n > 0) *socket = std::string(cwd, static_cast<std::size_t>(n)) + "/" + *socket;
    }
    return socket;
}

std::string heldByServiceText(const std::string& devicePath, const std::string& socket) {
    return devicePath + " is held by the chain service: use --service " + socket;
}

}  // namespace tvq
