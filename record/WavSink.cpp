#include "record/WavSink.h"

#include <algorithm>
#include <bit>

#include "files/AtomicSave.h"

namespace tqv::record {

namespace {

constexpr int kBytesPerSample = 2;
// Samples byte-swapped per write on a big-endian machine: 64 KiB.
constexpr std::size_t kSwapChunk = 32768;

}  // namespace

std::variant<std::unique_ptr<WavSink>, std::string> WavSink::create(
    const std::filesystem::path& path, bool replace, const WavLayout& layout) {
    if (layout.channels <= 0 || layout.sampleRate <= 0) {
        return std::string("a WAV file needs at least one channel and a sample rate");
    }
    if (layout.channels > MaxWavChannels ||
        int64_t{layout.sampleRate} * layout.channels * kBytesPerSample > MaxWavByteRate) {
        return std::string("a WAV file holds at most ") + std::to_string(MaxWavChannels) +
               " channels and 4 GiB a second";
    }
    auto opened = OutputFile::create(path, replace);
    if (auto* error = std::get_if<std::string>(&opened)) return *error;
    std::unique_ptr<WavSink> sink(new WavSink(std::move(std::get<OutputFile>(opened)), layout));
    const int64_t firstSample = WavHeaderBytes + sink->m_frames * sink->m_frameBytes;
    if (sink->m_frames > 0) {
        if (auto error = sink->m_file.truncate(firstSample)) {
            return files::displayName(path) + ": " + *error;
        }
    }
    if (auto error = sink->writeHeader()) return files::displayName(path) + ": " + *error;
    return sink;
}

WavSink::WavSink(OutputFile file, const WavLayout& layout)
    : m_file(std::move(file)),
      m_format{layout.channels, layout.sampleRate},
      m_frameBytes(int64_t{layout.channels} * kBytesPerSample),
      m_blockFrames(std::max<int64_t>(layout.blockFrames, 1)),
      m_leadFrames(std::max<int64_t>(layout.leadFrames, 0)),
      m_frames(std::max<int64_t>(layout.leadFrames, 0)) {
    if constexpr (std::endian::native != std::endian::little) m_swapped.resize(kSwapChunk);
}

WavSink::~WavSink() { finish(); }

// One write of the 80 bytes at the file's start: the header says the frames written so
// far, in the plain form or, past 4 GiB, the RF64 one.
std::optional<std::string> WavSink::writeHeader() {
    const auto header = wavHeader(m_format, static_cast<uint64_t>(m_frames * m_frameBytes));
    std::size_t written = 0;
    return m_file.writeAllAt(0, reinterpret_cast<const char*>(header.data()), header.size(),
                             written);
}

std::optional<std::string> WavSink::writeLittleEndian(std::span<const int16_t> samples,
                                                      int64_t offset, std::size_t& written) {
    if constexpr (std::endian::native == std::endian::little) {
        // The file's codes are the samples' own bytes: one write of the whole run.
        return m_file.writeAllAt(offset, reinterpret_cast<const char*>(samples.data()),
                                 samples.size_bytes(), written);
    } else {
        written = 0;
        while (!samples.empty()) {
            const std::size_t count = std::min(samples.size(), m_swapped.size());
            std::transform(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(count),
                           m_swapped.begin(), [](int16_t v) {
                               const auto bits = static_cast<uint16_t>(v);
                               return static_cast<int16_t>((bits << 8) | (bits >> 8));
                           });
            std::size_t got = 0;
            auto error = m_file.writeAllAt(offset + static_cast<int64_t>(written),
                                           reinterpret_cast<const char*>(m_swapped.data()),
                                           count * sizeof(int16_t), got);
            written += got;
            if (error) return error;
            samples = samples.subspan(count);
        }
        return std::nullopt;
    }
}

std::optional<std::string> WavSink::write(std::span<const int16_t> samples, int64_t) {
    if (m_failed || m_closed) return std::string("the file was already closed");
    const auto frames = static_cast<int64_t>(samples.size()) / m_format.channels;
    std::size_t bytes = 0;
    auto reason = writeLittleEndian(samples, WavHeaderBytes + m_frames * m_frameBytes, bytes);
    if (!reason) {
        m_frames += frames;
        return std::nullopt;
    }
    m_failed = true;
    const int64_t written = static_cast<int64_t>(bytes) / m_frameBytes;
    if (written > 0) m_frames += written / m_blockFrames * m_blockFrames;
    if (auto error = cutBackToWholeFrames()) *reason += "; " + *error;
    return reason;
}

// Drops the part of a block that got through before the failure: the file ends at
// the last whole block, and its header says so.
std::optional<std::string> WavSink::cutBackToWholeFrames() {
    if (auto error = m_file.truncate(bytes())) return error;
    if (auto error = writeHeader()) return error;
    return m_file.syncData();
}

// The data first, then the header that counts it: on the disk the header never claims
// samples that are not there yet, and after a kill the new header is already in the
// system's cache, where every reader finds it.
std::optional<std::string> WavSink::sync() {
    if (m_closed) return std::string("the file was already closed");
    if (auto error = m_file.syncData()) return error;
    if (m_failed) return std::nullopt;
    return writeHeader();
}

std::optional<std::string> WavSink::finish() {
    if (m_closed) return std::nullopt;
    m_closed = true;
    std::optional<std::string> result = writeHeader();
    if (auto error = m_file.syncData(); error && !result) result = error;
    if (auto error = m_file.close(); error && !result) result = error;
    return result;
}

int64_t WavSink::bytes() const { return WavHeaderBytes + m_frames * m_frameBytes; }

}  // namespace tqv::record
