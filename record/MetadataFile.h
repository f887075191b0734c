// The recording's metadata file, "<file>.json", written whole through the atomic-save
// helper at each save, with room to spare: the text is padded with spaces (which every
// JSON reader skips) to whole 4 KiB pages, at least one of them spare. Where a save
// cannot make a new file (most often a full disk, just as the recording ends because of
// it), the text goes into that room in place instead, so that the file still ends with
// the scans written and the stop reason.
//
// A reader tells a finished file from one being rewritten in place by its first byte:
// the rewrite turns the opening "{" into a space first, and back only once the rest is
// on disk. Until then the file is no JSON (it begins with a name outside any object), so
// no JSON reader takes a mixture of old and new text, and a crash in between leaves a
// file that says it is unfinished.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "record/OutputFile.h"
#include "record/RecordingMetadata.h"

namespace tqv::record {

class MetadataFile {
public:
    // Beside the recording named `recording`; nothing is written before the first save.
    explicit MetadataFile(std::filesystem::path recording);

    // Empty on success, else why the file does not say what `metadata` says.
    std::optional<std::string> save(const RecordingMetadata& metadata);

    const std::filesystem::path& path() const { return m_path; }

private:
    const std::filesystem::path m_path;
    // The file the last whole save made, open for a rewrite in place.
    std::optional<OutputFile> m_saved;
};

// `text` followed by spaces and a line end, `size` bytes in all (`text` as it is where
// it is that long already).
std::string paddedTo(const std::string& text, std::size_t size);

}  // namespace tqv::record
