// tvq418ctl: one exchange with a TVQ418 processor from the command line.

#include <signal.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <unistd.h>

#include "cli/journal_command.h"
#include "cli/open_link.h"
#include "cli/parse_args.h"
#include "cli/plans_command.h"
#include "cli/run_command.h"
#include "cli/run_plans.h"
#include "cli/scan_command.h"
#include "cli/service_route.h"
#include "cli/settings_command.h"
#include "cli/stop_on_signal.h"
#include "cli/wall_command.h"
#include "core/platform/diagnostics.h"

namespace {

void printError(const std::string& message) {
    std::fprintf(stderr, "tvq418ctl: %s\n", message.c_str());
}

int finish(const tvq::cli::CommandResult& result) {
    std::fputs(result.output.c_str(), stdout);
    std::fflush(stdout);
    if (!result.error.empty()) printError(result.error);
    return result.exitCode;
}

int run(int argc, char** argv) {
    using namespace tvq::cli;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("tvq418ctl %s\n", TVQ_VERSION);
            return kExitOk;
        }
    }
    if (isPlansInvocation(argc, argv)) {
        const CommandResult result = runPlansCommand(argc, argv);
        if (result.exitCode != kExitUsage || !result.output.empty()) return finish(result);
        // The plan commands name their own help; the JSON message goes without it.
        const std::string hint = " (try tvq418ctl plans --help)";
        std::string message = result.error;
        if (message.ends_with(hint)) message.resize(message.size() - hint.size());
        return reportFailure(kExitUsage, message, jsonRequested(argc, argv),
                             "tvq418ctl plans --help");
    }
    if (isJournalInvocation(argc, argv))
        return finish(runJournalCommand(argc, argv, journalViaService));
    if (isWallCommand(argc, argv)) return wallMain(argc, argv);
    const ParsedArgs parsed = parseArgs(argc, argv);
    if (std::holds_alternative<HelpRequest>(parsed)) {
        std::fwrite(usageText().data(), 1, usageText().size(), stdout);
        return kExitOk;
    }
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return reportFailure(kExitUsage, error->message, error->json);
    const CliOptions& options = std::get<CliOptions>(parsed);

    // The serial trace belongs on stdout, except where stdout must be pure JSON.
    if (options.json) {
        tvq::setDiagnosticSink([](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        });
    }

    if (options.command == Command::RunPlans) {
        // Before any thread starts, so the runner's sigwait is the only taker.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    }
    if (const auto refused = refuseBeforeLink(options)) return finish(*refused);
    // A scan stopped by Ctrl-C still lists the addresses already found; a watch ends cleanly.
    std::optional<StopOnSignal> interrupt;
    if (options.command == Command::Scan || options.command == Command::Watch) interrupt.emplace();
    const std::stop_token stop = interrupt ? interrupt->token() : std::stop_token{};

    if (options.command == Command::Watch) return runWatch(options, stop);
    if (!options.servicePath.empty()) return runOverService(options, stop);

    OpenedExchanger opened = openExchanger(options);
    if (!opened.exchanger) return reportFailure(opened.exitCode, opened.error, options.json);
    tvq::FrameExchanger& link = *opened.exchanger;
    if (options.command == Command::RunPlans) return runPlans(options, link);
    if (options.command == Command::Scan)
        return finish(runScan(options, link, ::isatty(STDERR_FILENO) ? stderr : nullptr, stop));
    return finish(runCommand(options, link));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {  // out of memory and the like: still one clear line
        printError(e.what());
        return tvq::cli::kExitFailed;
    }
}
