#pragma once
// A chain of processors behind a ByteLink. Every written frame is logged with its time and
// answered at once: a status query from the processor's report, any other command with its
// echo. A fault silences or garbles the replies.

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "core/link/byte_link.h"
#include "core/link/commands.h"
#include "core/link/status_reply.h"
#include "core/platform/clock.h"

namespace tvq::test {

class FakeDevice {
public:
    enum class Fault { None, Silent, BadCheckByte, WrongCommand };
    struct Sent {
        CommandFrame frame;
        Clock::TimePoint at;
    };

    explicit FakeDevice(Clock& clock) : clock_(clock) {}

    void setStatus(std::uint8_t address, StatusReport status) {
        std::lock_guard lock(mutex_);
        status.address = address;
        processors_[address] = status;
    }
    void setStatusFault(Fault fault) { statusFault_ = fault; }
    void setCommandFault(Fault fault) { commandFault_ = fault; }
    // Runs on the writing thread for every frame, before it is answered.
    void onFrame(std::function<void(const CommandFrame&)> hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }

    std::vector<Sent> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::size_t count(std::uint8_t command) const {
        return std::ranges::count(sent(), command, [](const Sent& s) { return s.frame[2]; });
    }
    int liveLinks() const { return liveLinks_; }
    // Every line open now is gone for good, as when the peer closes; lines opened later work.
    void breakOpenLinks() { ++breaks_; }

    std::unique_ptr<ByteLink> openLink() { return std::make_unique<Link>(*this); }

private:
    // DeviceLink calls a ByteLink from one thread at a time, and drops it on close.
    class Link final : public ByteLink {
    public:
        explicit Link(FakeDevice& device) : device_(device) { ++device_.liveLinks_; }
        ~Link() override { --device_.liveLinks_; }
        Kind kind() const override { return Kind::Network; }
        bool isOpen() const override { return true; }
        bool broken() const override { return born_ != device_.breaks_; }
        int writeFrame(const CommandFrame& frame) override {
            if (broken()) return 0;
            const auto reply = device_.receive(frame);
            input_ = reply ? std::vector<std::uint8_t>(reply->begin(), reply->end())
                           : std::vector<std::uint8_t>{};
            return static_cast<int>(kFrameSize);
        }
        int readAvailable(std::uint8_t* out, int max) override {
            if (broken()) return -1;
            const auto n = std::min(input_.size(), static_cast<std::size_t>(max));
            std::copy_n(input_.begin(), n, out);
            input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
            return static_cast<int>(n);
        }
        bool waitReadable(Millis timeout) override {
            if (input_.empty()) device_.clock_.sleepFor(timeout);
            return !input_.empty();
        }
        int discardInput() override { return static_cast<int>(std::exchange(input_, {}).size()); }
        void close() override {}

    private:
        FakeDevice& device_;
        const int born_ = device_.breaks_;
        std::vector<std::uint8_t> input_;
    };

    std::optional<CommandFrame> receive(const CommandFrame& frame) {
        std::unique_lock lock(mutex_);
        sent_.push_back({frame, clock_.now()});
        if (const auto hook = hook_) {
            lock.unlock();
            hook(frame);
            lock.lock();
        }
        const auto it = processors_.find(frame[1]);
        if (frame[1] == 0 || it == processors_.end()) return std::nullopt;

        const bool statusQuery = frame[2] == cmd::kReadPage && frame[3] == 0;
        CommandFrame reply = statusQuery ? encodeStatus(it->second) : frame;
        const Fault fault = statusQuery ? statusFault_ : commandFault_;
        if (fault == Fault::Silent) return std::nullopt;
        if (fault == Fault::WrongCommand) reply[2] ^= 0x40;
        reply[12] = frameCheck(reply) ^ (fault == Fault::BadCheckByte ? 0xFF : 0);
        return reply;
    }

    Clock& clock_;
    mutable std::mutex mutex_;
    std::map<std::uint8_t, StatusReport> processors_;
    std::atomic<Fault> statusFault_{Fault::None}, commandFault_{Fault::None};
    std::function<void(const CommandFrame&)> hook_;
    std::vector<Sent> sent_;
    std::atomic<int> liveLinks_{0};
    std::atomic<int> breaks_{0};
};

}  // namespace tvq::test
