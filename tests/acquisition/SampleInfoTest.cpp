#include <gtest/gtest.h>

#include "acquisition/SampleInfo.h"
#include "tests/support/Panel.h"

namespace tqv::test {
namespace {

using acquisition::sampleInfoText;
using window::Control;

std::string textFor(std::vector<int32_t> values) { return sampleInfoText(values); }

TEST(SampleInfoText, WorkedExample) {
    const std::string text = textFor({0, 47, 939, 65535});
    EXPECT_EQ(text, "Sample Information:\r\nCh 0=0000\r\nCh 1=002F\r\nCh 2=03AB\r\nCh 3=FFFF\r\n");
    EXPECT_EQ(text.size(), 65u);
}

class SampleInfo : public ::testing::Test {
protected:
    void SetUp() override {
        panel.load();
        panel.click(Control::cmdStart);
        panel.card.fillBlock = [](int16_t* block) {
            std::fill(block + 1, block + 1201, int16_t{0x2F});
        };
    }
    void tick() {
        panel.card.queryResults.push_back(1);
        panel.tick();
    }
    Panel panel;
};

TEST_F(SampleInfo, ShowsTheRingReadoutWhileTheBoxIsChecked) {
    tick();
    EXPECT_EQ(panel.ui.text(Control::txtInfo),
              "Sample Information:\r\nCh 0=002F\r\nCh 1=002F\r\nCh 2=002F\r\nCh 3=002F\r\n");
    tick();
    EXPECT_EQ(panel.ui.text(Control::txtInfo).size(), 65u);
}

TEST_F(SampleInfo, AnUncheckedBoxLeavesTheTextExactlyAsItWas) {
    panel.ui.setCheckValue(0);
    tick();
    EXPECT_EQ(panel.ui.text(Control::txtInfo), "Info");
    panel.ui.setCheckValue(2);
    tick();
    EXPECT_NE(panel.ui.text(Control::txtInfo), "Info");
}

}  // namespace
}  // namespace tqv::test
