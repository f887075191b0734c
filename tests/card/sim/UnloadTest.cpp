// Unloading the library while it acquires must stop its thread, and loading it again
// must give a fresh card. Run in a process of its own (see CMakeLists.txt): the
// library must not be loaded by anything else here, or unloading would only drop a
// reference.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "CardFunctions.h"
#include "LoadedCard.h"

namespace tqv::sim::test {
namespace {

// The library names its acquisition thread (other threads, such as a sanitizer's,
// come and go on their own).
std::size_t acquisitionThreads() {
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == "adcard-acquire") ++count;
    }
    return count;
}

bool libraryMapped() {
    std::ifstream maps("/proc/self/maps");
    const std::string name = std::filesystem::path(ADCARD_SIM_LIBRARY).filename().string();
    for (std::string line; std::getline(maps, line);) {
        if (line.find(name) != std::string::npos) return true;
    }
    return false;
}

TEST(Unload, StopsTheAcquisitionThreadAndReloadsFresh) {
    ASSERT_FALSE(libraryMapped());
    {
        LoadedCard loaded(ADCARD_SIM_LIBRARY);
        ASSERT_TRUE(loaded.loaded()) << loaded.error();
        const CardFunctions& card = loaded.functions();
        ASSERT_EQ(card.Initial(0, 0, 0, 0), 1);
        ASSERT_EQ(card.StartIntr(2, 100, 0, 4, 100000, 0, 1), 1);
        ASSERT_TRUE(waitUntil([&] { return card.GetLastADError() == code::kOverrun; }));
        EXPECT_EQ(acquisitionThreads(), 1U);
    }
    EXPECT_FALSE(libraryMapped()) << "the library stayed loaded";
    EXPECT_EQ(acquisitionThreads(), 0U) << "the thread outlived the library";

    LoadedCard again(ADCARD_SIM_LIBRARY);
    ASSERT_TRUE(again.loaded()) << again.error();
    const CardFunctions& card = again.functions();
    EXPECT_EQ(card.QueryBuf(), 0);
    EXPECT_EQ(card.GetLastADError(), 0);
    EXPECT_EQ(card.StartIntr(50, 300, 0, 4, 10000, 0, 1), 0) << "a fresh card wants Initial";
    EXPECT_EQ(card.GetLastADError(), code::kNotInitialised);
}

}  // namespace
}  // namespace tqv::sim::test
