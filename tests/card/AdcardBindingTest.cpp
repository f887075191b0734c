#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "card/AdcardBinding.h"
#include "card/LibraryLoader.h"

namespace tqv::card {
namespace {

namespace fs = std::filesystem;
const std::string kFile = libraryFileName("adcard");

TEST(SearchOrder, ProgramFolderThenTheLoadersFoldersThenTheShippedCardNeverRelative) {
    const fs::path program = fs::path("/opt/panel/bin").make_preferred();
    const fs::path vendor = fs::path("/opt/vendor/lib").make_preferred();
    const fs::path system = fs::path("/usr/lib").make_preferred();
    const fs::path shipped = fs::path("/opt/panel/lib/tqv-multibuf").make_preferred();
    const fs::path linked = fs::path("/opt/link/..").make_preferred();
    // As LD_LIBRARY_PATH=":.:lib:/opt/vendor/./lib/:/opt/link/.." lists them, then the
    // loader's own folders, one of them the program's folder again. "/opt/link/.." is
    // the parent of wherever the link leads: the kernel's to resolve, not ours.
    const SearchInputs inputs{
        program,
        {"", "", ".", "lib", fs::path("/opt/vendor/./lib/").make_preferred(), linked, program,
         system},
        shipped};
    const std::vector<LibraryCandidate> expected{{program / kFile, PlaceKind::ProgramFolder},
                                                 {vendor / kFile, PlaceKind::SystemSearch},
                                                 {linked / kFile, PlaceKind::SystemSearch},
                                                 {system / kFile, PlaceKind::SystemSearch},
                                                 {shipped / kFile, PlaceKind::ShippedSimulator}};
    EXPECT_EQ(searchOrder(inputs, kFile), expected);
    // A named file is the only candidate, and never a bare name for the loader to search.
    const auto given = givenFile(fs::path("sub/../card.so").make_preferred());
    ASSERT_EQ(given.size(), 1u);
    EXPECT_TRUE(given[0].file.is_absolute());
    EXPECT_EQ(given[0].file, fs::current_path() / "sub" / ".." / "card.so");
}

TEST(AdcardBinding, FindsTheSimulatedCardBesideTheProgramAndCallsIt) {
    AdcardBinding binding;
    ASSERT_EQ(binding.load(), std::nullopt);
    EXPECT_EQ(binding.loaded(),
              (LibraryCandidate{executableDirectory() / kFile, PlaceKind::ProgramFolder}));
    std::array<uint8_t, 100> command{70, 64, 0};
    std::array<uint8_t, 100> reply{};
    binding.IOCtl(100, command.data(), 100, reply.data());
    EXPECT_EQ(reply[0], 52);
    EXPECT_EQ(binding.Tqv_DO(0, 0xA5), 0);
    std::array<int16_t, 6> words{};
    binding.Tqv_DI(6, words.data());
    EXPECT_EQ(words[0], 0xA5);
    // Declared-only functions are bound on their first use.
    EXPECT_EQ(binding.call(DeclaredOnly::ADResultRecent, std::array<int32_t, 1>{0}), 0);
    EXPECT_LT(binding.GetLastADError(), 0);
    EXPECT_THROW(binding.call(DeclaredOnly::Tqv_DA, std::array<int32_t, 1>{0}), CardLibraryError);
    EXPECT_THROW(binding.call(DeclaredOnly::Tqv_DA, std::array<int32_t, 3>{}), CardLibraryError);
}

TEST(AdcardBinding, TriesEachPlaceInTurnAndNamesEveryOneThatFailed) {
    const fs::path empty = fs::temp_directory_path() / "tqv-binding-empty";
    const fs::path broken = fs::temp_directory_path() / "tqv-binding-broken";
    for (const auto& dir : {empty, broken}) fs::remove_all(dir), fs::create_directories(dir);
    std::ofstream(broken / kFile) << "not a library";

    AdcardBinding none(
        {{empty / kFile, PlaceKind::ProgramFolder}, {broken / kFile, PlaceKind::SystemSearch}});
    const auto error = none.load();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find((empty / kFile).string() + " (the program's own folder): "),
              std::string::npos);
    EXPECT_NE(error->find((broken / kFile).string()), std::string::npos);
    EXPECT_EQ(error->find("unknown reason"), std::string::npos) << "the loader says why";
    EXPECT_THROW(none.QueryBuf(), CardLibraryError);

    // A library that lacks a function is named with it, and let go.
    AdcardBinding partial({{fs::path(TQV_PARTIAL_ADCARD), PlaceKind::ProgramFolder}});
    const auto lacking = partial.load();
    ASSERT_TRUE(lacking.has_value());
    EXPECT_NE(lacking->find("StartIntr"), std::string::npos);
    EXPECT_TRUE(partial.loadedFrom().empty());

    const LibraryCandidate simulator{executableDirectory() / kFile, PlaceKind::SystemSearch};
    AdcardBinding some({{broken / kFile, PlaceKind::ProgramFolder}, simulator});
    ASSERT_EQ(some.load(), std::nullopt);
    EXPECT_EQ(some.loaded(), simulator);
}

}  // namespace
}  // namespace tqv::card
