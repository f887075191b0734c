// The card library's 23 functions as pointers, so that the same helpers serve the
// tests that link the library and those that load it at run time. Members carry the
// functions' own names, so a test reads like the program's calls: card.QueryBuf().
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "card/adcard.h"

namespace tqv::sim::test {

struct CardFunctions {
    decltype(&::Initial) Initial = nullptr;
    decltype(&::StartIntr) StartIntr = nullptr;
    decltype(&::StopIntr) StopIntr = nullptr;
    decltype(&::QueryBuf) QueryBuf = nullptr;
    decltype(&::ADResult) ADResult = nullptr;
    decltype(&::GetLastADError) GetLastADError = nullptr;
    decltype(&::IOCtl) IOCtl = nullptr;
    decltype(&::Tqv_DI) Tqv_DI = nullptr;
    decltype(&::Tqv_DO) Tqv_DO = nullptr;
    decltype(&::Tqv_DOBit) Tqv_DOBit = nullptr;
    decltype(&::StartSnapshot) StartSnapshot = nullptr;
    decltype(&::RegisterNotify) RegisterNotify = nullptr;
    decltype(&::ADResultRecent) ADResultRecent = nullptr;
    decltype(&::GetSnapshot) GetSnapshot = nullptr;
    decltype(&::ConfigInfo) ConfigInfo = nullptr;
    decltype(&::ChannelFrq) ChannelFrq = nullptr;
    decltype(&::Tqv_ADResult) Tqv_ADResult = nullptr;
    decltype(&::Tqv_Init) Tqv_Init = nullptr;
    decltype(&::Tqv_DA) Tqv_DA = nullptr;
    decltype(&::Tqv_USB_Inportb) Tqv_USB_Inportb = nullptr;
    decltype(&::Tqv_USB_Outportb) Tqv_USB_Outportb = nullptr;
    decltype(&::Tqv_Readb) Tqv_Readb = nullptr;
    decltype(&::Tqv_Writeb) Tqv_Writeb = nullptr;
};

// The error codes of card/sim/README.md, as a user of the library knows them.
namespace code {
inline constexpr std::int32_t kNotInitialised = -1;
inline constexpr std::int32_t kBadArgument = -2;
inline constexpr std::int32_t kNullPointer = -3;
inline constexpr std::int32_t kNoBlock = -4;
inline constexpr std::int32_t kOverrun = -5;
inline constexpr std::int32_t kUnknownCommand = -6;
inline constexpr std::int32_t kNotSupported = -7;
}  // namespace code

// Generous: waits are for a thread to be scheduled, never measurements.
inline constexpr std::chrono::milliseconds kPatience{5000};

// Polls every millisecond until the condition holds or the patience runs out.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds patience = kPatience);

// A caller's block array of N + 2 elements with extra guard elements beyond, all
// preset to a sentinel, so a test can see what the library wrote where.
class GuardedBlock {
public:
    static constexpr std::int16_t kSentinel = 0x5A5A;
    static constexpr std::size_t kExtraGuards = 16;

    GuardedBlock(std::size_t channels, std::size_t scans);

    std::int16_t* data() { return m_elements.data(); }
    std::size_t samples() const { return m_channels * m_scans; }
    std::int16_t sample(std::size_t scan, std::size_t channel) const;
    // The scan counter of a scan, read from the given column.
    std::uint16_t counter(std::size_t scan, std::size_t column) const;
    // Element 0 and everything from N + 1 on still hold the sentinel.
    bool guardsIntact() const;
    // Every scan's counter is one more than the previous one's.
    bool countsUp(std::size_t column) const;

private:
    std::size_t m_channels;
    std::size_t m_scans;
    std::vector<std::int16_t> m_elements;
};

// Reads `blocks` blocks as they come (polling every millisecond) and returns the
// counter of each block's first scan; stops early when the patience runs out or a
// block's own counter does not count up.
std::vector<std::uint16_t> drainFirstCounters(const CardFunctions& card, std::size_t blocks,
                                              std::size_t channels, std::size_t scans,
                                              std::size_t counterColumn);

}  // namespace tqv::sim::test
