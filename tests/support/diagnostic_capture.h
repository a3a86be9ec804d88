#pragma once
// Collects what the core prints as diagnostics while it is alive.

#include <mutex>
#include <string>

#include "core/platform/diagnostics.h"

namespace tvq::test {

class DiagnosticCapture {
public:
    DiagnosticCapture() {
        previous_ = setDiagnosticSink([this](std::string_view text) {
            std::lock_guard lock(mutex_);
            text_ += text;
        });
    }
    ~DiagnosticCapture() { setDiagnosticSink(std::move(previous_)); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    std::string text() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        text_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
    DiagnosticSink previous_;
};

}  // namespace tvq::test
