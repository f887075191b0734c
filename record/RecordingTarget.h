// Where a recording goes. It is written into a new temporary file beside the name the
// user gave, which takes that name (replacing an earlier file, where that was asked for)
// only once the recording's first whole block is on disk: until then nothing of an
// earlier recording is touched, and a recording that never gets that far leaves nothing
// behind. The file is locked while it is written, so that a second recording of the same
// name, in this program or another, is refused rather than mixed into it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "record/OutputFile.h"

namespace tqv::record {

// Why a recording could not begin. The programs word `Exists` each in its own way (how
// to replace the file differs); the others say all there is.
struct RecordingRefusal {
    enum class Kind {
        // The file or its metadata exists, and replacing it was not asked for.
        Exists,
        // Another recording is writing the file now.
        Busy,
        // Anything else: the name, the folder, the parameters, the system.
        Unusable,
    };
    Kind kind = Kind::Unusable;
    // Names the file the user gave.
    std::string text;
};

class RecordingTarget {
public:
    // Checks the name and its folder and creates the temporary file; nothing else is
    // created or changed.
    static std::variant<std::unique_ptr<RecordingTarget>, RecordingRefusal> prepare(
        const std::filesystem::path& file, bool replace);
    // Removes the temporary file when the recording never took its name.
    ~RecordingTarget();
    RecordingTarget(const RecordingTarget&) = delete;
    RecordingTarget& operator=(const RecordingTarget&) = delete;

    const std::filesystem::path& file() const { return m_file; }
    // Where the recording is written until commit(); the same file under its name after.
    const std::filesystem::path& temporary() const { return m_temporary; }

    // Gives the temporary file the recording's name, replacing an earlier file there
    // only where that was asked for and no other recording is writing it. Call once the
    // first block is on disk. Empty on success, else why, and then nothing changed.
    std::optional<std::string> commit();
    bool committed() const { return m_committed; }
    // Removes the temporary file, where the recording never took its name.
    void discard();

private:
    RecordingTarget(std::filesystem::path file, std::filesystem::path real,
                    std::filesystem::path temporary, OutputFile lock, bool replace);

    const std::filesystem::path m_file;
    // The file the name stands for (a link followed), beside which the temporary lies.
    const std::filesystem::path m_real;
    const std::filesystem::path m_temporary;
    // Holds the lock on the recording's file from its creation to the end.
    OutputFile m_lock;
    const bool m_replace;
    bool m_committed = false;
    bool m_discarded = false;
};

}  // namespace tqv::record
