#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "card/AdcardBinding.h"
#include "card/LibraryLoader.h"

namespace tqv::card {
namespace {

namespace fs = std::filesystem;

fs::path emptyDirectory(const std::string& name) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path dir =
        fs::temp_directory_path() / ("tqv-binding-" + name + "-" + std::to_string(stamp));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(AdcardBinding, FindsTheSimulatedCardBesideTheProgramAndCallsIt) {
    AdcardBinding binding;
    ASSERT_EQ(binding.load(), std::nullopt);
    EXPECT_EQ(binding.loadedFrom().parent_path(), executableDirectory());

    std::array<uint8_t, 100> command{70, 64, 0};
    std::array<uint8_t, 100> reply{};
    binding.IOCtl(100, command.data(), 100, reply.data());
    EXPECT_EQ(reply[0], 52);
    EXPECT_EQ(reply[1], 0);
    EXPECT_EQ(reply[4], 1);

    EXPECT_EQ(binding.QueryBuf(), 0);
    EXPECT_NE(binding.Initial(0, 0, 0, 0), 0);
    EXPECT_EQ(binding.Tqv_DO(0, 0xA5), 0);
    std::array<int16_t, 6> words{};
    binding.Tqv_DI(6, words.data());
    EXPECT_EQ(words[0], 0xA5);
    binding.StopIntr();
}

TEST(AdcardBinding, BindsDeclaredOnlyFunctionsOnUse) {
    AdcardBinding binding;
    const std::array<int32_t, 1> one{0};
    EXPECT_EQ(binding.call(DeclaredOnly::ADResultRecent, one), 0);
    EXPECT_LT(binding.GetLastADError(), 0);
    const std::array<int32_t, 8> eight{};
    EXPECT_EQ(binding.call(DeclaredOnly::StartSnapshot, eight), 0);
    EXPECT_THROW(binding.call(DeclaredOnly::Tqv_DA, one), CardLibraryError);
}

TEST(AdcardBinding, AMissingLibraryIsAClearErrorNamingThePlacesSearched) {
    const fs::path a = emptyDirectory("a");
    const fs::path b = emptyDirectory("b");
    AdcardBinding binding({a, b});

    const auto error = binding.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(libraryFileName("adcard")), std::string::npos);
    EXPECT_NE(error->find((a / libraryFileName("adcard")).string()), std::string::npos);
    EXPECT_NE(error->find((b / libraryFileName("adcard")).string()), std::string::npos);
    // Every later call reports the same failure instead of crashing.
    EXPECT_THROW(binding.QueryBuf(), CardLibraryError);
    EXPECT_EQ(binding.load(), error);
}

TEST(AdcardBinding, NeverLoadsALibraryPlantedInTheCurrentDirectory) {
    const fs::path planted = emptyDirectory("planted");
    fs::copy_file(executableDirectory() / libraryFileName("adcard"), planted / libraryFileName("adcard"));
    const fs::path before = fs::current_path();
    fs::current_path(planted);
    AdcardBinding binding({emptyDirectory("nothing")});
    const auto error = binding.load();
    fs::current_path(before);
    EXPECT_TRUE(error.has_value());
}

TEST(AdcardBinding, AFileThatIsNoLibraryIsReportedWithTheLoadersReason) {
    const fs::path dir = emptyDirectory("broken");
    std::ofstream(dir / libraryFileName("adcard")) << "not a library";
    AdcardBinding binding({dir});
    const auto error = binding.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find((dir / libraryFileName("adcard")).string() + ": "), std::string::npos);
}

TEST(AdcardBinding, AMissingFunctionIsNamedAtLoad) {
    AdcardBinding binding({fs::path(TQV_PARTIAL_ADCARD_DIR)});
    const auto error = binding.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("StartIntr"), std::string::npos);
    EXPECT_EQ(error->find("QueryBuf"), std::string::npos);
    EXPECT_THROW(binding.Initial(0, 0, 0, 0), CardLibraryError);
}

TEST(ExportNames, AreDecoratedOnlyForThirtyTwoBitWindows) {
#if defined(_WIN32) && !defined(_WIN64)
    EXPECT_EQ(exportName("StartIntr", 28), "_StartIntr@28");
    EXPECT_EQ(exportName("QueryBuf", 0), "_QueryBuf@0");
#else
    EXPECT_EQ(exportName("StartIntr", 28), "StartIntr");
#endif
}

}  // namespace
}  // namespace tqv::card
