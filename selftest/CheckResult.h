// The outcome of one check of the self-test, as the table and the JUnit report show it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tqv::selftest {

enum class Outcome { Pass, Fail, Skip };

std::string_view outcomeText(Outcome outcome);  // "PASS", "FAIL", "SKIP"

struct CheckResult {
    std::string name;
    Outcome outcome = Outcome::Skip;
    // One line: the reasons of a failure or skip, or what a pass found.
    std::string summary;
    // Further figures worth keeping (one channel per line), shown below the table.
    std::vector<std::string> figures;
    std::chrono::duration<double> duration{};
};

CheckResult skipped(std::string name, std::string reason);

}  // namespace tqv::selftest
