// The self-test as a JUnit XML report, the format common CI servers read: one test
// case per check, a failure or skip with its message.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "selftest/CheckResult.h"

namespace tqv::selftest {

std::string junitXml(const std::vector<CheckResult>& results);

// Text for an XML attribute or element: the five special characters as entities,
// control characters XML 1.0 cannot carry as "?".
std::string xmlEscaped(std::string_view text);

// Writes beside the target and renames over it, so a reader never sees half a report
// and an old one stays whole when writing fails. Empty on success, else the reason.
std::optional<std::string> writeFileReplacing(const std::filesystem::path& file,
                                              std::string_view contents);

}  // namespace tqv::selftest
