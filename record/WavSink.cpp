#include "record/WavSink.h"

#include <bit>
#include <sndfile.h>
#include <sys/stat.h>

#include "files/AtomicSave.h"

namespace tqv::record {

namespace {

constexpr int kBytesPerSample = 2;

std::string libraryError(SNDFILE* sndfile, const std::string& what) {
    return what + ": " + sf_strerror(sndfile);
}

int64_t fileSize(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return -1;
    return static_cast<int64_t>(status.st_size);
}

}  // namespace

std::variant<std::unique_ptr<WavSink>, std::string> WavSink::create(
    const std::filesystem::path& path, bool replace, const WavLayout& layout) {
    if (layout.channels <= 0 || layout.sampleRate <= 0) {
        return std::string("a WAV file needs at least one channel and a sample rate");
    }
    auto opened = OutputFile::create(path, replace);
    if (auto* error = std::get_if<std::string>(&opened)) return *error;
    auto file = std::move(std::get<OutputFile>(opened));

    SF_INFO info{};
    info.samplerate = layout.sampleRate;
    info.channels = layout.channels;
    info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    SNDFILE* sndfile = sf_open_fd(file.descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (sndfile == nullptr) return libraryError(nullptr, files::displayName(path));
    // A plain WAV, which every reader knows, until the data passes 4 GiB; the header
    // libsndfile writes in either form has the same length, so it can change in place.
    sf_command(sndfile, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    if (sf_command(sndfile, SFC_UPDATE_HEADER_NOW, nullptr, 0) != 0 || sf_error(sndfile) != 0) {
        const auto error = libraryError(sndfile, files::displayName(path));
        sf_close(sndfile);
        return error;
    }
    const int64_t dataOffset = fileSize(file.descriptor());
    if (dataOffset <= 0) {
        sf_close(sndfile);
        return systemError(files::displayName(path));
    }
    if (layout.leadFrames > 0 && sf_seek(sndfile, layout.leadFrames, SEEK_SET) != layout.leadFrames) {
        const auto error = libraryError(sndfile, files::displayName(path));
        sf_close(sndfile);
        return error;
    }
    return std::unique_ptr<WavSink>(new WavSink(std::move(file), sndfile, layout, dataOffset));
}

WavSink::WavSink(OutputFile file, SNDFILE* sndfile, const WavLayout& layout, int64_t dataOffset)
    : m_file(std::move(file)),
      m_sndfile(sndfile),
      m_channels(layout.channels),
      m_blockFrames(std::max<int64_t>(layout.blockFrames, 1)),
      m_leadFrames(std::max<int64_t>(layout.leadFrames, 0)),
      m_dataOffset(dataOffset),
      m_frames(std::max<int64_t>(layout.leadFrames, 0)) {}

WavSink::~WavSink() {
    if (m_sndfile != nullptr) finish();
}

std::optional<std::string> WavSink::write(std::span<const int16_t> samples, int64_t) {
    if (m_failed || m_sndfile == nullptr) return std::string("the file was already closed");
    const auto frames = static_cast<int64_t>(samples.size() / static_cast<std::size_t>(m_channels));
    int64_t written = 0;
    std::optional<std::string> reason;
    if constexpr (std::endian::native == std::endian::little) {
        // The file's little-endian 16-bit PCM is the samples' own bytes: one write of the
        // whole run, where libsndfile would copy it through its buffer in small writes.
        // libsndfile keeps the header, from the file's length, at each update.
        std::size_t bytes = 0;
        reason = m_file.writeAll(reinterpret_cast<const char*>(samples.data()),
                                 samples.size_bytes(), bytes);
        written = static_cast<int64_t>(bytes) / (m_channels * kBytesPerSample);
    } else {
        written = sf_writef_short(m_sndfile, samples.data(), frames);
        if (written != frames || sf_error(m_sndfile) != 0) reason = libraryError(m_sndfile, "write");
    }
    if (!reason) {
        m_frames += frames;
        return std::nullopt;
    }
    m_failed = true;
    if (written > 0) m_frames += written / m_blockFrames * m_blockFrames;
    if (auto error = cutBackToWholeFrames()) *reason += "; " + *error;
    return reason;
}

// Drops the part of a block that got through before the failure: the file ends at
// the last whole block, and its header says so.
std::optional<std::string> WavSink::cutBackToWholeFrames() {
    const int64_t whole = m_dataOffset + m_frames * m_channels * kBytesPerSample;
    if (auto error = m_file.truncate(whole)) return error;
    sf_seek(m_sndfile, m_frames, SEEK_SET);
    sf_command(m_sndfile, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    return m_file.syncData();
}

std::optional<std::string> WavSink::sync() {
    if (m_sndfile == nullptr) return std::string("the file was already closed");
    sf_command(m_sndfile, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    if (!m_failed && sf_error(m_sndfile) != 0) return libraryError(m_sndfile, "header update");
    return m_file.syncData();
}

std::optional<std::string> WavSink::finish() {
    if (m_sndfile == nullptr) return std::nullopt;
    std::optional<std::string> result;
    // libsndfile did not write the samples itself, so its closing header would not count
    // them: the header is brought up to date from the file's length first.
    sf_command(m_sndfile, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    if (sf_close(m_sndfile) != 0 && !m_failed) result = libraryError(nullptr, "close");
    m_sndfile = nullptr;
    if (m_failed) {
        // The closing header is computed from the file's length, which the cut made whole.
        if (auto error = m_file.truncate(m_dataOffset + m_frames * m_channels * kBytesPerSample)) {
            result = error;
        }
    }
    if (auto error = m_file.syncData(); error && !result) result = error;
    if (auto error = m_file.close(); error && !result) result = error;
    return result;
}

int64_t WavSink::bytes() const { return m_dataOffset + m_frames * m_channels * kBytesPerSample; }

}  // namespace tqv::record
