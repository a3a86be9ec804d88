#pragma once
// Runs a dialog's device sequence off the UI thread, one sequence at a time. The sequence gets
// a stop token to hand to every exchange, so closing the dialog mid-sequence returns within one
// try; what it posts back runs on the UI thread, and only while the owner still lives.

#include <QObject>
#include <functional>
#include <stop_token>
#include <thread>

class DeviceTask final {
public:
    // Hands a piece of work to the UI thread; dropped once the owner is gone.
    using Post = std::function<void(std::function<void()>)>;
    using Work = std::function<void(std::stop_token, const Post&)>;

    explicit DeviceTask(QObject* owner) : owner_(owner) {}
    ~DeviceTask() { stop(); }  // asks the sequence to stop and waits for it
    DeviceTask(const DeviceTask&) = delete;
    DeviceTask& operator=(const DeviceTask&) = delete;

    // Starts `work` unless a sequence is still running (then returns false). `done` runs on the
    // UI thread after the sequence ends, unless it was stopped.
    bool start(Work work, std::function<void()> done = {});
    // True from start until `done` has run (or the stopped sequence has ended).
    bool busy() const { return busy_; }
    // Ends a running sequence after its current exchange and waits for it.
    void stop();

private:
    QObject* owner_;
    std::jthread thread_;
    bool busy_ = false;  // UI thread only
    unsigned run_ = 0;   // UI thread only: which sequence a queued `done` belongs to
};
