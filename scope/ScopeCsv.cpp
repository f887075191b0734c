#include "scope/ScopeCsv.h"

#include <vector>

#include "text/ScanCsv.h"

namespace tqv::scope {

std::string csvText(const ScopeModel& model) {
    const int channels = model.channelCount();
    std::string text = text::csvHeader(channels);
    std::vector<char> rows;
    // The first scan shown, counted from the trigger point when the view has one.
    const int64_t firstScan = -model.triggerScan().value_or(0);
    text::appendCsvRows(rows, model.samples(), channels, firstScan, model.scanRate());
    text.append(rows.data(), rows.size());
    return text;
}

}  // namespace tqv::scope
