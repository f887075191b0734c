// The scope's samples as CSV text: a header line, then one row per scan, oldest
// first, with its time in seconds from the scan rate and each channel's value.
#pragma once

#include <string>

#include "channels/ChannelSetup.h"
#include "scope/ScopeModel.h"
#include "text/ScanCsv.h"

namespace tqv::scope {

// "time_s,ch0,ch1,...\n" ("time_s,Supply (V),...") and the rows, LF line ends, each
// value in its channel's unit or, asked for, the codes. Times are the shortest decimal
// that reads back as the same double, from the trigger point when the view has one;
// without a scan rate they are the scan numbers.
std::string csvText(const ScopeModel& model, const channels::ChannelSetup& setup = {},
                    text::CsvValues values = text::CsvValues::Units);

}  // namespace tqv::scope
