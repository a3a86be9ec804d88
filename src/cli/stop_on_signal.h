#pragma once
// Ctrl-C or SIGTERM as a stop request, so a long command ends after the exchange in flight and
// still reports what it did. The signals stay blocked to the end: a second one waits for the
// report.

#include <signal.h>

#include <stop_token>
#include <thread>

namespace tvq::cli {

class StopOnSignal {
public:
    StopOnSignal() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        // Before any other thread starts, so every thread inherits the mask.
        ::pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        watcher_ = std::jthread([this](std::stop_token own) {
            const timespec tick{0, 100'000'000};
            while (!own.stop_requested())
                if (::sigtimedwait(&signals_, nullptr, &tick) > 0) {
                    source_.request_stop();
                    return;
                }
        });
    }
    std::stop_token token() const { return source_.get_token(); }

private:
    sigset_t signals_{};
    std::stop_source source_;
    std::jthread watcher_;  // last: stopped and joined first
};

}  // namespace tvq::cli
