// The journal under kill -9: a writer (two threads appending as a busy service would) is killed
// at a random moment, restarted and killed again. Afterwards every line must parse, no sequence
// number may appear twice, and a restart must find its place quickly however full the folder.
// Small files make rotation happen during the run too. The service's own crash run goes
// further (plans armed again); this one isolates the files.
//
// Usage: journal_crash [kills, default 100] [folder, default a fresh one in /tmp]

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/service/journal_file.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using tvq::service::JournalFile;

constexpr tvq::service::JournalLimits kLimits{16 * 1024, 4};

[[noreturn]] void writeUntilKilled(const fs::path& dir) {
    const auto start = Clock::now();
    JournalFile journal(dir, kLimits);
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::fprintf(stderr, "%.3f\n", openMs);  // the parent reads the restart time from here
    std::fflush(stderr);
    auto write = [&journal](int thread) {
        for (int i = 0;; ++i)
            journal.append(
                {{"type", "exchange"},
                 {"address", thread},
                 {"op", "source"},
                 {"frames", {{{"out", std::string(26, 'a')}, {"in", std::string(26, 'b')}}}},
                 {"result", "ok"},
                 {"ms", i % 100}});
    };
    std::thread other(write, 2);
    write(1);
    std::abort();  // never: the writers run until the kill
}

}  // namespace

int main(int argc, char** argv) {
    const int kills = argc > 1 ? std::atoi(argv[1]) : 100;
    std::string folder = argc > 2 ? argv[2] : "/tmp/tvq-journal-crash-XXXXXX";
    if (argc <= 2 && !::mkdtemp(folder.data())) return 1;
    const fs::path dir = folder;
    const fs::path timings = dir.string() + ".open-ms";

    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(5, 60);
    double worstOpen = 0;
    double aliveMs = 0;
    for (int k = 0; k < kills; ++k) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen(timings.c_str(), "w", stderr);
            writeUntilKilled(dir);
        }
        const int alive = pause(random);
        aliveMs += alive;
        std::this_thread::sleep_for(std::chrono::milliseconds(alive));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        std::ifstream in(timings);
        double openMs = 0;
        if (in >> openMs) worstOpen = std::max(worstOpen, openMs);
    }

    std::size_t lines = 0, broken = 0, torn = 0, twice = 0, files = 0;
    std::set<std::uint64_t> seen;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!tvq::service::journalFileIndex(entry.path().filename().string())) continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (in.eof()) {  // no line break: what a kill cut short
                ++torn;
                break;
            }
            ++lines;
            const auto record = nlohmann::json::parse(line, nullptr, false);
            if (!record.is_object() || !record.contains("seq")) {
                ++broken;
                continue;
            }
            if (!seen.insert(record["seq"].get<std::uint64_t>()).second) ++twice;
        }
    }
    std::printf(
        "kills %d, files %zu, lines %zu, unparsable lines %zu, torn last lines %zu, numbers "
        "used twice %zu, slowest restart %.1f ms, %.0f records/s while alive\n",
        kills, files, lines, broken, torn, twice, worstOpen,
        1000.0 * double(seen.empty() ? 0 : *seen.rbegin()) / aliveMs);
    if (argc <= 2) fs::remove_all(dir);
    fs::remove(timings);
    return broken == 0 && twice == 0 ? 0 : 1;
}
