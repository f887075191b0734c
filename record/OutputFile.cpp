#include "record/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "files/AtomicSave.h"

namespace tqv::record {

namespace {

#ifdef _WIN32
int openFile(const std::filesystem::path& path, int flags) {
    return ::_wopen(path.c_str(), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long writeSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
long long writeSomeAt(int fd, const char* data, std::size_t size, int64_t offset) {
    if (::_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
    return writeSome(fd, data, size);
}
int truncateFile(int fd, int64_t size) { return ::_chsize_s(fd, size) == 0 ? 0 : -1; }
int syncFile(int fd) { return ::_commit(fd); }
int closeFile(int fd) { return ::_close(fd); }
int64_t sizeOf(int fd) { return ::_filelengthi64(fd); }
// Locked as a whole: a byte range far past any data stands for the file.
bool lockFile(int fd, bool exclusive) {
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFFEu;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return ::LockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), flags, 0, 1, 0, &where) !=
           0;
}
constexpr int kCreate = _O_RDWR | _O_CREAT;
constexpr int kExclusive = _O_EXCL;
constexpr int kTruncate = _O_TRUNC;
constexpr int kReadOnly = _O_RDONLY;
constexpr int kWriteOnly = _O_WRONLY;
#else
int openFile(const std::filesystem::path& path, int flags) {
    return ::open(path.c_str(), flags | O_CLOEXEC, 0666);
}
long long writeSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }
long long writeSomeAt(int fd, const char* data, std::size_t size, int64_t offset) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset));
}
int truncateFile(int fd, int64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)); }
int64_t sizeOf(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}
// flock: held per open file, so two recordings in one process exclude each other too,
// and let go when the file is closed or the process ends, however it ends.
bool lockFile(int fd, bool exclusive) {
    return ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}
int syncFile(int fd) {
#ifdef __APPLE__
    return ::fsync(fd);
#else
    return ::fdatasync(fd);
#endif
}
int closeFile(int fd) { return ::close(fd); }
constexpr int kCreate = O_RDWR | O_CREAT;
constexpr int kExclusive = O_EXCL;
constexpr int kTruncate = O_TRUNC;
constexpr int kReadOnly = O_RDONLY | O_NOCTTY | O_NONBLOCK;
constexpr int kWriteOnly = O_WRONLY | O_NOCTTY;
#endif

// Calls `writeSome(data, size, done)` until all of it got through or it fails.
template <typename WriteSome>
std::optional<std::string> writeLoop(const char* data, std::size_t size, std::size_t& written,
                                     WriteSome writeSome) {
    written = 0;
    while (size > 0) {
        const long long some = writeSome(data, size, written);
        if (some < 0) {
            if (errno == EINTR) continue;
            return systemError("write");
        }
        if (some == 0) return std::string("write: no progress");
        data += some;
        size -= static_cast<std::size_t>(some);
        written += static_cast<std::size_t>(some);
    }
    return std::nullopt;
}

}  // namespace

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::variant<OutputFile, std::string> OutputFile::create(const std::filesystem::path& path,
                                                         bool replace) {
    const int fd = openFile(path, kCreate | (replace ? kTruncate : kExclusive));
    if (fd >= 0) return OutputFile(fd);
    if (errno == EEXIST) {
        return files::displayName(path) + " exists";
    }
    return systemError(files::displayName(path));
}

std::variant<OutputFile, int> OutputFile::createNew(const std::filesystem::path& path) {
    const int fd = openFile(path, kCreate | kExclusive);
    if (fd >= 0) return OutputFile(fd);
    return errno;
}

std::variant<OutputFile, std::string> OutputFile::openExisting(const std::filesystem::path& path) {
    const int fd = openFile(path, kWriteOnly);
    if (fd >= 0) return OutputFile(fd);
    return systemError(files::displayName(path));
}

OutputFile::OutputFile(OutputFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

OutputFile::~OutputFile() {
    if (m_fd >= 0) closeFile(m_fd);
}

std::optional<std::string> OutputFile::writeAll(const char* data, std::size_t size,
                                                std::size_t& written) {
    return writeLoop(data, size, written, [this](const char* at, std::size_t left, std::size_t) {
        return writeSome(m_fd, at, left);
    });
}

std::optional<std::string> OutputFile::writeAllAt(int64_t offset, const char* data,
                                                  std::size_t size, std::size_t& written) {
    return writeLoop(data, size, written,
                     [this, offset](const char* at, std::size_t left, std::size_t done) {
                         return writeSomeAt(m_fd, at, left, offset + static_cast<int64_t>(done));
                     });
}

int64_t OutputFile::size() const { return sizeOf(m_fd); }

bool OutputFile::tryLock() { return lockFile(m_fd, true); }

std::optional<bool> OutputFile::lockedByAnother(const std::filesystem::path& path) {
    const int fd = openFile(path, kReadOnly);
    if (fd < 0) return std::nullopt;
    // A shared lock is refused only while some recording holds its exclusive one.
    const bool free = lockFile(fd, false);
    closeFile(fd);
    return !free;
}

std::optional<std::string> OutputFile::truncate(int64_t size) {
    if (truncateFile(m_fd, size) != 0) return systemError("truncate");
    return std::nullopt;
}

std::optional<std::string> OutputFile::syncData() {
    if (syncFile(m_fd) != 0) return systemError("sync");
    return std::nullopt;
}

std::optional<std::string> OutputFile::close() {
    const int fd = std::exchange(m_fd, -1);
    if (fd >= 0 && closeFile(fd) != 0) return systemError("close");
    return std::nullopt;
}

}  // namespace tqv::record
