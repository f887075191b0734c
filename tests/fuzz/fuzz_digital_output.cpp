// Fuzzes the digital-output part of the panel as an operator drives it, on a freshly
// loaded panel with the scripted card: texts typed into the four boxes, the spinner,
// the double-click that toggles the value and the two output buttons, in any order.
// After every operation the boxes, the spinner, DoByte(0) and the card calls must be
// exactly what a model written from the handlers' rules alone predicts.
//
// The input format is in README.md: one byte per operation (C V P B S D O W), the
// first five followed by a text.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/Panel.h"
#include "text/TextConversions.h"

namespace {

using tqv::window::Control;
namespace text = tqv::text;
constexpr std::string_view kOperations = "CVPBSDOW";
// The boxes typed into by operations C V P B, in that order.
constexpr Control kBoxes[] = {Control::txtDOChn, Control::txtDOValue, Control::txtswChn,
                              Control::txtSWO_0};
enum Box : std::size_t { kChannel, kValue, kPort, kByte };

struct Window {
    std::array<std::string, 4> boxes;
    int32_t spinner = 0;
    int16_t doByte = 0;
    std::vector<std::string> calls;  // the card calls of one operation, results left off
    bool operator==(const Window&) const = default;

    static Window of(const tqv::test::Panel& panel, std::size_t callsBefore) {
        Window now{{}, panel.ui.spinnerValue(Control::UpDownBitNum), panel.form.DoByte[0], {}};
        for (std::size_t box = 0; box < std::size(kBoxes); ++box)
            now.boxes[box] = panel.ui.text(kBoxes[box]);
        for (std::size_t i = callsBefore; i < panel.card.calls.size(); ++i) {
            now.calls.push_back(panel.card.calls[i].substr(0, panel.card.calls[i].find(" -> ")));
        }
        return now;
    }
    std::string shown() const {  // the boxes in the order of kBoxes
        std::string out = "spinner " + std::to_string(spinner) + ", DoByte(0) " +
                          std::to_string(doByte) + ", boxes";
        for (const auto& box : boxes) out += " " + tqv::fuzz::escaped(box);
        for (const auto& call : calls) out += ", [" + call + "]";
        return out;
    }
};

int32_t spinnerArgument(const std::string& typed) {
    int64_t value = 0;
    if (std::from_chars(typed.data(), typed.data() + typed.size(), value).ec == std::errc{}) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    }
    uint32_t raw = 0;
    for (std::size_t i = 0; i < 4 && i < typed.size(); ++i) {
        raw |= uint32_t{static_cast<uint8_t>(typed[i])} << (8u * i);
    }
    return static_cast<int32_t>(raw);
}

// What the handlers' rules make of an operation on the window as it was.
Window predicted(Window next, char op, const std::string& typed) {
    next.calls.clear();
    const auto box = static_cast<std::size_t>(kOperations.find(op));
    if (op == 'C' && typed != next.boxes[kChannel]) {  // the same text raises no change
        next.boxes[kChannel] = typed;
        if (const auto channel = text::prefixTo16(typed)) {
            next.spinner = std::clamp<int32_t>(*channel, 1, 16);
            next.boxes[kChannel] = text::numberText(next.spinner);
        }
    } else if (op == 'V' || op == 'P' || op == 'B') {
        next.boxes[box] = typed;
    } else if (op == 'S' && std::clamp(spinnerArgument(typed), 1, 16) != next.spinner) {
        next.spinner = std::clamp(spinnerArgument(typed), 1, 16);
        next.boxes[kChannel] = text::numberText(next.spinner);
    } else if (op == 'D') {
        const auto value = text::numericPrefix(next.boxes[kValue]);
        if (value) next.boxes[kValue] = text::numberText(*value == 0 ? 1 : 0);
    } else if (const auto bit = text::prefixTo16(next.boxes[kValue]); op == 'O' && bit) {
        // A value that does not fit stops the click before anything is written.
        next.boxes[kValue] = text::numberText(*bit != 0 ? 1 : 0);
        if (const auto channel = text::prefixTo16(next.boxes[kChannel])) {
            next.calls.push_back("Tqv_DOBit " + std::to_string(std::max<int>(*channel, 1) - 1) +
                                 (*bit != 0 ? " 1" : " 0"));
        }
    } else if (op == 'W') {
        const auto port = text::prefixTo16(next.boxes[kPort]);
        const auto pattern = text::prefixTo32("&H" + next.boxes[kByte]);
        if (port && pattern) {
            next.doByte = static_cast<int16_t>(*pattern & 0xFF);
            next.calls.push_back("Tqv_DO " + std::to_string(std::min<int>(*port, 1)) + " " +
                                 std::to_string(next.doByte));
        }
    }
    return next;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tqv::test::Panel panel;
    panel.load();
    std::string steps = "after loading the panel:";
    std::size_t pos = 0;
    for (int count = 0; count < 64 && pos < size; ++count, ++pos) {
        const auto named = static_cast<char>(data[pos]);
        const char op = kOperations.find(named) < 8 ? named : kOperations[data[pos] % 8u];
        std::string typed;
        while (kOperations.find(op) < 5 && typed.size() < 4096 && ++pos < size) {
            if (data[pos] == 0 && (pos + 1 == size || data[pos + 1] != 0)) break;
            typed += static_cast<char>(data[pos]);
            if (data[pos] == 0) ++pos;
        }
        steps +=
            std::string(" ") + op + (kOperations.find(op) < 5 ? tqv::fuzz::escaped(typed) : "");

        const std::size_t callsBefore = panel.card.calls.size();
        const Window expected = predicted(Window::of(panel, callsBefore), op, typed);
        const auto box = static_cast<std::size_t>(kOperations.find(op));
        if (box < 4) panel.ui.setText(kBoxes[box], typed);
        if (op == 'S') panel.ui.setSpinnerValue(Control::UpDownBitNum, spinnerArgument(typed));
        if (op == 'D') panel.raise(Control::txtDOValue, tqv::window::Event::DblClick);
        if (op == 'O' || op == 'W') panel.click(op == 'O' ? Control::cmdDOOutput : Control::cmdSWO);
        const Window actual = Window::of(panel, callsBefore);
        if (actual != expected)
            tqv::fuzz::fail("the handlers' rules", steps, expected.shown(), actual.shown());
        // The model's premises, checked apart from it.
        const auto channel = text::prefixTo16(actual.boxes[kChannel]);
        if (actual.spinner < 1 || actual.spinner > 16 || (channel && *channel != actual.spinner)) {
            tqv::fuzz::fail("the spinner is 1..16 and names the channel that txtDOChn shows", steps,
                            "", actual.shown());
        }
    }
    return 0;
}
