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

std::vector<LibraryCandidate> searchOrder(const SearchInputs& inputs, std::string_view fileName) {
    std::vector<LibraryCandidate> candidates;
    auto add = [&](const std::filesystem::path& folder, PlaceKind kind) {
        if (folder.empty() || !folder.is_absolute()) return;
        LibraryCandidate candidate{(folder / fileName).lexically_normal(), kind};
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
    return {{ec ? std::filesystem::path(".") / file : absolute.lexically_normal(),
             PlaceKind::GivenFile}};
}

}  // namespace tqv::card
