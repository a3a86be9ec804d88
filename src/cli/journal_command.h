#pragma once
// tvq418ctl journal: the chain service's journal, read from its folder (or, with --service, asked
// of the service), printed as JSON lines, an on-air report or CSV.

#include <cstdio>
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

// Parses and runs one journal command. Without `viaService`, --service is refused. With `out`,
// the records are written there page by page as they come, else they are the result's output.
CommandResult runJournalCommand(int argc, const char* const* argv,
                                const ServiceJournal& viaService = {}, std::FILE* out = nullptr);

}  // namespace tvq::cli
