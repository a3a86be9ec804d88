#pragma once
// tvq418ctl --service SOCKET: the link commands through tvq418d instead of a line of our own,
// and `watch`, which only a service can answer.

#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

#include "cli/cli_options.h"
#include "cli/run_command.h"
#include "core/service/journal_reader.h"
#include "service/client/service_client.h"

namespace tvq::cli {

namespace detail {
struct ClientHolder {
    std::unique_ptr<service::ServiceClient> client;
};
}  // namespace detail

// The service's exchanger with the connection it talks through, owned as one.
class ServiceConnection final : private detail::ClientHolder, public service::ServiceExchanger {
public:
    explicit ServiceConnection(std::unique_ptr<service::ServiceClient> c)
        : ClientHolder{std::move(c)}, ServiceExchanger(*client) {}
    service::ServiceClient& serviceClient() { return *client; }
};

struct ServiceLink {
    std::unique_ptr<ServiceConnection> link;  // null when the service could not be reached
    std::string error;                        // then "SOCKET: ..."
};

ServiceLink connectService(const std::string& socketPath);

// Runs `body` while the service holds the wire for us alone, so a sequence of exchanges is not
// interleaved with anyone else's. A refused hold is the command's failure (exit 1).
CommandResult inSequence(service::ServiceExchanger& link, std::string_view what, bool json,
                         const std::function<CommandResult()>& body);

// One link command (not run-plans, not watch) through the service. Prints and returns the exit
// status, as the direct route does.
int runOverService(const CliOptions& options, std::stop_token stop);

// Prints each event as one JSON line until `stop` or the service closes (exit 1 then).
int runWatch(const CliOptions& options, std::stop_token stop);

// `tvq418ctl --service PATH journal ...`: the query asked of the service's "journal" op. Throws
// (ServiceError, a std::runtime_error) with a line for the user.
service::JournalPage journalViaService(const std::string& socketPath,
                                       const service::JournalQuery& query);

}  // namespace tvq::cli
