#pragma once
// What the Session's threads share. Lock order: panelLock, then the state mutex (or the
// pending slot's or the worker gate's own, which are leaves), then the link's own lock.
// The state mutex is never held across I/O; observer calls are made under it, so the GUI
// hears about changes in the order they happened.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>

#include "core/control/pending_slot.h"
#include "core/control/session.h"
#include "core/control/worker_gate.h"

namespace tvq {

// A shared pointer that several threads read and replace. (libstdc++'s
// std::atomic<std::shared_ptr> hides its lock from ThreadSanitizer, which then reports races.)
template <class T>
class SharedSlot {
public:
    std::shared_ptr<T> load() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void store(std::shared_ptr<T> value) {
        {
            std::lock_guard lock(mutex_);
            value_.swap(value);
        }
        // The old one, if this was its last owner, goes outside the lock.
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<T> value_;
};

struct SessionCore {
    SessionCore(SessionObserver& observer, Clock& clock, LinkOpener opener, WorkerTiming timing,
                ServiceAttacher attacher = {});

    SessionObserver& observer;
    Clock& clock;
    const WorkerTiming timing;
    const LinkOpener opener;
    LinkChoice choice;  // the link of the last connect; panelLock guards it
    DeviceLink link;    // the direct line; its address is the one in use in both kinds
    const ServiceAttacher attacher;
    // Set while attached to a chain service: then the service's wire replaces `link` and its
    // state events replace the status poller. Shared, so a plan's exchange on another thread
    // keeps it alive through a disconnect.
    SharedSlot<ServiceAttachment> attachment;
    std::mutex panelLock;
    WorkerGate gate;
    PendingSlot pending;
    std::atomic<bool> connectedFlag{false};
    std::atomic<bool> timerRunningFlag{false};
    // Attached to a service that runs plans: whether they are armed (1) or not (0); -1 when
    // not attached or it runs none. Start and Stop then show the service's scheduler.
    std::atomic<int> servicePlans{-1};

    // Changes the panel under the state mutex and publishes the result.
    template <class Change>
    void update(Change&& change) {
        std::lock_guard lock(stateMutex_);
        const PanelState before = panel_;
        change(panel_);
        followServicePlans(panel_);
        if (panel_ != before) observer.panelChanged(panel_);
    }
    // Start and Stop while attached: one or the other, as the service's plans stand.
    void followServicePlans(PanelState& s) const;
    void setServicePlans(std::optional<bool> armed);
    // The wire in use: the service's while attached, the direct line's otherwise.
    template <class Use>
    auto onWire(Use&& use) {
        if (auto a = attachment.load()) return use(a->wire());
        return use(static_cast<FrameExchanger&>(link));
    }
    void setAddress(std::uint8_t address);
    // Attaches to the service of `socket` and starts its events; false (said on the Info
    // line) when the service cannot be reached.
    bool attach(const std::string& socket);
    void detach();
    PanelState snapshot() const;
    void info(const InfoText& text);
    void finishConnect(ConnectOutcome outcome);

    // Decodes a status reply that passed its check byte; the address in use now decides
    // whether it is accepted, so a reply still in flight when the address changed is not.
    void applyStatus(const CommandFrame& reply);

    // Waits `duration` unless a stop comes first; false when stopped.
    bool pause(std::stop_token stop, Millis duration);

    // panelLock for one pass of a worker, or an empty lock when the worker is to stop or
    // was held while it waited for the lock.
    std::unique_lock<std::mutex> beginPass(unsigned worker, std::stop_token stop);

private:
    mutable std::mutex stateMutex_;
    PanelState panel_ = PanelState::initial();
    std::mutex sleepMutex_;
    std::condition_variable_any sleepCv_;
};

}  // namespace tvq
