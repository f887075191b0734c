#include <gtest/gtest.h>

#include "card/sim/SimConfig.h"

namespace tqv::sim {
namespace {

TEST(IdentityParsing, ReadsThreeBytesSeparatedBySpacesOrTabs) {
    EXPECT_EQ(parseIdentity("52 0 1"), (Identity{52, 0, 1}));
    EXPECT_EQ(parseIdentity("  5\t12   0 "), (Identity{5, 12, 0}));
    EXPECT_EQ(parseIdentity("255 255 255"), (Identity{255, 255, 255}));
}

TEST(IdentityParsing, RefusesAnythingElse) {
    for (const char* text : {"", "1 2", "1 2 3 4", "256 0 0", "-1 0 0", "a b c", "1,2,3",
                             "0x10 0 0", "1 2 3x", "+1 2 3"}) {
        EXPECT_FALSE(parseIdentity(text)) << '"' << text << '"';
    }
}

TEST(FailParsing, ReadsOneOrBothFunctions) {
    const auto initial = parseFailRules("Initial:-3");
    ASSERT_TRUE(initial);
    EXPECT_EQ(initial->initial, -3);
    EXPECT_FALSE(initial->startIntr);

    const auto both = parseFailRules("Initial:-3,StartIntr:-7");
    ASSERT_TRUE(both);
    EXPECT_EQ(both->initial, -3);
    EXPECT_EQ(both->startIntr, -7);

    const auto spaced = parseFailRules(" StartIntr : 12 , Initial:-2147483648");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->startIntr, 12);
    EXPECT_EQ(spaced->initial, -2147483647 - 1);
}

TEST(FailParsing, RefusesAnythingElse) {
    for (const char* text : {"Initial", "Initial:", "Initial:0", "Initial:abc", "Open:-3",
                             "initial:-3", "Initial:-3,Initial:-4", "Initial:-3,", ",Initial:-3",
                             "Initial:-3;StartIntr:-7", "Initial:99999999999", "Initial:-3:4"}) {
        EXPECT_FALSE(parseFailRules(text)) << '"' << text << '"';
    }
}

TEST(InputParsing, ReadsSixSigned16BitWords) {
    EXPECT_EQ(parseInputWords("1 -2 300 32767 -32768 0"),
              (InputWords{1, -2, 300, 32767, -32768, 0}));
}

TEST(InputParsing, RefusesAnythingElse) {
    for (const char* text :
         {"", "1 2 3 4 5", "1 2 3 4 5 6 7", "32768 0 0 0 0 0", "-32769 0 0 0 0 0", "1 2 3 4 5 x"}) {
        EXPECT_FALSE(parseInputWords(text)) << '"' << text << '"';
    }
}

TEST(SpeedParsing, ReadsPositiveIntegersAndDecimals) {
    EXPECT_EQ(parseSpeed("1"), 1.0);
    EXPECT_EQ(parseSpeed("50"), 50.0);
    EXPECT_EQ(parseSpeed("2.5"), 2.5);
    EXPECT_EQ(parseSpeed("0.25"), 0.25);
    EXPECT_EQ(parseSpeed(" 10000 "), 10000.0);
}

TEST(SpeedParsing, RefusesZeroNegativesWordsAndExcess) {
    for (const char* text :
         {"", "0", "0.0", "-1", "fast", "inf", "nan", "2x", "10000.5", "1e9", "1,5"}) {
        EXPECT_FALSE(parseSpeed(text)) << '"' << text << '"';
    }
}

TEST(ConfigParsing, NothingSetGivesTheDefaults) {
    const ParsedConfig parsed = parseConfig({});
    EXPECT_TRUE(parsed.problems.empty());
    EXPECT_EQ(parsed.config.identity, (Identity{52, 0, 1}));
    EXPECT_FALSE(parsed.config.fail.initial);
    EXPECT_FALSE(parsed.config.fail.startIntr);
    EXPECT_FALSE(parsed.config.fixedInputs);
    EXPECT_EQ(parsed.config.speed, 1.0);
    EXPECT_EQ(parsed.config.tracePath, "");
}

TEST(ConfigParsing, EmptyValuesCountAsUnset) {
    const ParsedConfig parsed = parseConfig({"", "", "", "", ""});
    EXPECT_TRUE(parsed.problems.empty());
    EXPECT_EQ(parsed.config.speed, 1.0);
    EXPECT_EQ(parsed.config.tracePath, "");
}

TEST(ConfigParsing, TakesEveryWellFormedValue) {
    const ParsedConfig parsed =
        parseConfig({"5 12 0", "StartIntr:-7", "1 2 3 4 5 6", "2.5", "/tmp/trace.txt"});
    EXPECT_TRUE(parsed.problems.empty());
    EXPECT_EQ(parsed.config.identity, (Identity{5, 12, 0}));
    EXPECT_EQ(parsed.config.fail.startIntr, -7);
    EXPECT_EQ(parsed.config.fixedInputs, (InputWords{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(parsed.config.speed, 2.5);
    EXPECT_EQ(parsed.config.tracePath, "/tmp/trace.txt");
}

TEST(ConfigParsing, EachMalformedValueIsNamedOnOneLineAndDefaulted) {
    const ParsedConfig parsed = parseConfig({"1 2", "Open:-3", "1 2 3", "0", std::nullopt});
    ASSERT_EQ(parsed.problems.size(), 4U);
    const char* variables[] = {"ADCARD_SIM_IDENTITY=\"1 2\"", "ADCARD_SIM_FAIL=\"Open:-3\"",
                               "ADCARD_SIM_DI=\"1 2 3\"", "ADCARD_SIM_SPEED=\"0\""};
    for (std::size_t i = 0; i < parsed.problems.size(); ++i) {
        EXPECT_NE(parsed.problems[i].find(variables[i]), std::string::npos) << parsed.problems[i];
        EXPECT_EQ(parsed.problems[i].find('\n'), std::string::npos);
    }
    EXPECT_EQ(parsed.config.identity, SimConfig::kDefaultIdentity);
    EXPECT_FALSE(parsed.config.fail.initial);
    EXPECT_FALSE(parsed.config.fixedInputs);
    EXPECT_EQ(parsed.config.speed, 1.0);
}

TEST(ConfigParsing, OneMalformedValueLeavesTheOthersWorking) {
    const ParsedConfig parsed =
        parseConfig({"5 12 0", std::nullopt, std::nullopt, "-2", std::nullopt});
    EXPECT_EQ(parsed.problems.size(), 1U);
    EXPECT_EQ(parsed.config.identity, (Identity{5, 12, 0}));
    EXPECT_EQ(parsed.config.speed, 1.0);
}

}  // namespace
}  // namespace tqv::sim
