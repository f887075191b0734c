// The environment settings, read once when the library loads: CTest runs this program
// once per group of settings, with a filter picking the matching tests (CMakeLists.txt).
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "card/AdcardFunctions.h"
#include "card/adcard.h"
#include "tests/card/sim/SimProbes.h"

namespace tqv::test {
namespace {

using namespace std::chrono_literals;

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::array<std::uint8_t, 5> identity() {
    std::array<std::uint8_t, 5> command{70, 64, 0};
    std::array<std::uint8_t, 5> reply{};
    EXPECT_EQ(IOCtl(5, command.data(), 5, reply.data()), 1);
    return reply;
}

// IDENTITY "5 12 0", DI "1 -2 300 32767 -32768 0", SPEED 10000, TRACE a file.
TEST(Configured, IdentityInputsAndSpeedAreTheConfiguredOnes) {
    ASSERT_EQ(setting("ADCARD_SIM_SPEED"), "10000");
    EXPECT_EQ(identity(), (std::array<std::uint8_t, 5>{5, 12, 2, 5, 0}));
    ASSERT_EQ(Tqv_DO(0, 0xFF), 0);
    std::array<std::int16_t, 16> words{};
    EXPECT_EQ(Tqv_DI(16, words.data()), 16);
    EXPECT_EQ(words, (std::array<std::int16_t, 16>{1, -2, 300, 32767, -32768}));
    ASSERT_EQ(Initial(0, 0, 0, 0), 1);
    // A block of 10 scans at 1 scan/s: 10 s at the requested rate, 1 ms at 10000x.
    ASSERT_EQ(StartIntr(1000, 10, 0, 4, 1, 0, 1), 1);
    EXPECT_TRUE(waitUntil([] { return QueryBuf() >= 5; }, 10s)) << "ran at the requested rate";
    StopIntr();
}

TEST(Configured, TraceHasOneLinePerCallOfEveryFunctionAndCountsOverruns) {
    const std::string path = setting("ADCARD_SIM_TRACE");
    ASSERT_FALSE(path.empty());
    std::filesystem::resize_file(path, 0);
    std::vector<std::string> expected;
#define TQV_CALL(name, bytes) expected.push_back(callWithSampleArguments(#name, &::name).line);
    ADCARD_CALLED_FUNCTIONS(TQV_CALL)
    ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_CALL)
#undef TQV_CALL
    EXPECT_EQ(traceLines(path), expected);

    ASSERT_EQ(Initial(0, 0, 0, 0), 1);
    ASSERT_EQ(StartIntr(1, 10, 0, 4, 1000, 0, 1), 1);
    ASSERT_TRUE(waitUntil([&] { return std::ranges::count(traceLines(path), "Overrun 3") > 0; }));
    StopIntr();
    std::vector<std::string> overruns;
    std::ranges::copy_if(traceLines(path), std::back_inserter(overruns),
                         [](const std::string& line) { return line.starts_with("Overrun"); });
    overruns.resize(3);
    EXPECT_EQ(overruns, (std::vector<std::string>{"Overrun 1", "Overrun 2", "Overrun 3"}));
    EXPECT_EQ(traceLines(path).back(), "StopIntr -> 1");
}

// FAIL "Initial:-3,StartIntr:-100"
TEST(Failing, InitialAndStartIntrFailWithTheirCodesAndTheRestWorks) {
    ASSERT_EQ(setting("ADCARD_SIM_FAIL"), "Initial:-3,StartIntr:-100");
    EXPECT_EQ(Initial(0, 0, 0, 0), 0);
    EXPECT_EQ(GetLastADError(), -3);
    EXPECT_EQ(StartIntr(50, 300, 0, 4, 10000, 0, 1), 0);
    EXPECT_EQ(GetLastADError(), -100);
    EXPECT_EQ(identity()[0], 52);
}

// Every variable malformed: CTest checks that each is named on standard error.
TEST(Malformed, EveryVariableFallsBackToItsDefault) {
    ASSERT_EQ(setting("ADCARD_SIM_SPEED"), "fast");
    EXPECT_EQ(identity(), (std::array<std::uint8_t, 5>{52, 0, 2, 5, 1}));
    ASSERT_EQ(Tqv_DO(0, 0x42), 0);
    std::array<std::int16_t, 6> words{};
    Tqv_DI(6, words.data());
    EXPECT_EQ(words[0], 0x42) << "inputs loop back";
    ASSERT_EQ(Initial(0, 0, 0, 0), 1) << "no failures";
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(StartIntr(50, 1000, 0, 4, 10000, 0, 1), 1);
    ASSERT_TRUE(waitUntil([] { return QueryBuf() >= 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 100ms) << "speed 1";
    StopIntr();
}

}  // namespace
}  // namespace tqv::test
