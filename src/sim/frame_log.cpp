#include "sim/frame_log.h"

#include <time.h>

#include <chrono>
#include <filesystem>
#include <system_error>

#include "core/link/command_frame.h"

namespace tvq::sim {

std::int64_t monotonicMicros() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

std::string localClockText() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(ms));
    return text;
}

std::string formatLogLine(const LogEntry& e, std::string_view time) {
    std::string line = "{\"mono_us\":" + std::to_string(e.monoUs);
    line += ",\"time\":\"";
    line += time;
    line += e.dir == Direction::In ? "\",\"dir\":\"in\"" : "\",\"dir\":\"out\"";
    line += e.endpoint == EndpointKind::Tcp ? ",\"endpoint\":\"tcp\"" : ",\"endpoint\":\"pty\"";
    if (e.connection != 0) line += ",\"conn\":" + std::to_string(e.connection);
    line += ",\"bytes\":\"" + hexBytes(e.bytes) + "\"";
    if (!e.fault.empty()) {
        line += ",\"fault\":\"";
        line += e.fault;
        line += "\"";
    }
    if (e.dir == Direction::Out && !e.sent) line += ",\"sent\":false";
    line += "}";
    return line;
}

std::unique_ptr<FrameLog> FrameLog::open(const std::string& path, std::uint64_t maxBytes) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) return nullptr;
    // A log left by an earlier run counts towards the limit.
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return std::unique_ptr<FrameLog>(new FrameLog(path, maxBytes, file, ec ? 0 : size));
}

FrameLog::~FrameLog() {
    if (file_) std::fclose(file_);
}

void FrameLog::rotate() {
    std::fclose(file_);
    // Should the move fail, starting afresh in place still keeps the disk use bounded.
    std::error_code ec;
    std::filesystem::rename(path_, path_ + ".1", ec);
    file_ = std::fopen(path_.c_str(), "w");
    size_ = 0;
    if (!file_) std::fprintf(stderr, "tvq418-sim: cannot reopen the log file %s\n", path_.c_str());
}

void FrameLog::record(const LogEntry& entry) {
    const std::string line = formatLogLine(entry, localClockText()) + "\n";
    std::lock_guard lock(mutex_);
    // A fresh file always takes one line, even one longer than the limit.
    if (file_ && size_ > 0 && size_ + line.size() > maxBytes_) rotate();
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
    size_ += line.size();
}

}  // namespace tvq::sim
