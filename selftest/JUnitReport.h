// The self-test as a JUnit XML report, the format common CI servers read: one test
// case per check, a failure or skip with its message.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "selftest/CheckResult.h"

namespace tqv::selftest {

// Where and when the run happened, as <testsuite> carries them for CI servers.
struct RunContext {
    std::string timestamp;  // local time, ISO 8601 without zone: "2026-12-07T14:03:21"
    std::string hostname;
};

// The context of a run starting now on this machine.
RunContext currentRunContext();

std::string junitXml(const std::vector<CheckResult>& results, const RunContext& context);

// Text for an XML attribute or element: the five special characters as entities,
// control characters XML 1.0 cannot carry and bytes that are no UTF-8 as "?".
std::string xmlEscaped(std::string_view text);

}  // namespace tqv::selftest
