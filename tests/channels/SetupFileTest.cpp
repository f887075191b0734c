// The channel setup file: the documented example read, every refusal naming the file,
// the line and the field, a written setup read back as it was, and where the file
// lives by default.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#include "channels/JsonLines.h"
#include "channels/SetupFile.h"

namespace {

using namespace tqv::channels;

ChannelSetup parsed(const std::string& json) {
    auto result = parseSetup(json, "channels.json");
    if (auto* error = std::get_if<SetupError>(&result)) ADD_FAILURE() << error->message;
    return std::holds_alternative<ChannelSetup>(result) ? std::get<ChannelSetup>(result)
                                                        : ChannelSetup();
}

std::string refusal(const std::string& json) {
    auto result = parseSetup(json, "channels.json");
    if (auto* error = std::get_if<SetupError>(&result)) return error->message;
    return "(accepted)";
}

TEST(SetupFile, TheDocumentedExampleSetsChannelZeroAndLeavesTheOthers) {
    const ChannelSetup setup = parsed(
        R"({"channels": [{"channel": 0, "name": "Supply", "unit": "V", "points": [[448, -5.0], [3648, 5.0]]}]})");
    const Channel& supply = setup.channel(0);
    EXPECT_EQ(supply.name, "Supply");
    EXPECT_EQ(supply.unit, "V");
    EXPECT_EQ(supply.calibration.value(3648), 5.0);
    EXPECT_FALSE(supply.inCodes());
    for (int index = 1; index < ChannelSetup::Count; ++index) EXPECT_TRUE(setup.isDefault(index));
    EXPECT_EQ(setup.channel(2).name, "ch2");
    EXPECT_TRUE(setup.channel(2).inCodes());
}

TEST(SetupFile, FieldsLeftOutKeepTheirDefaults) {
    EXPECT_TRUE(parsed("{}").allDefault());
    EXPECT_TRUE(parsed(R"({"channels": []})").allDefault());
    const ChannelSetup named = parsed(R"({"channels": [{"channel": 3, "name": "Counter"}]})");
    EXPECT_EQ(named.channel(3).name, "Counter");
    EXPECT_TRUE(named.channel(3).inCodes());
}

TEST(SetupFile, EachRefusalNamesTheFileTheLineAndTheField) {
    // One row per rule: the text, and the message it must give.
    const std::pair<std::string, std::string> rows[] = {
        {"{\"channels\": [\n  {\"channel\": 0,,}\n]}",
         "channels.json, line 2: not JSON: syntax error while parsing object key - unexpected "
         "','; expected string literal"},
        {"{\"channels\": [\n {\"channel\": 1,\n  \"points\": [[448, -5.0], [448, 5.0]]}\n]}",
         "channels.json, line 3, field \"channels[0].points\": the two points have the same "
         "code (448): they give no line"},
        {"{\"channels\": [\n  {\"channel\": 4}\n]}",
         "channels.json, line 2, field \"channels[0].channel\": the channel is 0 to 3, not 4"},
        {"{\"channels\": [{\"channel\": 0},\n {\"channel\": -1}]}",
         "channels.json, line 2, field \"channels[1].channel\": the channel is 0 to 3, not -1"},
        {"{\"channels\": [{\"channel\": 2,\n \"unit\": \"millivolts per m2\"}]}",
         "channels.json, line 2, field \"channels[0].unit\": the unit has 17 characters; at "
         "most 16"},
        {"{\"channels\": [{\"channel\": 0}, {\"channel\": 0}]}",
         "channels.json, line 1, field \"channels[1].channel\": channel 0 is given twice"},
        {"{\"channels\": [{\"channel\": 0, \"unti\": \"V\"}]}",
         "channels.json, line 1, field \"channels[0].unti\": unknown field; a channel has "
         "channel, name, unit and points"},
        {"{\"channels\": [{\"name\": \"V\"}]}",
         "channels.json, line 1, field \"channels[0]\": \"channel\" is missing"},
        {"{\"channels\": [{\"channel\": 0, \"points\": [[448.5, 0], [3648, 5]]}]}",
         "channels.json, line 1, field \"channels[0].points[0][0]\": a code is a whole number "
         "from -32768 to 32767, not 448.5"},
        {"{\"channels\": [{\"channel\": 0, \"points\": [[448, 0]]}]}",
         "channels.json, line 1, field \"channels[0].points\": two points [[code, value], "
         "[code, value]], not [[448,0]]"},
        {"[]", "channels.json, line 1: the file holds no JSON object"},
    };
    for (const auto& [json, message] : rows) EXPECT_EQ(refusal(json), message) << json;
}

TEST(SetupFile, AUnitCountsCharactersNotBytes) {
    // "µV/m²" is 5 characters in 7 bytes; sixteen "µ" are 32 bytes and allowed.
    EXPECT_EQ(parsed(R"({"channels": [{"channel": 0, "unit": "µV/m²"}]})").channel(0).unit,
              "µV/m²");
    EXPECT_EQ(refusal(R"({"channels": [{"channel": 0, "unit": "µµµµµµµµµµµµµµµµ"}]})"),
              "(accepted)");
    EXPECT_EQ(refusal(R"({"channels": [{"channel": 0, "unit": ""}]})"),
              "channels.json, line 1, field \"channels[0].unit\": the unit is empty");
}

TEST(SetupFile, AWrittenSetupReadsBackAsItWas) {
    ChannelSetup setup;
    Channel supply = ChannelSetup::defaultChannel(0);
    supply.name = "Supply \"A\"";
    supply.unit = "V";
    supply.calibration =
        std::get<Calibration>(Calibration::fromPoints({448, -5.0}, {3648, 5.000000001}));
    setup.setChannel(0, supply);
    Channel counter = ChannelSetup::defaultChannel(3);
    counter.name = "Counter";
    setup.setChannel(3, counter);
    const std::string json = setupJson(setup);
    EXPECT_EQ(json.find("\"channel\": 1"), std::string::npos) << json;
    EXPECT_EQ(parsed(json), setup) << json;
    EXPECT_EQ(setupJson(ChannelSetup()), "{\"channels\": []}\n");
}

TEST(SetupFile, ReadAndSavedThroughTheFileSystem) {
    const auto folder = std::filesystem::path(testing::TempDir()) / "setup-file-test";
    std::filesystem::remove_all(folder);
    const auto file = folder / "new" / "channels.json";
    auto missing = readSetup(file);
    ASSERT_TRUE(std::holds_alternative<SetupError>(missing));
    EXPECT_EQ(std::get<SetupError>(missing).kind, SetupError::Kind::Missing);

    ChannelSetup setup;
    Channel named = ChannelSetup::defaultChannel(1);
    named.name = "Probe";
    setup.setChannel(1, named);
    ASSERT_EQ(saveSetup(file, setup), std::nullopt);
    auto read = readSetup(file);
    ASSERT_TRUE(std::holds_alternative<ChannelSetup>(read));
    EXPECT_EQ(std::get<ChannelSetup>(read), setup);

    auto folderRead = readSetup(folder);
    ASSERT_TRUE(std::holds_alternative<SetupError>(folderRead));
    EXPECT_EQ(std::get<SetupError>(folderRead).kind, SetupError::Kind::Unreadable);
    std::filesystem::remove_all(folder);
}

TEST(SetupFile, TheDefaultPlaceFollowsXdgConfigHome) {
    const char* before = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = before != nullptr ? before : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(defaultSetupPath(),
              std::filesystem::path("/somewhere/config/tqv-multibuf/channels.json"));
    setenv("XDG_CONFIG_HOME", "relative", 1);
    setenv("HOME", "/home/engineer", 1);
    EXPECT_EQ(defaultSetupPath(),
              std::filesystem::path("/home/engineer/.config/tqv-multibuf/channels.json"));
    if (before != nullptr) {
        setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

TEST(JsonLines, EachValueByItsPathAndNoDepthBreaksIt) {
    const auto lines = jsonValueLines("{\"a\": [1,\n 2, {\"b\":\n \"c\"}],\n \"d\": {}}");
    EXPECT_EQ(lines.at(""), 1);
    EXPECT_EQ(lines.at("a"), 1);
    EXPECT_EQ(lines.at("a[1]"), 2);
    EXPECT_EQ(lines.at("a[2].b"), 3);
    EXPECT_EQ(lines.at("d"), 4);
    const std::string deep(200000, '[');
    EXPECT_EQ(jsonValueLines(deep + std::string(200000, ']')).at(""), 1);
    EXPECT_TRUE(std::holds_alternative<SetupError>(parseSetup(deep, "deep.json")));
}

}  // namespace
