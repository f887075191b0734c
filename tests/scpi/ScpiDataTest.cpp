// Parameters read as their SCPI types, answers written as clients read them, and the
// error queue's overflow.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scpi/ErrorQueue.h"
#include "scpi/Parameters.h"
#include "scpi/ResponseFormat.h"

namespace tqv::scpi {
namespace {

using ::testing::ElementsAre;

template <typename T>
ErrorCode codeOf(const Read<T>& read) {
    return std::holds_alternative<Error>(read) ? std::get<Error>(read).code : ErrorCode::NoError;
}

TEST(Parameters, NumbersInEveryFormAndTheirErrors) {
    EXPECT_EQ(std::get<double>(readNumber("+1.5E1")), 15);
    EXPECT_EQ(std::get<double>(readNumber(".5")), 0.5);
    EXPECT_EQ(std::get<double>(readNumber("#Hff")), 255);
    EXPECT_EQ(std::get<double>(readNumber("#q17")), 15);
    EXPECT_EQ(std::get<double>(readNumber("#B101")), 5);
    EXPECT_EQ(codeOf(readNumber("ASC")), ErrorCode::DataTypeError);
    EXPECT_EQ(codeOf(readNumber("\"1\"")), ErrorCode::DataTypeError);
    EXPECT_EQ(codeOf(readNumber("1E")), ErrorCode::NumericDataError);
    EXPECT_EQ(codeOf(readNumber("-")), ErrorCode::NumericDataError);
    EXPECT_EQ(codeOf(readNumber("12abc")), ErrorCode::InvalidCharacterInNumber);
    EXPECT_EQ(codeOf(readNumber("#B102")), ErrorCode::InvalidCharacterInNumber);
    EXPECT_EQ(codeOf(readNumber("1E999")), ErrorCode::DataOutOfRange);
}

TEST(Parameters, WholeNumbersWithinTheirRange) {
    EXPECT_EQ(std::get<int64_t>(readInteger("255", 0, 255)), 255);
    EXPECT_EQ(std::get<int64_t>(readInteger("0", 0, 255)), 0);
    EXPECT_EQ(std::get<int64_t>(readInteger("1.0E1", 0, 15)), 10);
    EXPECT_EQ(codeOf(readInteger("256", 0, 255)), ErrorCode::DataOutOfRange);
    EXPECT_EQ(codeOf(readInteger("-1", 0, 255)), ErrorCode::DataOutOfRange);
    EXPECT_EQ(codeOf(readInteger("0.5", 0, 1)), ErrorCode::DataOutOfRange);
}

TEST(Parameters, ChoicesStringsAndChannelLists) {
    EXPECT_EQ(std::get<std::size_t>(readChoice("asc", {"ASCii", "INTeger"})), 0u);
    EXPECT_EQ(std::get<std::size_t>(readChoice("Integer", {"ASCii", "INTeger"})), 1u);
    EXPECT_EQ(codeOf(readChoice("ASCI", {"ASCii", "INTeger"})), ErrorCode::InvalidCharacterData);
    EXPECT_EQ(codeOf(readChoice("16", {"ASCii"})), ErrorCode::DataTypeError);

    EXPECT_EQ(std::get<std::string>(readString("\"say \"\"hi\"\"\"")), "say \"hi\"");
    EXPECT_EQ(std::get<std::string>(readString("'run.wav'")), "run.wav");
    EXPECT_EQ(codeOf(readString("run.wav")), ErrorCode::DataTypeError);

    EXPECT_THAT(std::get<std::vector<int>>(readChannelList("(@0)", 3)), ElementsAre(0));
    EXPECT_THAT(std::get<std::vector<int>>(readChannelList("(@0,2)", 3)), ElementsAre(0, 2));
    EXPECT_THAT(std::get<std::vector<int>>(readChannelList("(@0:3)", 3)), ElementsAre(0, 1, 2, 3));
    EXPECT_THAT(std::get<std::vector<int>>(readChannelList("(@3:2, 0)", 3)), ElementsAre(3, 2, 0));
    EXPECT_EQ(codeOf(readChannelList("(@4)", 3)), ErrorCode::DataOutOfRange);
    EXPECT_EQ(codeOf(readChannelList("(@0:4)", 3)), ErrorCode::DataOutOfRange);
    EXPECT_EQ(codeOf(readChannelList("(@-1)", 3)), ErrorCode::SyntaxError);
    EXPECT_EQ(codeOf(readChannelList("(@0,)", 3)), ErrorCode::SyntaxError);
    EXPECT_EQ(codeOf(readChannelList("0", 3)), ErrorCode::DataTypeError);
}

TEST(ResponseFormat, StringsNumbersNoneAndBlocks) {
    EXPECT_EQ(quotedString("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(realText(50.0), "50");
    EXPECT_EQ(realText(2048.5), "2048.5");
    EXPECT_EQ(realText(-0.0), "0");
    EXPECT_EQ(realText(std::nullopt), "9.91E37");
    EXPECT_EQ(blockHeader(0), "#10");
    EXPECT_EQ(blockHeader(1200), "#41200");
    EXPECT_EQ(blockHeader(8000000), "#78000000");
    EXPECT_EQ(errorResponse({ErrorCode::UndefinedHeader, {}}), "-113,\"Undefined header\"");
    EXPECT_EQ(errorResponse({ErrorCode::HardwareError, "a \"quoted\" file"}),
              "-240,\"Hardware error;a \"\"quoted\"\" file\"");
    EXPECT_EQ(errorResponse({}), "0,\"No error\"");
}

TEST(ErrorQueue, OldestFirstAndTheNewestBecomesOverflowWhenFull) {
    ErrorQueue queue;
    for (std::size_t i = 0; i < ErrorQueue::Capacity + 5; ++i) {
        queue.push({ErrorCode::UndefinedHeader, std::to_string(i)});
    }
    EXPECT_EQ(queue.size(), ErrorQueue::Capacity);
    for (std::size_t i = 0; i + 1 < ErrorQueue::Capacity; ++i) {
        EXPECT_EQ(queue.next().detail, std::to_string(i));
    }
    EXPECT_EQ(queue.next().code, ErrorCode::QueueOverflow);
    EXPECT_EQ(queue.next().code, ErrorCode::NoError);
}

}  // namespace
}  // namespace tqv::scpi
