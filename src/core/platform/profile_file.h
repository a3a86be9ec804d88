#pragma once
// Classic profile file ("[section]" headers and "key=value" lines) that keeps its exact form:
// lines we do not change are written back byte for byte, and saves replace the file atomically.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tvq {

// Values are read as text of at most this many characters.
inline constexpr std::size_t kProfileValueMax = 259;

// Larger files are refused rather than read: nothing we write comes close.
inline constexpr std::size_t kProfileFileMaxBytes = 64u << 20;

// Symbolic links followed before a save gives up on a chain (as the system's own loop limit).
inline constexpr int kProfileMaxLinkHops = 40;

// A temporary file older than this is stale even when its writer's pid is in use again.
inline constexpr std::chrono::seconds kProfileStaleTempAge{3600};

// Decimal integer at the start of text: leading blanks and a sign allowed, anything else after
// the digits ignored; no digits reads as 0 and out-of-range values saturate.
int profileInt(std::string_view text);

// Clamps a number read from a profile file to 0..max before it drives a loop.
constexpr int boundedCount(long long value, int max) {
    return static_cast<int>(std::clamp<long long>(value, 0, std::max(max, 0)));
}

class ProfileFile {
public:
    enum class State {
        Missing,     // no file: reads as empty, save creates it
        Loaded,      // read as text (whatever it held)
        Unreadable,  // exists but could not be read: reads as empty, save refuses to replace it
    };

    ProfileFile() = default;
    // Reads the file; never throws for anything about the file itself.
    explicit ProfileFile(std::filesystem::path path);
    // Parses text as if it had been read from path (nothing is read).
    static ProfileFile fromText(std::string_view text, std::filesystem::path path = {});

    const std::filesystem::path& path() const { return path_; }
    State state() const { return state_; }
    // Why the file could not be read (empty unless Unreadable).
    std::error_code loadError() const { return loadError_; }

    // Section and key names compare without regard to ASCII letter case. A section or key that
    // appears twice counts once, at its first place, for reading and for writing alike.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // profileInt() of the value; a missing key reads as 0.
    int readInt(std::string_view section, std::string_view key) const;

    // False when a name or value could not be written back as one line of its kind (empty name,
    // line breaks, '=' in a key, ']' in a section, blanks around a name).
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);
    // Both return whether anything was removed.
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

    // The key lines of every copy of a section, in file order, copies in file order (the first
    // is the one read and written). One pass over the file, so callers that read a whole section
    // stay linear. Views into this file: valid until it changes.
    struct KeyValue {
        std::string_view key;
        std::string_view value;  // at most kProfileValueMax characters, as readString gives it
    };
    std::vector<std::vector<KeyValue>> sectionCopies(std::string_view section) const;
    // removeSection(section), then the section written anew at the end of the file with these
    // keys in order (no header when there are none), as writeString would one by one, in one
    // pass. The keys must differ from one another. False when a name or value does not fit a line;
    // nothing is changed then.
    bool replaceSection(std::string_view section,
                        const std::vector<std::pair<std::string, std::string>>& keys);

    // The whole file as save() would write it.
    std::string text() const;
    // Writes a temporary file beside the target, flushes it to disk and renames it over the
    // target. A symbolic link is followed and its final target replaced; the new file keeps the
    // old one's mode and, where the system allows, its owner. A file without write permission
    // for us, or without any write bit even for root, is refused (permission_denied). On failure
    // the old file is untouched and no temporary file is left.
    std::error_code save() const;

    // Removes the temporary files that saves of path left behind when killed: only names save()
    // makes, and only those whose writer is gone or that are older than kProfileStaleTempAge.
    // Returns how many were removed.
    static int removeStaleTemps(const std::filesystem::path& path);

private:
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Line {
        std::string raw;  // the bytes as in the file, line break included
        Kind kind = Kind::Other;
        std::size_t nameBegin = 0, nameSize = 0;    // section or key name within raw
        std::size_t separator = 0;                  // the '=' of a key line
        std::size_t valueBegin = 0, valueSize = 0;  // value within raw, blanks trimmed
        std::string_view name() const { return std::string_view(raw).substr(nameBegin, nameSize); }
        std::string_view value() const {
            return std::string_view(raw).substr(valueBegin, valueSize);
        }
    };
    struct Span {
        std::size_t header;  // index of the section's header line
        std::size_t end;     // one past its body
    };

    void parse(std::string_view text);
    void accept(std::string_view text);
    static Line makeLine(std::string raw, bool firstLine = false);
    // Every span of the section, in file order; only the first one is read and written.
    std::vector<Span> sectionSpans(std::string_view section) const;
    const Line* findKey(std::string_view section, std::string_view key) const;
    std::size_t bodyEnd(const Span& span) const;
    std::string_view newline() const { return crlf_ ? "\r\n" : "\n"; }
    void ensureLastLineEnds();

    std::filesystem::path path_;
    State state_ = State::Missing;
    std::error_code loadError_;
    std::vector<Line> lines_;
    bool crlf_ = false;
};

// An exclusive lock on a profile file, for a read-modify-write that must not lose another
// writer's change: hold it from the read to the rename of the save. It is an flock on a hidden
// file ".<name>.lock" beside the file (a link's final target), so every process that edits the
// file through this class takes turns, and a killed holder releases it with its last descriptor.
class ProfileLock {
public:
    explicit ProfileLock(const std::filesystem::path& path);  // waits until the lock is ours
    ~ProfileLock();
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;
    // Why the lock could not be taken (for example a folder we may not write to).
    std::error_code error() const { return error_; }

private:
    int fd_ = -1;
    std::error_code error_;
};

}  // namespace tvq
