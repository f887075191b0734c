#include <gtest/gtest.h>

#include "card/sim/SimConfig.h"

namespace tqv::sim {
namespace {

TEST(SimConfig, ReadsEachWellFormedValueAndRefusesWhatIsOutOfRangeOrMisshapen) {
    EXPECT_EQ(parseIdentity(" 5\t12   0 "), (Identity{5, 12, 0}));
    const auto fail = parseFailRules(" StartIntr : 12 , Initial:-2147483648");
    ASSERT_TRUE(fail);
    EXPECT_EQ(fail->startIntr, 12);
    EXPECT_EQ(fail->initial, -2147483647 - 1);
    EXPECT_EQ(parseInputWords("1 -2 300 32767 -32768 0"),
              (InputWords{1, -2, 300, 32767, -32768, 0}));
    EXPECT_EQ(parseSpeed("2.5"), 2.5);
    EXPECT_EQ(parseSpeed("10000"), 10000.0);
    EXPECT_EQ(parseSpeed("0.001"), 0.001);
    for (const char* text : {"1 2", "1 2 3 4", "256 0 0", "-1 0 0", "1,2,3", "1 2 3x"}) {
        EXPECT_FALSE(parseIdentity(text)) << text;
    }
    for (const char* text : {"Initial", "Initial:0", "Open:-3", "Initial:-3,Initial:-4",
                             "Initial:-3,", "Initial:99999999999"}) {
        EXPECT_FALSE(parseFailRules(text)) << text;
    }
    for (const char* text : {"1 2 3 4 5", "1 2 3 4 5 6 7", "32768 0 0 0 0 0", "-32769 0 0 0 0 0"}) {
        EXPECT_FALSE(parseInputWords(text)) << text;
    }
    for (const char* text : {"0", "-1", "fast", "inf", "nan", "10000.5", "2x", "0.0009", "1e-12"}) {
        EXPECT_FALSE(parseSpeed(text)) << text;
    }
}

TEST(SimConfig, UnsetOrEmptyGiveDefaultsAndEachMalformedValueIsNamedOnOneLine) {
    const ParsedConfig empty = parseConfig({"", "", "", "", ""});
    EXPECT_TRUE(empty.problems.empty());
    EXPECT_EQ(empty.config.identity, (Identity{52, 0, 1}));
    EXPECT_EQ(empty.config.speed, 1.0);
    EXPECT_EQ(empty.config.tracePath, "");

    const ParsedConfig parsed = parseConfig({"1 2", "Open:-3", "1 2 3", "0", "/tmp/t"});
    ASSERT_EQ(parsed.problems.size(), 4U);
    const char* named[] = {"ADCARD_SIM_IDENTITY=\"1 2\"", "ADCARD_SIM_FAIL=\"Open:-3\"",
                           "ADCARD_SIM_DI=\"1 2 3\"", "ADCARD_SIM_SPEED=\"0\""};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NE(parsed.problems[i].find(named[i]), std::string::npos) << parsed.problems[i];
        EXPECT_EQ(parsed.problems[i].find('\n'), std::string::npos);
    }
    EXPECT_EQ(parsed.config.identity, (Identity{52, 0, 1}));
    EXPECT_FALSE(parsed.config.fail.initial);
    EXPECT_FALSE(parsed.config.fixedInputs);
    EXPECT_EQ(parsed.config.speed, 1.0);
    EXPECT_EQ(parsed.config.tracePath, "/tmp/t");
}

}  // namespace
}  // namespace tqv::sim
