// The WAV header field by field, as the format's description lays it out: the plain
// form below the 4 GiB mark and the RF64 form past it, in the same 80 bytes.
#include <gtest/gtest.h>

#include <string>

#include "record/WavHeader.h"

namespace tqv::record {
namespace {

using Header = std::array<unsigned char, WavHeaderBytes>;

std::string tagAt(const Header& header, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(header.data() + at), 4);
}

uint64_t numberAt(const Header& header, std::size_t at, int bytes) {
    uint64_t value = 0;
    for (int b = bytes - 1; b >= 0; --b)
        value = value << 8 | header[at + static_cast<std::size_t>(b)];
    return value;
}

// `fmt ` at `at`: plain PCM (tag 1), four channels of 16 bits at 10 kHz.
void expectPcmFormatAt(const Header& header, std::size_t at) {
    EXPECT_EQ(tagAt(header, at), "fmt ");
    EXPECT_EQ(numberAt(header, at + 4, 4), 16u);
    EXPECT_EQ(numberAt(header, at + 8, 2), 1u) << "the plain PCM tag";
    EXPECT_EQ(numberAt(header, at + 10, 2), 4u);
    EXPECT_EQ(numberAt(header, at + 12, 4), 10000u);
    EXPECT_EQ(numberAt(header, at + 16, 4), 80000u);
    EXPECT_EQ(numberAt(header, at + 20, 2), 8u);
    EXPECT_EQ(numberAt(header, at + 22, 2), 16u);
}

constexpr WavFormat kFourChannels{4, 10000};

TEST(WavHeader, BelowFourGibibytesAPlainPcmWavWithFmtFirst) {
    const auto header = wavHeader(kFourChannels, 2400);
    EXPECT_EQ(tagAt(header, 0), "RIFF");
    EXPECT_EQ(numberAt(header, 4, 4), 72u + 2400u);
    EXPECT_EQ(tagAt(header, 8), "WAVE");
    expectPcmFormatAt(header, 12);
    EXPECT_EQ(tagAt(header, 36), "JUNK");
    EXPECT_EQ(numberAt(header, 40, 4), 28u);
    for (std::size_t at = 44; at < 72; ++at) EXPECT_EQ(header[at], 0) << at;
    EXPECT_EQ(tagAt(header, 72), "data");
    EXPECT_EQ(numberAt(header, 76, 4), 2400u);
}

TEST(WavHeader, PastTheMarkRf64WithItsSizesInDs64WhereTheJunkWas) {
    constexpr uint64_t kBytes = (uint64_t{1} << 32) + 2400;
    const auto header = wavHeader(kFourChannels, kBytes);
    EXPECT_EQ(tagAt(header, 0), "RF64");
    EXPECT_EQ(numberAt(header, 4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(tagAt(header, 8), "WAVE");
    EXPECT_EQ(tagAt(header, 12), "ds64");
    EXPECT_EQ(numberAt(header, 16, 4), 28u);
    EXPECT_EQ(numberAt(header, 20, 8), kBytes + 72);
    EXPECT_EQ(numberAt(header, 28, 8), kBytes);
    EXPECT_EQ(numberAt(header, 36, 8), kBytes / 8) << "frames";
    EXPECT_EQ(numberAt(header, 44, 4), 0u) << "no table";
    expectPcmFormatAt(header, 48);
    EXPECT_EQ(tagAt(header, 72), "data");
    EXPECT_EQ(numberAt(header, 76, 4), 0xFFFFFFFFu);
}

// The RIFF size counts 72 bytes of header besides the samples and holds 32 bits.
TEST(WavHeader, TheMarkIsWhereTheRiffSizeNoLongerFits) {
    constexpr uint64_t kLargestPlain = 0xFFFFFFFFull - 72;
    EXPECT_FALSE(needsRf64(kLargestPlain));
    EXPECT_EQ(numberAt(wavHeader(kFourChannels, kLargestPlain), 4, 4), 0xFFFFFFFFu);
    EXPECT_TRUE(needsRf64(kLargestPlain + 1));
    EXPECT_EQ(tagAt(wavHeader(kFourChannels, kLargestPlain + 1), 0), "RF64");
}

}  // namespace
}  // namespace tqv::record
