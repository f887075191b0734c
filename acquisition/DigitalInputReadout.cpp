#include "acquisition/DigitalInputReadout.h"

#include <algorithm>

#include "text/TextConversions.h"

namespace tqv::acquisition {

namespace {

constexpr std::string_view kGap = "   ";

// Bits 7 down to 0 of the word, each after three spaces: always 32 characters.
void appendBitRow(std::string& caption, int16_t word) {
    for (int b = 7; b >= 0; --b) {
        caption += kGap;
        const unsigned pattern = static_cast<uint16_t>(word);
        caption += ((pattern >> b) & 1u) != 0 ? '1' : '0';
    }
}

}  // namespace

std::string inputWordsCaption(const InputWords& words) {
    std::string caption;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0) caption += ' ';
        caption += text::hexText(words[i]);
    }
    return caption;
}

std::string inputRowCaption(int16_t word) {
    std::string caption = text::hexText(word);
    caption.reserve(caption.size() + kGap.size() + 32);
    caption += kGap;
    appendBitRow(caption, word);
    return caption;
}

std::string bitHeadingCaption() {
    std::string heading(9, ' ');
    for (int b = 7; b >= 0; --b) {
        heading += kGap;
        heading += text::hexText(static_cast<int16_t>(b));
    }
    return heading;
}

void showDigitalInputs(window::FormContext& ctx) {
    auto& diBuf = ctx.form.DiBuf;
    ctx.session.readInputs(diBuf);
    InputWords words{};
    std::copy_n(diBuf.begin(), words.size(), words.begin());

    ctx.ui.setCaption(window::Control::lblDI, inputWordsCaption(words));
    ctx.ui.setCaption(window::Control::lblDI_0, inputRowCaption(words[0]));
    // The heading never changes; it is built once.
    static const std::string heading = bitHeadingCaption();
    ctx.ui.setCaption(window::Control::lblBit, heading);
    ctx.ui.setCaption(window::Control::lblDI_1, inputRowCaption(words[1]));
}

}  // namespace tqv::acquisition
