#include "selftest/CheckResult.h"

#include <utility>

namespace tqv::selftest {

std::string_view outcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Pass: return "PASS";
        case Outcome::Fail: return "FAIL";
        case Outcome::Skip: return "SKIP";
        case Outcome::Error: return "ERROR";
    }
    return "SKIP";
}

CheckResult skipped(std::string name, std::string reason) {
    CheckResult result;
    result.name = std::move(name);
    result.outcome = Outcome::Skip;
    result.summary = std::move(reason);
    return result;
}

}  // namespace tqv::selftest
