// The recording as CSV text (see text/ScanCsv.h), for spreadsheets and scripts: each
// channel's values in its unit.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "channels/ChannelSetup.h"
#include "record/OutputFile.h"
#include "record/RecordingSink.h"

namespace tqv::record {

class CsvSink final : public RecordingSink {
public:
    static std::variant<std::unique_ptr<CsvSink>, std::string> create(
        const std::filesystem::path& path, bool replace, int channels, int32_t scanRate,
        int32_t scansPerBlock, const channels::ChannelSetup& setup = {});
    ~CsvSink() override;

    std::optional<std::string> write(std::span<const int16_t> samples, int64_t firstScan) override;
    std::optional<std::string> sync() override;
    std::optional<std::string> finish() override;
    int64_t bytes() const override { return m_bytes; }
    int64_t scans() const override { return m_scans; }

private:
    CsvSink(OutputFile file, int channels, int32_t scanRate, int32_t scansPerBlock,
            const channels::ChannelSetup& setup);

    OutputFile m_file;
    const int m_channels;
    const int32_t m_scanRate;
    const std::size_t m_blockSamples;
    // Each channel's values in its unit.
    const channels::ChannelSetup m_setup;
    // Reused for every write: it grows to the largest run once, then stays.
    std::vector<char> m_text;
    // Where each block's rows end in m_text, to cut a failed write at a whole block.
    std::vector<std::size_t> m_blockEnds;
    int64_t m_bytes = 0;
    int64_t m_scans = 0;
    bool m_failed = false;
    bool m_closed = false;
};

}  // namespace tqv::record
