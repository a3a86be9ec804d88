// tvq418ctl journal through a service, a page at a time: the service here is the folder itself,
// counted, so paging, the cursor, --limit and one-time warnings can be checked without a socket.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/journal_command.h"

namespace tvq::cli {
namespace {

TEST(JournalCommand, ThroughTheServicePageByPage) {
    std::string dir = "/tmp/tvq-journal-pages-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    {
        std::ofstream out(dir + "/journal-000001.jsonl", std::ios::binary);
        for (int seq = 1; seq <= 2500; ++seq) {
            out << R"({"seq":)" << seq << R"(,"time":"2026-12-07T14:00:00.000Z","type":"x"})"
                << "\n";
            if (seq == 10) out << "damaged\n";
        }
    }
    int calls = 0;
    const ServiceJournal service = [&](const std::string& socket,
                                       const service::JournalQuery& query) {
        EXPECT_EQ(socket, "/run/x.sock");
        EXPECT_LE(query.limit, 1000u);
        ++calls;
        return service::readJournal(dir, query);
    };
    struct Case {
        std::vector<const char*> args;
        int calls;
        std::size_t lines;
        const char* last;
    };
    const std::vector<Case> cases{{{"--csv"}, 3, 2501, "2500,2026-12-07T14:00:00.000Z,x,,,,,,\r\n"},
                                  {{"--limit", "1500"},
                                   2,
                                   1500,
                                   R"({"seq":1500,"time":"2026-12-07T14:00:00.000Z","type":"x"})"
                                   "\n"},
                                  {{"--since", "2499"},
                                   1,
                                   1,
                                   R"({"seq":2500,"time":"2026-12-07T14:00:00.000Z","type":"x"})"
                                   "\n"}};
    for (const Case& c : cases) {
        std::vector<const char*> argv{"tvq418ctl", "--service", "/run/x.sock", "journal"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        calls = 0;
        const CommandResult run =
            runJournalCommand(static_cast<int>(argv.size()), argv.data(), service);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(run.exitCode, kExitOk) << run.error;
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), c.lines);
        EXPECT_TRUE(run.output.ends_with(c.last)) << run.output.substr(run.output.size() - 200);
        if (c.lines > 1000) {  // later pages meet the damaged line again: named once
            EXPECT_EQ(run.error, "journal-000001.jsonl line 11: malformed line skipped");
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tvq::cli
