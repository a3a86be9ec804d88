#include "core/service/journal_report.h"

#include <algorithm>
#include <array>

#include "core/platform/local_time.h"
#include "core/service/journal_time.h"

namespace tvq::service {
namespace {

using nlohmann::json;

std::string text(const json& record, const char* name) {
    const auto it = record.find(name);
    if (it == record.end() || it->is_null()) return {};
    if (it->is_string()) return it->get<std::string>();
    return it->dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string localText(const std::string& utc) {
    const auto time = parseJournalTime(utc);
    if (!time) return utc;
    return stampText(std::chrono::floor<std::chrono::seconds>(*time).time_since_epoch().count());
}

std::string framesText(const json& record) {
    const auto frames = record.find("frames");
    if (frames == record.end() || !frames->is_array()) return {};
    std::string out;
    for (const json& frame : *frames) {
        if (!out.empty()) out += ' ';
        out += text(frame, "out") + ">" + text(frame, "in");
    }
    return out;
}

template <std::size_t N>
std::string csvLine(const std::array<std::string, N>& fields) {
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : ",") + csvField(field);
    return line + "\r\n";
}

constexpr std::array<const char*, 7> kOnAirColumns{"address", "source", "from", "to",
                                                   "seconds", "why",    "by"};

std::array<std::string, 7> onAirRow(const json& record, bool local) {
    std::string from = text(record, "from"), to = text(record, "to");
    if (local) from = localText(from), to = localText(to);
    return {text(record, "address"),
            text(record, "source"),
            from,
            to,
            text(record, "seconds"),
            text(record, "why"),
            whoText(record.value("by", json()))};
}

}  // namespace

std::string csvField(std::string_view field) {
    const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote) return std::string(field);
    std::string out = "\"";
    for (const char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string whoText(const json& by) {
    if (!by.is_object()) return by.is_string() ? by.get<std::string>() : std::string();
    if (const auto client = by.find("client"); client != by.end() && client->is_object()) {
        std::string who = text(*client, "user");
        if (who.empty()) who = "uid " + text(*client, "uid");
        if (const std::string pid = text(*client, "pid"); !pid.empty()) who += " (pid " + pid + ")";
        return who;
    }
    if (const auto plan = by.find("plan"); plan != by.end() && plan->is_object())
        return "plan " + text(*plan, "kind") + " " + text(*plan, "entry");
    return {};
}

std::string journalCsv(const std::vector<json>& records) {
    std::string out = "seq,time,type,address,by,op,result,ms,frames\r\n";
    for (const json& r : records)
        out += csvLine(std::array{text(r, "seq"), text(r, "time"), text(r, "type"),
                                  text(r, "address"), whoText(r.value("by", json())), text(r, "op"),
                                  text(r, "result"), text(r, "ms"), framesText(r)});
    return out;
}

std::string onAirCsv(const std::vector<json>& records) {
    std::string out;
    for (const char* column : kOnAirColumns) out += std::string(out.empty() ? "" : ",") + column;
    out += "\r\n";
    for (const json& record : records) out += csvLine(onAirRow(record, false));
    return out;
}

std::string onAirTable(const std::vector<json>& records) {
    std::vector<std::array<std::string, 7>> rows;
    rows.push_back({});
    std::copy(kOnAirColumns.begin(), kOnAirColumns.end(), rows.back().begin());
    for (const json& record : records) rows.push_back(onAirRow(record, true));
    std::array<std::size_t, 7> width{};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            line +=
                row[c] + std::string(c + 1 < row.size() ? width[c] - row[c].size() + 2 : 0, ' ');
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

}  // namespace tvq::service
