// The broker's address and the bench's name as the options give them, and the JSON each
// topic carries, read back with a JSON reader.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "mqtt/BrokerAddress.h"
#include "mqtt/FleetMessages.h"

namespace tqv::mqtt {
namespace {

using nlohmann::json;

TEST(BrokerAddress, HostAndPortOrWhyNot) {
    const auto address = [](const std::string& url) {
        return std::get<BrokerAddress>(parseBrokerAddress(url));
    };
    EXPECT_EQ(address("mqtt://broker.lab").host, "broker.lab");
    EXPECT_EQ(address("mqtt://broker.lab").port, 1883);
    EXPECT_EQ(address("mqtt://10.0.0.5:1884/").port, 1884);
    EXPECT_EQ(address("mqtt://[::1]:1885").host, "::1");
    EXPECT_EQ(address("mqtt://[::1]:1885").port, 1885);
    for (const char* wrong :
         {"tcp://broker", "mqtt://", "mqtt://broker:", "mqtt://broker:0", "mqtt://broker:65536",
          "mqtt://broker:x1", "mqtt://user@broker", "mqtt://[::1", "mqtt://broker/x"}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseBrokerAddress(wrong))) << wrong;
    }
    EXPECT_EQ(benchIdProblem("bench-7_a.b"), "");
    for (const char* wrong : {"", "a/b", "a+b", "a#", "a b", "bänk"}) {
        EXPECT_NE(benchIdProblem(wrong), "") << wrong;
    }
}

TEST(FleetMessages, EachTopicsFieldsWithNullForNone) {
    BenchStatus status;
    status.program = "tqv-serve";
    status.acquiring = true;
    status.blocks = 12;
    status.blocksLost = 1;
    status.errorCode = -5;
    auto read = json::parse(statusJson(status, "T"));
    EXPECT_EQ(read,
              json::parse(R"({"online":true,"program":"tqv-serve","acquiring":true,"blocks":12,
        "blocksLost":1,"errorCode":-5,"recording":null,"time":"T"})"));
    status.recordingFile = "run.wav";
    status.recordingGaps = 2;
    EXPECT_EQ(json::parse(statusJson(status, "T"))["recording"],
              json::parse(R"({"file":"run.wav","gaps":2})"));

    instrument::ChannelFigures flat;
    flat.channel = 3;
    flat.unit = "V";
    flat.minimum = flat.maximum = flat.mean = flat.rms = 1.5;
    read = json::parse(readoutJson({flat}, "T"));
    EXPECT_EQ(read["channels"][0],
              json::parse(R"({"channel":3,"unit":"V","minimum":1.5,"maximum":1.5,
        "mean":1.5,"rms":1.5,"frequency":null})"));

    BenchEvent gap("gap");
    gap.cause = "the card's queue was full";
    EXPECT_EQ(
        json::parse(eventJson(gap, "T")),
        json::parse(
            R"({"time":"T","event":"gap","cause":"the card's queue was full","blocks":null})"));
    BenchEvent ended("recording ended");
    ended.file = "r\xff.wav";
    ended.gaps = 0;
    read = json::parse(eventJson(ended, "T"));
    EXPECT_EQ(read["file"], "r\xef\xbf\xbd.wav")
        << "bytes that are no UTF-8 replaced, the message kept";

    selftest::CheckResult identity;
    identity.name = "identity";
    identity.outcome = selftest::Outcome::Pass;
    identity.summary = "卡名: 5200 类型: 1";
    identity.figures = {"a"};
    read = json::parse(selftestJson({identity}, true, "tqv-selftest", "T"));
    EXPECT_EQ(read["checks"][0]["outcome"], "PASS");
    EXPECT_EQ(read["checks"][0]["summary"], "卡名: 5200 类型: 1");
    EXPECT_TRUE(read["passed"]);
}

}  // namespace
}  // namespace tqv::mqtt
