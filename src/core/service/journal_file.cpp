#include "core/service/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tvq::service {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::string_view kPrefix = "journal-";
constexpr std::string_view kSuffix = ".jsonl";

std::string dumped(const json& value) {
    // A user name from the system need not be UTF-8; the record is still written.
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::vector<std::uint64_t> journalIndexes(const fs::path& dir) {
    std::vector<std::uint64_t> indexes;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
        if (const std::uint64_t index = journalFileIndex(entry.path().filename().string()))
            indexes.push_back(index);
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

std::optional<std::uint64_t> seqOf(std::string_view line) {
    const json record = json::parse(line, nullptr, false);
    if (!record.is_object()) return std::nullopt;
    const auto seq = record.find("seq");
    if (seq == record.end() || !seq->is_number_unsigned()) return std::nullopt;
    return seq->get<std::uint64_t>();
}

// The number an unfinished line was written with: it parses whole when only its line break is
// missing, and otherwise still starts as journalLine writes every record.
std::optional<std::uint64_t> tornSeq(std::string_view line) {
    if (const auto seq = seqOf(line)) return seq;
    constexpr std::string_view kStart = "{\"seq\":";
    if (!line.starts_with(kStart)) return std::nullopt;
    line.remove_prefix(kStart.size());
    std::uint64_t seq = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), seq);
    // Digits cut short would give a smaller number than was written.
    if (ec != std::errc{} || end == line.data() + line.size() || (*end != ',' && *end != '}'))
        return std::nullopt;
    return seq;
}

// The highest sequence number a file holds at its end: its last whole record's, or that of an
// unfinished last line, which the next write's line break makes a line of its own.
std::optional<std::uint64_t> lastSeqIn(const std::string& text) {
    std::size_t end = text.size();
    std::optional<std::uint64_t> tail;
    if (!text.empty() && text.back() != '\n') {
        const std::size_t cut = text.rfind('\n');
        const std::size_t begin = cut == std::string::npos ? 0 : cut + 1;
        tail = tornSeq(std::string_view(text).substr(begin));
        end = begin;
    }
    while (end > 0) {
        const std::size_t cut = end >= 2 ? text.rfind('\n', end - 2) : std::string::npos;
        const std::size_t begin = cut == std::string::npos ? 0 : cut + 1;
        if (const auto seq = seqOf(std::string_view(text).substr(begin, end - 1 - begin)))
            return std::max(*seq, tail.value_or(0));
        end = begin;
    }
    return tail;
}

void syncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string journalFileName(std::uint64_t index) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%06llu", static_cast<unsigned long long>(index));
    return std::string(kPrefix) + digits + std::string(kSuffix);
}

std::uint64_t journalFileIndex(std::string_view name) {
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return 0;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (name.size() < 6 || name.size() > 18) return 0;
    std::uint64_t index = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') return 0;
        index = index * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return index;
}

std::string journalLine(const json& record) {
    if (!record.is_object()) return dumped(record);
    static constexpr std::string_view kFirst[] = {"seq", "time", "type"};
    std::string line = "{";
    const auto put = [&](const std::string& key, const json& value) {
        if (line.size() > 1) line += ',';
        line += dumped(json(key));
        line += ':';
        line += dumped(value);
    };
    for (const std::string_view key : kFirst)
        if (const auto it = record.find(key); it != record.end()) put(std::string(key), *it);
    for (const auto& [key, value] : record.items())
        if (std::find(std::begin(kFirst), std::end(kFirst), key) == std::end(kFirst))
            put(key, value);
    return line + "}";
}

JournalFile::JournalFile(fs::path dir, JournalLimits limits)
    : dir_(std::move(dir)),
      limits_{limits.maxFileBytes, std::max<std::size_t>(limits.maxFiles, 1)} {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec) fail("cannot be created", ec.value());
    if (!fs::is_directory(dir_, ec)) fail("is not a folder", ENOTDIR);

    // Two writers would hand out the same numbers.
    lockFd_ = ::open((dir_ / ".journal.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0640);
    if (lockFd_ < 0) fail("cannot be written", errno);
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(lockFd_);
        if (error == EWOULDBLOCK)
            throw std::runtime_error("journal folder " + dir_.string() +
                                     " is in use by another process");
        fail("cannot be locked", error);
    }

    try {
        resume();
    } catch (...) {
        ::close(lockFd_);
        throw;
    }
}

void JournalFile::resume() {
    const std::vector<std::uint64_t> indexes = journalIndexes(dir_);
    index_ = indexes.empty() ? 1 : indexes.back();
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        std::ifstream in(dir_ / journalFileName(*it), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        if (*it == index_) needsBreak_ = !text.empty() && text.back() != '\n';
        if (const auto seq = lastSeqIn(text)) {
            next_ = *seq + 1;
            break;
        }
    }
    openCurrent(true);
}

JournalFile::~JournalFile() {
    if (fd_ >= 0) ::close(fd_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

void JournalFile::fail(const std::string& what, int error) const {
    throw std::runtime_error("journal folder " + dir_.string() + " " + what + ": " +
                             std::strerror(error));
}

void JournalFile::openCurrent(bool create) {
    const fs::path path = dir_ / journalFileName(index_);
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0), 0640);
    if (fd_ < 0) fail("cannot be written (" + path.filename().string() + ")", errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail("cannot be read", errno);
    size_ = static_cast<std::uint64_t>(st.st_size);
    syncDirectory(dir_);
}

void JournalFile::rotate() {
    ::close(fd_);
    fd_ = -1;
    ++index_;
    needsBreak_ = false;
    openCurrent(true);
    std::vector<std::uint64_t> indexes = journalIndexes(dir_);
    for (std::size_t i = 0; i + limits_.maxFiles < indexes.size(); ++i) {
        std::error_code ec;
        fs::remove(dir_ / journalFileName(indexes[i]), ec);
    }
}

std::uint64_t JournalFile::append(json record) {
    if (!record.is_object()) throw std::invalid_argument("a journal record is a JSON object");
    std::lock_guard lock(mutex_);
    const std::uint64_t seq = next_++;
    record["seq"] = seq;
    if (!record.contains("time") || !record["time"].is_string())
        record["time"] = journalTimeText(journalNow());
    std::string line = journalLine(record) + "\n";
    if (fd_ < 0 || (size_ > 0 && size_ + line.size() > limits_.maxFileBytes)) rotate();
    if (needsBreak_) line.insert(line.begin(), '\n');

    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            needsBreak_ = needsBreak_ || written > 0;
            size_ += written;
            fail("cannot be written", error);
        }
        written += static_cast<std::size_t>(n);
    }
    size_ += written;
    needsBreak_ = false;
    if (::fdatasync(fd_) != 0) fail("cannot be written", errno);
    return seq;
}

std::uint64_t JournalFile::nextSeq() const {
    std::lock_guard lock(mutex_);
    return next_;
}

}  // namespace tvq::service
