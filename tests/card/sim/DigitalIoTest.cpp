#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "card/sim/DigitalIo.h"

namespace tqv::sim {
namespace {

TEST(DigitalIo, CountsReadsFromZeroAndWalksItsOneWithThem) {
    DigitalIo io(std::nullopt);
    std::array<std::int16_t, 6> words{};
    io.readInputs(6, words.data());
    EXPECT_TRUE(words[2] == 0 && words[4] == 1);
    io.readInputs(6, words.data());
    EXPECT_TRUE(words[2] == 1 && words[4] == 2);
}

}  // namespace
}  // namespace tqv::sim
