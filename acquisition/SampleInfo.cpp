#include "acquisition/SampleInfo.h"

#include <algorithm>

#include "text/TextConversions.h"

namespace tqv::acquisition {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Values of 0..65535 have one to four hex digits; the text always shows four.
std::string fourDigitHex(int32_t value) {
    std::string hex = text::hexText(value);
    if (hex.size() < 4) hex.insert(0, 4 - hex.size(), '0');
    return hex;
}

}  // namespace

std::string sampleInfoText(std::span<const int32_t> channelValues) {
    std::string summary = "Sample Information:";
    summary.reserve(summary.size() + 2 + channelValues.size() * 13);
    summary += kLineEnd;
    for (size_t ch = 0; ch < channelValues.size(); ++ch) {
        summary += "Ch";
        summary += text::numberText(static_cast<int64_t>(ch));
        summary += '=';
        summary += fourDigitHex(channelValues[ch]);
        summary += kLineEnd;
    }
    return summary;
}

void showSampleInfo(window::FormContext& ctx) {
    if (ctx.ui.checkValue(window::Control::chkDisp) == 0) return;
    const auto& values = ctx.form.ChanValue;
    const auto channels = static_cast<size_t>(
        std::clamp<int32_t>(ctx.session.blocks().parameters().ChannelCount, 0, static_cast<int32_t>(values.size())));
    ctx.ui.setText(window::Control::txtInfo,
                   sampleInfoText(std::span<const int32_t>(values.data(), channels)));
}

}  // namespace tqv::acquisition
