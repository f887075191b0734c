#include "acquisition/DigitalInputReadout.h"

#include <algorithm>

#include "text/TextConversions.h"

namespace tqv::acquisition {

namespace {

constexpr int16_t kInputWordCount = 6;
constexpr std::string_view kGap = "   ";

// Bits 7 down to 0 of the word, each after three spaces: always 32 characters.
std::string bitRow(int16_t word) {
    std::string row;
    for (int b = 7; b >= 0; --b) {
        row += kGap;
        row += ((static_cast<uint16_t>(word) >> b) & 1u) != 0 ? '1' : '0';
    }
    return row;
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
    return text::hexText(word) + std::string(kGap) + bitRow(word);
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
    ctx.card.Tqv_DI(kInputWordCount, diBuf.data());
    InputWords words{};
    std::copy_n(diBuf.begin(), words.size(), words.begin());

    ctx.ui.setCaption(window::Control::lblDI, inputWordsCaption(words));
    ctx.ui.setCaption(window::Control::lblDI_0, inputRowCaption(words[0]));
    ctx.ui.setCaption(window::Control::lblBit, bitHeadingCaption());
    ctx.ui.setCaption(window::Control::lblDI_1, inputRowCaption(words[1]));
}

}  // namespace tqv::acquisition
