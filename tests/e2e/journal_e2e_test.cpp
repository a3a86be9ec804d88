// tvq418ctl journal as a process over a prepared journal folder: what it prints, what it warns
// about and how it exits. (The filters and the CSV rows: the journal's own tests.)

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/simulator.h"

namespace tvq::e2e {
namespace {

TEST(JournalCommand, PrintsFiltersAndRefuses) {
    std::string dir = "/tmp/tvq-e2e-journal-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    std::ofstream(dir + "/journal-000001.jsonl", std::ios::binary)
        << R"({"seq":1,"time":"2026-12-07T14:00:00.000Z","type":"exchange","address":1,)"
           R"("by":{"plan":{"entry":0,"kind":"day"}},"op":"source","result":"ok","ms":40})"
           "\n"
        << R"({"seq":2,"time":"2026-12-07T14:36:00.000Z","type":"on-air","address":1,)"
           R"("source":"DVI","from":"2026-12-07T14:00:00.000Z","to":"2026-12-07T14:36:00.000Z",)"
           R"("seconds":2160,"why":"plan","by":{"plan":{"entry":0,"kind":"day"}}})"
           "\n"
        << R"({"seq":3,"time":"2026-12-0)";
    ::setenv("TZ", "UTC", 1);

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // the whole of stdout, or with a leading '~' a part of it
        std::string err;  // a part of stderr
    };
    const std::string torn = "journal-000001.jsonl: incomplete last line skipped";
    const std::vector<Case> cases{
        {{"--since", "1"},
         0,
         R"({"seq":2,"time":"2026-12-07T14:36:00.000Z","type":"on-air","address":1,)"
         R"("by":{"plan":{"entry":0,"kind":"day"}},"from":"2026-12-07T14:00:00.000Z",)"
         R"("seconds":2160,"source":"DVI","to":"2026-12-07T14:36:00.000Z","why":"plan"})"
         "\n",
         torn},
        {{"--on-air"},
         0,
         "address  source  from                 to                   seconds  why   by\n"
         "1        DVI     2026-12-07 14:00:00  2026-12-07 14:36:00  2160     plan  plan day 0\n",
         torn},
        {{"--from", "noon"}, 2, "", "bad --from \"noon\""},
        {{"--csv", "--json"}, 2, "~\"error\":\"usage\"", "--csv excludes --json"}};
    for (const Case& c : cases) {
        std::vector<std::string> args{"journal", "--journal", dir};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Finished run = ctl(args);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(run.exitCode, c.exitCode) << shown(run);
        if (c.out.starts_with('~'))
            EXPECT_TRUE(has(run.out, c.out.substr(1))) << shown(run);
        else
            EXPECT_EQ(run.out, c.out) << shown(run);
        EXPECT_TRUE(has(run.err, c.err)) << shown(run);
    }
    const Finished missing = ctl({"--service", "/nowhere.sock", "journal"});
    EXPECT_EQ(missing.exitCode, 1) << shown(missing);
    const Finished unreadable = ctl({"journal", "--journal", dir + "/absent"});
    EXPECT_EQ(unreadable.exitCode, 1) << shown(unreadable);
    EXPECT_TRUE(has(unreadable.err, "journal folder " + dir + "/absent")) << shown(unreadable);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tvq::e2e
