// The frame log stays within its cap however much traffic it sees, and keeps the latest lines.

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/frame_log.h"

namespace tvq::sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST(SimFrameLog, RotatesOnceAtItsCapAndKeepsTheLatestLines) {
    const fs::path dir = fs::temp_directory_path() / ("tvq-log-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "frames.jsonl";
    // A log from an earlier run, already past the cap: the first line moves it aside.
    std::ofstream(path) << std::string(900, 'x') << "\n";

    const std::uint8_t bytes[13] = {5, 1, 0x17};
    LogEntry entry;
    entry.monoUs = monotonicMicros();
    entry.connection = 10;
    entry.bytes = bytes;
    const std::size_t lineSize = formatLogLine(entry, localClockText()).size() + 1;
    const std::uint64_t cap = 3 * lineSize + lineSize / 2;  // three lines a file
    {
        auto log = FrameLog::open(path.string(), cap);
        ASSERT_NE(log, nullptr);
        log->record(entry);
        EXPECT_EQ(lines(path.string() + ".1"), std::vector<std::string>{std::string(900, 'x')});
        while (++entry.connection < 30) log->record(entry);
    }

    const auto current = lines(path);
    const auto previous = lines(path.string() + ".1");
    EXPECT_FALSE(fs::exists(path.string() + ".2"));
    // Three lines a file: 25..27 in the older one, 28 and 29 in the fresh one; the rest is gone.
    EXPECT_EQ(previous.size(), 3u);
    ASSERT_EQ(current.size(), 2u);
    EXPECT_NE(previous.back().find("\"conn\":27,"), std::string::npos) << previous.back();
    EXPECT_NE(current.back().find("\"conn\":29,"), std::string::npos) << current.back();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tvq::sim
