#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;

class BitOutput : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.card.clearCalls();
    }
    // What the operator's edit leaves in the box raises the change handler.
    void typeChannel(const std::string& text) { panel.ui.setText(Control::txtDOChn, text); }
    void clickOutput() { panel.click(Control::cmdDOOutput); }
    Panel panel;
};

struct ChannelCase {
    std::string typed;
    std::string text;
    int32_t spinner;
};

class ChannelBox : public BitOutput, public ::testing::WithParamInterface<ChannelCase> {};

TEST_P(ChannelBox, BoundsTheNumberAndKeepsTheSpinnerInStep) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    typeChannel(GetParam().typed);
    EXPECT_EQ(panel.ui.text(Control::txtDOChn), GetParam().text);
    EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), GetParam().spinner);
    EXPECT_TRUE(panel.card.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Typed, ChannelBox,
    ::testing::Values(ChannelCase{"0", " 1", 1}, ChannelCase{"abc", " 1", 1},
                      ChannelCase{"17", " 16", 16}, ChannelCase{"2.5", " 2", 2},
                      ChannelCase{"3.5", " 4", 4}, ChannelCase{"1 2", " 12", 12},
                      ChannelCase{"&H10", " 16", 16}, ChannelCase{"7abc", " 7", 7}));

TEST_F(BitOutput, ANumberThatDoesNotFitStopsWithTheOperatorsTextAndTheSpinnerKept) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    for (const std::string typed : {"32768", "-32769", "1e400", "&H100000000", "99999999999"}) {
        const int beeps = panel.ui.beeps();
        typeChannel(typed);
        EXPECT_EQ(panel.ui.text(Control::txtDOChn), typed);
        EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), 5);
        EXPECT_EQ(panel.ui.beeps(), beeps + 1) << "the operator hears that " << typed << " was refused";
    }
}

TEST_F(BitOutput, TypingFortyWhileTheSpinnerStandsAtFiveEndsAtSixteen) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    const int textChanges = panel.ui.changeEvents(Control::txtDOChn);
    const int spinnerChanges = panel.ui.changeEvents(Control::UpDownBitNum);

    typeChannel("40");

    EXPECT_EQ(panel.ui.text(Control::txtDOChn), " 16");
    EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), 16);
    // "40" typed, then " 16" written once by the spinner handler; every later
    // write finds the same text or value and raises nothing.
    EXPECT_EQ(panel.ui.changeEvents(Control::txtDOChn) - textChanges, 2);
    EXPECT_EQ(panel.ui.changeEvents(Control::UpDownBitNum) - spinnerChanges, 1);
}

TEST_F(BitOutput, SteppingTheSpinnerWritesItsNumberText) {
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 5);
    EXPECT_EQ(panel.ui.text(Control::txtDOChn), " 5");
    panel.ui.setSpinnerValue(Control::UpDownBitNum, 6);
    EXPECT_EQ(panel.ui.text(Control::txtDOChn), " 6");
    EXPECT_EQ(panel.ui.spinnerValue(Control::UpDownBitNum), 6);
}

struct ToggleCase {
    std::string before;
    std::string after;
};

class ValueBoxDoubleClick : public BitOutput, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(ValueBoxDoubleClick, TogglesBetweenZeroAndOneWithoutSending) {
    panel.ui.setText(Control::txtDOValue, GetParam().before);
    panel.raise(Control::txtDOValue, window::Event::DblClick);
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), GetParam().after);
    EXPECT_TRUE(panel.card.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, ValueBoxDoubleClick,
                         ::testing::Values(ToggleCase{" 1", " 0"}, ToggleCase{" 0", " 1"},
                                           ToggleCase{"0.3", " 0"}, ToggleCase{"-0", " 1"}));

struct OutputCase {
    std::string value;
    std::string channel;
    std::string valueAfter;
    std::vector<std::string> calls;
};

class OutputClick : public BitOutput, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputClick, ForcesTheValueToZeroOrOneAndSendsTheBit) {
    panel.ui.setText(Control::txtDOValue, GetParam().value);
    panel.ui.setText(Control::txtDOChn, GetParam().channel);
    clickOutput();
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), GetParam().valueAfter);
    EXPECT_EQ(panel.card.calls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, OutputClick,
    ::testing::Values(OutputCase{"0.5", " 1", " 0", {"Tqv_DOBit 0 0 -> 0"}},
                      OutputCase{"0.6", " 1", " 1", {"Tqv_DOBit 0 1 -> 0"}},
                      OutputCase{"-7", "16", " 1", {"Tqv_DOBit 15 1 -> 0"}},
                      OutputCase{"32768", " 3", "32768", {}}));

TEST_F(BitOutput, TheFirstClickWithTheInitialTextsSendsBitZeroValueZero) {
    EXPECT_EQ(panel.ui.text(Control::txtDOChn), "1");
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), "0");
    clickOutput();
    EXPECT_THAT(panel.card.calls, ElementsAre("Tqv_DOBit 0 0 -> 0"));
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), " 0");
}

TEST_F(BitOutput, AChannelThatDoesNotFitStopsAfterTheValueWasRewritten) {
    typeChannel("40000");
    panel.ui.setText(Control::txtDOValue, "1");
    clickOutput();
    EXPECT_EQ(panel.ui.text(Control::txtDOValue), " 1");
    EXPECT_TRUE(panel.card.calls.empty());
    EXPECT_GE(panel.ui.beeps(), 1);
}

}  // namespace
}  // namespace tqv::test
