// The byte output handler on the in-memory window: what the digital-output fuzz
// target's corpus replay does not see (the initial texts, refusals heard as beeps,
// change events). The bounding, rounding and toggling rules themselves are checked
// there, every seed against a model of the handlers.
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

}  // namespace
}  // namespace tqv::test
