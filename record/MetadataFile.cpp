#include "record/MetadataFile.h"

#include <utility>

#include "files/AtomicSave.h"

namespace tqv::record {

namespace {

constexpr std::size_t kPage = 4096;

// Whole pages with one spare: room for the stop reason, a last gap and its error text.
std::size_t roomFor(std::size_t textSize) { return (textSize + 2 * kPage - 1) / kPage * kPage; }

// The opening brace last, so that the file is JSON again only once all of it is there.
std::optional<std::string> rewriteInPlace(OutputFile& file, const std::string& whole) {
    std::size_t written = 0;
    if (auto error = file.writeAllAt(0, " ", 1, written)) return error;
    if (auto error = file.syncData()) return error;
    if (auto error = file.writeAllAt(1, whole.data() + 1, whole.size() - 1, written)) return error;
    if (auto error = file.syncData()) return error;
    if (auto error = file.writeAllAt(0, whole.data(), 1, written)) return error;
    return file.syncData();
}

}  // namespace

std::string paddedTo(const std::string& text, std::size_t size) {
    if (text.size() >= size) return text;
    std::string whole = text;
    whole.append(size - text.size() - 1, ' ');
    whole += '\n';
    return whole;
}

MetadataFile::MetadataFile(std::filesystem::path recording) : m_path(metadataPath(recording)) {}

std::optional<std::string> MetadataFile::save(const RecordingMetadata& metadata) {
    const std::string text = metadataJson(metadata);
    const auto saved = files::saveAtomically(m_path, paddedTo(text, roomFor(text.size())));
    if (!saved) {
        auto opened = OutputFile::openExisting(m_path);
        m_saved.reset();
        if (auto* file = std::get_if<OutputFile>(&opened)) m_saved.emplace(std::move(*file));
        return std::nullopt;
    }
    if (!m_saved) return saved;
    const int64_t room = m_saved->size();
    if (room <= static_cast<int64_t>(text.size())) {
        return *saved + "; and no room is left in the file to write it in place";
    }
    if (auto error = rewriteInPlace(*m_saved, paddedTo(text, static_cast<std::size_t>(room)))) {
        return *saved + "; and in place: " + *error;
    }
    return std::nullopt;
}

}  // namespace tqv::record
