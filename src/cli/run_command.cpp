#include "cli/run_command.h"

#include <cstdio>

#include "cli/command_report.h"
#include "cli/json.h"
#include "cli/reply_check.h"
#include "cli/settings_command.h"
#include "cli/status_format.h"
#include "core/link/commands.h"
#include "core/link/sources.h"

namespace tvq::cli {
namespace {

constexpr int kReplyTaken = static_cast<int>(kFrameSize);

CommandFrame withCheckByte(CommandFrame frame) {
    frame[12] = frameCheck(frame);
    return frame;
}

}  // namespace

CommandFrame commandFrame(const CliOptions& options) {
    switch (options.command) {
        case Command::Send:
            return options.frame;
        case Command::Status:
        case Command::Scan:  // what a scan sends each address it asks
            return pageQuery(options.address, 0);
        case Command::Page:
            return pageQuery(options.address, options.page);
        case Command::Source:
            return makeFrame(options.address, cmd::kMainSource, {options.source});
        case Command::Settings:
        case Command::Set:
            break;  // sequences of their own
        case Command::RunPlans:
            break;  // sends plan frames of its own
        case Command::Watch:
            break;  // sends nothing: the service's events
    }
    return options.frame;
}

CommandResult runCommand(const CliOptions& options, FrameExchanger& link) {
    link.setDeviceAddress(options.address);
    if (options.command == Command::Settings) return runSettings(options, link, systemClock());
    if (options.command == Command::Set) return runSet(options, link, systemClock());
    const CommandFrame frame = commandFrame(options);
    CommandFrame reply{};
    ExchangeDetail detail;
    const int result = link.exchangeFrame(frame, reply, options.timeoutMs, detail);
    const std::size_t received = detail.received;

    CommandReport report(options);
    Json& json = report.json();
    json["sent"] = hexBytes(withCheckByte(frame));
    if (options.command == Command::Page) json["page"] = options.page;
    if (options.command == Command::Source)
        json["source"] = {{"code", options.source}, {"name", sourceName(options.source)}};
    json["result"] = result;
    report.line("result " + std::to_string(result));
    // A service that refused the exchange: nothing was sent, and its reason is the one to give.
    if (const std::string why = link.lastError(); result != kReplyTaken && !why.empty())
        return report.finish(kExitFailed, why);

    if (options.address == 0) {
        // Nobody answers a broadcast; having sent it is the whole job.
        json["broadcast"] = true;
        report.line("sent to all devices (address 0); no reply awaited");
        return report.finish(kExitOk);
    }
    if (result != kReplyTaken) {
        // A closed line ends the wait at once; calling that silence would send the user
        // looking for a slow device.
        if (detail.lineClosed)
            return report.finish(kExitFailed, lineClosedText(link.isSerial(), received));
        return report.finish(kExitFailed, "no reply from address " +
                                              std::to_string(options.address) + " within " +
                                              std::to_string(options.timeoutMs) + " ms");
    }

    json["reply"] = hexBytes(reply);
    json["received"] = received;
    report.line("reply " + hexBytes(reply));
    // Zero-filled bytes can make a check byte come out right; what never arrived is no reply.
    if (received < kFrameSize)
        return report.finish(kExitFailed, "short reply: " + std::to_string(received) + " of " +
                                              std::to_string(kFrameSize) + " bytes");

    const StatusCheck check = options.command == Command::Status
                                  ? checkStatusReply(reply, options.address)
                                  : checkReplyTo(frame, reply);
    const std::string name(commandName(options.command));
    if (check != StatusCheck::Ok)
        return report.finish(kExitFailed,
                             name + " rejected: " + describeCheck(check, frame, reply));

    if (options.command == Command::Status) {
        if (reply[6] == 0xFF)
            return report.finish(kExitFailed,
                                 "status rejected: byte 6 is 0xff, the device reports no status");
        const StatusReport status = decodeStatus(reply);
        json["status"] = statusJson(status);
        report.lines(statusText(status));
    }
    return report.finish(kExitOk);
}

std::string lineClosedText(bool serial, std::size_t received) {
    return std::string(serial ? "the serial line went away" : "the connection closed") + " after " +
           std::to_string(received) + " of " + std::to_string(kFrameSize) + " bytes";
}

int reportFailure(int exitCode, const std::string& message, bool json, std::string_view hint) {
    const bool usage = exitCode == kExitUsage;
    if (json) {
        const Json object{{"ok", false}, {"error", usage ? "usage" : "link"}, {"message", message}};
        std::printf("%s\n", jsonText(object).c_str());
        std::fflush(stdout);
    }
    std::fprintf(stderr, "tvq418ctl: %s", message.c_str());
    if (usage) std::fprintf(stderr, " (try %.*s)", static_cast<int>(hint.size()), hint.data());
    std::fputc('\n', stderr);
    return exitCode;
}

}  // namespace tvq::cli
