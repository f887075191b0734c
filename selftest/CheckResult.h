// The outcome of one check of the self-test, as the table and the JUnit report show it.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace tqv::selftest {

// Error: the check could not be run at all (no usable card library), as distinct from a
// card that was checked and failed.
enum class Outcome { Pass, Fail, Skip, Error };

std::string_view outcomeText(Outcome outcome);  // "PASS", "FAIL", "SKIP", "ERROR"

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
