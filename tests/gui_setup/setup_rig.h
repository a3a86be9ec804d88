#pragma once
// The screen setup dialog against one simulated processor on an in-memory line, on a fake
// clock so the documented pauses and time-outs pass at once. The line can fall silent, spoil
// its acknowledgements, or hold a page's reply until the test lets it go.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/control/session.h"
#include "core/control/session_test_access.h"
#include "core/link/commands.h"
#include "gui/gui_test_support.h"
#include "gui/setup/set_screen.h"
#include "sim/processor.h"

namespace setuptest {

using tvq::CommandFrame;

class SimLine {
public:
    enum class Fault { None, Silent, WrongCommand };

    tvq::sim::Processor processor{1};
    std::atomic<Fault> writeFault{Fault::None};  // applies to everything but page reads
    std::atomic<int> silentFromPage{-1};         // page reads of this page and after fall silent
    std::atomic<bool> realSilence{false};        // silence costs real time, try by try

    std::vector<CommandFrame> sent() {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    std::vector<int> pagesRead() {
        std::vector<int> pages;
        for (const auto& f : sent())
            if (f[2] == tvq::cmd::kReadPage) pages.push_back(f[3]);
        return pages;
    }
    // The next read of `page` waits in the line until release().
    void holdPage(int page) {
        std::lock_guard lock(mutex_);
        heldPage_ = page;
        holding_ = false;
    }
    bool holding() {
        std::lock_guard lock(mutex_);
        return holding_;
    }
    void release() {
        std::lock_guard lock(mutex_);
        heldPage_ = -1;
        cv_.notify_all();
    }

    std::unique_ptr<tvq::ByteLink> open(tvq::Clock& clock) {
        return std::make_unique<Link>(*this, clock);
    }

private:
    class Link final : public tvq::ByteLink {
    public:
        Link(SimLine& line, tvq::Clock& clock) : line_(line), clock_(clock) {}
        Kind kind() const override { return Kind::Network; }
        bool isOpen() const override { return true; }
        int writeFrame(const CommandFrame& frame) override {
            const auto reply = line_.answer(frame);
            input_ = reply ? std::vector<std::uint8_t>(reply->begin(), reply->end())
                           : std::vector<std::uint8_t>{};
            return static_cast<int>(tvq::kFrameSize);
        }
        int readAvailable(std::uint8_t* out, int max) override {
            const auto n = std::min(input_.size(), static_cast<std::size_t>(max));
            std::copy_n(input_.begin(), n, out);
            input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
            return static_cast<int>(n);
        }
        bool waitReadable(tvq::Millis timeout) override {
            if (!input_.empty()) return true;
            if (line_.realSilence) std::this_thread::sleep_for(timeout);
            clock_.sleepFor(timeout);
            return false;
        }
        int discardInput() override { return static_cast<int>(std::exchange(input_, {}).size()); }
        void close() override {}

    private:
        SimLine& line_;
        tvq::Clock& clock_;
        std::vector<std::uint8_t> input_;
    };

    std::optional<CommandFrame> answer(const CommandFrame& frame) {
        std::unique_lock lock(mutex_);
        sent_.push_back(frame);
        const bool pageRead = frame[2] == tvq::cmd::kReadPage;
        if (pageRead && frame[3] == heldPage_) {
            holding_ = true;
            cv_.wait(lock, [&] { return heldPage_ != frame[3]; });
            holding_ = false;
        }
        if (pageRead && silentFromPage >= 0 && frame[3] >= silentFromPage && frame[3] != 3)
            return std::nullopt;
        auto reply = processor.handle(frame);
        if (!reply || pageRead) return reply;
        switch (writeFault.load()) {
            case Fault::Silent:
                return std::nullopt;
            case Fault::WrongCommand:
                (*reply)[2] ^= 0x40;
                (*reply)[12] = tvq::frameCheck(*reply);
                break;
            case Fault::None:
                break;
        }
        return reply;
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<CommandFrame> sent_;
    int heldPage_ = -1;
    bool holding_ = false;
};

struct Rig {
    tvq::FakeClock clock;
    guitest::QuietObserver observer;
    tvq::Session session{observer, clock};
    SimLine line;
    tvq::setup::WindowGeometry geometry;
    guitest::ScriptedBoxes boxes;
    std::unique_ptr<CSetScreen> dialog;

    Rig() { tvq::SessionTestAccess::link(session).attach(line.open(clock)); }
    ~Rig() {
        dialog.reset();
        guitest::switchLanguage(false);
    }

    // Opens the dialog as the main window does and, unless told not to, waits for its read-back.
    CSetScreen& open(SetupInputs inputs = {.connected = true}, bool wait = true) {
        dialog = std::make_unique<CSetScreen>(session, geometry, clock, boxes, inputs);
        dialog->show();
        if (wait) settle();
        return *dialog;
    }
    void settle() {
        EXPECT_TRUE(guitest::waitFor([this] { return !dialog->busy(); }));
        QApplication::processEvents();
    }

    template <class W = QWidget>
    W* get(const QString& name) {
        return guitest::child<W>(dialog.get(), name);
    }
    QString text(const QString& name) {
        if (auto* edit = dialog->findChild<QLineEdit*>(name)) return edit->text();
        return get<QLabel>(name)->text();
    }
    void type(const QString& field, const QString& text) { get<QLineEdit>(field)->setText(text); }
    // Presses a control (as an assistive tool would) and waits for what it started.
    void press(const QString& name) {
        get<QAbstractButton>(name)->click();
        settle();
    }
    QString info() { return text("infoLine"); }
    std::vector<CommandFrame> writes() {
        std::vector<CommandFrame> out;
        for (const auto& f : line.sent())
            if (f[2] != tvq::cmd::kReadPage) out.push_back(f);
        return out;
    }
    bool unsaved(const QString& field) { return dialog->isChanged(get<QLineEdit>(field)); }
    QColor background(const QString& field) {
        return get<QLineEdit>(field)->palette().color(QPalette::Base);
    }
};

// A write frame as the device gets it: address 1, the parameters, zeros, the check byte.
inline CommandFrame frame(std::uint8_t command, std::initializer_list<std::uint8_t> params) {
    return tvq::makeFrame(1, command, params);
}

}  // namespace setuptest
