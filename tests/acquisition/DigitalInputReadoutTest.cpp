#include <gtest/gtest.h>

#include "acquisition/DigitalInputReadout.h"
#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using acquisition::bitHeadingCaption;
using acquisition::inputRowCaption;
using acquisition::inputWordsCaption;
using window::Control;

TEST(DigitalInputCaptions, WorkedExampleAndEdgeWords) {
    EXPECT_EQ(inputWordsCaption({165, 3, 0, 4660, -1, 128}), "A5 3 0 1234 FFFF 80");
    EXPECT_EQ(inputRowCaption(165), "A5      1   0   1   0   0   1   0   1");
    EXPECT_EQ(inputRowCaption(3), "3      0   0   0   0   0   0   1   1");
    EXPECT_EQ(bitHeadingCaption(), "            7   6   5   4   3   2   1   0");
    EXPECT_EQ(bitHeadingCaption().size(), 41u);
    EXPECT_EQ(inputWordsCaption({}), "0 0 0 0 0 0");
    EXPECT_EQ(inputRowCaption(-1), "FFFF      1   1   1   1   1   1   1   1");
    // The row shows only the low byte; the hex text the whole word.
    EXPECT_EQ(inputRowCaption(256), "100      0   0   0   0   0   0   0   0");
    EXPECT_EQ(inputRowCaption(-32768), "8000      0   0   0   0   0   0   0   0");
}

class DigitalInputReadout : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.click(Control::cmdStart);
    }
    void tick(int16_t count = 1) {
        panel.card.queryResults.push_back(count);
        panel.tick();
    }
    Panel panel;
};

TEST_F(DigitalInputReadout, FillsTheFourLabelsFromTheWordsTheCardWrote) {
    panel.card.inputWords = std::array<int16_t, 6>{165, 3, 0, 4660, -1, 128};
    tick();
    EXPECT_EQ(panel.ui.caption(Control::lblDI), "A5 3 0 1234 FFFF 80");
    EXPECT_EQ(panel.ui.caption(Control::lblDI_0), inputRowCaption(165));
    EXPECT_EQ(panel.ui.caption(Control::lblBit), bitHeadingCaption());
    EXPECT_EQ(panel.ui.caption(Control::lblDI_1), inputRowCaption(3));
    EXPECT_EQ(panel.form.DiBuf[3], 4660);
}

TEST_F(DigitalInputReadout, WordsTheCardLeavesUntouchedShowTheirPreviousValues) {
    panel.card.inputWords = std::array<int16_t, 6>{1, 2, 3, 4, 5, 6};
    tick();
    panel.card.inputWords.reset();
    tick();
    EXPECT_EQ(panel.ui.caption(Control::lblDI), "1 2 3 4 5 6");
}

}  // namespace
}  // namespace tqv::test
