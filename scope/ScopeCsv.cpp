#include "scope/ScopeCsv.h"

#include <vector>

namespace tqv::scope {

std::string csvText(const ScopeModel& model, const channels::ChannelSetup& setup,
                    text::CsvValues values) {
    const int channels = model.channelCount();
    std::string text = text::csvHeader(channels, setup, values);
    std::vector<char> rows;
    // The first scan shown, counted from the trigger point when the view has one.
    const int64_t firstScan = -model.triggerScan().value_or(0);
    text::appendCsvRows(rows, model.samples(), channels, firstScan, model.scanRate(), setup,
                        values);
    text.append(rows.data(), rows.size());
    return text;
}

}  // namespace tqv::scope
