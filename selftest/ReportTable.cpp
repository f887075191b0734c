#include "selftest/ReportTable.h"

#include <algorithm>

namespace tqv::selftest {

namespace {

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string reportTable(const std::vector<CheckResult>& results) {
    std::size_t nameWidth = std::string("check").size();
    for (const auto& result : results) nameWidth = std::max(nameWidth, result.name.size());
    nameWidth += 2;

    std::string table = padded("check", nameWidth) + "result  details\n";
    for (const auto& result : results) {
        table += padded(result.name, nameWidth) + std::string(outcomeText(result.outcome)) +
                 "    " + result.summary + "\n";
    }
    for (const auto& result : results) {
        if (result.figures.empty()) continue;
        table += "\n" + result.name + ":\n";
        for (const auto& line : result.figures) table += "  " + line + "\n";
    }
    return table;
}

}  // namespace tqv::selftest
