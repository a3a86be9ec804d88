#pragma once
// The journal on disk: append-only JSON lines in one folder, journal-000001.jsonl onwards. Each
// record reaches the disk whole (one write, then fdatasync) before append returns, so a crash
// leaves at most one incomplete last line, which readers skip and the next start steps over.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

#include "core/service/journal_sink.h"
#include "core/service/journal_time.h"

namespace tvq::service {

struct JournalLimits {
    std::uint64_t maxFileBytes = std::uint64_t{8} << 20;  // a new file starts before passing this
    std::size_t maxFiles = 16;                            // the oldest go beyond this many
};

// "journal-000042.jsonl"
std::string journalFileName(std::uint64_t index);
// The index of a journal file's name, or 0 for any other name.
std::uint64_t journalFileIndex(std::string_view name);

// One line for a record, "seq", "time" and "type" first so that a person reading the file finds
// them where they expect; the rest in key order. No trailing newline.
std::string journalLine(const nlohmann::json& record);

class JournalFile : public JournalSink {
public:
    // Creates the folder when missing. Throws std::runtime_error naming the folder and the
    // reason when it cannot be used, or when another process writes to it already.
    explicit JournalFile(std::filesystem::path dir, JournalLimits limits = {});
    ~JournalFile() override;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // The record (an object) gets the next "seq", always, and the current "time" unless it has
    // one. Throws std::invalid_argument for a non-object and std::runtime_error when the disk
    // refuses the write; a number handed out once is never handed out again, even then.
    std::uint64_t append(nlohmann::json record) override;
    std::uint64_t nextSeq() const override;

    const std::filesystem::path& dir() const { return dir_; }

private:
    void resume();  // finds where the last run stopped
    void openCurrent(bool create);
    void rotate();
    [[noreturn]] void fail(const std::string& what, int error) const;

    const std::filesystem::path dir_;
    const JournalLimits limits_;
    mutable std::mutex mutex_;
    int lockFd_ = -1;
    int fd_ = -1;
    std::uint64_t index_ = 0;  // the current file's number
    std::uint64_t size_ = 0;   // its size in bytes
    std::uint64_t next_ = 1;
    bool needsBreak_ = false;  // the current file ends inside a line (a crash, a short write)
};

}  // namespace tvq::service
