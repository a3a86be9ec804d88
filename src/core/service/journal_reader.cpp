#include "core/service/journal_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/service/journal_file.h"

namespace tvq::service {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Past this many per file the rest are counted, not listed: a damaged file is one problem.
constexpr std::size_t kWarningsPerFile = 20;

std::optional<std::uint64_t> seqOf(const json& record) {
    if (!record.is_object()) return std::nullopt;
    const auto seq = record.find("seq");
    if (seq == record.end() || !seq->is_number_unsigned()) return std::nullopt;
    return seq->get<std::uint64_t>();
}

std::optional<JournalTime> timeField(const json& record, const char* name) {
    const auto it = record.find(name);
    if (it == record.end() || !it->is_string()) return std::nullopt;
    return parseJournalTime(it->get_ref<const std::string&>());
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The first record's number in a file, when its first line is one.
std::optional<std::uint64_t> firstSeq(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || in.eof()) return std::nullopt;
    return seqOf(json::parse(line, nullptr, false));
}

template <typename T>
std::optional<T> optionalField(const json& object, const char* name, std::string& error) {
    const auto it = object.find(name);
    if (it == object.end() || it->is_null()) return std::nullopt;
    try {
        return it->get<T>();
    } catch (const json::exception&) {
        error = std::string("\"") + name + "\" has the wrong type";
        return std::nullopt;
    }
}

}  // namespace

bool journalMatches(const json& record, const JournalQuery& query) {
    if (query.onAir && record.value("type", std::string()) != "on-air") return false;
    if (query.address) {
        const auto it = record.find("address");
        if (it == record.end() || !it->is_number_integer() || it->get<int>() != *query.address)
            return false;
    }
    if (!query.from && !query.to) return true;
    std::optional<JournalTime> begin = timeField(record, "time");
    std::optional<JournalTime> end = begin;
    if (record.value("type", std::string()) == "on-air") {
        const auto from = timeField(record, "from");
        const auto to = timeField(record, "to");
        if (from && to) begin = from, end = to;
    }
    if (!begin) return false;
    // A moment is in when at or after `from`; a stretch when it ends after it.
    if (query.from && (begin == end ? *begin < *query.from : *end <= *query.from)) return false;
    if (query.to && *begin >= *query.to) return false;
    return true;
}

JournalPage readJournal(const fs::path& dir, const JournalQuery& query) {
    std::error_code ec;
    std::vector<std::uint64_t> indexes;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (const std::uint64_t index = journalFileIndex(it->path().filename().string()))
            indexes.push_back(index);
    if (ec) throw std::runtime_error("journal folder " + dir.string() + ": " + ec.message());
    std::sort(indexes.begin(), indexes.end());

    JournalPage page;
    page.next = query.since.value_or(0);
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        const std::string name = journalFileName(indexes[i]);
        // A file whose successor starts at or before the cursor holds nothing newer.
        if (query.since && i + 1 < indexes.size()) {
            const auto first = firstSeq(dir / journalFileName(indexes[i + 1]));
            if (first && *first <= *query.since + 1) continue;
        }
        if (!fs::exists(dir / name, ec)) continue;  // rotated away meanwhile
        const std::string text = readAll(dir / name);
        std::size_t problems = 0;
        const auto warn = [&](std::string what) {
            if (++problems <= kWarningsPerFile) page.warnings.push_back(name + std::move(what));
        };
        std::size_t begin = 0;
        for (std::size_t lineNo = 1; begin < text.size(); ++lineNo) {
            const std::size_t cut = text.find('\n', begin);
            if (cut == std::string::npos) {
                warn(": incomplete last line skipped");
                break;
            }
            const std::string_view line(text.data() + begin, cut - begin);
            begin = cut + 1;
            if (line.empty()) continue;
            json record = json::parse(line, nullptr, false);
            const auto seq = seqOf(record);
            if (!seq) {
                warn(" line " + std::to_string(lineNo) + ": malformed line skipped");
                continue;
            }
            if (query.since && *seq <= *query.since) continue;
            page.next = std::max(page.next, *seq);
            if (!journalMatches(record, query)) continue;
            page.records.push_back(std::move(record));
            if (query.limit && page.records.size() >= query.limit) return page;
        }
        if (problems > kWarningsPerFile)
            page.warnings.push_back(name + ": " + std::to_string(problems - kWarningsPerFile) +
                                    " more lines skipped");
    }
    return page;
}

json journalQueryJson(const JournalQuery& query) {
    json out = json::object();
    if (query.since) out["since"] = *query.since;
    if (query.from) out["from"] = journalTimeText(*query.from);
    if (query.to) out["to"] = journalTimeText(*query.to);
    if (query.address) out["address"] = *query.address;
    if (query.onAir) out["onAir"] = true;
    if (query.limit) out["limit"] = query.limit;
    return out;
}

std::optional<JournalQuery> journalQueryFromJson(const json& request, std::string& error) {
    JournalQuery query;
    error.clear();
    query.since = optionalField<std::uint64_t>(request, "since", error);
    query.address = optionalField<int>(request, "address", error);
    query.onAir = optionalField<bool>(request, "onAir", error).value_or(false);
    query.limit = optionalField<std::size_t>(request, "limit", error).value_or(0);
    for (const auto& [name, field] : {std::pair{"from", &query.from}, {"to", &query.to}}) {
        if (const auto text = optionalField<std::string>(request, name, error)) {
            *field = parseJournalTime(*text);
            if (!*field) error = std::string("\"") + name + "\" is not a time";
        }
    }
    if (!error.empty()) return std::nullopt;
    return query;
}

json journalPageJson(const JournalPage& page) {
    return {{"records", page.records}, {"next", page.next}, {"warnings", page.warnings}};
}

JournalPage journalPageFromJson(const json& answer) {
    JournalPage page;
    if (const auto it = answer.find("records"); it != answer.end() && it->is_array())
        page.records.assign(it->begin(), it->end());
    if (const auto it = answer.find("warnings"); it != answer.end() && it->is_array())
        for (const json& warning : *it)
            if (warning.is_string()) page.warnings.push_back(warning.get<std::string>());
    page.next = answer.value("next", std::uint64_t{0});
    return page;
}

}  // namespace tvq::service
