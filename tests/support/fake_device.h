#pragma once
// A chain of processors behind a ByteLink, for session tests. Every written frame is logged
// with its time and answered at once: status queries from each processor's StatusReport, any
// other command with an acknowledgement (a main-source command also switches the processor's
// main source). Switches make the replies go silent or arrive garbled.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/link/byte_link.h"
#include "core/link/commands.h"
#include "core/link/status_reply.h"
#include "core/platform/clock.h"

namespace tvq::test {

class FakeDevice {
public:
    enum class Fault { None, Silent, BadCheckByte, WrongAddress, WrongCommand };
    struct Sent {
        CommandFrame frame;
        Clock::TimePoint at;
    };
    using Hook = std::function<void(const CommandFrame&)>;

    explicit FakeDevice(Clock& clock) : clock_(clock) {}

    void setStatus(std::uint8_t address, StatusReport status) {
        std::lock_guard lock(mutex_);
        status.address = address;
        processors_[address] = status;
    }
    void setStatusFault(Fault fault) {
        std::lock_guard lock(mutex_);
        statusFault_ = fault;
    }
    void setCommandFault(Fault fault) {
        std::lock_guard lock(mutex_);
        commandFault_ = fault;
    }
    // Runs on the writing thread for every frame, before it is answered.
    void onFrame(Hook hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }

    std::vector<Sent> sent() const {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::size_t sentCount() const {
        std::lock_guard lock(mutex_);
        return sent_.size();
    }
    std::size_t count(std::uint8_t command) const {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(
            std::count_if(sent_.begin(), sent_.end(),
                          [command](const Sent& s) { return s.frame[2] == command; }));
    }
    int liveLinks() const {
        std::lock_guard lock(mutex_);
        return liveLinks_;
    }

    std::unique_ptr<ByteLink> openLink(ByteLink::Kind kind = ByteLink::Kind::Network);

    // Logs a written frame and works out the reply, if any.
    std::optional<CommandFrame> receive(const CommandFrame& frame) {
        Hook hook;
        {
            std::lock_guard lock(mutex_);
            sent_.push_back({frame, clock_.now()});
            hook = hook_;
        }
        if (hook) hook(frame);
        std::lock_guard lock(mutex_);
        return answer(frame);
    }

    void linkOpened() {
        std::lock_guard lock(mutex_);
        ++liveLinks_;
    }
    void linkGone() {
        std::lock_guard lock(mutex_);
        --liveLinks_;
    }

private:
    std::optional<CommandFrame> answer(const CommandFrame& frame) {
        const std::uint8_t address = frame[1];
        if (frame[2] == cmd::kMainSource)
            for (auto& [a, status] : processors_)
                if (address == 0 || a == address) status.mainSource = frame[3];
        const auto it = processors_.find(address);
        if (address == 0 || it == processors_.end()) return std::nullopt;

        const bool statusQuery = frame[2] == cmd::kReadPage && frame[3] == 0;
        CommandFrame reply = statusQuery ? encodeStatus(it->second) : frame;
        reply[12] = frameCheck(reply);
        switch (statusQuery ? statusFault_ : commandFault_) {
            case Fault::None:
                break;
            case Fault::Silent:
                return std::nullopt;
            case Fault::BadCheckByte:
                reply[12] ^= 0xFF;
                break;
            case Fault::WrongAddress:
                reply[1] = static_cast<std::uint8_t>(reply[1] + 1);
                reply[12] = frameCheck(reply);
                break;
            case Fault::WrongCommand:
                reply[2] ^= 0x40;
                reply[12] = frameCheck(reply);
                break;
        }
        return reply;
    }

    Clock& clock_;
    mutable std::mutex mutex_;
    std::map<std::uint8_t, StatusReport> processors_;
    Fault statusFault_ = Fault::None;
    Fault commandFault_ = Fault::None;
    Hook hook_;
    std::vector<Sent> sent_;
    int liveLinks_ = 0;
};

// The line to a FakeDevice: a reply waits to be read from the moment its frame is written.
class FakeDeviceLink final : public ByteLink {
public:
    FakeDeviceLink(FakeDevice& device, Clock& clock, Kind kind)
        : device_(device), clock_(clock), kind_(kind) {
        device_.linkOpened();
    }
    ~FakeDeviceLink() override { device_.linkGone(); }

    Kind kind() const override { return kind_; }
    bool isOpen() const override {
        std::lock_guard lock(mutex_);
        return open_;
    }
    int writeFrame(const CommandFrame& frame) override {
        if (!isOpen()) return 0;
        auto reply = device_.receive(frame);
        std::lock_guard lock(mutex_);
        input_.clear();
        if (reply) input_.assign(reply->begin(), reply->end());
        return static_cast<int>(kFrameSize);
    }
    int readAvailable(std::uint8_t* out, int max) override {
        std::lock_guard lock(mutex_);
        const auto n = std::min(input_.size(), static_cast<std::size_t>(std::max(max, 0)));
        std::copy_n(input_.begin(), n, out);
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<int>(n);
    }
    bool waitReadable(Millis timeout) override {
        {
            std::lock_guard lock(mutex_);
            if (!input_.empty()) return true;
        }
        clock_.sleepFor(timeout);
        return false;
    }
    int discardInput() override {
        std::lock_guard lock(mutex_);
        const int n = static_cast<int>(input_.size());
        input_.clear();
        return n;
    }
    void close() override {
        std::lock_guard lock(mutex_);
        open_ = false;
    }

private:
    FakeDevice& device_;
    Clock& clock_;
    const Kind kind_;
    mutable std::mutex mutex_;
    bool open_ = true;
    std::vector<std::uint8_t> input_;
};

inline std::unique_ptr<ByteLink> FakeDevice::openLink(ByteLink::Kind kind) {
    return std::make_unique<FakeDeviceLink>(*this, clock_, kind);
}

}  // namespace tvq::test
