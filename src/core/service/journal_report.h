#pragma once
// The journal as people and spreadsheets read it: CSV of records, and the on-air report (what
// was showing where, from when to when, and why) as CSV or an aligned table.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tvq::service {

// One CSV field, quoted when it holds a comma, a quote, a line break or outer blanks.
std::string csvField(std::string_view text);

// Who asked, in a few words: "alice (pid 4242)", "plan week 3", or "" when nobody did.
std::string whoText(const nlohmann::json& by);

// seq,time,type,address,by,op,result,ms,frames with a header line; frames as "out>in" pairs.
std::string journalCsv(const std::vector<nlohmann::json>& records);
// address,source,from,to,seconds,why,by with a header line, times as recorded (UTC).
std::string onAirCsv(const std::vector<nlohmann::json>& records);
// The same columns aligned for reading, times in the local zone.
std::string onAirTable(const std::vector<nlohmann::json>& records);

}  // namespace tvq::service
