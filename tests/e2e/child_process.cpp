#include "e2e/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tvq::e2e {
namespace {

constexpr Millis kPollStep{10};

// A fresh empty file for one stream; output goes to files so a chatty child never blocks.
std::string makeTempFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tvq-e2e-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& outPath,
            const std::string& errPath) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_TRUNC,
                                     0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_TRUNC,
                                     0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Waits up to limit for pid to end; true when it did (status filled in).
bool waitFor(pid_t pid, Millis limit, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || done < 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollStep);
    }
}

}  // namespace

Finished runToEnd(const std::vector<std::string>& argv, Millis limit) {
    Finished result;
    const std::string outPath = makeTempFile();
    const std::string errPath = makeTempFile();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = spawn(argv, outPath, errPath);
    if (pid > 0) {
        int status = 0;
        if (!waitFor(pid, limit, status)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            result.killed = true;
        }
        result.exitCode = exitCodeOf(status);
    }
    result.elapsed = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return result;
}

Background::Background(const std::vector<std::string>& argv)
    : outPath_(makeTempFile()), errPath_(makeTempFile()) {
    pid_ = spawn(argv, outPath_, errPath_);
}

Background::~Background() {
    stop();
    ::unlink(outPath_.c_str());
    ::unlink(errPath_.c_str());
}

std::optional<std::string> Background::waitForLine(std::string_view prefix, Millis limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pid_ > 0) {
        std::istringstream lines(out());
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with(prefix) && lines.good()) return line.substr(prefix.size());
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {  // ended before saying where it listens
            status_ = exitCodeOf(status);
            pid_ = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kPollStep);
    }
    return std::nullopt;
}

int Background::stop() {
    if (pid_ <= 0) return status_;
    int status = 0;
    ::kill(pid_, SIGTERM);
    if (!waitFor(pid_, Millis{5000}, status)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
    }
    status_ = exitCodeOf(status);
    pid_ = -1;
    return status_;
}

std::string Background::out() const {
    return readFile(outPath_);
}

std::string Background::err() const {
    return readFile(errPath_);
}

}  // namespace tvq::e2e
