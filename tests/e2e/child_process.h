#pragma once
// Starting the two programs under test as real processes: the client runs to its end, the
// simulator runs in the background until the test stops it.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvq::e2e {

using Millis = std::chrono::milliseconds;

struct Finished {
    int exitCode = -1;  // 128 + signal when killed by one
    std::string out;
    std::string err;
    Millis elapsed{};
    bool killed = false;  // ran past its limit
};

// Runs argv to its end, capturing stdout and stderr; kills it once it runs past limit.
Finished runToEnd(const std::vector<std::string>& argv, Millis limit);

class Background {
public:
    explicit Background(const std::vector<std::string>& argv);
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    bool started() const { return pid_ > 0; }

    // Waits for a stdout line starting with prefix and returns the rest of it.
    std::optional<std::string> waitForLine(std::string_view prefix, Millis limit);

    // SIGTERM, then SIGKILL if it lingers; returns the exit status as runToEnd reports it.
    int stop();

    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string outPath_;
    std::string errPath_;
};

}  // namespace tvq::e2e
