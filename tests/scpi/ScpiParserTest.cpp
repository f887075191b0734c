// Lines taken apart and headers matched as IEEE 488.2 and SCPI 1999 have it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scpi/CommandTable.h"
#include "scpi/ProgramMessage.h"

namespace tqv::scpi {
namespace {

using ::testing::ElementsAre;

std::optional<int> lookUp(const CommandTable& table, std::string_view line, std::size_t unit = 0) {
    const auto message = parseProgramMessage(line);
    if (message.units.size() <= unit) return std::nullopt;
    return table.find(message.units[unit]);
}

struct Table : ::testing::Test {
    CommandTable table;
    void SetUp() override {
        table.add("*IDN?", 1);
        table.add("SYSTem:ERRor[:NEXT]?", 2);
        table.add("MEASure:FREQuency?", 3);
        table.add("MEASure:PERiod?", 4);
        table.add("FORMat[:DATA]", 5);
        table.add("FORMat[:DATA]?", 6);
        table.add("INITiate[:IMMediate]", 7);
    }
};

TEST_F(Table, ShortAndLongFormsInAnyCaseAndNothingBetween) {
    for (const char* line :
         {"SYST:ERR?", "system:error?", "SyStEm:ErRoR:nExT?", ":SYST:ERR:NEXT?"}) {
        EXPECT_EQ(lookUp(table, line), 2) << line;
    }
    for (const char* line : {"SYSTE:ERR?", "SYS:ERR?", "SYST:ERRORS?", "SYST:ERR", "SYST:NEXT?"}) {
        EXPECT_EQ(lookUp(table, line), std::nullopt) << line;
    }
    EXPECT_EQ(lookUp(table, "*idn?"), 1);
    EXPECT_EQ(lookUp(table, "*IDN"), std::nullopt) << "the command form of a query alone";
    EXPECT_EQ(lookUp(table, "FORM ASC"), 5);
    EXPECT_EQ(lookUp(table, "FORM:DATA?"), 6);
    EXPECT_EQ(lookUp(table, "INIT:IMM"), 7);
}

TEST_F(Table, AHeaderWithoutColonContinuesThePathCommonCommandsLeaveItAlone) {
    EXPECT_EQ(lookUp(table, "MEAS:FREQ? (@0);PER? (@0)", 1), 4);
    EXPECT_EQ(lookUp(table, "MEAS:FREQ? (@0);*IDN?;PER? (@1)", 2), 4);
    // A client that forgets the leading colon is still understood from the root.
    EXPECT_EQ(lookUp(table, "MEAS:FREQ? (@0);SYST:ERR?", 1), 2);
    const auto message = parseProgramMessage("MEAS:FREQ? (@0);:PER? (@0)");
    EXPECT_THAT(message.units[1].mnemonics, ElementsAre("PER"));
    EXPECT_EQ(table.find(message.units[1]), std::nullopt);
}

TEST(ProgramMessage, ParametersKeepTheirQuotesAndListsWhole) {
    const auto message = parseProgramMessage(
        "  REC:STAR \"a;b,\"\"c\"\".wav\" ; MEAS:FREQ? (@0,2)\t;DIG:OUTP:BYTE 1 , #HAA;");
    ASSERT_FALSE(message.error);
    ASSERT_EQ(message.units.size(), 3u);
    EXPECT_THAT(message.units[0].parameters, ElementsAre("\"a;b,\"\"c\"\".wav\""));
    EXPECT_TRUE(message.units[1].query);
    EXPECT_THAT(message.units[1].parameters, ElementsAre("(@0,2)"));
    EXPECT_THAT(message.units[2].parameters, ElementsAre("1", "#HAA"));
}

TEST(ProgramMessage, WhatCannotBeTakenApartStopsTheLineThere) {
    struct Case {
        const char* line;
        ErrorCode code;
        std::size_t unitsBefore;
    };
    for (const Case& c : {Case{"*IDN?;REC:STAR \"open", ErrorCode::InvalidStringData, 0},
                          Case{"MEAS:FREQ? (@0", ErrorCode::SyntaxError, 0},
                          Case{"*IDN?;FETC?)", ErrorCode::SyntaxError, 0},
                          Case{"*IDN?;MEAS:FREQ?(@0)", ErrorCode::HeaderSeparatorError, 1},
                          Case{"*IDN?;1ABC", ErrorCode::SyntaxError, 1},
                          Case{"*IDN?;SYST:ABCDEFGHIJKLM?", ErrorCode::ProgramMnemonicTooLong, 1},
                          Case{"*IDN?;*A:B", ErrorCode::SyntaxError, 1},
                          Case{"DIG:OUTP:BYTE 1,,2", ErrorCode::SyntaxError, 0},
                          Case{"*IDN?\x01", ErrorCode::InvalidCharacter, 0},
                          Case{"*IDN?\r", ErrorCode::InvalidCharacter, 0}}) {
        const auto message = parseProgramMessage(c.line);
        ASSERT_TRUE(message.error) << c.line;
        EXPECT_EQ(message.error->code, c.code) << c.line;
        EXPECT_EQ(message.units.size(), c.unitsBefore) << c.line;
    }
    EXPECT_FALSE(parseProgramMessage("").error);
    EXPECT_TRUE(parseProgramMessage(" ; ").units.empty());
}

}  // namespace
}  // namespace tqv::scpi
