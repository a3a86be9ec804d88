#pragma once
// Plain diagnostic lines on standard output ("CreateFile Error\n", the serial trace, ...).

#include <functional>
#include <string>
#include <string_view>

namespace tvq {

// Writes one piece of diagnostic text (normally ending in '\n') and flushes it.
void diagnostic(std::string_view text);

// Replaces where diagnostics go; returns the previous sink. An empty sink means stdout.
using DiagnosticSink = std::function<void(std::string_view)>;
DiagnosticSink setDiagnosticSink(DiagnosticSink sink);

// Text of the last system error, as "GetLastError: %s\n" prints it.
std::string lastErrorText(int errorNumber);

struct LocalTimeOfDay {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
LocalTimeOfDay localTimeOfDay();

}  // namespace tvq
