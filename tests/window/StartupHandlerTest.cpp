#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

#include "tests/support/Panel.h"
#include "window/StartupHandler.h"

namespace tqv::test {
namespace {

using ::testing::ElementsAre;
using window::Control;

struct IdentityCase {
    std::string name;
    std::array<uint8_t, 5> reply;
    std::string caption;
};

// Without it GoogleTest prints the case's raw bytes, padding included, and the test
// names CTest takes from that print would change from build to build.
void PrintTo(const IdentityCase& identity, std::ostream* out) {
    *out << "reply";
    for (const uint8_t byte : identity.reply) *out << ' ' << int{byte};
}

class CardIdentity : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(CardIdentity, PadsOneDigitNamePartsAndShowsTheTypeUnpadded) {
    Panel panel;
    panel.card.identityReply = GetParam().reply;
    panel.load();
    EXPECT_EQ(panel.ui.caption(Control::lblCardInfo), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    ReplyBytes, CardIdentity,
    ::testing::Values(
        IdentityCase{"TwoDigitsThenZero", {52, 0, 9, 9, 1}, "卡名: 5200 类型: 1"},
        IdentityCase{"OneDigitThenTwoDigits", {5, 12, 0, 0, 0}, "卡名:05 12 类型: 0"},
        IdentityCase{"LargestBytes", {255, 9, 0, 0, 255}, "卡名: 25509 类型: 255"}),
    [](const ::testing::TestParamInfo<IdentityCase>& instance) { return instance.param.name; });

TEST(Startup, SendsTheIdentityCommandAndSetsTheStartValues) {
    Panel panel;
    panel.click(Control::cmdStart);
    panel.card.queryResults = {1};
    panel.tick();
    ASSERT_EQ(panel.blocks().RingPos(), 1200);
    panel.form.BlockCount = 9;
    panel.card.clearCalls();
    panel.load();

    EXPECT_THAT(panel.card.calls, ElementsAre("IOCtl 100 * 100 * -> 1"));
    EXPECT_THAT(panel.card.lastCommand, ElementsAre(70, 64, 0));
    // The scripted card left the reply untouched: the name and type read as zeros.
    EXPECT_EQ(panel.ui.caption(Control::lblCardInfo), "卡名:0000 类型: 0");
    EXPECT_EQ(panel.blocks().RingBlocks(), 20);
    EXPECT_EQ(panel.blocks().RingPos(), 0);
    EXPECT_EQ(panel.form.BlockCount, 0);
    EXPECT_TRUE(panel.ui.isEnabled(Control::cmdStart));
    EXPECT_FALSE(panel.ui.isEnabled(Control::cmdStop));
}

}  // namespace
}  // namespace tqv::test
