#include "scope/Envelope.h"

#include <algorithm>
#include <array>

// x86-64 always has SSE2, as has every 32-bit x86 target built for it.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TQV_ENVELOPE_SSE2 1
#else
#define TQV_ENVELOPE_SSE2 0
#endif

namespace tqv::scope {

namespace {

// Where each column starts on the axis, floor(x × axis / width), stepped without a
// division per column.
class ColumnBounds {
public:
    ColumnBounds(int64_t axis, int64_t width)
        : m_width(width), m_step(axis / width), m_rest(axis % width) {}
    int64_t next() {
        m_bound += m_step;
        m_carry += m_rest;
        if (m_carry >= m_width) {
            m_carry -= m_width;
            ++m_bound;
        }
        return m_bound;
    }

private:
    int64_t m_width;
    int64_t m_step;
    int64_t m_rest;
    int64_t m_bound = 0;
    int64_t m_carry = 0;
};

// Minimum and maximum of each channel over scans [begin, end) of a column, for any
// channel count: the plain way.
void reduceColumnAnyCount(const int16_t* samples, int channels, int64_t begin, int64_t end,
                          int16_t* low, int16_t* high) {
    for (int c = 0; c < channels; ++c) low[c] = high[c] = samples[begin * channels + c];
    for (int64_t s = begin + 1; s < end; ++s) {
        for (int c = 0; c < channels; ++c) {
            low[c] = std::min(low[c], samples[s * channels + c]);
            high[c] = std::max(high[c], samples[s * channels + c]);
        }
    }
}

#if TQV_ENVELOPE_SSE2
// The same for a channel count that divides eight: the scans are taken eight samples
// at a time, 8 - Channels of them a second time where the column's length is not a
// whole number of steps (harmless for a minimum or a maximum). A column shorter than
// one step takes the plain way.
template <int Channels>
void reduceColumn(const int16_t* samples, int64_t begin, int64_t end, int16_t* low, int16_t* high) {
    constexpr int64_t ScansPerStep = 8 / Channels;
    if (end - begin < ScansPerStep) {
        reduceColumnAnyCount(samples, Channels, begin, end, low, high);
        return;
    }
    const int16_t* first = samples + begin * Channels;
    const int16_t* lastStep = samples + (end - ScansPerStep) * Channels;
    __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    __m128i hi = lo;
    for (const int16_t* p = first + 8; p < lastStep; p += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        lo = _mm_min_epi16(lo, v);
        hi = _mm_max_epi16(hi, v);
    }
    const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lastStep));
    lo = _mm_min_epi16(lo, tail);
    hi = _mm_max_epi16(hi, tail);
    alignas(16) std::array<int16_t, 8> los{};
    alignas(16) std::array<int16_t, 8> his{};
    _mm_store_si128(reinterpret_cast<__m128i*>(los.data()), lo);
    _mm_store_si128(reinterpret_cast<__m128i*>(his.data()), hi);
    for (int c = 0; c < Channels; ++c) {
        low[c] = los[static_cast<size_t>(c)];
        high[c] = his[static_cast<size_t>(c)];
        for (int k = c + Channels; k < 8; k += Channels) {
            low[c] = std::min(low[c], los[static_cast<size_t>(k)]);
            high[c] = std::max(high[c], his[static_cast<size_t>(k)]);
        }
    }
}
#else
template <int Channels>
void reduceColumn(const int16_t* samples, int64_t begin, int64_t end, int16_t* low, int16_t* high) {
    reduceColumnAnyCount(samples, Channels, begin, end, low, high);
}
#endif

}  // namespace

void reduceToEnvelopes(std::span<const int16_t> scans, int channelCount, int64_t axisScans,
                       int width, std::span<EnvelopeColumn> columns) {
    std::fill(columns.begin(), columns.end(), EnvelopeColumn{});
    // The channel minima and maxima of one column live on the stack: at most this many.
    constexpr int MaxChannels = 64;
    if (channelCount <= 0 || channelCount > MaxChannels || width <= 0 || axisScans <= 0 ||
        columns.size() < static_cast<size_t>(channelCount) * static_cast<size_t>(width)) {
        return;
    }
    const auto drawn =
        std::min(static_cast<int64_t>(scans.size() / static_cast<size_t>(channelCount)), axisScans);
    const int16_t* samples = scans.data();
    std::array<int16_t, MaxChannels> low{};
    std::array<int16_t, MaxChannels> high{};

    ColumnBounds bounds(axisScans, width);
    int64_t begin = 0;
    for (int x = 0; x < width; ++x) {
        const int64_t next = bounds.next();
        if (begin >= drawn) break;
        const int64_t end = std::clamp(next, begin + 1, drawn);
        switch (channelCount) {
            case 1:
                reduceColumn<1>(samples, begin, end, low.data(), high.data());
                break;
            case 2:
                reduceColumn<2>(samples, begin, end, low.data(), high.data());
                break;
            case 4:
                reduceColumn<4>(samples, begin, end, low.data(), high.data());
                break;
            case 8:
                reduceColumn<8>(samples, begin, end, low.data(), high.data());
                break;
            default:
                reduceColumnAnyCount(samples, channelCount, begin, end, low.data(), high.data());
        }
        for (int c = 0; c < channelCount; ++c) {
            columns[static_cast<size_t>(c) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                {low[static_cast<size_t>(c)], high[static_cast<size_t>(c)], false};
        }
        begin = next;
    }
}

}  // namespace tqv::scope
