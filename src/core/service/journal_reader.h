#pragma once
// Reading the journal back: filters, a cursor to resume from, and plain words about any line
// that could not be read (a crash's incomplete last line, a damaged one).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/service/journal_time.h"

namespace tvq::service {

struct JournalQuery {
    std::optional<std::uint64_t> since{};  // only records after this sequence number
    // A record's time within [from, to); an on-air record's stretch overlapping it.
    std::optional<JournalTime> from{};
    std::optional<JournalTime> to{};
    std::optional<int> address{};
    bool onAir = false;     // on-air records only: the report of what was showing
    std::size_t limit = 0;  // at most this many records; 0: no bound
};

struct JournalPage {
    std::vector<nlohmann::json> records;
    std::vector<std::string> warnings;
    // The sequence number to pass as `since` to go on where this page stopped.
    std::uint64_t next = 0;
};

// Throws std::runtime_error naming the folder when it cannot be read.
JournalPage readJournal(const std::filesystem::path& dir, const JournalQuery& query);

// Whether a record passes the query's filters (since and limit aside): for live events too.
bool journalMatches(const nlohmann::json& record, const JournalQuery& query);

// The forms the service's "journal" request and answer carry. queryFromJson gives nullopt with
// `error` set for a field of the wrong kind.
nlohmann::json journalQueryJson(const JournalQuery& query);
std::optional<JournalQuery> journalQueryFromJson(const nlohmann::json& request, std::string& error);
nlohmann::json journalPageJson(const JournalPage& page);
JournalPage journalPageFromJson(const nlohmann::json& answer);

}  // namespace tvq::service
