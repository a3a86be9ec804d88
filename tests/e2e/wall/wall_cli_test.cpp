#include <gtest/gtest.h>

#include <vector>

#include "cli/wall_command.h"

namespace tvq::cli {
namespace {

std::variant<WallRequest, UsageError> parse(std::vector<const char*> args) {
    args.insert(args.begin(), "tvq418ctl");
    return parseWallArgs(static_cast<int>(args.size()), args.data());
}

std::string errorOf(std::vector<const char*> args) {
    const auto parsed = parse(std::move(args));
    const auto* error = std::get_if<UsageError>(&parsed);
    return error ? error->message : "(accepted)";
}

TEST(WallCli, RefusesBadArguments) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"wall", "calc", "--rows", "1", "--cols", "2", "--cell", "0", "--widths", "1", "--heights",
          "1,1"},
         "--widths wants 2 comma-separated entries (rows x columns), got 1"},
        {{"wall", "calc", "--rows", "-1", "--cols", "2", "--cell", "0", "--widths", "", "--heights",
          ""},
         "--rows -1 is out of range 1..6"},
        {{"wall", "calc", "--rows", "1", "--cols", "2", "--cell", "2", "--widths", ",", "--heights",
          ","},
         "--cell 2 is out of range 0..1"},
        {{"wall", "calc", "--rows", "1", "--cols", "1", "--cell", "0", "--widths", "1", "--heights",
          "1", "--res", "1024"},
         "bad --res \"1024\": give WxH, e.g. 1920x1080"},
        {{"wall", "program", "--rows", "1", "--cols", "1", "--widths", "1", "--heights", "1"},
         "no link: give --tcp HOST:PORT or --serial PATH"},
        {{"--tcp", "127.0.0.1:1", "--address", "3", "wall", "program", "--rows", "1", "--cols", "1",
          "--widths", "1", "--heights", "1"},
         "wall program takes --addresses LIST, not --address"},
        {{"--tcp", "127.0.0.1:1", "wall", "program", "--rows", "1", "--cols", "2", "--widths",
          "1,1", "--heights", "1,1", "--addresses", "5,5"},
         "address 5 is given to two cells"},
    };
    for (const auto& [args, message] : cases) EXPECT_EQ(errorOf(args), message);
}

TEST(WallCli, FindsTheWallWordPastOptionValues) {
    const std::pair<std::vector<const char*>, bool> cases[] = {
        {{"tvq418ctl", "--tcp", "h:1", "wall", "calc"}, true},
        {{"tvq418ctl", "--json", "wall"}, true},
        {{"tvq418ctl", "--tcp=h:1", "wall"}, true},
        {{"tvq418ctl", "--serial", "wall"}, false},  // a device named "wall"
        {{"tvq418ctl", "status", "wall"}, false},
    };
    for (const auto& [args, wall] : cases)
        EXPECT_EQ(isWallCommand(static_cast<int>(args.size()), args.data()), wall) << args[2];
}

TEST(WallCli, CalcPrintsTheWindowsOrTheFailures) {
    auto run = [](std::vector<const char*> args) {
        return runWallCalc(std::get<WallRequest>(parse(std::move(args))));
    };
    WallOutput out = run({"wall", "calc", "--json", "--rows", "1", "--cols", "2", "--cell", "1",
                          "--widths", "1000,920", "--heights", "700,700", "--res", "1024x768"});
    EXPECT_EQ(out.exitCode, kExitOk);
    EXPECT_EQ(out.output,
              "{\"input\":{\"width\":490,\"height\":768,\"x\":533,\"y\":0},"
              "\"output\":{\"width\":920,\"height\":700,\"x\":0,\"y\":0}}\n");

    out = run({"wall", "calc", "--json", "--rows", "2", "--cols", "1", "--cell", "0", "--widths",
               "abc,", "--heights", "700,-5"});
    EXPECT_EQ(out.exitCode, kExitFailed);
    EXPECT_EQ(out.output,
              "{\"failures\":[{\"check\":\"width-range\",\"cell\":0,\"message\":\"Sorry, data "
              "out of range\"},{\"check\":\"height-range\",\"cell\":1,\"message\":\"Sorry, data "
              "out of range\"}]}\n");
}

}  // namespace
}  // namespace tvq::cli
