// The simulator's environment settings. The library reads them once per load, so
// CTest runs this program once per setting with that setting in its environment and
// a --gtest_filter picking the matching suite (see CMakeLists.txt); each suite first
// checks that it got the setting it expects, so running the whole program by hand
// fails loudly instead of testing the wrong thing.
//
// The library is loaded with dlopen, as the program loads it, so that what it writes
// to standard error while loading can be checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "CardFunctions.h"
#include "LoadedCard.h"

namespace tqv::sim::test {
namespace {

constexpr std::int32_t kFastRate = 100000;

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const CardFunctions& card() {
    LoadedCard& loaded = processCard();
    if (!loaded.loaded()) {
        ADD_FAILURE() << "cannot load the card library: " << loaded.error();
        std::abort();
    }
    return loaded.functions();
}

std::array<std::uint8_t, 100> identityReply() {
    std::array<std::uint8_t, 100> command{70, 64, 0};
    std::array<std::uint8_t, 100> reply{};
    EXPECT_EQ(card().IOCtl(100, command.data(), 100, reply.data()), 1);
    return reply;
}

std::array<std::int16_t, 16> inputWords() {
    std::array<std::int16_t, 16> words{};
    EXPECT_EQ(card().Tqv_DI(16, words.data()), 16);
    return words;
}

std::vector<std::string> lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(file, line);) result.push_back(line);
    return result;
}

bool contains(const std::vector<std::string>& haystack, const std::string& needle) {
    return std::find(haystack.begin(), haystack.end(), needle) != haystack.end();
}

// --- No settings -----------------------------------------------------------------

TEST(FreshCard, PowersUpIdleAndWantsInitialBeforeStartIntr) {
    ASSERT_EQ(setting("ADCARD_SIM_FAIL"), "");
    const CardFunctions& c = card();
    EXPECT_EQ(processCard().loadMessages(), "");
    EXPECT_EQ(c.GetLastADError(), 0);
    EXPECT_EQ(c.QueryBuf(), 0);
    EXPECT_EQ(c.StopIntr(), 1);
    const auto words = inputWords();
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], 0);

    EXPECT_EQ(c.StartIntr(50, 300, 0, 4, 10000, 0, 1), 0);
    EXPECT_EQ(c.GetLastADError(), code::kNotInitialised);
    EXPECT_EQ(c.QueryBuf(), 0);

    EXPECT_EQ(c.Initial(0, 0, 0, 0), 1);
    EXPECT_EQ(c.StartIntr(50, 300, 0, 4, 10000, 0, 1), 1);
    EXPECT_EQ(c.StopIntr(), 1);
}

// --- ADCARD_SIM_IDENTITY="5 12 0" -------------------------------------------------

TEST(Identity, ReplyCarriesTheConfiguredBytes) {
    ASSERT_EQ(setting("ADCARD_SIM_IDENTITY"), "5 12 0");
    const auto reply = identityReply();
    EXPECT_EQ(reply[0], 5);
    EXPECT_EQ(reply[1], 12);
    EXPECT_EQ(reply[4], 0);
    EXPECT_EQ(reply[2], 2) << "the firmware version is not configurable";
    EXPECT_EQ(processCard().loadMessages(), "");
}

// --- ADCARD_SIM_FAIL --------------------------------------------------------------

TEST(FailInitial, EveryInitialFailsWithTheCode) {
    ASSERT_EQ(setting("ADCARD_SIM_FAIL"), "Initial:-3");
    const CardFunctions& c = card();
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(c.Initial(0, 0, 0, 0), 0);
        EXPECT_EQ(c.GetLastADError(), -3);
    }
    EXPECT_EQ(c.StartIntr(50, 300, 0, 4, 10000, 0, 1), 0);
    EXPECT_EQ(c.GetLastADError(), code::kNotInitialised);
    EXPECT_EQ(identityReply()[0], 52) << "the rest of the card works";
}

TEST(FailStartIntr, EveryStartIntrFailsWithTheCode) {
    ASSERT_EQ(setting("ADCARD_SIM_FAIL"), "StartIntr:-100");
    const CardFunctions& c = card();
    ASSERT_EQ(c.Initial(0, 0, 0, 0), 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(c.StartIntr(50, 300, 0, 4, kFastRate, 0, 1), 0);
        EXPECT_EQ(c.GetLastADError(), -100);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(c.QueryBuf(), 0) << "nothing was started";
}

TEST(FailBoth, InitialAndStartIntrFailWithTheirCodes) {
    ASSERT_EQ(setting("ADCARD_SIM_FAIL"), "Initial:-3,StartIntr:-7");
    const CardFunctions& c = card();
    EXPECT_EQ(c.Initial(0, 0, 0, 0), 0);
    EXPECT_EQ(c.GetLastADError(), -3);
    EXPECT_EQ(c.StartIntr(50, 300, 0, 4, 10000, 0, 1), 0);
    EXPECT_EQ(c.GetLastADError(), -7);
}

// --- ADCARD_SIM_DI="1 -2 300 32767 -32768 0" --------------------------------------

TEST(FixedInputs, ReplaceTheLoopback) {
    ASSERT_EQ(setting("ADCARD_SIM_DI"), "1 -2 300 32767 -32768 0");
    const CardFunctions& c = card();
    ASSERT_EQ(c.Tqv_DO(0, 0xFF), 0);
    ASSERT_EQ(c.Tqv_DO(1, 0xFF), 0);
    for (int read = 0; read < 2; ++read) {
        const auto words = inputWords();
        EXPECT_EQ(words[0], 1);
        EXPECT_EQ(words[1], -2);
        EXPECT_EQ(words[2], 300);
        EXPECT_EQ(words[3], 32767);
        EXPECT_EQ(words[4], -32768);
        EXPECT_EQ(words[5], 0);
        for (std::size_t i = 6; i < words.size(); ++i) EXPECT_EQ(words[i], 0) << "word " << i;
    }
}

// --- ADCARD_SIM_SPEED=50 ------------------------------------------------------------

TEST(Speed, ProgramsAcquisitionRunsFasterWithoutLosingAScan) {
    ASSERT_EQ(setting("ADCARD_SIM_SPEED"), "50");
    const CardFunctions& c = card();
    ASSERT_EQ(c.Initial(0, 0, 0, 0), 1);
    // 120 blocks of 300 scans: 3.6 s at the requested 10000 scans/s, 72 ms at 50x. The
    // queue holds them all, so a busy machine delays the drain but cannot lose a block.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(c.StartIntr(1000, 300, 0, 4, 10000, 0, 1), 1);
    const auto firsts = drainFirstCounters(c, 120, 4, 300, 3);
    const auto took = std::chrono::steady_clock::now() - before;
    c.StopIntr();
    ASSERT_EQ(firsts.size(), 120U);
    for (std::size_t k = 0; k < firsts.size(); ++k) {
        EXPECT_EQ(firsts[k], static_cast<std::uint16_t>(k * 300)) << "block " << k;
    }
    // Loose: only an ignored speed (3.6 s at the least) fails this.
    EXPECT_LT(took, std::chrono::milliseconds(3000));
}

// --- ADCARD_SIM_TRACE=<file> --------------------------------------------------------

class Trace : public ::testing::Test {
protected:
    void SetUp() override {
        path = setting("ADCARD_SIM_TRACE");
        ASSERT_FALSE(path.empty());
        card();  // loaded, so the file is open; start each test with it empty
        std::filesystem::resize_file(path, 0);
    }
    void TearDown() override { card().StopIntr(); }

    std::string path;
};

TEST_F(Trace, WritesOneExactLinePerCall) {
    const CardFunctions& c = card();
    std::array<std::uint8_t, 100> command{70, 64, 0};
    std::array<std::uint8_t, 100> reply{};
    std::array<std::int16_t, 6> words{};
    std::array<std::int16_t, 1202> block{};
    c.Initial(1, 2, -3, 4);
    c.QueryBuf();
    c.StartIntr(50, 300, 0, 4, 10000, 0, 1);
    c.StopIntr();
    c.IOCtl(100, command.data(), 100, reply.data());
    c.Tqv_DOBit(0, 1);
    c.Tqv_DOBit(16, 1);
    c.Tqv_DO(1, 255);
    c.Tqv_DI(6, words.data());
    c.ADResult(block.data());
    c.GetLastADError();
    c.ConfigInfo(1, 2, 3, 4, 5, 6, 7, -8);
    EXPECT_EQ(lines(path), (std::vector<std::string>{
                               "Initial 1 2 -3 4 -> 1",
                               "QueryBuf -> 0",
                               "StartIntr 50 300 0 4 10000 0 1 -> 1",
                               "StopIntr -> 1",
                               "IOCtl 100 * 100 * -> 1",
                               "Tqv_DOBit 0 1 -> 0",
                               "Tqv_DOBit 16 1 -> -2",
                               "Tqv_DO 1 255 -> 0",
                               "Tqv_DI 6 * -> 6",
                               "ADResult * -> 0",
                               "GetLastADError -> -4",
                               "ConfigInfo 1 2 3 4 5 6 7 -8 -> 0",
                           }));
}

TEST_F(Trace, TracesEveryFunction) {
    const CardFunctions& c = card();
    c.Initial(0, 0, 0, 0);
    c.StartIntr(0, 0, 0, 0, 0, 0, 0);
    c.StopIntr();
    c.QueryBuf();
    c.ADResult(nullptr);
    c.GetLastADError();
    c.IOCtl(0, nullptr, 0, nullptr);
    c.Tqv_DI(0, nullptr);
    c.Tqv_DO(9, 0);
    c.Tqv_DOBit(99, 0);
    c.StartSnapshot(1, 2, 3, 4, 5, 6, 7, 8);
    c.RegisterNotify(1, 2, 3, 4, 5);
    c.ADResultRecent(1);
    c.GetSnapshot(1, 2, 3);
    c.ConfigInfo(1, 2, 3, 4, 5, 6, 7, 8);
    c.ChannelFrq(1, 2);
    c.Tqv_ADResult(1, 2);
    c.Tqv_Init(1, 2, 3);
    c.Tqv_DA(1, 2);
    c.Tqv_USB_Inportb(1, 2, 3);
    c.Tqv_USB_Outportb(1, 2, 3);
    c.Tqv_Readb(1, 2, 3, 4);
    c.Tqv_Writeb(1, 2, 3, 4);
    EXPECT_EQ(lines(path), (std::vector<std::string>{
                               "Initial 0 0 0 0 -> 1",
                               "StartIntr 0 0 0 0 0 0 0 -> 0",
                               "StopIntr -> 1",
                               "QueryBuf -> 0",
                               "ADResult * -> 0",
                               "GetLastADError -> -3",
                               "IOCtl 0 * 0 * -> 0",
                               "Tqv_DI 0 * -> 0",
                               "Tqv_DO 9 0 -> -2",
                               "Tqv_DOBit 99 0 -> -2",
                               "StartSnapshot 1 2 3 4 5 6 7 8 -> 0",
                               "RegisterNotify 1 2 3 4 5 -> 0",
                               "ADResultRecent 1 -> 0",
                               "GetSnapshot 1 2 3 -> 0",
                               "ConfigInfo 1 2 3 4 5 6 7 8 -> 0",
                               "ChannelFrq 1 2 -> 0",
                               "Tqv_ADResult 1 2 -> 0",
                               "Tqv_Init 1 2 3 -> 0",
                               "Tqv_DA 1 2 -> 0",
                               "Tqv_USB_Inportb 1 2 3 -> 0",
                               "Tqv_USB_Outportb 1 2 3 -> 0",
                               "Tqv_Readb 1 2 3 4 -> 0",
                               "Tqv_Writeb 1 2 3 4 -> 0",
                           }));
}

TEST_F(Trace, OverrunsAreCountedInTheTrace) {
    const CardFunctions& c = card();
    ASSERT_EQ(c.Initial(0, 0, 0, 0), 1);
    ASSERT_EQ(c.StartIntr(1, 100, 0, 4, kFastRate, 0, 1), 1);
    ASSERT_TRUE(waitUntil([&] { return contains(lines(path), "Overrun 3"); }));
    c.StopIntr();
    const auto traced = lines(path);
    const auto at = [&](const std::string& line) {
        return std::find(traced.begin(), traced.end(), line);
    };
    EXPECT_LT(at("Overrun 1"), at("Overrun 2"));
    EXPECT_LT(at("Overrun 2"), at("Overrun 3"));
    EXPECT_EQ(traced.back(), "StopIntr -> 1");
}

// --- Malformed values ------------------------------------------------------------

TEST(Malformed, EachVariableIsNamedOnStandardErrorAndDefaulted) {
    ASSERT_EQ(setting("ADCARD_SIM_SPEED"), "fast");
    const CardFunctions& c = card();
    const std::string& messages = processCard().loadMessages();
    for (const char* variable : {"ADCARD_SIM_IDENTITY=", "ADCARD_SIM_FAIL=", "ADCARD_SIM_DI=",
                                 "ADCARD_SIM_SPEED=", "ADCARD_SIM_TRACE="}) {
        EXPECT_NE(messages.find(variable), std::string::npos) << variable << " not named";
    }
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 5) << messages;

    const auto reply = identityReply();
    EXPECT_EQ(reply[0], 52);
    EXPECT_EQ(reply[1], 0);
    EXPECT_EQ(reply[4], 1);
    ASSERT_EQ(c.Tqv_DO(0, 0x42), 0);
    EXPECT_EQ(inputWords()[0], 0x42) << "inputs loop back";
    ASSERT_EQ(c.Initial(0, 0, 0, 0), 1) << "no failures";
    // Speed 1: three 30 ms blocks take at least 90 ms.
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(c.StartIntr(50, 300, 0, 4, 10000, 0, 1), 1);
    ASSERT_TRUE(waitUntil([&] { return c.QueryBuf() >= 3; }));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(90));
    c.StopIntr();
}

}  // namespace
}  // namespace tqv::sim::test
