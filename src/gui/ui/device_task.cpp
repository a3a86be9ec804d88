#include "gui/ui/device_task.h"

#include <QMetaObject>

bool DeviceTask::start(Work work, std::function<void()> done) {
    if (busy_) return false;
    if (thread_.joinable()) thread_.join();  // the last sequence has already reported its end
    busy_ = true;
    const unsigned run = ++run_;
    // The owner outlives the thread (this object is one of its members and joins first), and
    // Qt drops calls queued to an owner that has gone since.
    Post post = [owner = owner_](std::function<void()> onUi) {
        QMetaObject::invokeMethod(owner, std::move(onUi), Qt::QueuedConnection);
    };
    thread_ = std::jthread(
        [this, run, post, work = std::move(work), done = std::move(done)](std::stop_token stop) {
            work(stop, post);
            if (stop.stop_requested()) return;
            post([this, run, done] {
                if (run != run_) return;  // stopped after this was queued
                busy_ = false;
                if (done) done();
            });
        });
    return true;
}

void DeviceTask::stop() {
    ++run_;
    busy_ = false;
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}
