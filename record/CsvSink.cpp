#include "record/CsvSink.h"

#include <algorithm>

#include "text/ScanCsv.h"

namespace tqv::record {

std::variant<std::unique_ptr<CsvSink>, std::string> CsvSink::create(
    const std::filesystem::path& path, bool replace, int channels, int32_t scanRate,
    int32_t scansPerBlock, const channels::ChannelSetup& setup) {
    if (channels <= 0 || scanRate <= 0 || scansPerBlock <= 0) {
        return std::string("a CSV recording needs at least one channel, a scan rate and blocks");
    }
    auto opened = OutputFile::create(path, replace);
    if (auto* error = std::get_if<std::string>(&opened)) return *error;
    std::unique_ptr<CsvSink> sink(new CsvSink(std::move(std::get<OutputFile>(opened)), channels,
                                              scanRate, scansPerBlock, setup));
    const std::string header = text::csvHeader(channels, setup);
    std::size_t written = 0;
    if (auto error = sink->m_file.writeAll(header.data(), header.size(), written)) return *error;
    sink->m_bytes = static_cast<int64_t>(header.size());
    return sink;
}

CsvSink::CsvSink(OutputFile file, int channels, int32_t scanRate, int32_t scansPerBlock,
                 const channels::ChannelSetup& setup)
    : m_file(std::move(file)),
      m_channels(channels),
      m_scanRate(scanRate),
      m_blockSamples(static_cast<std::size_t>(channels) * static_cast<std::size_t>(scansPerBlock)),
      m_setup(setup) {}

CsvSink::~CsvSink() { finish(); }

std::optional<std::string> CsvSink::write(std::span<const int16_t> samples, int64_t firstScan) {
    if (m_failed || m_closed) return std::string("the file was already closed");
    m_text.clear();
    m_blockEnds.clear();
    const auto scansPerBlock = static_cast<int64_t>(m_blockSamples) / m_channels;
    for (std::size_t offset = 0; offset < samples.size(); offset += m_blockSamples) {
        text::appendCsvRows(
            m_text, samples.subspan(offset, std::min(m_blockSamples, samples.size() - offset)),
            m_channels, firstScan, m_scanRate, m_setup);
        firstScan += scansPerBlock;
        m_blockEnds.push_back(m_text.size());
    }
    std::size_t written = 0;
    if (auto error = m_file.writeAll(m_text.data(), m_text.size(), written)) {
        m_failed = true;
        const auto whole = std::upper_bound(m_blockEnds.begin(), m_blockEnds.end(), written);
        const std::size_t kept = whole == m_blockEnds.begin() ? 0 : *std::prev(whole);
        m_bytes += static_cast<int64_t>(kept);
        m_scans += (whole - m_blockEnds.begin()) * scansPerBlock;
        if (auto cut = m_file.truncate(m_bytes)) *error += "; " + *cut;
        return error;
    }
    m_bytes += static_cast<int64_t>(m_text.size());
    m_scans += static_cast<int64_t>(m_blockEnds.size()) * scansPerBlock;
    return std::nullopt;
}

std::optional<std::string> CsvSink::sync() {
    if (m_closed) return std::string("the file was already closed");
    return m_file.syncData();
}

std::optional<std::string> CsvSink::finish() {
    if (m_closed) return std::nullopt;
    m_closed = true;
    auto result = m_file.syncData();
    if (auto error = m_file.close(); error && !result) result = error;
    return result;
}

}  // namespace tqv::record
