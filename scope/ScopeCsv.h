// The scope's samples as CSV text: a header line, then one row per scan, oldest
// first, with its time in seconds from the scan rate and each channel's code.
#pragma once

#include <string>

#include "scope/ScopeModel.h"

namespace tqv::scope {

// "time_s,ch0,ch1,...\n" and the rows, LF line ends. Times are the shortest
// decimal that reads back as the same double; without a scan rate they are the
// scan numbers.
std::string csvText(const ScopeModel& model);

}  // namespace tqv::scope
