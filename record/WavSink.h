// The recording as 16-bit PCM WAV: a plain WAV that every reader opens, which becomes
// RF64 in place once it passes 4 GiB (WavHeader), its header kept true at every sync so
// that a kill or a full disk leaves a file every reader opens.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "record/OutputFile.h"
#include "record/RecordingSink.h"
#include "record/WavHeader.h"

namespace tqv::record {

struct WavLayout {
    int channels = 0;
    int32_t sampleRate = 0;
    // A block's frames: a failed write keeps only whole blocks.
    int32_t blockFrames = 1;
    // Frames left as a hole (reading as zeros) before the first block. Only the tests
    // set it: a sparse file reaches the 4 GiB mark without writing 4 GiB.
    int64_t leadFrames = 0;
};

class WavSink final : public RecordingSink {
public:
    static std::variant<std::unique_ptr<WavSink>, std::string> create(
        const std::filesystem::path& path, bool replace, const WavLayout& layout);
    ~WavSink() override;

    std::optional<std::string> write(std::span<const int16_t> samples, int64_t firstScan) override;
    std::optional<std::string> sync() override;
    std::optional<std::string> finish() override;
    int64_t bytes() const override;
    int64_t scans() const override { return m_frames - m_leadFrames; }

private:
    WavSink(OutputFile file, const WavLayout& layout);
    std::optional<std::string> writeHeader();
    // The samples as little-endian 16-bit codes from `offset`; `written` bytes got there.
    std::optional<std::string> writeLittleEndian(std::span<const int16_t> samples, int64_t offset,
                                                 std::size_t& written);
    std::optional<std::string> cutBackToWholeFrames();

    OutputFile m_file;
    const WavFormat m_format;
    const int64_t m_frameBytes;
    const int64_t m_blockFrames;
    const int64_t m_leadFrames;
    int64_t m_frames = 0;
    bool m_failed = false;
    bool m_closed = false;
    // On a big-endian machine only: the samples byte-swapped, a chunk at a time.
    std::vector<int16_t> m_swapped;
};

}  // namespace tqv::record
