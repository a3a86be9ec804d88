#include "core/platform/profile_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <tuple>
#include <utility>

namespace tvq {
namespace {

namespace fs = std::filesystem;

// A file of more lines than this is not one of ours; refusing it keeps memory bounded even for
// a file made only of line breaks.
constexpr std::size_t kMaxLines = std::size_t{1} << 20;

std::error_code errnoCode() {
    return {errno, std::generic_category()};
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// [begin, end) of s with blanks cut from both ends, as (offset, size).
std::pair<std::size_t, std::size_t> trimmed(std::string_view s, std::size_t begin,
                                            std::size_t end) {
    while (begin < end && isBlank(s[begin])) ++begin;
    while (end > begin && isBlank(s[end - 1])) --end;
    return {begin, end - begin};
}

bool hasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool hasOuterBlanks(std::string_view s) {
    return !s.empty() && (isBlank(s.front()) || isBlank(s.back()));
}

bool validSection(std::string_view s) {
    return !s.empty() && !hasLineBreakOrNul(s) && s.find(']') == std::string_view::npos &&
           !hasOuterBlanks(s);
}

bool validKey(std::string_view k) {
    // A key starting like a comment or a header would be read back as one.
    return !k.empty() && !hasLineBreakOrNul(k) && k.find('=') == std::string_view::npos &&
           !hasOuterBlanks(k) && k.front() != ';' && k.front() != '#' && k.front() != '[';
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

std::error_code readWholeFile(const fs::path& path, std::string& out) {
    // O_NONBLOCK so that a FIFO in the file's place cannot block the open.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return errnoCode();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return errnoCode();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(st.st_mode)) return std::make_error_code(std::errc::operation_not_supported);
    if (static_cast<unsigned long long>(st.st_size) > kProfileFileMaxBytes)
        return std::make_error_code(std::errc::file_too_large);

    out.resize(std::min(static_cast<std::size_t>(st.st_size) + 4096, kProfileFileMaxBytes + 1));
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            // The file grew while we read it.
            if (used > kProfileFileMaxBytes) return std::make_error_code(std::errc::file_too_large);
            out.resize(std::min(out.size() * 2, kProfileFileMaxBytes + 1));
        }
        const ssize_t n = ::read(fd.get(), out.data() + used, out.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoCode();
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    if (used > kProfileFileMaxBytes) return std::make_error_code(std::errc::file_too_large);
    out.resize(used);
    return {};
}

std::error_code writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoCode();
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// Follows a chain of symbolic links to the file a save must replace. A missing file, or a link to
// one, is itself the target: the save creates it there.
fs::path finalTarget(const fs::path& path, std::error_code& ec) {
    fs::path p = path;
    for (int hop = 0; hop <= kProfileMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno == ENOENT) return p;
            ec = errnoCode();
            return {};
        }
        if (!S_ISLNK(st.st_mode)) return p;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) return {};
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return {};
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Temporary files are ".<name>.tmp<pid>-<serial>" beside the target: hidden, and naming their
// writer so that a later start-up can tell an abandoned one from one still being written.
std::string tempPrefix(const fs::path& target) {
    std::string prefix = ".";  // built step by step: g++ 12 misreports the chained form
    prefix += target.filename().string();
    prefix += ".tmp";
    return prefix;
}

// The writer's pid when name is one of our temporary files, else 0.
pid_t tempWriter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) return 0;
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    const auto digits = [](std::string_view d) {
        return !d.empty() && d.size() <= 10 &&
               std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash == std::string_view::npos || !digits(name.substr(0, dash)) ||
        !digits(name.substr(dash + 1)))
        return 0;
    const long long pid = std::stoll(std::string(name.substr(0, dash)));
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Refuses to replace a file that is read-only to us. Root passes every permission check, so a
// file without any write bit counts as read-only for root too: someone made it so on purpose.
std::error_code checkWritable(const fs::path& target, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    if ((st.st_mode & 0222) == 0) return std::make_error_code(std::errc::permission_denied);
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return errnoCode();
    return {};
}

// Gives the new file the old one's owner where allowed (only root may give a file away; others
// may still keep its group), then its mode, which a change of owner may have cut.
std::error_code copyOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        if (errno != EPERM && errno != EINVAL && errno != EOPNOTSUPP) return errnoCode();
        if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not ours to give: the file stays ours, with our group.
        }
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) return errnoCode();
    return {};
}

// Makes the rename itself durable; some file systems cannot sync a directory, which is no reason
// to report the save as failed.
void syncDirectory(const fs::path& dir) {
    Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace

int profileInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;  // kept within int's range plus one, so it never overflows
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {
    std::string content;
    const std::error_code ec = path_.empty()
                                   ? std::make_error_code(std::errc::no_such_file_or_directory)
                                   : readWholeFile(path_, content);
    if (ec == std::errc::no_such_file_or_directory) {
        state_ = State::Missing;
    } else if (ec) {
        state_ = State::Unreadable;
        loadError_ = ec;
    } else {
        accept(content);
    }
}

void ProfileFile::accept(std::string_view text) {
    if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= kMaxLines) {
        state_ = State::Unreadable;
        loadError_ = std::make_error_code(std::errc::file_too_large);
        return;
    }
    state_ = State::Loaded;
    parse(text);
}

ProfileFile ProfileFile::fromText(std::string_view text, std::filesystem::path path) {
    ProfileFile file;
    file.path_ = std::move(path);
    file.accept(text);
    return file;
}

void ProfileFile::parse(std::string_view text) {
    lines_.clear();
    const std::size_t firstBreak = text.find('\n');
    crlf_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
        lines_.push_back(makeLine(std::string(text.substr(pos, end - pos)), pos == 0));
        pos = end;
    }
}

ProfileFile::Line ProfileFile::makeLine(std::string raw, bool firstLine) {
    Line line;
    line.raw = std::move(raw);
    std::string_view s = line.raw;
    if (!s.empty() && s.back() == '\n') s.remove_suffix(1);
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    // Binary content is never taken for a header or a key.
    if (s.find('\0') != std::string_view::npos) return line;

    std::size_t b = firstLine && s.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (b < s.size() && isBlank(s[b])) ++b;
    if (b == s.size()) {
        line.kind = Kind::Blank;
    } else if (s[b] == ';' || s[b] == '#') {
        line.kind = Kind::Comment;
    } else if (s[b] == '[') {
        const std::size_t close = s.find(']', b + 1);
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            std::tie(line.nameBegin, line.nameSize) = trimmed(s, b + 1, close);
        }
    } else if (const std::size_t eq = s.find('=', b); eq != std::string_view::npos) {
        line.kind = Kind::Key;
        line.separator = eq;
        std::tie(line.nameBegin, line.nameSize) = trimmed(s, b, eq);
        std::tie(line.valueBegin, line.valueSize) = trimmed(s, eq + 1, s.size());
    }
    return line;
}

std::vector<ProfileFile::Span> ProfileFile::sectionSpans(std::string_view section) const {
    std::vector<Span> spans;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section) continue;
        if (!spans.empty() && spans.back().end == lines_.size()) spans.back().end = i;
        if (sameName(lines_[i].name(), section)) spans.push_back({i, lines_.size()});
    }
    return spans;
}

std::size_t ProfileFile::bodyEnd(const Span& span) const {
    // Comments and blank lines just before the next header belong with that header.
    std::size_t end = span.end;
    while (end > span.header + 1 &&
           (lines_[end - 1].kind == Kind::Blank || lines_[end - 1].kind == Kind::Comment))
        --end;
    return end;
}

const ProfileFile::Line* ProfileFile::findKey(std::string_view section,
                                              std::string_view key) const {
    const std::vector<Span> spans = sectionSpans(section);
    if (spans.empty()) return nullptr;
    for (std::size_t i = spans.front().header + 1; i < spans.front().end; ++i)
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name(), key)) return &lines_[i];
    return nullptr;
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    const Line* line = findKey(section, key);
    return std::string(line ? line->value().substr(0, kProfileValueMax) : fallback);
}

int ProfileFile::readInt(std::string_view section, std::string_view key) const {
    return profileInt(readString(section, key));
}

void ProfileFile::ensureLastLineEnds() {
    if (!lines_.empty() && !lines_.back().raw.ends_with('\n')) lines_.back().raw += newline();
}

bool ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!validSection(section) || !validKey(key) || hasLineBreakOrNul(value)) return false;

    const std::vector<Span> spans = sectionSpans(section);
    if (!spans.empty()) {
        const Span& span = spans.front();
        for (std::size_t i = span.header + 1; i < span.end; ++i) {
            Line& line = lines_[i];
            if (line.kind != Kind::Key || !sameName(line.name(), key)) continue;
            // Keep the key as spelled in the file and its line break; keep the blanks after '='
            // unless the new value brings its own.
            const std::string_view raw = line.raw;
            std::size_t keep = line.separator + 1;
            if (line.valueSize > 0 && !value.empty() && !isBlank(value.front()))
                keep = line.valueBegin;
            std::string ending;
            if (raw.ends_with("\r\n"))
                ending = "\r\n";
            else if (raw.ends_with('\n'))
                ending = "\n";
            std::string replaced(raw.substr(0, keep));
            replaced.append(value).append(ending);
            line = makeLine(std::move(replaced), i == 0);
            return true;
        }
    }

    std::string keyLine = std::string(key) + "=" + std::string(value) + std::string(newline());
    if (!spans.empty()) {
        const std::size_t at = bodyEnd(spans.front());
        if (at == lines_.size()) ensureLastLineEnds();
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      makeLine(std::move(keyLine)));
        return true;
    }
    ensureLastLineEnds();
    lines_.push_back(makeLine("[" + std::string(section) + "]" + std::string(newline())));
    lines_.push_back(makeLine(std::move(keyLine)));
    return true;
}

bool ProfileFile::writeInt(std::string_view section, std::string_view key, int value) {
    return writeString(section, key, std::to_string(value));
}

bool ProfileFile::removeKey(std::string_view section, std::string_view key) {
    // Every copy of the key in the first section goes, so that none of them reads back.
    const std::vector<Span> spans = sectionSpans(section);
    if (spans.empty()) return false;
    std::vector<bool> drop(lines_.size(), false);
    bool any = false;
    for (std::size_t i = spans.front().header + 1; i < spans.front().end; ++i)
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name(), key)) drop[i] = any = true;
    if (!any) return false;
    std::size_t i = 0;
    std::erase_if(lines_, [&](const Line&) { return drop[i++]; });
    return true;
}

// Every copy of the section goes: removing only the first would bring a stale one back.
bool ProfileFile::removeSection(std::string_view section) {
    const std::vector<Span> spans = sectionSpans(section);
    if (spans.empty()) return false;
    std::vector<bool> drop(lines_.size(), false);
    for (const Span& span : spans)
        for (std::size_t i = span.header, end = bodyEnd(span); i < end; ++i) drop[i] = true;
    std::size_t i = 0;
    std::erase_if(lines_, [&](const Line&) { return drop[i++]; });
    return true;
}

std::vector<std::vector<ProfileFile::KeyValue>> ProfileFile::sectionCopies(
    std::string_view section) const {
    std::vector<std::vector<KeyValue>> copies;
    bool inside = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) {
            inside = sameName(line.name(), section);
            if (inside) copies.emplace_back();
        } else if (inside && line.kind == Kind::Key) {
            copies.back().push_back({line.name(), line.value().substr(0, kProfileValueMax)});
        }
    }
    return copies;
}

bool ProfileFile::replaceSection(std::string_view section,
                                 const std::vector<std::pair<std::string, std::string>>& keys) {
    if (!validSection(section)) return false;
    for (const auto& [key, value] : keys)
        if (!validKey(key) || hasLineBreakOrNul(value)) return false;
    removeSection(section);
    if (keys.empty()) return true;
    ensureLastLineEnds();
    const std::string nl(newline());
    lines_.reserve(lines_.size() + keys.size() + 1);
    std::string header = "[";  // built step by step: g++ 12 misreports the chained form
    header.append(section).append("]").append(nl);
    lines_.push_back(makeLine(std::move(header)));
    for (const auto& [key, value] : keys) {
        std::string line = key;
        line.append("=").append(value).append(nl);
        lines_.push_back(makeLine(std::move(line)));
    }
    return true;
}

std::string ProfileFile::text() const {
    std::size_t size = 0;
    for (const Line& line : lines_) size += line.raw.size();
    std::string out;
    out.reserve(size);
    for (const Line& line : lines_) out += line.raw;
    return out;
}

std::error_code ProfileFile::save() const {
    // Replacing a file we could not read would throw away whatever it holds.
    if (state_ == State::Unreadable) return loadError_;
    if (path_.empty() || !path_.has_filename())
        return std::make_error_code(std::errc::invalid_argument);

    // A link stays a link: its target is what gets replaced, beside itself.
    std::error_code resolved;
    const fs::path target = finalTarget(path_, resolved);
    if (resolved) return resolved;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (std::error_code ec = checkWritable(target, old)) return ec;
    }

    static std::atomic<unsigned> serial{0};
    const fs::path dir = folderOf(target);
    const std::string stem = tempPrefix(target) + std::to_string(::getpid()) + "-";
    fs::path temp;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = dir / (stem + std::to_string(serial++));
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) break;
    }
    if (rawFd < 0) return errnoCode();

    Fd fd(rawFd);
    const auto fail = [&](std::error_code ec) {
        ::close(fd.release());
        ::unlink(temp.c_str());
        return ec;
    };
    if (exists) {
        if (std::error_code ec = copyOwnerAndMode(fd.get(), old)) return fail(ec);
    }
    if (std::error_code ec = writeAll(fd.get(), text())) return fail(ec);
    if (::fsync(fd.get()) != 0) return fail(errnoCode());
    if (::close(fd.release()) != 0) {
        const std::error_code ec = errnoCode();
        ::unlink(temp.c_str());
        return ec;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const std::error_code ec = errnoCode();
        ::unlink(temp.c_str());
        return ec;
    }
    syncDirectory(dir);
    return {};
}

int ProfileFile::removeStaleTemps(const std::filesystem::path& path) {
    std::error_code ec;
    const fs::path target = path.has_filename() ? finalTarget(path, ec) : fs::path();
    if (ec || !target.has_filename()) return 0;
    const std::string prefix = tempPrefix(target);
    const fs::path dir = folderOf(target);

    std::vector<std::pair<fs::path, pid_t>> ours;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& entry = it->path();
        if (const pid_t pid = tempWriter(entry.filename().string(), prefix))
            ours.emplace_back(entry, pid);
    }
    int removed = 0;
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    for (const auto& [entry, pid] : ours) {
        struct stat st {};
        if (::lstat(entry.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        // kill(pid, 0) fails with ESRCH only when no such process exists; EPERM means it lives.
        const bool writerGone = pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
        const bool tooOld = now - st.st_mtime > kProfileStaleTempAge.count();
        if ((writerGone || tooOld) && ::unlink(entry.c_str()) == 0) ++removed;
    }
    return removed;
}

ProfileLock::ProfileLock(const std::filesystem::path& path) {
    const fs::path target = path.has_filename() ? finalTarget(path, error_) : fs::path();
    if (error_) return;
    if (!target.has_filename()) {
        error_ = std::make_error_code(std::errc::invalid_argument);
        return;
    }
    std::string name = ".";  // built step by step: g++ 12 misreports the chained form
    name += target.filename().string();
    name += ".lock";
    const fs::path lockFile = folderOf(target) / name;
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd_ < 0) {
        error_ = errnoCode();
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error_ = errnoCode();
        ::close(std::exchange(fd_, -1));
        return;
    }
}

ProfileLock::~ProfileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace tvq
