#pragma once
// tvq418ctl journal: the chain service's journal, read from its folder (or, with --service, asked
// of the service), printed as JSON lines, an on-air report or CSV.

#include <functional>
#include <string>

#include "cli/run_command.h"
#include "core/service/journal_reader.h"

namespace tvq::cli {

// True when the command word (the first argument that is not an option) is "journal".
bool isJournalInvocation(int argc, const char* const* argv);

// How the service answers a query: the socket path and the query; throws std::runtime_error
// with a message for the user when it cannot.
using ServiceJournal =
    std::function<service::JournalPage(const std::string& socket, const service::JournalQuery&)>;

enum class JournalFormat { Records, OnAirTable, Csv };

// Parses and runs one journal command. Without `viaService`, --service is refused.
CommandResult runJournalCommand(int argc, const char* const* argv,
                                const ServiceJournal& viaService = {});

// What a page prints as, whichever way it came; warnings go to the error text, exit stays 0.
CommandResult printJournal(const service::JournalPage& page, JournalFormat format, bool onAir);

}  // namespace tvq::cli
