#include "core/control/settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <set>

#include "core/platform/diagnostics.h"
#include "temp_dir.h"

namespace tvq {

void PrintTo(const ConnectSettings& s, std::ostream* os) {
    *os << "{serial=" << s.useSerial << " ip=" << s.ip << " port=" << s.port
        << " auto=" << s.autoConnect << " timer=" << s.startTimer
        << " address=" << int{s.deviceAddress} << "}";
}

namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

// Collects diagnostics for the life of the object.
class CapturedDiagnostics {
public:
    CapturedDiagnostics()
        : previous_(setDiagnosticSink([this](std::string_view t) { text_ += t; })) {}
    ~CapturedDiagnostics() { setDiagnosticSink(previous_); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    DiagnosticSink previous_;
};

ConnectSettings settings(bool serial, std::string ip, std::string port, bool autoConnect,
                         bool timer, std::uint8_t address) {
    return {serial, std::move(ip), std::move(port), autoConnect, timer, address};
}

// The plan sections and foreign lines that every write must leave exactly as they are.
const std::string kPlans =
    "; kept by hand\r\n"
    "[PLANCOUNT]\r\n"
    "daytimecount=2\r\n"
    "weektimecount=0\r\n"
    "\r\n"
    "[DAYTIME]\r\n"
    "Time0= 8:30: 0,8\r\n"
    "Time1=23:59:59,-1\r\n"
    "[Vendor]\r\n"
    "Odd line without equals\r\n"
    "[ONCETIME]\r\n"
    "Time0=2014-6-5,23:59:30,7\r\n";

TEST(ConnectSettingsTest, MissingFileGivesDefaults) {
    TempDir dir;
    CapturedDiagnostics diagnostics;
    EXPECT_EQ(readConnectSettings(dir / "Planinfo.ini"), settings(false, "", "", false, false, 1));
    EXPECT_EQ(diagnostics.text(), "");
}

TEST(ConnectSettingsTest, ReadsSection) {
    const struct {
        const char* name;
        std::string file;
        ConnectSettings expected;
    } cases[] = {
        {"network with address and port",
         "[CONNECT]\nSerialTcp=0\nIP=192.168.1.20\nPort=5000\nConnectFlag=0\n",
         settings(false, "192.168.1.20", "5000", false, false, 1)},
        {"serial ignores IP and Port", "[CONNECT]\nSerialTcp=1\nIP=10.0.0.1\nPort=23\n",
         settings(true, "", "", false, false, 1)},
        {"auto-connect takes the address", "[CONNECT]\nConnectFlag=1\nDeviceID=3\n",
         settings(false, "", "", true, false, 3)},
        {"address 260 wraps to 4", "[CONNECT]\nConnectFlag=1\nDeviceID=260\n",
         settings(false, "", "", true, false, 4)},
        {"address -1 wraps to 255", "[CONNECT]\nConnectFlag=1\nDeviceID=-1\n",
         settings(false, "", "", true, false, 255)},
        {"huge address saturates, then wraps", "[CONNECT]\nConnectFlag=1\nDeviceID=99999999999\n",
         settings(false, "", "", true, false, 255)},
        {"address ignored without auto-connect", "[CONNECT]\nConnectFlag=0\nDeviceID=3\n",
         settings(false, "", "", false, false, 1)},
        {"timer flag read without auto-connect", "[CONNECT]\nStartTimerFlag=1\n",
         settings(false, "", "", false, true, 1)},
        {"any nonzero flag counts", "[CONNECT]\nConnectFlag= 2\nSerialTcp=-1\nDeviceID=9\n",
         settings(true, "", "", true, false, 9)},
        {"other letter cases and CRLF",
         "[connect]\r\nserialtcp=0\r\nip=1.2.3.4\r\nPORT=80\r\nconnectflag=1\r\ndeviceid=6\r\n",
         settings(false, "1.2.3.4", "80", true, false, 6)},
    };
    for (const auto& c : cases) {
        TempDir dir;
        writeFile(dir / "Planinfo.ini", c.file);
        EXPECT_EQ(readConnectSettings(dir / "Planinfo.ini"), c.expected) << c.name;
    }
}

// Each case: the file before, one write, the exact file after.
TEST(ConnectSettingsTest, WritesChangeOnlyTheirKeys) {
    using Write = std::function<bool(const std::filesystem::path&)>;
    const auto save = [](ConnectSettings s) {
        return Write([s](const std::filesystem::path& p) { return saveConnectSettings(p, s); });
    };
    const auto serialTcp = [](bool serial) {
        return Write(
            [serial](const std::filesystem::path& p) { return writeSerialTcp(p, serial); });
    };
    const struct {
        const char* name;
        std::string before;
        Write write;
        std::string after;
    } cases[] = {
        {"first save into a new file", "",
         save(settings(false, "10.1.1.2", "5000", true, false, 7)),
         "[CONNECT]\nIP=10.1.1.2\nPort=5000\nConnectFlag=1\nStartTimerFlag=0\nDeviceID=7\n"},
        {"radio into a new file", "", serialTcp(true), "[CONNECT]\nSerialTcp=1\n"},
        {"save appends to the plans in their line style", kPlans,
         save(settings(false, "10.1.1.2", "5000", false, true, 255)),
         kPlans + "[CONNECT]\r\nIP=10.1.1.2\r\nPort=5000\r\nConnectFlag=0\r\nStartTimerFlag=1\r\n"
                  "DeviceID=255\r\n"},
        {"save replaces in place around the plans",
         "[CONNECT]\r\nSerialTcp=0\r\nIP=1.1.1.1\r\nPort=1\r\nConnectFlag=1\r\n"
         "StartTimerFlag=1\r\nDeviceID=3\r\n" +
             kPlans,
         save(settings(false, "2.2.2.2", "2", false, false, 0)),
         "[CONNECT]\r\nSerialTcp=0\r\nIP=2.2.2.2\r\nPort=2\r\nConnectFlag=0\r\n"
         "StartTimerFlag=0\r\nDeviceID=0\r\n" +
             kPlans},
        {"radio replaces in place", kPlans + "[connect]\r\nserialtcp=1\r\n", serialTcp(false),
         kPlans + "[connect]\r\nserialtcp=0\r\n"},
        {"empty port and address keep the earlier ones",
         "[CONNECT]\nIP=1.1.1.1\nPort=5000\nConnectFlag=1\n",
         save(settings(false, "", "", false, false, 1)),
         "[CONNECT]\nIP=1.1.1.1\nPort=5000\nConnectFlag=0\nStartTimerFlag=0\nDeviceID=1\n"},
        {"serial link writes no address or port", "[CONNECT]\nSerialTcp=1\n",
         save(settings(true, "9.9.9.9", "99", true, true, 2)),
         "[CONNECT]\nSerialTcp=1\nConnectFlag=1\nStartTimerFlag=1\nDeviceID=2\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const auto path = dir / "Planinfo.ini";
        if (!c.before.empty()) writeFile(path, c.before);
        CapturedDiagnostics diagnostics;
        EXPECT_TRUE(c.write(path)) << c.name;
        EXPECT_EQ(readFile(path), c.after) << c.name;
        EXPECT_EQ(diagnostics.text(), "") << c.name;
        EXPECT_EQ(dir.names(), std::set<std::string>{"Planinfo.ini"}) << c.name;
    }
}

TEST(ConnectSettingsTest, SavedSettingsReadBack) {
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    writeFile(path, kPlans);
    const ConnectSettings saved = settings(false, "172.16.0.9", "4001", true, true, 200);
    ASSERT_TRUE(writeSerialTcp(path, false));
    ASSERT_TRUE(saveConnectSettings(path, saved));
    EXPECT_EQ(readConnectSettings(path), saved);
    EXPECT_EQ(readFile(path).substr(0, kPlans.size()), kPlans);
}

// Each case makes the write fail; the file must stay as it was and one line must say why.
TEST(ConnectSettingsTest, FailedWriteIsReportedAndChangesNothing) {
    const std::string old = "[CONNECT]\nSerialTcp=1\n" + std::string("[DAYTIME]\nTime0=1:2:3,4\n");
    const struct {
        const char* name;
        bool needsNonRoot;
        std::function<void(const TempDir&)> breakIt;
        std::function<bool(const std::filesystem::path&)> write;
        std::string reason;
    } cases[] = {
        {"value with a line break", false, [](const TempDir&) {},
         [](const std::filesystem::path& p) {
             return saveConnectSettings(p, settings(false, "1.2.3.4\n[X]", "1", false, false, 1));
         },
         "Invalid argument"},
        {"read-only folder", true,
         [](const TempDir& d) {
             std::filesystem::permissions(
                 d.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
         },
         [](const std::filesystem::path& p) { return writeSerialTcp(p, false); },
         "Permission denied"},
        {"unreadable file", true,
         [](const TempDir& d) {
             std::filesystem::permissions(d / "Planinfo.ini", std::filesystem::perms::none);
         },
         [](const std::filesystem::path& p) { return writeSerialTcp(p, false); },
         "Permission denied"},
    };
    for (const auto& c : cases) {
        if (c.needsNonRoot && test::runningAsRoot()) {
            std::cout << "[ SKIPPED  ] " << c.name << ": root is not stopped by file modes\n";
            continue;
        }
        TempDir dir;
        const auto path = dir / "Planinfo.ini";
        writeFile(path, old);
        c.breakIt(dir);
        CapturedDiagnostics diagnostics;
        EXPECT_FALSE(c.write(path)) << c.name;
        EXPECT_EQ(diagnostics.text(), "Cannot save " + path.string() + ": " + c.reason + "\n")
            << c.name;
        std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        EXPECT_EQ(readFile(path), old) << c.name;
        EXPECT_EQ(dir.names(), std::set<std::string>{"Planinfo.ini"}) << c.name;
    }
}

TEST(ConnectSettingsTest, FolderInPlaceOfFile) {
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    std::filesystem::create_directory(path);
    CapturedDiagnostics diagnostics;
    EXPECT_EQ(readConnectSettings(path), settings(false, "", "", false, false, 1));
    EXPECT_FALSE(writeSerialTcp(path, true));
    EXPECT_EQ(diagnostics.text(), "Cannot read " + path.string() + ": Is a directory\n" +
                                      "Cannot save " + path.string() + ": Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(ConnectSettingsTest, UnreadableFileGivesDefaults) {
    if (test::runningAsRoot()) GTEST_SKIP() << "root reads files whatever their mode";
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    writeFile(path, "[CONNECT]\nSerialTcp=1\nConnectFlag=1\nDeviceID=5\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    CapturedDiagnostics diagnostics;
    EXPECT_EQ(readConnectSettings(path), settings(false, "", "", false, false, 1));
    EXPECT_EQ(diagnostics.text(), "Cannot read " + path.string() + ": Permission denied\n");
}

}  // namespace
}  // namespace tvq
