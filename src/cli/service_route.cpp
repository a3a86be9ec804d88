#include "cli/service_route.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <mutex>

#include "cli/scan_command.h"

namespace tvq::cli {

using service::ServiceClient;
using service::ServiceError;
using service::ServiceExchanger;

ServiceLink connectService(const std::string& socketPath) {
    ServiceLink out;
    try {
        out.link = std::make_unique<ServiceConnection>(std::make_unique<ServiceClient>(socketPath));
    } catch (const ServiceError& e) {
        out.error = e.what();
    }
    return out;
}

CommandResult inSequence(ServiceExchanger& link, std::string_view what, bool json,
                         const std::function<CommandResult()>& body) {
    try {
        link.beginSequence(std::string(what));
    } catch (const ServiceError& e) {
        CommandResult refused{kExitFailed, {}, e.what()};
        if (json)
            refused.output =
                nlohmann::json{{"ok", false}, {"error", "link"}, {"message", e.what()}}.dump() +
                "\n";
        return refused;
    }
    CommandResult result = body();
    // A failed end changes nothing done: the service ends the hold when we go, at the latest.
    try {
        link.endSequence();
    } catch (const ServiceError&) {
    }
    return result;
}

namespace {

int print(const CommandResult& result) {
    std::fputs(result.output.c_str(), stdout);
    std::fflush(stdout);
    if (!result.error.empty()) std::fprintf(stderr, "tvq418ctl: %s\n", result.error.c_str());
    return result.exitCode;
}

}  // namespace

int runOverService(const CliOptions& options, std::stop_token stop) {
    ServiceLink service = connectService(options.servicePath);
    if (!service.link) return reportFailure(kExitFailed, service.error, options.json);
    ServiceExchanger& link = *service.link;
    switch (options.command) {
        case Command::Scan:
            return print(inSequence(link, "scan", options.json, [&] {
                return runScan(options, link, ::isatty(STDERR_FILENO) ? stderr : nullptr, stop);
            }));
        case Command::Settings:
        case Command::Set:
            return print(inSequence(link, commandName(options.command), options.json,
                                    [&] { return runCommand(options, link); }));
        default:
            return print(runCommand(options, link));
    }
}

int runWatch(const CliOptions& options, std::stop_token stop) {
    // Before the client, which may call onClosed up to its end.
    std::mutex mutex;
    std::condition_variable_any ended;
    bool closed = false;

    ServiceLink service = connectService(options.servicePath);
    if (!service.link) return reportFailure(kExitFailed, service.error, options.json);
    ServiceClient& client = service.link->serviceClient();
    client.onEvent([](const nlohmann::json& event) {
        const std::string line = event.dump() + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);  // a script reads each line as it comes
    });
    client.onClosed([&] {
        std::lock_guard lock(mutex);
        closed = true;
        ended.notify_all();
    });

    nlohmann::json request{{"op", "watch"}};
    if (options.watchSince) request["since"] = *options.watchSince;
    if (!options.watchEvents.empty()) request["events"] = options.watchEvents;
    try {
        const nlohmann::json answer = client.request(request, std::chrono::seconds(10), stop);
        if (!answer.value("ok", false))
            return reportFailure(kExitFailed,
                                 options.servicePath + ": " + answer.value("message", "refused"),
                                 options.json);
    } catch (const ServiceError& e) {
        if (stop.stop_requested()) return kExitOk;
        return reportFailure(kExitFailed, e.what(), options.json);
    }

    std::unique_lock lock(mutex);
    ended.wait(lock, stop, [&] { return closed; });
    if (!closed) return kExitOk;
    std::fprintf(stderr, "tvq418ctl: %s: the service closed the connection\n",
                 options.servicePath.c_str());
    return kExitFailed;
}

service::JournalPage journalViaService(const std::string& socketPath,
                                       const service::JournalQuery& query) {
    ServiceClient client(socketPath);
    service::JournalPage all;
    service::JournalQuery next = query;
    // The service answers in pages; ask on from each page's cursor until the query is met.
    for (;;) {
        nlohmann::json request = service::journalQueryJson(next);
        request["op"] = "journal";
        const nlohmann::json answer = client.request(std::move(request));
        if (!answer.value("ok", false))
            throw ServiceError(socketPath + ": " +
                               answer.value("message", "the journal was refused"));
        service::JournalPage page = service::journalPageFromJson(answer);
        const bool advanced = !page.records.empty() && (!next.since || page.next > *next.since);
        std::move(page.records.begin(), page.records.end(), std::back_inserter(all.records));
        for (std::string& warning : page.warnings)  // each page may say the same
            if (std::find(all.warnings.begin(), all.warnings.end(), warning) == all.warnings.end())
                all.warnings.push_back(std::move(warning));
        all.next = std::max(all.next, page.next);
        if (!advanced || (query.limit && all.records.size() >= query.limit)) return all;
        next.since = page.next;
        if (query.limit) next.limit = query.limit - all.records.size();
    }
}

}  // namespace tvq::cli
