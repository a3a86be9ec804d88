#include "core/platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

// Each test gets a scratch folder, removed afterwards.
struct FileTest : testing::Test {
    FileTest() { fs::create_directories(dir); }
    ~FileTest() override { fs::remove_all(dir); }
    long entries() const { return std::distance(fs::directory_iterator(dir), {}); }
    const fs::path dir = fs::temp_directory_path() / ("tvq-test-" + std::to_string(::getpid()));
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
        {"bin", "Key", "fallback"},
    };
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(file.readString(section, key, "fallback"), expected) << key;
    EXPECT_EQ(file.text(), text);
}

// Each case: the file before, one change, the exact file after (the same when refused).
TEST(ProfileFileWriteTest, ChangesOnlyWhatItMust) {
    const struct {
        char op;  // 'w' writeString, 'k' removeKey, 's' removeSection
        const char *section, *key, *value, *before, *after;
    } cases[] = {
        {'w', "a", "KEY", "9", "[A]\nKey = 1  \nz=2\n", "[A]\nKey = 9\nz=2\n"},
        {'w', "D", "T", " 9:00: 0,8", "[D]\nT= 8:30: 0,8\n", "[D]\nT= 9:00: 0,8\n"},
        {'w', "A", "k", "2", "[A]\r\nk=1\r\n", "[A]\r\nk=2\r\n"},
        {'w', "A", "k", "22", "[A]\nk=1", "[A]\nk=22"},
        // A new key goes after unknown lines but before the next section's blank and comment.
        {'w', "A", "n", "3", "[A]\nx=1\nnoise\n\n; about B\n[B]\n",
         "[A]\nx=1\nnoise\nn=3\n\n; about B\n[B]\n"},
        {'w', "A", "n", "3", "[A]\n[B]\n", "[A]\nn=3\n[B]\n"},
        // Repeated sections and keys: the first copy is the one written, as it is the one read.
        {'w', "A", "n", "3", "[A]\nx=1\n[B]\n[a]\ny=2\n", "[A]\nx=1\nn=3\n[B]\n[a]\ny=2\n"},
        {'w', "A", "y", "3", "[A]\nx=1\n[a]\ny=2\n", "[A]\nx=1\ny=3\n[a]\ny=2\n"},
        {'w', "A", "x", "3", "[A]\nx=1\nX=2\n", "[A]\nx=3\nX=2\n"},
        {'w', "A", "n", "3", "[A]\nx=1", "[A]\nx=1\nn=3\n"},
        {'w', "B", "k", "v", "[A]\r\nx=1", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {'w', "B", "k", "v", "", "[B]\nk=v\n"},
        {'k', "a", "K", "", "[A]\nk=1\nK=2\nj=3\n[a]\nk=4\n", "[A]\nj=3\n[a]\nk=4\n"},
        {'k', "a", "K", "", "[A]\nj=3\n[a]\nk=4\n", "[A]\nj=3\n[a]\nk=4\n"},
        {'s', "daytime", "", "", "[C]\n[DAYTIME]\nT=x\n; note\nU=y\n\n; end\n[Z]\n[Daytime]\n",
         "[C]\n\n; end\n[Z]\n"},
        // Refused: what would not read back as one line of its kind.
        {'w', "A", "k", "2\n[X]", "[A]\nk=1\n", "[A]\nk=1\n"},
        {'w', "A", ";k", "v", "", ""},
        {'w', "A]", "k", "v", "", ""},
    };
    for (const auto& c : cases) {
        ProfileFile file = ProfileFile::fromText(c.before);
        EXPECT_EQ(c.op == 'w'   ? file.writeString(c.section, c.key, c.value)
                  : c.op == 'k' ? file.removeKey(c.section, c.key)
                                : file.removeSection(c.section),
                  c.before != std::string(c.after))
            << c.before << c.key;
        EXPECT_EQ(file.text(), c.after) << c.before << c.key;
    }
}

// Garbage and a 10 MB line survive a save byte for byte; the file keeps its mode, no temp is left.
TEST_F(FileTest, GarbageAndHugeLinesSurviveSaves) {
    const auto path = dir / "Planinfo.ini";
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string huge(10 << 20, 'x');
    const auto content = [&](const char* port) {
        return garbage + "\n[CONNECT]\r\nIP=" + huge + "\r\nPort=" + port + "\r\n[Tail]\n" + huge;
    };
    writeFile(path, content("5000"));
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);

    ProfileFile file(path);
    EXPECT_EQ(file.readString("CONNECT", "IP"), std::string(kProfileValueMax, 'x'));
    EXPECT_EQ(file.readInt("CONNECT", "Port"), 5000);
    ASSERT_TRUE(file.writeString("CONNECT", "Port", "6000"));
    ASSERT_FALSE(file.save());
    EXPECT_TRUE(readFile(path) == content("6000"));  // EXPECT_EQ would print 20 MB
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, mode);
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

const ConnectSettings kDefaults{false, "", "", false, false, 1, ""};

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
        {"[CONNECT]\nSerialTcp=1\nIP=10.0.0.1\nPort=23\n", {true, "", "", false, false, 1, ""}},
        // Numbers: leading blanks and sign, anything after the digits ignored, saturation.
        {"[CONNECT]\nConnectFlag=1\nDeviceID=260\n", {false, "", "", true, false, 4, ""}},
        {"[CONNECT]\nConnectFlag=\t+2\nSerialTcp=0x1\nDeviceID=-1\n",
         {false, "", "", true, false, 255, ""}},
        {"[CONNECT]\nConnectFlag=1x\nStartTimerFlag=- 3\nDeviceID=-99999999999999999999\n",
         {false, "", "", true, false, 0, ""}},
        {"[CONNECT]\nConnectFlag=0\nStartTimerFlag=1\nDeviceID=3\n",
         {false, "", "", false, true, 1, ""}},  // no address without auto-connect
        {"[connect]\r\nserialtcp=0\r\nip=1.2.3.4\r\nPORT=80\r\nconnectflag=1\r\ndeviceid=6\r\n",
         {false, "1.2.3.4", "80", true, false, 6, ""}},
        // The serial port only for the serial link; a repeated section is not read.
        {"[CONNECT]\nSerialTcp=1\nSerialPort=/dev/ttyUSB1\n",
         {true, "", "", false, false, 1, "/dev/ttyUSB1"}},
        {"[CONNECT]\nSerialPort=/dev/ttyUSB1\nIP=1.1.1.1\n",
         {false, "1.1.1.1", "", false, false, 1, ""}},
        {"[CONNECT]\nPort=1\n[DAYTIME]\n[CONNECT]\nIP=2.2.2.2\nPort=2\n",
         {false, "", "1", false, false, 1, ""}},
    };
    for (const auto& [file, expected] : cases) {
        writeFile(path, file);
        EXPECT_EQ(readConnectSettings(path), expected) << file;
    }
    EXPECT_EQ(said.text(), "");
}

// Each case: the file before, the settings saved, the exact file after.
TEST_F(ConnectSettingsTest, SaveChangesOnlyItsKeys) {
    const std::tuple<std::string, ConnectSettings, std::string> cases[] = {
        {kPlans,
         {false, "10.1.1.2", "5000", false, true, 255, "/dev/ttyS1"},
         kPlans + "[CONNECT]\r\nIP=10.1.1.2\r\nPort=5000\r\nConnectFlag=0\r\nStartTimerFlag=1\r\n"
                  "DeviceID=255\r\n"},
        {"[connect]\r\nSerialTcp=0\r\nip=1.1.1.1\r\nPort=1\r\nConnectFlag=1\r\nDeviceID=3\r\n" +
             kPlans,
         {false, "2.2.2.2", "2", false, false, 0, ""},
         "[connect]\r\nSerialTcp=0\r\nip=2.2.2.2\r\nPort=2\r\nConnectFlag=0\r\nDeviceID=0\r\n"
         "StartTimerFlag=0\r\n" +
             kPlans},
        // Empty boxes keep the earlier address and port; the serial link writes neither.
        {"[CONNECT]\nIP=1.1.1.1\nPort=5000\n", kDefaults,
         "[CONNECT]\nIP=1.1.1.1\nPort=5000\nConnectFlag=0\nStartTimerFlag=0\nDeviceID=1\n"},
        {"[CONNECT]\nSerialTcp=1\nSerialPort=COM3\n",
         {true, "9.9.9.9", "99", true, true, 2, ""},
         "[CONNECT]\nSerialTcp=1\nSerialPort=COM3\nConnectFlag=1\nStartTimerFlag=1\nDeviceID=2\n"},
        {"[CONNECT]\nSerialTcp=1\nSerialPort=COM3\n",
         {true, "", "", false, false, 1, "/dev/ttyUSB0"},
         "[CONNECT]\nSerialTcp=1\nSerialPort=/dev/ttyUSB0\nConnectFlag=0\nStartTimerFlag=0\n"
         "DeviceID=1\n"},
        // A repeated section is left as it is: the first one is written, as it is read.
        {"[CONNECT]\nPort=1\n[CONNECT]\nIP=2.2.2.2\n",
         {false, "3.3.3.3", "3", false, false, 1, ""},
         "[CONNECT]\nPort=3\nIP=3.3.3.3\nConnectFlag=0\nStartTimerFlag=0\nDeviceID=1\n"
         "[CONNECT]\nIP=2.2.2.2\n"},
    };
    for (const auto& [before, saved, after] : cases) {
        writeFile(path, before);
        EXPECT_EQ(saveConnectSettings(path, saved), std::error_code{}) << before;
        EXPECT_EQ(readFile(path), after);
        // What was written reads back.
        const ConnectSettings read = readConnectSettings(path);
        if (saved.useSerial) {
            if (!saved.serialPort.empty()) EXPECT_EQ(read.serialPort, saved.serialPort);
        } else {
            if (!saved.ip.empty()) EXPECT_EQ(read.ip, saved.ip);
            if (!saved.port.empty()) EXPECT_EQ(read.port, saved.port);
        }
    }
    EXPECT_EQ(said.text(), "");
}

// A failed write says why in one line and changes nothing; a folder is read as the defaults.
TEST_F(ConnectSettingsTest, FailuresAreReportedAndChangeNothing) {
    writeFile(path, "[CONNECT]\nSerialTcp=1\n");
    EXPECT_EQ(saveConnectSettings(path, {false, "1.2.3.4\n[X]", "1", false, false, 1, ""}),
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
