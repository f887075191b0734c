#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "card/AdcardBinding.h"
#include "card/LibraryLoader.h"
#include "card/LibrarySearch.h"

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

// The card library in each folder, as found by a search of that kind.
std::vector<LibraryCandidate> inFolders(std::initializer_list<fs::path> folders,
                                        PlaceKind kind = PlaceKind::ProgramFolder) {
    std::vector<LibraryCandidate> candidates;
    for (const auto& folder : folders)
        candidates.push_back({folder / libraryFileName("adcard"), kind});
    return candidates;
}

TEST(SearchOrder, ProgramFolderThenTheLoadersFoldersThenTheShippedCardNeverRelative) {
    const fs::path program = fs::path("/opt/panel/bin").make_preferred();
    const fs::path vendor = fs::path("/opt/vendor/lib").make_preferred();
    const fs::path system = fs::path("/usr/lib").make_preferred();
    const fs::path shipped = fs::path("/opt/panel/lib/tqv-multibuf").make_preferred();
    // As LD_LIBRARY_PATH=":.:lib:/opt/vendor/lib" (or PATH) lists them, then the
    // loader's own folders, one of them the program's folder again.
    const SearchInputs inputs{program,
                              {"", "", ".", "lib", vendor, program, system},
                              program / ".." / "lib" / "tqv-multibuf"};

    const std::string file = "libadcard.so";
    const std::vector<LibraryCandidate> expected{{program / file, PlaceKind::ProgramFolder},
                                                 {vendor / file, PlaceKind::SystemSearch},
                                                 {system / file, PlaceKind::SystemSearch},
                                                 {shipped / file, PlaceKind::ShippedSimulator}};
    EXPECT_EQ(searchOrder(inputs, file), expected);

    // Unknown places are left out rather than guessed from the current directory.
    EXPECT_TRUE(searchOrder({{}, {"", "."}, {}}, file).empty());
    // A named file is the only candidate, and never a bare name to search for.
    const auto given = givenFile("card.so");
    ASSERT_EQ(given.size(), 1u);
    EXPECT_TRUE(given[0].file.is_absolute());
    EXPECT_EQ(given[0].kind, PlaceKind::GivenFile);
}

TEST(AdcardBinding, FindsTheSimulatedCardBesideTheProgramAndCallsIt) {
    AdcardBinding binding;
    ASSERT_EQ(binding.load(), std::nullopt);
    EXPECT_EQ(binding.loadedFrom().parent_path(), executableDirectory());
    EXPECT_EQ(binding.loaded()->kind, PlaceKind::ProgramFolder);

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
    AdcardBinding binding(inFolders({a, b}));

    const auto error = binding.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(libraryFileName("adcard")), std::string::npos);
    EXPECT_NE(
        error->find((a / libraryFileName("adcard")).string() + " (the program's own folder): "),
        std::string::npos);
    EXPECT_NE(error->find((b / libraryFileName("adcard")).string()), std::string::npos);
    // Every later call reports the same failure instead of crashing.
    EXPECT_THROW(binding.QueryBuf(), CardLibraryError);
    EXPECT_EQ(binding.load(), error);
}

TEST(AdcardBinding, BindsTheFirstThatLoadsAndSaysWhereItWasFound) {
    const fs::path broken = emptyDirectory("broken");
    std::ofstream(broken / libraryFileName("adcard")) << "not a library";
    std::vector<LibraryCandidate> candidates = inFolders({broken});
    const auto found = inFolders({executableDirectory()}, PlaceKind::SystemSearch);
    candidates.insert(candidates.end(), found.begin(), found.end());
    AdcardBinding binding(candidates);
    ASSERT_EQ(binding.load(), std::nullopt);
    EXPECT_EQ(binding.loaded(), found.front());
}

TEST(AdcardBinding, AMissingFunctionIsNamedAtLoad) {
    AdcardBinding binding(inFolders({fs::path(TQV_PARTIAL_ADCARD_DIR)}));
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
