// The frame log stays within its cap however much traffic it sees, and keeps the latest lines.

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/frame_log.h"
#include "sim/options.h"

namespace tvq::sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The connection number tells the lines apart.
unsigned connectionOf(const std::string& line) {
    const auto at = line.find("\"conn\":");
    return at == std::string::npos ? 0 : static_cast<unsigned>(std::stoul(line.substr(at + 7)));
}

const std::uint8_t kBytes[13] = {5, 1, 0x17};

LogEntry entry(unsigned connection) {
    LogEntry e;
    e.monoUs = monotonicMicros();
    e.connection = connection;
    e.bytes = kBytes;
    return e;
}

TEST(SimFrameLog, RotatesOnceAtItsCapAndKeepsTheLatestLines) {
    const fs::path dir = fs::temp_directory_path() / ("tvq-log-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "frames.jsonl";
    // A log from an earlier run, already past the cap: the first line moves it aside.
    std::ofstream(path) << std::string(900, 'x') << "\n";

    const std::size_t lineSize = formatLogLine(entry(10), localClockText()).size() + 1;
    const std::uint64_t cap = 3 * lineSize + lineSize / 2;  // three lines a file
    {
        auto log = FrameLog::open(path.string(), cap);
        ASSERT_NE(log, nullptr);
        for (unsigned conn = 10; conn < 30; ++conn) log->record(entry(conn));
    }

    const auto current = lines(path);
    const auto previous = lines(path.string() + ".1");
    EXPECT_LE(fs::file_size(path), cap);
    EXPECT_LE(fs::file_size(path.string() + ".1"), cap);
    EXPECT_FALSE(fs::exists(path.string() + ".2"));
    // The newest line is last in the current file, and the two files run on without a gap.
    ASSERT_FALSE(current.empty());
    ASSERT_EQ(previous.size(), 3u);
    EXPECT_EQ(connectionOf(current.back()), 29u);
    EXPECT_EQ(connectionOf(previous.back()) + 1, connectionOf(current.front()));
    fs::remove_all(dir);
}

TEST(SimFrameLog, CapOption) {
    EXPECT_EQ(parseOptions({"--pty"}).options.value().logMaxBytes, 64u << 20);
    EXPECT_EQ(parseOptions({"--pty", "--log-max-bytes", "4096"}).options.value().logMaxBytes,
              4096u);
    for (const char* bad : {"0", "-1", "4k", ""})
        EXPECT_FALSE(parseOptions({"--pty", "--log-max-bytes", bad}).options) << bad;
}

}  // namespace
}  // namespace tvq::sim
