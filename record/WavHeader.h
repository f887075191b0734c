// The bytes in front of a 16-bit PCM WAV's samples, in the one layout that every reader
// opens and that can still grow past 4 GiB in place: `RIFF`, `fmt ` with the plain PCM
// tag 1 (readers that know no other tag, and those that want `fmt ` first, open it),
// a 28-byte `JUNK`, then `data`. Past the 4 GiB mark the same 80 bytes say `RF64`,
// `ds64` with the 64-bit sizes in the place of the `JUNK`, and the same `fmt `: the
// samples never move, and the header changes in one write.
#pragma once

#include <array>
#include <cstdint>

namespace tqv::record {

inline constexpr int WavHeaderBytes = 80;

struct WavFormat {
    // 1 to MaxWavChannels.
    int channels = 0;
    // Above 0, and at most MaxWavByteRate / (2 × channels).
    int32_t sampleRate = 0;
};

// The header's 16-bit block alignment and 32-bit byte rate bound the format.
inline constexpr int MaxWavChannels = 32767;
inline constexpr int64_t MaxWavByteRate = 0xFFFFFFFF;

// Whether the samples' bytes need the RF64 form: past what a 32-bit RIFF size counts.
bool needsRf64(uint64_t dataBytes);

// The header for `dataBytes` bytes of samples (whole frames), plain below the 4 GiB
// mark and RF64 past it.
std::array<unsigned char, WavHeaderBytes> wavHeader(const WavFormat& format, uint64_t dataBytes);

}  // namespace tqv::record
