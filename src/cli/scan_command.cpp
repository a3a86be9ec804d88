#include "cli/scan_command.h"

#include <string>

#include "cli/json.h"
#include "core/control/chain_scan.h"
#include "core/link/sources.h"

namespace tvq::cli {
namespace {

std::string mainText(const ScanAnswer& a) {
    const std::string_view name = sourceName(a.mainSource);
    return name.empty() ? "code " + std::to_string(a.mainSource) : std::string(name);
}

std::string problemText(const ScanProblem& p) {
    const std::string asked = "address " + std::to_string(p.asked);
    switch (p.kind) {
        case ScanProblem::Kind::Duplicate:
            return asked + ": " + std::to_string(p.count) +
                   " answers (more than one device on this address?)";
        case ScanProblem::Kind::Foreign:
            return asked + ": answered by address " + std::to_string(p.from);
        case ScanProblem::Kind::Garbled:
            return asked + ": garbled answer (" + std::to_string(p.count) + " stray bytes)";
    }
    return asked;
}

}  // namespace

CommandResult runScan(const CliOptions& options, FrameExchanger& link, std::FILE* progress,
                      std::stop_token stop) {
    ScanTiming timing =
        scanTimingFor(link.isSerial() ? ByteLink::Kind::Serial : ByteLink::Kind::Network);
    if (options.timeoutGiven) timing.replyWait = Millis{options.timeoutMs};

    ScanEvents events;
    int found = 0;
    if (progress) {
        events.answered = [&found](const ScanAnswer&) { ++found; };
        events.progress = [progress, &found](std::uint8_t address, int done, int total) {
            std::fprintf(progress, "\rscanning address %3u  %3d/%d  found %d", address, done, total,
                         found);
            std::fflush(progress);
        };
    }
    const ScanResult result =
        scanChain(link, {options.scanFrom, options.scanTo}, timing, events, stop);
    if (progress) {
        std::fputs("\r\033[K", progress);  // the progress line goes; the list stays
        std::fflush(progress);
    }

    CommandResult out;
    std::string notes;
    for (const ScanProblem& p : result.problems) notes += problemText(p) + "\n";
    if (options.json) {
        // stdout stays one JSON array; the trouble goes to stderr as lines.
        Json array = Json::array();
        for (const ScanAnswer& a : result.answers) {
            const std::string_view name = sourceName(a.mainSource);
            array.push_back({{"address", a.address},
                             {"main", name.empty() ? Json(nullptr) : Json(name)},
                             {"signal", a.mainSignal}});
        }
        out.output = jsonText(array) + "\n";
        if (!notes.empty()) std::fputs(notes.c_str(), stderr);
    } else {
        for (const ScanAnswer& a : result.answers)
            out.output += "address " + std::to_string(a.address) + "  main " + mainText(a) +
                          "  signal " + (a.mainSignal ? "yes" : "no") + "\n";
        out.output += notes;
        out.output += std::to_string(result.answers.size()) + " of " +
                      std::to_string(result.asked) + " addresses answered\n";
    }

    const std::string range =
        std::to_string(options.scanFrom) + ".." + std::to_string(options.scanTo);
    if (result.stopped) {
        out.exitCode = kExitFailed;
        out.error = "stopped after " + std::to_string(result.asked) + " of " +
                    std::to_string(ScanRange{options.scanFrom, options.scanTo}.count()) +
                    " addresses; the list is incomplete";
    } else if (result.lineFailed) {
        out.exitCode = kExitFailed;
        out.error = "the line failed after " + std::to_string(result.asked) +
                    " addresses; the scan is incomplete";
        if (const std::string why = link.lastError(); !why.empty()) out.error += " (" + why + ")";
    } else if (result.answers.empty()) {
        out.exitCode = kExitFailed;
        out.error = "no device answered on addresses " + range;
    }
    return out;
}

}  // namespace tvq::cli
