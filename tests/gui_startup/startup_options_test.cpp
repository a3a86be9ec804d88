#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gui/control/application.h"

namespace {

namespace fs = std::filesystem;
using Action = StartupOptions::Action;

struct ParseCase {
    const char* name;
    std::vector<std::string> args;
    Action action;
    std::string configDir;
    std::string errorPart;  // Action::Error: a piece of the message
    std::string serviceSocket = {};
};

class StartupArgs : public testing::TestWithParam<ParseCase> {};

TEST_P(StartupArgs, Parse) {
    const ParseCase& c = GetParam();
    const StartupOptions got = parseStartupOptions(c.args);
    EXPECT_EQ(got.action, c.action);
    EXPECT_EQ(got.configDir, fs::path(c.configDir));
    EXPECT_EQ(got.serviceSocket, c.serviceSocket);
    if (c.action == Action::Error) {
        EXPECT_NE(got.error.find(c.errorPart), std::string::npos) << got.error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupArgs,
    testing::Values(
        // No arguments: Planinfo.ini stays in the working directory, as for existing setups.
        ParseCase{"NoArguments", {}, Action::Run, "", ""},
        ParseCase{"ConfigDirSeparate", {"--config-dir", "/srv/wall"}, Action::Run, "/srv/wall", ""},
        ParseCase{"ConfigDirJoined", {"--config-dir=/srv/wall"}, Action::Run, "/srv/wall", ""},
        // --help and --version come before Qt removes its own options, so they must win over
        // anything else on the line.
        ParseCase{"HelpAmongQtOptions", {"-platform", "offscreen", "--help"}, Action::Help, "", ""},
        ParseCase{"VersionBeforeAnError", {"--bogus", "--version"}, Action::Version, "", ""},
        ParseCase{"ConfigDirWithoutValue", {"--config-dir"}, Action::Error, "", "wants a folder"},
        ParseCase{"Service",
                  {"--service", "/run/tvq418/hall.sock", "--config-dir=/srv"},
                  Action::Run,
                  "/srv",
                  "",
                  "/run/tvq418/hall.sock"},
        ParseCase{"ServiceEmpty", {"--service="}, Action::Error, "", "wants a socket path"},
        // An empty folder would quietly mean the working directory.
        ParseCase{"ConfigDirEmptyJoined", {"--config-dir="}, Action::Error, "", "wants a folder"},
        ParseCase{"StrayWord", {"Planinfo.ini"}, Action::Error, "", "unknown option Planinfo.ini"}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// Each case runs in its own scratch folder and comes back to where it started.
class ConfigDir : public testing::Test {
protected:
    void SetUp() override {
        start_ = fs::current_path();
        char pattern[] = "/tmp/tvq_config_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        scratch_ = fs::canonical(pattern);
    }
    void TearDown() override {
        fs::current_path(start_);
        fs::remove_all(scratch_);
    }
    fs::path start_;
    fs::path scratch_;
};

// Missing folders are made; an existing folder's file is kept. The settings code opens the file
// by its plain name: it must land in the chosen folder.
TEST_F(ConfigDir, TheFolderIsMadeIfNeededAndBecomesTheWorkingDirectory) {
    const fs::path dir = scratch_ / "home" / ".config" / "tvq418-control";
    EXPECT_EQ(enterConfigDir(dir), "");
    EXPECT_EQ(fs::current_path(), dir);
    std::ofstream("Planinfo.ini") << "[CONNECT]\n";
    fs::current_path(scratch_);
    EXPECT_EQ(enterConfigDir(dir), "");
    std::ifstream in(dir / "Planinfo.ini");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "[CONNECT]\n");
}

TEST_F(ConfigDir, AFileInTheWayIsRefusedAndNothingMoves) {
    fs::current_path(scratch_);
    std::ofstream(scratch_ / "taken") << "x";
    for (const fs::path& dir : {scratch_ / "taken", scratch_ / "taken" / "below"}) {
        const std::string error = enterConfigDir(dir);
        EXPECT_NE(error.find(dir.string()), std::string::npos) << error;
        EXPECT_EQ(fs::current_path(), scratch_);
    }
}

}  // namespace
