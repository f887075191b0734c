#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;

class ByteOutput : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.card.clearCalls();
    }
    void output(const std::string& port, const std::string& value) {
        panel.ui.setText(Control::txtswChn, port);
        panel.ui.setText(Control::txtSWO_0, value);
        panel.click(Control::cmdSWO);
    }
    Panel panel;
};

struct PortCase {
    std::string text;
    int port;
};

class PortBox : public ByteOutput, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortBox, RoundsAndBoundsThePortFromAboveOnly) {
    output(GetParam().text, "00");
    EXPECT_THAT(panel.card.calls,
                ElementsAre("Tqv_DO " + std::to_string(GetParam().port) + " 0 -> 0"));
}

INSTANTIATE_TEST_SUITE_P(Texts, PortBox,
                         ::testing::Values(PortCase{"abc", 0}, PortCase{"0.5", 0},
                                           PortCase{"1.5", 1}, PortCase{"7", 1},
                                           PortCase{"-1", -1}));

struct ByteCase {
    std::string text;
    int byte;
};

class ValueBox : public ByteOutput, public ::testing::WithParamInterface<ByteCase> {};

TEST_P(ValueBox, ReadsHexadecimalAndSendsTheLowByte) {
    output("0", GetParam().text);
    EXPECT_THAT(panel.card.calls,
                ElementsAre("Tqv_DO 0 " + std::to_string(GetParam().byte) + " -> 0"));
    EXPECT_EQ(panel.form.DoByte[0], GetParam().byte);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValueBox,
    ::testing::Values(ByteCase{"ff", 255}, ByteCase{"F F", 255}, ByteCase{"1FF", 255},
                      ByteCase{"1G", 1}, ByteCase{"&HFF", 0}, ByteCase{"-1", 0},
                      ByteCase{"80000000", 0}, ByteCase{"0000000000A5", 165}));

TEST_F(ByteOutput, TheInitialTextsSendPortZeroByteZero) {
    panel.click(Control::cmdSWO);
    EXPECT_THAT(panel.card.calls, ElementsAre("Tqv_DO 0 0 -> 0"));
}

TEST_F(ByteOutput, TheBoxesKeepWhatTheOperatorTyped) {
    output("7", "1FF");
    EXPECT_THAT(panel.card.calls, ElementsAre("Tqv_DO 1 255 -> 0"));
    EXPECT_EQ(panel.ui.text(Control::txtswChn), "7");
    EXPECT_EQ(panel.ui.text(Control::txtSWO_0), "1FF");
    EXPECT_EQ(panel.form.DoByte[0], 255);
}

TEST_F(ByteOutput, APortThatDoesNotFitSendsNothingAndKeepsTheLastByte) {
    output("0", "A5");
    panel.card.clearCalls();
    output("32768", "11");
    EXPECT_TRUE(panel.card.calls.empty());
    EXPECT_EQ(panel.ui.beeps(), 1);
    EXPECT_EQ(panel.form.DoByte[0], 0xA5);
}

TEST_F(ByteOutput, HexBeyondThirtyTwoBitsSendsNothing) {
    output("0", "1FFFFFFFF");
    EXPECT_TRUE(panel.card.calls.empty());
}

}  // namespace
}  // namespace tqv::test
