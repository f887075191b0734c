// The recording as 16-bit PCM WAV through libsndfile: a plain WAV that becomes RF64
// by itself once it passes 4 GiB, its header kept true at every sync so that a kill
// or a full disk leaves a file every reader opens.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>

#include "record/OutputFile.h"
#include "record/RecordingSink.h"

struct sf_private_tag;

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
    WavSink(OutputFile file, sf_private_tag* sndfile, const WavLayout& layout, int64_t dataOffset);
    std::optional<std::string> cutBackToWholeFrames();

    OutputFile m_file;
    sf_private_tag* m_sndfile;
    const int m_channels;
    const int64_t m_blockFrames;
    const int64_t m_leadFrames;
    const int64_t m_dataOffset;
    int64_t m_frames = 0;
    bool m_failed = false;
};

}  // namespace tqv::record
