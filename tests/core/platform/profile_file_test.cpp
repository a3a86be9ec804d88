#include "core/platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>
#include <tuple>

#include "core/control/settings.h"
#include "support/diagnostic_capture.h"

namespace tvq {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

// Each test gets a scratch folder, open to all users, removed afterwards. In memory where we can:
// a killed writer then never waits for a disk flush.
struct FileTest : testing::Test {
    FileTest() {
        fs::create_directories(dir / "real");
        fs::permissions(dir, fs::perms::all);
        fs::permissions(dir / "real", fs::perms::all);
    }
    ~FileTest() override { fs::remove_all(dir); }
    long entries() const { return std::distance(fs::directory_iterator(dir), {}) - 1; }
    long entries(const fs::path& sub) const {
        return std::distance(fs::directory_iterator(dir / sub), {});
    }
    static fs::path root() {
        return ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path();
    }
    const fs::path dir = root() / ("tvq-test-" + std::to_string(::getpid()));
    const fs::path target = dir / "real" / "Planinfo.ini";
};

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProfileFileReadTest, FindsValues) {
    const std::string text =
        "\xEF\xBB\xBF[CONNECT]\r\n; IP=commented out\r\n  IP =  10.0.0.5  \r\n"
        "Port=\nDup=first\nDup=second\n[ other ] trailing words\nKey = a = b\n"
        "Long=" +
        std::string(300, 'v') +
        "\n[broken\nHidden=1\n[bin]\nKey=has\0nul\n[connect]\nLater=yes\nIP=9.9.9.9"s;
    const ProfileFile file = ProfileFile::fromText(text);
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"CONNECT", "IP", "10.0.0.5"},
        {"CONNECT", "Port", ""},  // present but empty: not the fallback
        {"CONNECT", "; IP", "fallback"},
        {"CONNECT", "Dup", "first"},
        {"CONNECT", "Later", "fallback"},  // a repeated section is not read at all
        {"OTHER", "key", "a = b"},
        {"other", "Long", std::string(kProfileValueMax, 'v')},
        {"other", "Hidden", "1"},  // a header without ']' is not a header
        {"bin", "Key", "fallback"}};
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(file.readString(section, key, "fallback"), expected) << key;
    EXPECT_EQ(file.text(), text);
}

// Each case: the file before, one change, the exact file after (the same when refused).
TEST(ProfileFileWriteTest, ChangesOnlyWhatItMust) {
    const struct {
        char op;  // 'w' writeString, 'k' removeKey, 's' removeSection, 'r' replaceSection
        const char *section, *key, *value, *before, *after;
    } cases[] = {
        {'w', "a", "KEY", "9", "[A]\nKey = 1  \nz=2\n", "[A]\nKey = 9\nz=2\n"},
        {'w', "D", "T", " 9:00: 0,8", "[D]\nT= 8:30: 0,8\n", "[D]\nT= 9:00: 0,8\n"},
        {'w', "A", "k", "2", "[A]\r\nk=1\r\n", "[A]\r\nk=2\r\n"},
        // A new key goes after unknown lines but before the next section's blank and comment.
        {'w', "A", "n", "3", "[A]\nx=1\nnoise\n\n; about B\n[B]\n",
         "[A]\nx=1\nnoise\nn=3\n\n; about B\n[B]\n"},
        // Repeated sections and keys: the first copy is the one written, as it is the one read.
        {'w', "A", "n", "3", "[A]\nx=1\n[B]\n[a]\ny=2\n", "[A]\nx=1\nn=3\n[B]\n[a]\ny=2\n"},
        {'w', "A", "y", "3", "[A]\nx=1\n[a]\ny=2\n", "[A]\nx=1\ny=3\n[a]\ny=2\n"},
        {'w', "A", "n", "3", "[A]\nx=1", "[A]\nx=1\nn=3\n"},
        {'w', "B", "k", "v", "[A]\r\nx=1", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {'w', "B", "k", "v", "", "[B]\nk=v\n"},
        {'k', "a", "K", "", "[A]\nk=1\nK=2\nj=3\n[a]\nk=4\n", "[A]\nj=3\n[a]\nk=4\n"},
        {'s', "daytime", "", "", "[C]\n[DAYTIME]\nT=x\n; note\nU=y\n\n; end\n[Z]\n[Daytime]\n",
         "[C]\n\n; end\n[Z]\n"},
        // Replaced: every copy removed, the section written anew at the end (one key here).
        {'r', "a", "T0", "v", "[A]\r\nx=1\r\n[B]\r\n[a]\r\ny=2", "[B]\r\n[a]\r\nT0=v\r\n"},
        // Refused: what would not read back as one line of its kind.
        {'w', "A", "k", "2\n[X]", "[A]\nk=1\n", "[A]\nk=1\n"},
        {'w', "A", ";k", "v", "", ""},
        {'w', "A]", "k", "v", "", ""}};
    for (const auto& c : cases) {
        ProfileFile file = ProfileFile::fromText(c.before);
        EXPECT_EQ(c.op == 'w'   ? file.writeString(c.section, c.key, c.value)
                  : c.op == 'k' ? file.removeKey(c.section, c.key)
                  : c.op == 'r' ? file.replaceSection(c.section, {{c.key, c.value}})
                                : file.removeSection(c.section),
                  c.before != std::string(c.after))
            << c.before << c.key;
        EXPECT_EQ(file.text(), c.after) << c.before << c.key;
    }
}

// Garbage and a 1 MB line (far past any line buffer) survive a save byte for byte; no temp is
// left.
TEST_F(FileTest, GarbageAndHugeLinesSurviveSaves) {
    const auto path = dir / "Planinfo.ini";
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string huge(1 << 20, 'x');
    const auto content = [&](const char* port) {
        return garbage + "\n[CONNECT]\r\nIP=" + huge + "\r\nPort=" + port + "\r\n[Tail]\n" + huge;
    };
    writeFile(path, content("5000"));

    ProfileFile file(path);
    EXPECT_EQ(file.readString("CONNECT", "IP"), std::string(kProfileValueMax, 'x'));
    EXPECT_EQ(file.readInt("CONNECT", "Port"), 5000);
    ASSERT_TRUE(file.writeString("CONNECT", "Port", "6000"));
    ASSERT_FALSE(file.save());
    EXPECT_TRUE(readFile(path) == content("6000"));  // EXPECT_EQ would print 2 MB
    EXPECT_EQ(entries(), 1);
}

// A file not read (a FIFO must not block; too many lines) is never replaced, nor a failed write.
TEST_F(FileTest, FailedSavesKeepTheOldFile) {
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    const std::string breaks((std::size_t{1} << 20) + 1, '\n');
    writeFile(dir / "breaks.ini", breaks);
    writeFile(dir / "p.ini", "[A]\nk=1\n");
    ProfileFile fifo(dir / "fifo.ini"), tooLong(dir / "breaks.ini"), file(dir / "p.ini");
    for (ProfileFile* f : {&fifo, &tooLong, &file})
        ASSERT_TRUE(f->writeString("A", "k", std::string(8192, 'b')));
    EXPECT_EQ(fifo.state(), ProfileFile::State::Unreadable);
    EXPECT_TRUE(fifo.save());
    EXPECT_EQ(tooLong.save(), std::errc::file_too_large);

    // A file size limit makes the write fail part way, even for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small{4096, saved.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::error_code ec = file.save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ec, std::errc::file_too_large);

    EXPECT_TRUE(fs::is_fifo(dir / "fifo.ini"));
    EXPECT_TRUE(readFile(dir / "breaks.ini") == breaks);
    EXPECT_EQ(readFile(dir / "p.ini"), "[A]\nk=1\n");
    EXPECT_EQ(entries(), 3);
}

// Loads path, sets [A] k=value and saves.
std::error_code saveValue(const fs::path& path, const std::string& value) {
    ProfileFile file(path);
    EXPECT_TRUE(file.writeString("A", "k", value));
    return file.save();
}

// Each case: the links from dir/Planinfo.ini on. They stay links; the final target is replaced
// in its own folder and keeps its mode; a loop is refused.
TEST_F(FileTest, SavesThroughLinkChains) {
    const std::vector<std::string> cases[] = {{target.string()},
                                              {"l1", "real/l2", "Planinfo.ini"},
                                              {"real/missing.ini"},
                                              {"l1", "Planinfo.ini"}};
    for (const auto& chain : cases) {
        SCOPED_TRACE(chain.front());
        fs::remove_all(dir);
        fs::create_directories(dir / "real");
        writeFile(target, "[A]\nk=old\n");
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
        const fs::path links[] = {dir / "Planinfo.ini", dir / "l1", dir / "real" / "l2"};
        for (std::size_t i = 0; i < chain.size(); ++i) fs::create_symlink(chain[i], links[i]);
        const bool loop = chain.back() == "Planinfo.ini" && chain.size() == 2;
        const fs::path end = chain.back() == "real/missing.ini" ? dir / chain.back() : target;

        EXPECT_EQ(saveValue(dir / "Planinfo.ini", "new"),
                  loop ? std::make_error_code(std::errc::too_many_symbolic_link_levels)
                       : std::error_code{});
        EXPECT_TRUE(fs::is_symlink(dir / "Planinfo.ini"));
        EXPECT_EQ(readFile(end), loop ? "[A]\nk=old\n" : "[A]\nk=new\n");
        EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(entries() + entries("real"),
                  static_cast<long>(chain.size()) + 1 + (end != target));
    }
}

// The new file keeps the old one's owner (root) and mode; a read-only file is refused, even to
// root when it has no write bit at all.
TEST_F(FileTest, SaveKeepsOwnerAndModeOrRefusesReadOnlyFiles) {
    const uid_t me = ::geteuid();
    const struct {
        mode_t mode;
        uid_t owner, saveAs;  // owners other than me need root
        bool refused;
    } cases[] = {
        {0444, me, me, true},
        {0000, me, me, true},
        {0640, me, me, false},
        {0644, 1234, 65534, true},
        {02664, 1234, me, false}  // setgid survives the new owner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        if (me != 0 && (c.owner != me || c.saveAs != me)) continue;
        writeFile(target, "[A]\nk=old\n");
        ASSERT_EQ(::chown(target.c_str(), c.owner, c.owner == me ? ::getegid() : 5678), 0);
        ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
        struct stat before {
        }, after{};
        ::stat(target.c_str(), &before);
        ASSERT_EQ(::seteuid(c.saveAs), 0);
        const std::error_code ec = saveValue(target, "new");
        ASSERT_EQ(::seteuid(me), 0);
        ::stat(target.c_str(), &after);
        EXPECT_EQ(
            ec, c.refused ? std::make_error_code(std::errc::permission_denied) : std::error_code{});
        EXPECT_EQ(std::tie(after.st_uid, after.st_gid, after.st_mode),
                  std::tie(before.st_uid, before.st_gid, before.st_mode));
        ::chmod(target.c_str(), 0600);
        EXPECT_EQ(readFile(target), c.refused ? "[A]\nk=old\n" : "[A]\nk=new\n");
        EXPECT_EQ(entries("real"), 1);
    }
}

// Start-up removes our temporary files whose writer is gone or that are an hour old; not a live
// writer's, not other names. Through a link, the files beside its target count.
TEST_F(FileTest, RemovesOnlyStaleTempFiles) {
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".Planinfo.ini.tmp" + std::to_string(gone);
    const std::string self = ".Planinfo.ini.tmp" + std::to_string(::getpid());
    const std::pair<std::string, bool> cases[] = {
        {dead + "-0", true},   {self + "-1", true},  // the second one an hour old
        {self + "-2", false},  {".Planinfo.ini.tmp" + std::to_string(::getppid()) + "-0", false},
        {dead + "-1x", false}, {".Other.ini" + dead.substr(13) + "-0", false}};
    for (const auto& [name, removed] : cases) writeFile(dir / "real" / name, "");
    fs::last_write_time(dir / "real" / cases[1].first,
                        fs::file_time_type::clock::now() - std::chrono::minutes(61));
    fs::create_directory(dir / "real" / (dead + "-9"));
    fs::create_symlink(target, dir / "Planinfo.ini");

    EXPECT_EQ(ProfileFile::removeStaleTemps(dir / "Planinfo.ini"), 2);
    for (const auto& [name, removed] : cases)
        EXPECT_NE(fs::exists(dir / "real" / name), removed) << name;
    EXPECT_TRUE(fs::is_directory(dir / "real" / (dead + "-9")));
}

// Writers killed two hundred times at random moments of their saves always leave the old or the
// new file, which loads; the next start-up sweeps what they left. Eight writers at a time, so that
// the kills cost seconds even on a busy machine or under a sanitizer.
TEST_F(FileTest, KillsDuringSavesLeaveAWholeFile) {
    const auto content = [](char v) {
        return "[A]\nk="s + v + "\n[B]\np=" + std::string(16384, 'p');
    };
    writeFile(target, content('a'));
    std::mt19937 random(418);
    std::uniform_int_distribution<useconds_t> moment(0, 400);
    int swept = 0;
    for (int round = 0; round < 25; ++round) {
        pid_t writers[8];
        for (pid_t& writer : writers) {
            writer = ::fork();
            ASSERT_GE(writer, 0);
            for (int i = 0; writer == 0; ++i) (void)saveValue(target, i % 2 ? "a" : "b");
        }
        for (pid_t writer : writers) {
            ::usleep(moment(random));
            ::kill(writer, SIGKILL);
        }
        for (pid_t writer : writers) ::waitpid(writer, nullptr, 0);
        const std::string now = readFile(target);
        ASSERT_TRUE(now == content('a') || now == content('b')) << "round " << round;
        ASSERT_EQ(ProfileFile(target).state(), ProfileFile::State::Loaded);
        swept += ProfileFile::removeStaleTemps(target);
        ASSERT_EQ(entries("real"), 1);
    }
    EXPECT_GT(swept, 0);  // or no kill landed inside a save and this proves nothing
}

const ConnectSettings kDefaults{false, "", "", false, false, 1, "", false, ""};

// The plan sections and foreign lines that every write must leave exactly as they are.
const std::string kPlans =
    "; by hand\r\n[DAYTIME]\r\nTime0= 8:30: 0,8\r\nOdd line\r\n\r\n[ONCETIME]\r\nTime0=x\r\n";

struct ConnectSettingsTest : FileTest {
    const fs::path path = dir / "Planinfo.ini";
    test::DiagnosticCapture said;
};

TEST_F(ConnectSettingsTest, ReadsSection) {
    EXPECT_EQ(readConnectSettings(path), kDefaults);  // no file
    const std::pair<std::string, ConnectSettings> cases[] = {
        {"[CONNECT]\nSerialTcp=1\nIP=10.0.0.1\nPort=23\n",
         {true, "", "", false, false, 1, "", false, ""}},
        // Numbers: leading blanks and sign, anything after the digits ignored, saturation.
        {"[CONNECT]\nConnectFlag=\t+2\nSerialTcp=0x1\nDeviceID=-1\n",
         {false, "", "", true, false, 255, "", false, ""}},
        {"[CONNECT]\nConnectFlag=0\nStartTimerFlag=1\nDeviceID=3\n",
         {false, "", "", false, true, 1, "", false, ""}},  // no address without auto-connect
        {"[connect]\r\nserialtcp=0\r\nip=1.2.3.4\r\nPORT=80\r\nconnectflag=1\r\ndeviceid=6\r\n",
         {false, "1.2.3.4", "80", true, false, 6, "", false, ""}},
        // The serial port only for the serial link.
        {"[CONNECT]\nSerialTcp=1\nSerialPort=/dev/ttyUSB1\n",
         {true, "", "", false, false, 1, "/dev/ttyUSB1", false, ""}},
        {"[CONNECT]\nSerialPort=/dev/ttyUSB1\nIP=1.1.1.1\n",
         {false, "1.1.1.1", "", false, false, 1, "", false, ""}},
        {"[SET]\nUseService=1\nServiceSocket=/run/tvq418/hall.sock\n",
         {false, "", "", false, false, 1, "", true, "/run/tvq418/hall.sock"}}};
    for (const auto& [file, expected] : cases) {
        writeFile(path, file);
        EXPECT_EQ(readConnectSettings(path), expected) << file;
    }
    EXPECT_EQ(said.text(), "");
}

// Each case: the file before, the settings saved, the exact file after. (Keys already there, in
// any case, are replaced where they stand: the profile file's write table.)
TEST_F(ConnectSettingsTest, SaveChangesOnlyItsKeys) {
    const std::tuple<std::string, ConnectSettings, std::string> cases[] = {
        {kPlans,
         {false, "10.1.1.2", "5000", false, true, 255, "/dev/ttyS1", false, ""},
         kPlans + "[CONNECT]\r\nIP=10.1.1.2\r\nPort=5000\r\nConnectFlag=0\r\nStartTimerFlag=1\r\n"
                  "DeviceID=255\r\n"},
        // Empty boxes keep the earlier address and port; the serial link writes neither.
        {"[CONNECT]\nIP=1.1.1.1\nPort=5000\n", kDefaults,
         "[CONNECT]\nIP=1.1.1.1\nPort=5000\nConnectFlag=0\nStartTimerFlag=0\nDeviceID=1\n"},
        {"[CONNECT]\nSerialTcp=1\nSerialPort=COM3\n",
         {true, "9.9.9.9", "99", true, true, 2, "", false, ""},
         "[CONNECT]\nSerialTcp=1\nSerialPort=COM3\nConnectFlag=1\nStartTimerFlag=1\nDeviceID=2\n"},
        {"[CONNECT]\nSerialTcp=1\nSerialPort=COM3\n",
         {true, "", "", false, false, 1, "/dev/ttyUSB0", false, ""},
         "[CONNECT]\nSerialTcp=1\nSerialPort=/dev/ttyUSB0\nConnectFlag=0\nStartTimerFlag=0\n"
         "DeviceID=1\n"},
        // The service choice, once made, is also unmade in the file; its socket stays.
        {"[SET]\nUseService=1\nServiceSocket=/run/a.sock\n",
         {true, "", "", false, false, 1, "", false, ""},
         "[SET]\nUseService=0\nServiceSocket=/run/a.sock\n[CONNECT]\nConnectFlag=0\n"
         "StartTimerFlag=0\nDeviceID=1\n"}};
    for (const auto& [before, saved, after] : cases) {
        writeFile(path, before);
        EXPECT_EQ(saveConnectSettings(path, saved), std::error_code{}) << before;
        EXPECT_EQ(readFile(path), after);
    }
    EXPECT_EQ(said.text(), "");
}

// A failed write says why in one line and changes nothing; a folder is read as the defaults.
TEST_F(ConnectSettingsTest, FailuresAreReportedAndChangeNothing) {
    writeFile(path, "[CONNECT]\nSerialTcp=1\n");
    EXPECT_EQ(
        saveConnectSettings(path, {false, "1.2.3.4\n[X]", "1", false, false, 1, "", false, ""}),
        std::errc::invalid_argument);
    EXPECT_EQ(said.text(), "Cannot save " + path.string() + ": Invalid argument\n");
    EXPECT_EQ(readFile(path), "[CONNECT]\nSerialTcp=1\n");

    fs::remove(path);
    fs::create_directory(path);
    said.clear();
    EXPECT_EQ(readConnectSettings(path), kDefaults);
    EXPECT_EQ(writeSerialTcp(path, true), std::errc::is_a_directory);
    EXPECT_EQ(said.text(), "Cannot read " + path.string() + ": Is a directory\nCannot save " +
                               path.string() + ": Is a directory\n");
    EXPECT_TRUE(fs::is_directory(path));
    // The Info line gets the reason too (the GUI translates the rest).
    EXPECT_EQ(settingsNotSaved(std::make_error_code(std::errc::is_a_directory)).english(),
              "Settings not saved: Is a directory");
}

}  // namespace
}  // namespace tvq
