// The recording's file as a descriptor the writer owns: created afresh (or replaced
// only when forced), written with plain writes, cut back, synced. The system calls
// live here so the sinks stay portable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace tqv::record {

class OutputFile {
public:
    // Fails with the reason when the file exists and `replace` is false, or when it
    // cannot be created.
    static std::variant<OutputFile, std::string> create(const std::filesystem::path& path,
                                                        bool replace);
    // Creates `path`, which must not exist yet; the system's error number when it cannot.
    static std::variant<OutputFile, int> createNew(const std::filesystem::path& path);
    // An existing file, to write into where it stands: nothing is cut.
    static std::variant<OutputFile, std::string> openExisting(const std::filesystem::path& path);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    int descriptor() const { return m_fd; }
    // All of it or the reason; `written` says how much got through either way.
    std::optional<std::string> writeAll(const char* data, std::size_t size, std::size_t& written);
    // The same at `offset` from the file's start, past its end too (leaving a hole).
    std::optional<std::string> writeAllAt(int64_t offset, const char* data, std::size_t size,
                                          std::size_t& written);
    std::optional<std::string> truncate(int64_t size);
    std::optional<std::string> syncData();
    std::optional<std::string> close();
    // The size the file has on disk now; -1 when it cannot be told.
    int64_t size() const;

    // The advisory lock a recording holds on its file while it is written, for as long
    // as this stays open: false when another open file holds it, in this process or
    // another.
    bool tryLock();
    // Whether a recording holds the lock of the file at `path` now; empty when that
    // cannot be told (no such file, or one this user cannot open).
    static std::optional<bool> lockedByAnother(const std::filesystem::path& path);

private:
    explicit OutputFile(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// "<what>: <the system's text for errno>".
std::string systemError(const std::string& what);

}  // namespace tqv::record
