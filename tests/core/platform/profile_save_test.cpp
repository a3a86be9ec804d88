// Saves that replace only the settings: links, owner, mode, read-only files, leftovers of
// killed writers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <random>

#include "core/platform/profile_file.h"

namespace tvq {
namespace {

namespace fs = std::filesystem;

struct SaveTest : testing::Test {
    SaveTest() {
        fs::create_directories(dir / "real");
        // Open to all: a save as another user must be stopped by the file's mode, not the folder's.
        fs::permissions(dir, fs::perms::all);
        fs::permissions(dir / "real", fs::perms::all);
    }
    ~SaveTest() override { fs::remove_all(dir); }

    static void put(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string get(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Every name in the folder, one level deep, so that a leftover temporary file shows.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            out.push_back(fs::relative(e.path(), dir).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // Loads path, sets k=value and saves.
    static std::error_code saveValue(const fs::path& path, const std::string& value) {
        ProfileFile file(path);
        EXPECT_TRUE(file.writeString("A", "k", value));
        return file.save();
    }
    // A pid that was just in use and is now free.
    static pid_t deadPid() {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(0);
        ::waitpid(pid, nullptr, 0);
        return pid;
    }

    // In memory where there is such a folder: a kill then never waits for a disk flush, so a
    // thousand kills take seconds. What is tested is the rename, not the disk.
    static fs::path scratchRoot() {
        std::error_code ec;
        return fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                   ? fs::path("/dev/shm")
                   : fs::temp_directory_path();
    }
    const fs::path dir = scratchRoot() / ("tvq-save-" + std::to_string(::getpid()));
    const fs::path target = dir / "real" / "Planinfo.ini";
};

// Each case: the links from dir/Planinfo.ini to the real file. The links stay links, the real file
// gets the new content and keeps its mode, and no temporary file is left on either side.
TEST_F(SaveTest, ReplacesTheTargetOfALinkChain) {
    const struct {
        const char* name;
        std::vector<std::string> chain;  // each link's text, the first one at dir/Planinfo.ini
        bool targetExists;
    } cases[] = {
        {"absolute", {(dir / "real" / "Planinfo.ini").string()}, true},
        {"relative chain", {"l1", "real/l2", "Planinfo.ini"}, true},
        {"dangling: the save creates the target", {"real/Planinfo.ini"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "real");
        fs::create_directory(dir / "real");
        for (const char* link : {"Planinfo.ini", "l1", "real/l2"}) fs::remove(dir / link);
        if (c.targetExists) {
            put(target, "[A]\nk=old\n");
            fs::permissions(target,
                            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        }
        const fs::path links[] = {dir / "Planinfo.ini", dir / "l1", dir / "real" / "l2"};
        for (std::size_t i = 0; i < c.chain.size(); ++i) fs::create_symlink(c.chain[i], links[i]);

        ASSERT_EQ(saveValue(dir / "Planinfo.ini", "new"), std::error_code{});
        EXPECT_TRUE(fs::is_symlink(dir / "Planinfo.ini"));
        EXPECT_EQ(get(target), "[A]\nk=new\n");
        if (c.targetExists) {
            EXPECT_EQ(fs::status(target).permissions(),
                      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        }
        EXPECT_EQ(names().size(), 2 + c.chain.size()) << testing::PrintToString(names());
    }

    // A loop is refused and changes nothing.
    fs::remove(dir / "Planinfo.ini");
    fs::create_symlink("loop", dir / "Planinfo.ini");
    fs::create_symlink("Planinfo.ini", dir / "loop");
    EXPECT_EQ(ProfileFile(dir / "Planinfo.ini").save(), std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(fs::is_symlink(dir / "Planinfo.ini"));
}

// A file made read-only is not replaced, not even by root: no write bit at all, or no write
// permission for the user saving.
TEST_F(SaveTest, RefusesReadOnlyFiles) {
    const uid_t me = ::geteuid();
    const bool root = me == 0;
    const struct {
        const char* name;
        mode_t mode;
        uid_t saveAs;  // the effective user while saving
    } cases[] = {
        {"no write bits", 0444, me},
        {"no bits at all", 0000, me},
        {"writable only by its owner", 0644, 65534},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.mode == 0644 && !root) continue;  // needs a file owned by someone else
        put(target, "[A]\nk=old\n");
        fs::permissions(target, static_cast<fs::perms>(c.mode));
        ASSERT_EQ(::seteuid(c.saveAs), 0);
        ProfileFile file(target);
        file.writeString("A", "k", "new");
        const std::error_code ec = file.save();
        ASSERT_EQ(::seteuid(me), 0);
        EXPECT_EQ(ec, std::errc::permission_denied);
        fs::permissions(target, fs::perms::owner_all);
        EXPECT_EQ(get(target), "[A]\nk=old\n");
        EXPECT_EQ(names().size(), 2u);
    }
}

// Root saving a file that belongs to another user gives it back to that user and group.
TEST_F(SaveTest, KeepsTheOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file that belongs to another user";
    put(target, "[A]\nk=old\n");
    ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    ASSERT_EQ(::chmod(target.c_str(), 02664), 0);  // setgid: a change of owner would cut it
    ASSERT_EQ(saveValue(target, "new"), std::error_code{});
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
    EXPECT_EQ(st.st_mode & 07777, 02664u);
    EXPECT_EQ(get(target), "[A]\nk=new\n");
}

// Only our own abandoned temporary files go: not a live writer's, not other names.
TEST_F(SaveTest, StartUpRemovesOnlyStaleTempFiles) {
    const std::string dead = std::to_string(deadPid());
    const std::string self = std::to_string(::getpid());
    const std::string parent = std::to_string(::getppid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {".Planinfo.ini.tmp" + dead + "-0", true},
        {".Planinfo.ini.tmp" + self + "-7", false},  // we may be writing it
        {".Planinfo.ini.tmp" + parent + "-0", false},
        {".Planinfo.ini.tmp" + self + "-8", true},  // made an hour ago: not a save of ours
        {".Planinfo.ini.tmp" + dead + "-", false},
        {".Planinfo.ini.tmp" + dead + "-1x", false},
        {".Planinfo.ini.tmp0-1", false},
        {".Planinfo.ini.tmpx-1", false},
        {"Planinfo.ini.tmp" + dead + "-0", false},
        {".Other.ini.tmp" + dead + "-0", false},
    };
    for (const auto& c : cases) put(dir / "real" / c.name, "[A]\n");
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::minutes(61);
    fs::last_write_time(dir / "real" / cases[3].name, hourAgo);
    fs::create_directory(dir / "real" / (".Planinfo.ini.tmp" + dead + "-9"));
    put(target, "[A]\n");
    fs::create_symlink("real/Planinfo.ini", dir / "Planinfo.ini");

    // Through the link: the temporary files are beside the real file.
    EXPECT_EQ(ProfileFile::removeStaleTemps(dir / "Planinfo.ini"), 2);
    for (const auto& c : cases) EXPECT_EQ(fs::exists(dir / "real" / c.name), !c.removed) << c.name;
    EXPECT_TRUE(fs::is_directory(dir / "real" / (".Planinfo.ini.tmp" + dead + "-9")));
}

// A writer killed at any moment of its saves leaves the old or the new file, which loads; the
// next start-up sweeps whatever temporary file it left.
TEST_F(SaveTest, KillsDuringSavesLeaveAWholeFile) {
    const std::string pad(16 * 1024, 'p');  // big enough to be cut part way through
    const auto content = [&](char v) { return "[A]\nk=" + std::string(1, v) + "\n[B]\np=" + pad; };
    put(target, content('a'));
    std::mt19937 random(418);
    int leftovers = 0;
    for (int kill = 0; kill < 1000; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) (void)saveValue(target, i % 2 ? "a" : "b");
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(0, 1500)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string now = get(target);
        ASSERT_TRUE(now == content('a') || now == content('b')) << "after kill " << kill;
        ASSERT_EQ(ProfileFile(target).state(), ProfileFile::State::Loaded);
        leftovers += ProfileFile::removeStaleTemps(target);
        ASSERT_EQ(names(), (std::vector<std::string>{"real", "real/Planinfo.ini"}));
    }
    // The kills did land inside saves, or this test proves nothing.
    EXPECT_GT(leftovers, 0);
}

}  // namespace
}  // namespace tvq
