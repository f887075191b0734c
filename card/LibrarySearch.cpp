#include "card/LibrarySearch.h"

#include <algorithm>
#include <system_error>

namespace tqv::card {

std::string_view describe(PlaceKind kind) {
    switch (kind) {
        case PlaceKind::GivenFile:
            return "given with --card-library";
        case PlaceKind::ProgramFolder:
            return "the program's own folder";
        case PlaceKind::SystemSearch:
            return "the system's library search";
        case PlaceKind::ShippedSimulator:
            return "the shipped simulated card";
    }
    return "unknown place";
}

namespace {

// The path with "." and doubled separators dropped, which never changes the file the
// kernel finds. ".." stays: "sub/.." is the parent of wherever the link "sub" leads,
// not the folder that holds "sub", so only the kernel may resolve it.
std::filesystem::path tidied(const std::filesystem::path& path) {
    std::filesystem::path result = path.root_path();
    for (const auto& part : path.relative_path()) {
        if (part.empty() || part == ".") continue;
        result /= part;
    }
    return result;
}

}  // namespace

std::vector<LibraryCandidate> searchOrder(const SearchInputs& inputs, std::string_view fileName) {
    std::vector<LibraryCandidate> candidates;
    auto add = [&](const std::filesystem::path& folder, PlaceKind kind) {
        if (folder.empty() || !folder.is_absolute()) return;
        LibraryCandidate candidate{tidied(folder / fileName), kind};
        const bool known = std::any_of(candidates.begin(), candidates.end(),
                                       [&](const auto& c) { return c.file == candidate.file; });
        if (!known) candidates.push_back(std::move(candidate));
    };
    add(inputs.programFolder, PlaceKind::ProgramFolder);
    for (const auto& folder : inputs.loaderFolders) add(folder, PlaceKind::SystemSearch);
    add(inputs.shippedFolder, PlaceKind::ShippedSimulator);
    return candidates;
}

std::vector<LibraryCandidate> givenFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(file, ec);
    // Still a path, never a bare name the loader would search for.
    return {{ec ? std::filesystem::path(".") / file : tidied(absolute), PlaceKind::GivenFile}};
}

}  // namespace tqv::card
