// The table the self-test prints: one line per check, then the figures worth keeping.
#pragma once

#include <string>
#include <vector>

#include "selftest/CheckResult.h"

namespace tqv::selftest {

std::string reportTable(const std::vector<CheckResult>& results);

}  // namespace tqv::selftest
