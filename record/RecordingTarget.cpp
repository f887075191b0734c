#include "record/RecordingTarget.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "files/AtomicSave.h"
#include "record/RecordingMetadata.h"

namespace tqv::record {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 100;

// Recordings give their files their names one at a time per folder, so that two that
// began together cannot both find the name free and the later replace the earlier.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder) {
#ifndef _WIN32
        m_fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
#else
        (void)folder;
#endif
    }
    ~FolderLock() {
#ifndef _WIN32
        if (m_fd >= 0) ::close(m_fd);
#endif
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // So that a rename survives a power cut; a folder that cannot be synced still holds it.
    void sync() const {
#ifndef _WIN32
        if (m_fd >= 0) ::fsync(m_fd);
#endif
    }

private:
    int m_fd = -1;
};

bool nameTaken(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

RecordingRefusal refused(RecordingRefusal::Kind kind, std::string text) {
    return {kind, std::move(text)};
}

std::string beingRecorded(const fs::path& file) {
    return files::displayName(file) + " is being recorded by another recording";
}

}  // namespace

std::variant<std::unique_ptr<RecordingTarget>, RecordingRefusal> RecordingTarget::prepare(
    const fs::path& file, bool replace) {
    using Kind = RecordingRefusal::Kind;
    if (file.empty()) return refused(Kind::Unusable, "no file name given");
    const std::string name = files::displayName(file);
    const auto place = files::followLink(file);
    if (const auto* problem = std::get_if<std::string>(&place)) {
        return refused(Kind::Unusable, *problem);
    }
    const fs::path& real = std::get<fs::path>(place);
    std::error_code error;
    const auto status = fs::status(real, error);
    if (fs::is_directory(status)) return refused(Kind::Unusable, name + " is a folder");
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) {
            return refused(Kind::Unusable, name +
                                               " is no regular file: a recording needs one, "
                                               "whose header it keeps up to date");
        }
        if (!replace) return refused(Kind::Exists, name + " exists");
        if (OutputFile::lockedByAnother(real).value_or(false)) {
            return refused(Kind::Busy, beingRecorded(file));
        }
    }
    const fs::path metadata = metadataPath(file);
    if (!replace && nameTaken(metadata)) {
        return refused(Kind::Exists, name + " has an earlier recording's metadata beside it, " +
                                         files::displayName(metadata.filename()));
    }
    // A folder where the metadata cannot go would lose the gaps: refused before anything.
    if (const auto problem = files::checkWritable(metadata)) {
        return refused(Kind::Unusable, "metadata: " + *problem);
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path temporary = files::temporaryBeside(real, attempt);
        auto created = OutputFile::createNew(temporary);
        if (auto* lock = std::get_if<OutputFile>(&created)) {
            // A new file nobody else has opened: its lock is free.
            lock->tryLock();
            return std::unique_ptr<RecordingTarget>(
                new RecordingTarget(file, real, temporary, std::move(*lock), replace));
        }
        const int reason = std::get<int>(created);
        if (reason != EEXIST) {
            return refused(Kind::Unusable, "cannot create a file beside " + name + ": " +
                                               std::generic_category().message(reason));
        }
    }
    return refused(Kind::Unusable, "cannot create a file beside " + name + ": " +
                                       std::generic_category().message(EEXIST));
}

RecordingTarget::RecordingTarget(fs::path file, fs::path real, fs::path temporary, OutputFile lock,
                                 bool replace)
    : m_file(std::move(file)),
      m_real(std::move(real)),
      m_temporary(std::move(temporary)),
      m_lock(std::move(lock)),
      m_replace(replace) {}

RecordingTarget::~RecordingTarget() { discard(); }

std::optional<std::string> RecordingTarget::commit() {
    if (m_committed) return std::nullopt;
    if (m_discarded) return std::string("the recording's file was removed");
    const FolderLock folder(m_real.parent_path());
    if (nameTaken(m_real)) {
        if (!m_replace) {
            return files::displayName(m_file) + " exists (made after the recording began)";
        }
        if (OutputFile::lockedByAnother(m_real).value_or(false)) return beingRecorded(m_file);
    }
    std::error_code error;
    fs::rename(m_temporary, m_real, error);
    if (error) {
        return "cannot give the recording its name " + files::displayName(m_file) + ": " +
               error.message();
    }
    folder.sync();
    m_committed = true;
    return std::nullopt;
}

void RecordingTarget::discard() {
    if (m_committed || m_discarded) return;
    m_discarded = true;
    std::error_code ignored;
    fs::remove(m_temporary, ignored);
}

}  // namespace tqv::record
