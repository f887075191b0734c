#include "record/WavHeader.h"

#include <cstddef>
#include <string_view>

namespace tqv::record {

namespace {

constexpr unsigned kPcmTag = 1;
constexpr unsigned kBitsPerSample = 16;
// The RIFF size counts from after itself: "WAVE", fmt's 24 bytes, JUNK's 36 and data's 8.
constexpr uint64_t kRiffOverhead = WavHeaderBytes - 8;
constexpr uint32_t kUnknown32 = 0xFFFFFFFF;

// Little-endian fields, whatever the machine.
class HeaderWriter {
public:
    explicit HeaderWriter(std::array<unsigned char, WavHeaderBytes>& bytes) : m_bytes(bytes) {}
    HeaderWriter& tag(std::string_view fourCharacters) {
        for (const char c : fourCharacters) m_bytes[m_at++] = static_cast<unsigned char>(c);
        return *this;
    }
    HeaderWriter& number(uint64_t value, int bytes) {
        for (int b = 0; b < bytes; ++b)
            m_bytes[m_at++] = static_cast<unsigned char>(value >> (8 * b));
        return *this;
    }
    HeaderWriter& zeros(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) m_bytes[m_at++] = 0;
        return *this;
    }

private:
    std::array<unsigned char, WavHeaderBytes>& m_bytes;
    std::size_t m_at = 0;
};

void formatChunk(HeaderWriter& writer, const WavFormat& format) {
    const auto blockAlign = static_cast<uint64_t>(format.channels) * (kBitsPerSample / 8);
    writer.tag("fmt ")
        .number(16, 4)
        .number(kPcmTag, 2)
        .number(static_cast<uint64_t>(format.channels), 2)
        .number(static_cast<uint64_t>(format.sampleRate), 4)
        .number(static_cast<uint64_t>(format.sampleRate) * blockAlign, 4)
        .number(blockAlign, 2)
        .number(kBitsPerSample, 2);
}

}  // namespace

bool needsRf64(uint64_t dataBytes) { return dataBytes + kRiffOverhead > kUnknown32; }

std::array<unsigned char, WavHeaderBytes> wavHeader(const WavFormat& format, uint64_t dataBytes) {
    std::array<unsigned char, WavHeaderBytes> bytes{};
    HeaderWriter writer(bytes);
    if (!needsRf64(dataBytes)) {
        writer.tag("RIFF").number(dataBytes + kRiffOverhead, 4).tag("WAVE");
        formatChunk(writer, format);
        writer.tag("JUNK").number(28, 4).zeros(28);
        writer.tag("data").number(dataBytes, 4);
        return bytes;
    }
    const uint64_t blockAlign = static_cast<uint64_t>(format.channels) * (kBitsPerSample / 8);
    writer.tag("RF64").number(kUnknown32, 4).tag("WAVE");
    writer.tag("ds64")
        .number(28, 4)
        .number(dataBytes + kRiffOverhead, 8)
        .number(dataBytes, 8)
        .number(dataBytes / blockAlign, 8)
        .number(0, 4);
    formatChunk(writer, format);
    writer.tag("data").number(kUnknown32, 4);
    return bytes;
}

}  // namespace tqv::record
