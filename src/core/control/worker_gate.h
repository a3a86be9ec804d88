#pragma once
// Holds chosen workers between two passes while a dialog has the device to itself, and lets
// them go again with their state intact. A worker asks for its turn before each pass, outside
// panelLock, so a hold never catches it holding the lock.

#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace tvq {

class WorkerGate {
public:
    // Adds to the held set; takes effect at each held worker's next pass.
    void hold(unsigned workers);
    // Lets every held worker go on.
    void release();
    bool held(unsigned worker) const;

    // Blocks while the worker is held. False once a stop has been requested.
    bool awaitTurn(unsigned worker, std::stop_token stop);

private:
    mutable std::mutex mutex_;
    std::condition_variable_any cv_;
    unsigned held_ = 0;
};

}  // namespace tvq
