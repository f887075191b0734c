#include "files/AtomicSave.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <system_error>
#include <variant>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tqv::files {

namespace fs = std::filesystem;

namespace {

std::string because(const fs::path& file, const std::string& what, int error) {
    return what + " " + displayName(file) + ": " + std::generic_category().message(error);
}

// The longest file name most file systems take, in bytes (NAME_MAX): ext4, XFS, tmpfs,
// Btrfs; FAT and NTFS count UTF-16 units, of which a byte is at most one.
constexpr std::size_t kLongestName = 255;

// The longest name the folder's file system takes, where it says.
std::size_t longestNameIn(const fs::path& folder) {
#ifndef _WIN32
    const long longest = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (longest > 0) return std::min(static_cast<std::size_t>(longest), kLongestName);
#else
    (void)folder;
#endif
    return kLongestName;
}

// `name` cut to at most `bytes`, never inside a UTF-8 sequence.
std::string cutName(std::string name, std::size_t bytes) {
    if (name.size() <= bytes) return name;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    name.resize(end);
    return name;
}

#ifdef _WIN32

int openExclusive(const fs::path& file) {
    int fd = -1;
    _wsopen_s(&fd, file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYRW,
              _S_IREAD | _S_IWRITE);
    return fd;
}
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size(), 1u << 30));
        const int written = _write(fd, bytes.data(), chunk);
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}
bool syncAndClose(int fd) {
    const bool synced = _commit(fd) == 0;
    return (_close(fd) == 0) && synced;
}
void removeFile(const fs::path& file) { _wunlink(file.c_str()); }
bool replace(const fs::path& from, const fs::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
bool isSpecial(const fs::path&, bool&) { return false; }
void syncFolder(const fs::path&) {}
bool writeForbidden(const fs::path& file) {
    return _waccess(file.c_str(), 2) != 0 && errno == EACCES;
}

#else

int openExclusive(const fs::path& file) {
    // 0666 as any new file: the umask decides, as it would for the target itself.
    return ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}
bool syncAndClose(int fd) {
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    const bool closed = ::close(fd) == 0;
    if (!synced) errno = syncError;
    return synced && closed;
}
void removeFile(const fs::path& file) { ::unlink(file.c_str()); }
bool replace(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}
// A name the kernel provides rather than stores (/dev/stdout, /proc/self/fd/1), or an
// existing file that is no regular file: written in place, never replaced.
bool isSpecial(const fs::path& target, bool& folder) {
    const std::string text = fs::absolute(target).lexically_normal().string();
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    folder = exists && S_ISDIR(status.st_mode);
    if (folder) return false;
    if (text.rfind("/dev/", 0) == 0 || text.rfind("/proc/", 0) == 0) return true;
    return exists && !S_ISREG(status.st_mode);
}
// So that the rename itself survives a power cut; a folder that cannot be synced
// still holds the file.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
// A device or a kernel file may be opened for writing and still refuse every write
// (/proc/version does, even to root): an empty write asks without writing anything. A
// FIFO is left to its reader, which may come later.
bool acceptsWrites(const fs::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0 && S_ISFIFO(status.st_mode)) return true;
    const int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool accepted = ::write(fd, "", 0) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return accepted;
}
// An existing file this user may not write (root may write any, as cp does).
bool writeForbidden(const fs::path& file) {
    return ::access(file.c_str(), W_OK) != 0 && errno == EACCES;
}
// An existing file keeps its permissions, as an editor's save keeps them.
void keepMode(int fd, const fs::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) ::fchmod(fd, status.st_mode & 07777);
}

#endif

std::optional<std::string> writeInPlace(const fs::path& target, std::string_view contents) {
#ifdef _WIN32
    (void)target;
    (void)contents;
    return std::nullopt;
#else
    const int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return because(target, "cannot open", errno);
    if (!writeAll(fd, contents)) {
        const int error = errno;
        ::close(fd);
        return because(target, "cannot write", error);
    }
    if (::close(fd) != 0) return because(target, "cannot write", errno);
    return std::nullopt;
#endif
}

}  // namespace

fs::path temporaryBeside(const fs::path& target, int attempt) {
    static std::atomic<unsigned> counter{0};
    static const unsigned long long seed =
        std::random_device{}() ^ static_cast<unsigned long long>(
                                     std::chrono::steady_clock::now().time_since_epoch().count());
#ifdef _WIN32
    const unsigned long long process = GetCurrentProcessId();
#else
    const unsigned long long process = static_cast<unsigned long long>(::getpid());
#endif
    const std::string suffix = "." + std::to_string(process) + "-" + std::to_string(counter++) +
                               "-" + std::to_string((seed >> (attempt % 32)) % 1000000007ULL) +
                               ".part";
    const std::string name = target.filename().string();
    const std::size_t room = longestNameIn(target.parent_path()) - 1 - suffix.size();
    return target.parent_path() / ("." + cutName(name, room) + suffix);
}

std::variant<fs::path, std::string> followLink(const fs::path& target) {
    // As many links as the kernel follows before it gives up (Linux's MAXSYMLINKS).
    constexpr int kMostLinks = 40;
    fs::path place = target;
    for (int links = 0;; ++links) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(place, error))) break;
        if (links == kMostLinks) return because(target, "cannot follow", ELOOP);
        const fs::path next = fs::read_symlink(place, error);
        if (error) return because(place, "cannot read the link", error.value());
        place = next.is_absolute() ? next : place.parent_path() / next;
    }
    std::error_code error;
    const fs::path folder = place.parent_path().empty() ? fs::path(".") : place.parent_path();
    if (place != target && !fs::is_directory(folder, error)) {
        return displayName(target) + " is a link to " + displayName(place) + ", whose folder " +
               displayName(folder) + " does not exist";
    }
    // A file the user may not write is not replaced behind their back: refused as cp
    // refuses it.
    if (writeForbidden(place)) return because(place, "cannot write", EACCES);
    return place;
}

std::string displayName(const fs::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}

std::optional<std::string> saveAtomically(const fs::path& target, std::string_view contents) {
    if (target.empty()) return "no file name given";
    bool folder = false;
    if (isSpecial(target, folder)) return writeInPlace(target, contents);
    if (folder) return displayName(target) + " is a folder";

    const auto place = followLink(target);
    if (const auto* problem = std::get_if<std::string>(&place)) return *problem;
    const fs::path& real = std::get<fs::path>(place);
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryBeside(real, attempt);
        fd = openExclusive(temporary);
        if (fd < 0 && errno != EEXIST) return because(real, "cannot create a file beside", errno);
    }
    if (fd < 0) return because(real, "cannot create a file beside", EEXIST);
#ifndef _WIN32
    keepMode(fd, real);
#endif
    if (!writeAll(fd, contents)) {
        const int error = errno;
        syncAndClose(fd);
        removeFile(temporary);
        return because(real, "cannot write", error);
    }
    if (!syncAndClose(fd)) {
        const int error = errno;
        removeFile(temporary);
        return because(real, "cannot write", error);
    }
    if (!replace(temporary, real)) {
        const int error = errno;
        removeFile(temporary);
        return because(real, "cannot replace", error);
    }
    syncFolder(real.parent_path());
    return std::nullopt;
}

std::optional<std::string> checkWritable(const fs::path& target) {
    if (target.empty()) return "no file name given";
    bool folder = false;
    if (isSpecial(target, folder)) {
#ifndef _WIN32
        if (::access(target.c_str(), W_OK) != 0) return because(target, "cannot write", errno);
        if (!acceptsWrites(target)) return because(target, "cannot write", errno);
#endif
        return std::nullopt;
    }
    if (folder) return displayName(target) + " is a folder";
    const auto place = followLink(target);
    if (const auto* problem = std::get_if<std::string>(&place)) return *problem;
    const fs::path& real = std::get<fs::path>(place);
    // The temporary's name is cut to fit; the file's own name must fit as it is.
    if (real.filename().string().size() > longestNameIn(real.parent_path())) {
        return because(real, "cannot create", ENAMETOOLONG);
    }
    const fs::path probe = temporaryBeside(real, 0);
    const int fd = openExclusive(probe);
    if (fd < 0) return because(real, "cannot create a file beside", errno);
    syncAndClose(fd);
    removeFile(probe);
    return std::nullopt;
}

}  // namespace tqv::files
