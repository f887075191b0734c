// Where the card library is looked for, as a pure function of what the program
// knows about its surroundings, so that the order can be checked without loading
// anything.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tqv::card {

// Why a file is a candidate; the operator is told which one was bound.
enum class PlaceKind {
    GivenFile,         // named on the command line, the only one tried
    ProgramFolder,     // beside the executable: development builds, portable copies
    SystemSearch,      // where the system's loader finds libraries: a vendor's driver
    ShippedSimulator,  // the simulated card in the installation's private folder
};

// "given with --card-library", "the program's own folder", ...
std::string_view describe(PlaceKind kind);

struct LibraryCandidate {
    std::filesystem::path file;
    PlaceKind kind;
    bool operator==(const LibraryCandidate&) const = default;
};

struct SearchInputs {
    // Empty when the platform will not say.
    std::filesystem::path programFolder;
    // The system loader's folders in its own order, exactly as configured: they may
    // hold empty or relative entries, which the loader would take relative to the
    // current directory.
    std::vector<std::filesystem::path> loaderFolders;
    // The installation's private folder holding the simulated card; empty if unknown.
    std::filesystem::path shippedFolder;
};

// The files to try, first to last: the program's folder, the loader's folders, the
// shipped simulator. Only absolute folders take part: the current directory is never
// searched, not even through an empty or relative loader entry. A file reached
// twice under the same name is tried once, at its first place. Paths are taken as the
// kernel takes them: ".." is never resolved by hand, since it follows links.
std::vector<LibraryCandidate> searchOrder(const SearchInputs& inputs, std::string_view fileName);

// The named file as the only candidate, made absolute (its ".." kept for the kernel),
// so that the loader opens that file and never searches for a bare name.
std::vector<LibraryCandidate> givenFile(const std::filesystem::path& file);

}  // namespace tqv::card
