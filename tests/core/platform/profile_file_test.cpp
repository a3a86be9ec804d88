#include "core/platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <climits>
#include <csignal>
#include <functional>
#include <random>

#include "temp_dir.h"

namespace tvq {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
using namespace std::string_literals;

TEST(ProfileIntTest, ReadsLeadingDecimal) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},
        {"42", 42},
        {"  -7", -7},
        {"\t+5", 5},
        {"12abc", 12},
        {"abc", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x10", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999999999", INT_MAX},
        {"-99999999999999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(profileInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(BoundedCountTest, ClampsToRange) {
    EXPECT_EQ(boundedCount(-5, 240), 0);
    EXPECT_EQ(boundedCount(12, 240), 12);
    EXPECT_EQ(boundedCount(INT_MAX, 240), 240);
    EXPECT_EQ(boundedCount(LLONG_MIN, 240), 0);
    EXPECT_EQ(boundedCount(7, -1), 0);
}

TEST(ProfileFileReadTest, FindsValues) {
    const std::string longValue(300, 'v');
    const std::string text =
        "stray=before any section\n"
        "[CONNECT]\n"
        "; IP=commented out\n"
        "  ip =  10.0.0.5  \n"
        "Port=\n"
        "Dup=first\n"
        "Dup=second\n"
        "[ other ] trailing words\n"
        "Key = a = b\n"
        "Long=" +
        longValue +
        "\n"
        "[broken\n"s
        "Hidden=1\n"
        "[bin]\n"
        "Key=has\0nul\n"
        "[connect]\n"
        "Later=yes\n"
        "Dup=third"s;
    const ProfileFile file = ProfileFile::fromText(text);
    const struct {
        const char* section;
        const char* key;
        std::string expected;
    } cases[] = {
        {"CONNECT", "IP", "10.0.0.5"},
        {"connect", "iP", "10.0.0.5"},
        {"CONNECT", "Port", ""},  // present but empty: not the fallback
        {"CONNECT", "Missing", "fallback"},
        {"CONNECT", "stray", "fallback"},
        {"CONNECT", "; IP", "fallback"},
        {"CONNECT", "Dup", "first"},
        {"CONNECT", "Later", "yes"},  // a repeated header continues the section
        {"OTHER", "key", "a = b"},
        {"other", "Long", std::string(kProfileValueMax, 'v')},
        {"other", "Hidden", "1"},  // a header without ']' is not a header
        {"bin", "Key", "fallback"},
        {"Nowhere", "IP", "fallback"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(file.readString(c.section, c.key, "fallback"), c.expected)
            << c.section << "/" << c.key;
    EXPECT_EQ(file.text(), text);
}

TEST(ProfileFileReadTest, IgnoresByteOrderMarkAndCrlf) {
    const ProfileFile file = ProfileFile::fromText("\xEF\xBB\xBF[A]\r\nx = 5 \r\n");
    EXPECT_EQ(file.readString("a", "X"), "5");
    EXPECT_EQ(file.readInt("A", "x"), 5);
    EXPECT_EQ(file.readInt("A", "y"), 0);
}

// Each case: the file before, one change, the exact file after.
TEST(ProfileFileWriteTest, ChangesOnlyWhatItMust) {
    using Op = std::function<bool(ProfileFile&)>;
    const auto write = [](const char* s, const char* k, const char* v) {
        return Op([=](ProfileFile& f) { return f.writeString(s, k, v); });
    };
    const struct {
        const char* name;
        std::string before;
        Op op;
        bool result;
        std::string after;
    } cases[] = {
        {"replace keeps spelling, spacing and order", "[A]\nKey = 1  \nz=2\n",
         write("a", "KEY", "9"), true, "[A]\nKey = 9\nz=2\n"},
        {"replace with a leading blank keeps it exact", "[D]\nTime0= 8:30: 0,8\n",
         write("D", "Time0", " 9:00: 0,8"), true, "[D]\nTime0= 9:00: 0,8\n"},
        {"replace an empty value", "[A]\nk=\n", write("A", "k", "v"), true, "[A]\nk=v\n"},
        {"replace keeps CRLF", "[A]\r\nk=1\r\n", write("A", "k", "2"), true, "[A]\r\nk=2\r\n"},
        {"replace last line without a break", "[A]\nk=1", write("A", "k", "22"), true, "[A]\nk=22"},
        {"new key before blank and comment that lead to the next section",
         "[A]\nx=1\n\n; about B\n[B]\ny=2\n", write("A", "n", "3"), true,
         "[A]\nx=1\nn=3\n\n; about B\n[B]\ny=2\n"},
        {"new key in an empty section", "[A]\n[B]\n", write("A", "n", "3"), true,
         "[A]\nn=3\n[B]\n"},
        {"new key after an unknown line", "[A]\nnoise\n", write("A", "n", "3"), true,
         "[A]\nnoise\nn=3\n"},
        {"new key in the last occurrence of a repeated section", "[A]\nx=1\n[B]\n[a]\ny=2\n",
         write("A", "n", "3"), true, "[A]\nx=1\n[B]\n[a]\ny=2\nn=3\n"},
        {"new key ends an unterminated last line first", "[A]\nx=1", write("A", "n", "3"), true,
         "[A]\nx=1\nn=3\n"},
        {"new section at the end", "; top\n[A]\nx=1\n", write("B", "k", "v"), true,
         "; top\n[A]\nx=1\n[B]\nk=v\n"},
        {"new section follows CRLF style", "[A]\r\nx=1", write("B", "k", "v"), true,
         "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"new section in an empty file", "", write("B", "k", "v"), true, "[B]\nk=v\n"},
        {"writeInt writes decimal", "",
         Op([](ProfileFile& f) { return f.writeInt("S", "n", -12); }), true, "[S]\nn=-12\n"},
        {"removeKey removes every duplicate", "[A]\nk=1\nK=2\nj=3\n[a]\nk=4\n",
         Op([](ProfileFile& f) { return f.removeKey("a", "K"); }), true, "[A]\nj=3\n[a]\n"},
        {"removeKey of a missing key changes nothing", "[A]\nj=3\n",
         Op([](ProfileFile& f) { return f.removeKey("A", "k"); }), false, "[A]\nj=3\n"},
        {"removeSection keeps the next section's comment",
         "[C]\nIP=1\n[DAYTIME]\nTime0=x\n; note\nTime1=y\n\n; plans end\n[Z]\n",
         Op([](ProfileFile& f) { return f.removeSection("daytime"); }), true,
         "[C]\nIP=1\n\n; plans end\n[Z]\n"},
        {"removeSection removes every occurrence", "[A]\nx=1\n[B]\ny=2\n[A]\nz=3\n",
         Op([](ProfileFile& f) { return f.removeSection("A"); }), true, "[B]\ny=2\n"},
        {"rejected key with '='", "[A]\n", write("A", "k=x", "v"), false, "[A]\n"},
        {"rejected key like a comment", "[A]\n", write("A", ";k", "v"), false, "[A]\n"},
        {"rejected key with blanks around", "[A]\n", write("A", " k", "v"), false, "[A]\n"},
        {"rejected empty key", "[A]\n", write("A", "", "v"), false, "[A]\n"},
        {"rejected section with ']'", "", write("A]", "k", "v"), false, ""},
        {"rejected empty section", "", write("", "k", "v"), false, ""},
        {"rejected value with a line break", "[A]\nk=1\n", write("A", "k", "2\n[X]"), false,
         "[A]\nk=1\n"},
    };
    for (const auto& c : cases) {
        ProfileFile file = ProfileFile::fromText(c.before);
        EXPECT_EQ(c.op(file), c.result) << c.name;
        EXPECT_EQ(file.text(), c.after) << c.name;
    }
}

// Whatever the bytes, reading keeps them exactly, and a value written reads back.
TEST(ProfileFileWriteTest, RandomTextRoundTrips) {
    const std::string alphabet("[]=;\n\r\t aAkK\0\xff", 14);
    std::mt19937 random(418);
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        ProfileFile file = ProfileFile::fromText(text);
        ASSERT_EQ(file.text(), text);
        ASSERT_TRUE(file.writeString("a", "k", "value"));
        const std::string written = file.text();
        const ProfileFile reread = ProfileFile::fromText(written);
        ASSERT_EQ(reread.readString("A", "K"), "value") << testing::PrintToString(text);
        ASSERT_EQ(reread.text(), written);
    }
}

TEST(ProfileFileLoadTest, MissingOrOddFilesReadAsEmpty) {
    TempDir dir;
    const ProfileFile missing(dir / "none.ini");
    EXPECT_EQ(missing.state(), ProfileFile::State::Missing);
    EXPECT_EQ(missing.readString("A", "k", "d"), "d");
    EXPECT_FALSE(missing.save());  // creates it
    EXPECT_TRUE(std::filesystem::exists(dir / "none.ini"));

    std::filesystem::create_directory(dir / "folder.ini");
    const ProfileFile folder(dir / "folder.ini");
    EXPECT_EQ(folder.state(), ProfileFile::State::Unreadable);
    EXPECT_EQ(folder.readString("A", "k", "d"), "d");
    EXPECT_TRUE(folder.save()) << "must not replace what it could not read";
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.ini"));

    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    const ProfileFile fifo(dir / "fifo.ini");
    EXPECT_EQ(fifo.state(), ProfileFile::State::Unreadable);
    EXPECT_TRUE(fifo.save());
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo.ini"));

    // Too many lines to be ours: refused, and kept as it is.
    const std::string breaks((std::size_t{1} << 20) + 1, '\n');
    writeFile(dir / "breaks.ini", breaks);
    ProfileFile tooLong(dir / "breaks.ini");
    EXPECT_EQ(tooLong.state(), ProfileFile::State::Unreadable);
    ASSERT_TRUE(tooLong.writeString("A", "k", "1"));
    EXPECT_EQ(tooLong.save(), std::errc::file_too_large);
    EXPECT_EQ(readFile(dir / "breaks.ini"), breaks);
}

TEST(ProfileFileLoadTest, UnreadableFileIsNeitherReadNorReplaced) {
    if (test::runningAsRoot()) GTEST_SKIP() << "root reads files whatever their mode";
    TempDir dir;
    const auto path = dir / "p.ini";
    writeFile(path, "[A]\nk=secret\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    ProfileFile file(path);
    EXPECT_EQ(file.state(), ProfileFile::State::Unreadable);
    EXPECT_EQ(file.readString("A", "k"), "");
    ASSERT_TRUE(file.writeString("A", "k", "new"));
    EXPECT_EQ(file.save(), std::errc::permission_denied);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(readFile(path), "[A]\nk=secret\n");
}

TEST(ProfileFileLoadTest, BinaryGarbageReadsAsEmptyAndSurvivesSaves) {
    TempDir dir;
    const auto path = dir / "p.ini";
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    writeFile(path, garbage);

    ProfileFile file(path);
    EXPECT_EQ(file.state(), ProfileFile::State::Loaded);
    EXPECT_EQ(file.readString("CONNECT", "IP", "none"), "none");
    ASSERT_TRUE(file.writeString("CONNECT", "IP", "1.2.3.4"));
    ASSERT_FALSE(file.save());
    const std::string saved = readFile(path);
    EXPECT_EQ(saved.substr(0, garbage.size()), garbage);
    EXPECT_EQ(ProfileFile(path).readString("CONNECT", "IP"), "1.2.3.4");
}

TEST(ProfileFileLoadTest, TenMegabyteLine) {
    TempDir dir;
    const auto path = dir / "p.ini";
    const std::string huge(10 << 20, 'x');
    const std::string before = "[CONNECT]\nIP=" + huge + "\nPort=5000\n[Tail]\n" + huge;
    writeFile(path, before);

    ProfileFile file(path);
    EXPECT_EQ(file.readString("CONNECT", "IP"), std::string(kProfileValueMax, 'x'));
    EXPECT_EQ(file.readInt("CONNECT", "Port"), 5000);
    ASSERT_TRUE(file.writeString("CONNECT", "Port", "6000"));
    ASSERT_FALSE(file.save());
    EXPECT_EQ(readFile(path), "[CONNECT]\nIP=" + huge + "\nPort=6000\n[Tail]\n" + huge);
}

TEST(ProfileFileSaveTest, ReplacesAtomicallyKeepingMode) {
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    writeFile(path, "[A]\r\nk=1\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ProfileFile file(path);
    ASSERT_TRUE(file.writeString("A", "k", "2"));
    ASSERT_FALSE(file.save());
    EXPECT_EQ(readFile(path), "[A]\r\nk=2\r\n");
    EXPECT_EQ(dir.names(), std::set<std::string>{"Planinfo.ini"});
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(ProfileFileSaveTest, FailedWriteLeavesOldFile) {
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    const std::string old = "[A]\nk=1\n";
    writeFile(path, old);
    ProfileFile file(path);
    ASSERT_TRUE(file.writeString("A", "big", std::string(8192, 'b')));

    // A file size limit makes the write fail part way, even for root.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::error_code ec = file.save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ec, std::errc::file_too_large);
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(dir.names(), std::set<std::string>{"Planinfo.ini"});
}

TEST(ProfileFileSaveTest, ReadOnlyFolderLeavesOldFile) {
    if (test::runningAsRoot()) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const auto path = dir / "Planinfo.ini";
    writeFile(path, "[A]\nk=1\n");
    ProfileFile file(path);
    ASSERT_TRUE(file.writeString("A", "k", "2"));
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(file.save(), std::errc::permission_denied);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(readFile(path), "[A]\nk=1\n");
    EXPECT_EQ(dir.names(), std::set<std::string>{"Planinfo.ini"});
}

}  // namespace
}  // namespace tvq
