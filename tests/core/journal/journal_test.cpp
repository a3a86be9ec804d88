// The journal on disk and read back: numbers that never repeat across restarts and crashes,
// rotation, filters, CSV, and writers on many threads.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "core/plans/zone.h"
#include "core/service/journal_file.h"
#include "core/service/journal_reader.h"
#include "core/service/journal_report.h"

namespace tvq::service {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Journal : public testing::Test {
protected:
    void SetUp() override {
        std::string path = "/tmp/tvq-journal-XXXXXX";
        ASSERT_NE(::mkdtemp(path.data()), nullptr);
        dir_ = path;
    }
    void TearDown() override { fs::remove_all(dir_); }

    void appendText(std::uint64_t index, const std::string& text) {
        std::ofstream(dir_ / journalFileName(index), std::ios::binary | std::ios::app) << text;
    }
    std::vector<std::uint64_t> seqs(const JournalPage& page) {
        std::vector<std::uint64_t> out;
        for (const json& record : page.records) out.push_back(record["seq"].get<std::uint64_t>());
        return out;
    }
    fs::path dir_;
};

json exchange(int address, const char* time) {
    return {{"type", "exchange"}, {"address", address}, {"time", time}, {"result", "ok"}};
}

json onAir(int address, const char* from, const char* to) {
    return {{"type", "on-air"}, {"address", address}, {"time", to},   {"from", from},
            {"to", to},         {"source", "DVI"},    {"why", "plan"}};
}

TEST_F(Journal, NumbersContinueAfterRestartsAndCrashes) {
    struct Case {
        const char* name;
        std::uint64_t file;  // where a crash left `tail` after three whole records in file 1
        std::string tail;
        std::uint64_t next;
        std::vector<std::string> warnings;  // reading after one more append
    };
    const std::vector<Case> cases{
        {"clean", 1, "", 4, {}},
        {"torn after its number",
         1,
         R"({"seq":4,"ti)",
         5,
         {"journal-000001.jsonl line 4: malformed line skipped"}},
        {"only the line break missing", 1, R"({"seq":4,"type":"x"})", 5, {}},
        {"torn inside its number",
         1,
         R"({"seq":4)",
         4,
         {"journal-000001.jsonl line 4: malformed line skipped"}},
        {"a new file left empty", 2, "", 4, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        {
            JournalFile journal(dir_);
            for (int i = 0; i < 3; ++i) journal.append(exchange(1, "2026-12-07T14:00:00.000Z"));
        }
        appendText(c.file, c.tail);
        if (!c.tail.empty()) {
            EXPECT_EQ(
                readJournal(dir_, {}).warnings,
                std::vector<std::string>{"journal-000001.jsonl: incomplete last line skipped"});
        }

        JournalFile journal(dir_);
        EXPECT_EQ(journal.nextSeq(), c.next);
        EXPECT_EQ(journal.append(exchange(1, "2026-12-07T14:00:01.000Z")), c.next);
        const JournalPage page = readJournal(dir_, {});
        EXPECT_EQ(page.warnings, c.warnings);
        const std::vector<std::uint64_t> read = seqs(page);
        EXPECT_EQ(std::set<std::uint64_t>(read.begin(), read.end()).size(), read.size());
        EXPECT_EQ(read.back(), c.next);
        EXPECT_EQ(page.next, c.next);
    }
}

TEST_F(Journal, RotatesBySizeAndDropsTheOldest) {
    const JournalLimits limits{400, 3};
    {
        JournalFile journal(dir_, limits);
        for (int i = 0; i < 20; ++i) journal.append(exchange(1, "2026-12-07T14:00:00.000Z"));
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        if (!journalFileIndex(entry.path().filename().string())) continue;
        names.push_back(entry.path().filename().string());
        EXPECT_LE(entry.file_size(), limits.maxFileBytes);
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names.back(), journalFileName(journalFileIndex(names.front()) + 2));

    JournalFile reopened(dir_, limits);
    EXPECT_EQ(reopened.append(exchange(1, "2026-12-07T14:00:00.000Z")), 21u);
    const std::vector<std::uint64_t> read = seqs(readJournal(dir_, {}));
    ASSERT_FALSE(read.empty());
    EXPECT_GT(read.front(), 1u);  // the oldest went
    for (std::size_t i = 1; i < read.size(); ++i) EXPECT_EQ(read[i], read[i - 1] + 1);
    EXPECT_EQ(read.back(), 21u);
}

TEST_F(Journal, FiltersAndCursor) {
    {
        JournalFile journal(dir_);
        journal.append(exchange(1, "2026-12-07T14:00:00.000Z"));                           // 1
        journal.append(onAir(1, "2026-12-07T13:00:00.000Z", "2026-12-07T14:30:00.000Z"));  // 2
        journal.append(exchange(2, "2026-12-07T15:00:00.000Z"));                           // 3
        journal.append(onAir(2, "2026-12-07T14:30:00.000Z", "2026-12-07T15:30:00.000Z"));  // 4
    }
    test::ScopedZone zone("UTC");
    const auto at = [](const char* text) { return parseJournalTime(text); };
    struct Case {
        const char* name;
        JournalQuery query;
        std::vector<std::uint64_t> seqs;
        std::uint64_t next;
    };
    const std::vector<Case> cases{
        {"all", {}, {1, 2, 3, 4}, 4},
        {"since", {.since = 2}, {3, 4}, 4},
        {"address", {.address = 2}, {3, 4}, 4},
        {"on air", {.onAir = true}, {2, 4}, 4},
        {"from: a stretch ending there is out", {.from = at("2026-12-07T14:30:00Z")}, {3, 4}, 4},
        {"to: excluded, a stretch begun before is in", {.to = at("2026-12-07T14:00:00Z")}, {2}, 4},
        {"local time window",
         {.from = at("2026-12-07 14:59:59"), .to = at("2026-12-07 15:00:01")},
         {3, 4},
         4},
        {"limit", {.limit = 2}, {1, 2}, 2},
        {"limit after since", {.since = 2, .limit = 1}, {3}, 3},
        {"nothing new", {.since = 4}, {}, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const JournalPage page = readJournal(dir_, c.query);
        EXPECT_EQ(seqs(page), c.seqs);
        EXPECT_EQ(page.next, c.next);
        // The service carries the same query as JSON.
        std::string error;
        const auto carried = journalQueryFromJson(journalQueryJson(c.query), error);
        ASSERT_TRUE(carried) << error;
        EXPECT_EQ(seqs(readJournal(dir_, *carried)), c.seqs);
    }
    std::string error;
    EXPECT_FALSE(journalQueryFromJson({{"from", "yesterday"}}, error));
    EXPECT_EQ(error, "\"from\" is not a time");
}

TEST(JournalTime, TextsAndParsing) {
    test::ScopedZone zone("Asia/Shanghai");
    const auto t = parseJournalTime("2026-12-07T14:36:00.123Z");
    ASSERT_TRUE(t);
    EXPECT_EQ(journalTimeText(*t), "2026-12-07T14:36:00.123Z");
    EXPECT_EQ(parseJournalTime("2026-12-07 22:36:00"), parseJournalTime("2026-12-07T14:36:00Z"));
    for (const char* bad : {"2026-02-30T00:00:00Z", "2026-12-07T24:00:00Z", "2026-12-07T14:36:00",
                            "2026-12-07 14:36", "2026-12-07T14:36:00.1Z", "+026-12-07T14:36:00Z"})
        EXPECT_FALSE(parseJournalTime(bad)) << bad;
}

TEST(JournalReport, CsvQuotingAndOnAirRows) {
    const std::vector<std::pair<std::string, std::string>> fields{
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {" padded", "\" padded\""},
        {"", ""}};
    for (const auto& [in, out] : fields) EXPECT_EQ(csvField(in), out) << in;

    json record = onAir(3, "2026-12-07T13:00:00.000Z", "2026-12-07T14:00:00.000Z");
    record["seconds"] = 3600;
    record["by"] = {{"client", {{"user", "smith, j"}, {"pid", 7}, {"uid", 1000}}}};
    EXPECT_EQ(onAirCsv({record}),
              "address,source,from,to,seconds,why,by\r\n"
              "3,DVI,2026-12-07T13:00:00.000Z,2026-12-07T14:00:00.000Z,3600,plan,"
              "\"smith, j (pid 7)\"\r\n");
    record["by"] = {{"plan", {{"kind", "week"}, {"entry", 2}}}};
    EXPECT_NE(journalCsv({record}).find(",plan week 2,"), std::string::npos);
}

TEST_F(Journal, RefusesAFolderItCannotUse) {
    appendText(1, "");
    const fs::path file = dir_ / journalFileName(1);
    EXPECT_THROW(JournalFile{file}, std::runtime_error);
    JournalFile first(dir_);
    try {
        JournalFile second(dir_);
        ADD_FAILURE() << "a second writer was let in";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "journal folder " + dir_.string() + " is in use by another process");
    }
}

TEST_F(Journal, WritersOnManyThreadsNeverInterleave) {
    constexpr int kThreads = 4, kEach = 40;
    {
        JournalFile journal(dir_, {4096, 100});
        std::vector<std::jthread> writers;
        for (int t = 0; t < kThreads; ++t)
            writers.emplace_back([&journal, t] {
                for (int i = 0; i < kEach; ++i)
                    journal.append({{"type", "exchange"}, {"pad", std::string(600, 'a' + t)}});
            });
    }
    const JournalPage page = readJournal(dir_, {});
    EXPECT_TRUE(page.warnings.empty());
    ASSERT_EQ(page.records.size(), std::size_t{kThreads * kEach});
    for (std::size_t i = 0; i < page.records.size(); ++i) EXPECT_EQ(page.records[i]["seq"], i + 1);
}

}  // namespace
}  // namespace tvq::service
