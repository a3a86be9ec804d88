#pragma once
// The three workers of a connection to one device: the command worker, the status poller and
// the blink worker. Each takes panelLock around each exchange or pass, asks the worker gate
// for its turn before taking it, and ends within one exchange of a stop request.

#include <mutex>
#include <thread>

namespace tvq {

struct SessionCore;

class SessionWorkers {
public:
    explicit SessionWorkers(SessionCore& core) : core_(core) {}
    ~SessionWorkers() { stop(); }
    SessionWorkers(const SessionWorkers&) = delete;
    SessionWorkers& operator=(const SessionWorkers&) = delete;

    // Starts all three, in the documented order; nothing happens when they already run.
    void start();
    // Asks all three to stop at once, then joins them.
    void stop();
    bool running() const;

private:
    SessionCore& core_;
    mutable std::mutex mutex_;  // guards the handles: started by the connect job, stopped by the UI
    std::jthread command_, poller_, blinker_;
};

// The thread bodies, exposed for the workers above.
void commandWorker(SessionCore& core, std::stop_token stop);
void statusPoller(SessionCore& core, std::stop_token stop);
void blinkWorker(SessionCore& core, std::stop_token stop);

}  // namespace tvq
