#pragma once
// tvq418-sim and tvq418ctl run as real processes for one test; their output goes to files, so a
// chatty child never blocks.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tvq::e2e {

using Millis = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct Finished {
    int exitCode = -1;  // 128 + signal when killed by one
    std::string out;
    std::string err;
    Millis elapsed{};
    Millis afterInterrupt{};  // from SIGINT to its end
};

inline std::string tempFile() {
    std::string path = "/tmp/tvq-e2e-XXXXXX";
    if (const int fd = ::mkstemp(path.data()); fd >= 0) ::close(fd);
    return path;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline pid_t spawn(std::vector<std::string> argv, const std::string& out, const std::string& err) {
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_TRUNC, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to limit for pid to end, killing it after that; returns its exit code.
inline int reap(pid_t pid, Millis limit) {
    const auto deadline = Clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(Millis{10});
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// What a run printed, for a failure message.
inline std::string shown(const Finished& run) {
    return "exit " + std::to_string(run.exitCode) + " after " +
           std::to_string(run.elapsed.count()) + " ms\nstdout:\n" + run.out + "stderr:\n" + run.err;
}

inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// tvq418ctl with exactly these arguments; 15 s is far beyond any wait but a whole wall's. With
// `interruptWhen`, it gets SIGINT once that holds for what it has printed so far.
using OutputTest = std::function<bool(const std::string&)>;
inline Finished ctl(const std::vector<std::string>& args, Millis limit = Millis{15000},
                    const OutputTest& interruptWhen = {}) {
    std::vector<std::string> argv{TVQ418CTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    Finished run;
    const std::string out = tempFile();
    const std::string err = tempFile();
    const auto start = Clock::now();
    const pid_t pid = spawn(std::move(argv), out, err);
    if (pid > 0 && interruptWhen) {
        while (!interruptWhen(readFile(out)) && Clock::now() < start + limit)
            std::this_thread::sleep_for(Millis{20});
        ::kill(pid, SIGINT);
    }
    const auto signalled = Clock::now();
    if (pid > 0) run.exitCode = reap(pid, limit);
    run.elapsed = std::chrono::duration_cast<Millis>(Clock::now() - start);
    run.afterInterrupt = std::chrono::duration_cast<Millis>(Clock::now() - signalled);
    run.out = readFile(out);
    run.err = readFile(err);
    ::unlink(out.c_str());
    ::unlink(err.c_str());
    return run;
}

enum class Via { Tcp, Pty };

// One tvq418-sim on a free loopback port or a pseudo-terminal, stopped when it goes.
class Simulator {
public:
    explicit Simulator(Via via, const std::vector<std::string>& options = {}) {
        std::vector<std::string> argv{TVQ418SIM_PATH, via == Via::Tcp ? "--tcp" : "--pty"};
        if (via == Via::Tcp) argv.push_back("127.0.0.1:0");
        argv.insert(argv.end(), options.begin(), options.end());
        pid_ = spawn(std::move(argv), outPath_, errPath_);

        // Once it listens it prints a whole line "tcp 127.0.0.1:PORT" or "pty /dev/pts/N".
        const std::string prefix = via == Via::Tcp ? "tcp " : "pty ";
        const auto deadline = Clock::now() + Millis{10000};
        while (pid_ > 0 && link_.empty() && Clock::now() < deadline) {
            std::istringstream lines(readFile(outPath_));
            for (std::string line; std::getline(lines, line);)
                if (line.starts_with(prefix) && lines.good())
                    link_ = {via == Via::Tcp ? "--tcp" : "--serial", line.substr(prefix.size())};
            std::this_thread::sleep_for(Millis{10});
        }
    }
    ~Simulator() {
        if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0) reap(pid_, Millis{5000});
        ::unlink(outPath_.c_str());
        ::unlink(errPath_.c_str());
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool ready() const { return !link_.empty(); }  // it said where it listens
    // "--tcp 127.0.0.1:PORT" or "--serial /dev/pts/N", for calls that need their own limits.
    const std::vector<std::string>& linkArgs() const { return link_; }
    std::string diagnostics() const {
        return "simulator stdout:\n" + readFile(outPath_) + "stderr:\n" + readFile(errPath_);
    }
    // tvq418ctl with this simulator's link in front of args.
    Finished ctl(const std::vector<std::string>& args, Millis limit = Millis{15000},
                 const OutputTest& interruptWhen = {}) const {
        std::vector<std::string> all = link_;
        all.insert(all.end(), args.begin(), args.end());
        return e2e::ctl(all, limit, interruptWhen);
    }

private:
    std::string outPath_ = tempFile();
    std::string errPath_ = tempFile();
    pid_t pid_ = -1;
    std::vector<std::string> link_;  // "--tcp 127.0.0.1:PORT" or "--serial /dev/pts/N"
};

}  // namespace tvq::e2e
