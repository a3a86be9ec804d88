#pragma once
// One tvq418-sim for one test, on a free loopback port or a pseudo-terminal, and tvq418ctl
// runs against it.

#include <memory>
#include <string>
#include <vector>

#include "e2e/child_process.h"

namespace tvq::e2e {

enum class Via { Tcp, Pty };

// Every run of the client ends well inside this, even when it waits out a time-out.
inline constexpr Millis kClientLimit{15000};

class Simulator {
public:
    explicit Simulator(Via via, const std::vector<std::string>& options = {});

    // True once the simulator said where it listens.
    bool ready() const { return !linkArgs_.empty(); }
    // "--tcp 127.0.0.1:PORT" or "--serial /dev/pts/N".
    const std::vector<std::string>& linkArgs() const { return linkArgs_; }
    std::string diagnostics() const;

    // tvq418ctl with this simulator's link in front of args.
    Finished ctl(const std::vector<std::string>& args, Millis limit = kClientLimit) const;

private:
    std::unique_ptr<Background> process_;
    std::vector<std::string> linkArgs_;
};

// tvq418ctl with exactly these arguments.
Finished ctl(const std::vector<std::string>& args, Millis limit = kClientLimit);

}  // namespace tvq::e2e
