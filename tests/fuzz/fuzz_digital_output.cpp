// Fuzzes the digital-output part of the panel as an operator drives it: texts typed
// into the four boxes, the spinner, the double-click that toggles the value and the
// two output buttons, in any order, on a freshly loaded panel with the scripted card.
//
// Input format (see README.md): a sequence of operations, each one byte naming it
// followed by its argument.
//   'C' text   type into txtDOChn        'V' text   type into txtDOValue
//   'P' text   type into txtswChn        'B' text   type into txtSWO_0
//   'S' text   set the spinner to the decimal number in the text (other texts: the
//              first four bytes as a little-endian 32-bit number)
//   'D'        double-click txtDOValue   'O'        click cmdDOOutput
//   'W'        click cmdSWO
// Any other byte names operation (byte % 8) in the order C V P B S D O W, so every
// input means something. A text runs to the next 0x00 that is not followed by
// another 0x00 (a doubled 0x00 stands for one NUL byte in the text), to the end of
// the input, or to 4096 bytes. At most 64 operations are taken from one input.
//
// After every operation the whole window and the new card calls are compared with
// what the handlers' rules say must have happened.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/Panel.h"
#include "text/TextConversions.h"

namespace {

using tqv::fuzz::described;
using tqv::fuzz::escaped;
using tqv::fuzz::fail;
using tqv::window::Control;
using tqv::window::Event;
namespace text = tqv::text;

constexpr std::size_t kLongestText = 4096;
constexpr std::size_t kMostOperations = 64;

enum class Op { TypeChannel, TypeValue, TypePort, TypeByte, SetSpinner, Toggle, Output, OutputByte };

class Reader {
public:
    Reader(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }

    Op op() {
        const uint8_t byte = m_data[m_pos++];
        switch (byte) {
            case 'C': return Op::TypeChannel;
            case 'V': return Op::TypeValue;
            case 'P': return Op::TypePort;
            case 'B': return Op::TypeByte;
            case 'S': return Op::SetSpinner;
            case 'D': return Op::Toggle;
            case 'O': return Op::Output;
            case 'W': return Op::OutputByte;
            default: return static_cast<Op>(byte % 8u);
        }
    }

    std::string text() {
        std::string out;
        while (m_pos < m_size && out.size() < kLongestText) {
            const auto c = static_cast<char>(m_data[m_pos]);
            if (c == '\0') {
                if (m_pos + 1 < m_size && m_data[m_pos + 1] == 0) {
                    out += '\0';
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                break;
            }
            out += c;
            ++m_pos;
        }
        return out;
    }

private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

int32_t spinnerArgument(const std::string& typed) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), value);
    if (error == std::errc{} && end != typed.data()) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    }
    uint32_t raw = 0;
    for (std::size_t i = 0; i < 4 && i < typed.size(); ++i) {
        raw |= static_cast<uint32_t>(static_cast<uint8_t>(typed[i])) << (8u * i);
    }
    return static_cast<int32_t>(raw);
}

// Everything of the window the digital-output handlers touch.
struct Snapshot {
    std::string channel, value, port, byte;
    int32_t spinner = 0;
    int16_t doByte = 0;
    std::size_t calls = 0;

    static Snapshot of(const tqv::test::Panel& panel) {
        return {panel.ui.text(Control::txtDOChn),   panel.ui.text(Control::txtDOValue),
                panel.ui.text(Control::txtswChn),   panel.ui.text(Control::txtSWO_0),
                panel.ui.spinnerValue(Control::UpDownBitNum), panel.form.DoByte[0],
                panel.card.calls.size()};
    }
};

std::string describe(Op op, const std::string& argument) {
    switch (op) {
        case Op::TypeChannel: return "type " + escaped(argument) + " into txtDOChn";
        case Op::TypeValue: return "type " + escaped(argument) + " into txtDOValue";
        case Op::TypePort: return "type " + escaped(argument) + " into txtswChn";
        case Op::TypeByte: return "type " + escaped(argument) + " into txtSWO_0";
        case Op::SetSpinner: return "set the spinner to " + argument;
        case Op::Toggle: return "double-click txtDOValue";
        case Op::Output: return "click cmdDOOutput";
        case Op::OutputByte: return "click cmdSWO";
    }
    return "?";
}

struct Step {
    Op op;
    std::string argument;
};

// Checks the window after an operation; the report names the operations that led
// there, formatted only when a rule is broken.
class Checker {
public:
    Checker(const tqv::test::Panel& panel, const std::vector<Step>& steps)
        : m_panel(panel), m_steps(steps) {}

    void text(Control box, const std::string& expected, const char* rule) const {
        const std::string actual = m_panel.ui.text(box);
        if (actual != expected) {
            fail(rule, context() + std::string(tqv::window::controlName(box)), escaped(expected),
                 escaped(actual));
        }
    }
    void spinner(int32_t expected, const char* rule) const {
        const int32_t actual = m_panel.ui.spinnerValue(Control::UpDownBitNum);
        if (actual != expected) {
            fail(rule, context() + "spinner", std::to_string(expected), std::to_string(actual));
        }
    }
    void newCalls(const std::vector<std::string>& expected, std::size_t before,
                  const char* rule) const {
        const auto& calls = m_panel.card.calls;
        const std::vector<std::string> actual(calls.begin() + static_cast<std::ptrdiff_t>(before),
                                              calls.end());
        if (actual != expected) {
            fail(rule, context() + "card calls", joined(expected), joined(actual));
        }
    }
    void doByte(int16_t expected, const char* rule) const {
        if (m_panel.form.DoByte[0] != expected) {
            fail(rule, context() + "DoByte(0)", std::to_string(expected),
                 std::to_string(m_panel.form.DoByte[0]));
        }
    }
    [[noreturn]] void broken(const char* rule, const std::string& expected,
                             const std::string& actual) const {
        fail(rule, context(), expected, actual);
    }

private:
    std::string context() const {
        std::string out = "after loading the panel and";
        for (std::size_t i = 0; i < m_steps.size(); ++i) {
            out += "\n       " + std::to_string(i + 1) + ". " +
                   describe(m_steps[i].op, m_steps[i].argument);
        }
        return out + "\n     looking at ";
    }
    static std::string joined(const std::vector<std::string>& calls) {
        if (calls.empty()) return "(none)";
        std::string out;
        for (const auto& call : calls) out += (out.empty() ? "" : " | ") + call;
        return out;
    }
    const tqv::test::Panel& m_panel;
    const std::vector<Step>& m_steps;
};

// What every card call line must say: "Tqv_DOBit b v -> r" with b 0..15, v 0/1;
// "Tqv_DO p byte -> r" with p <= 1, byte 0..255; nothing else after load.
void checkCallLine(const std::string& call, const Checker& check) {
    long first = 0;
    long second = 0;
    const auto numbers = [&](std::string_view rest) {
        const char* at = rest.data();
        const char* const end = rest.data() + rest.size();
        auto result = std::from_chars(at, end, first);
        if (result.ec != std::errc{} || result.ptr == end || *result.ptr != ' ') return false;
        result = std::from_chars(result.ptr + 1, end, second);
        return result.ec == std::errc{} && std::string_view(result.ptr, static_cast<std::size_t>(end - result.ptr)).rfind(" -> ", 0) == 0;
    };
    const std::string_view line = call;
    if (line.rfind("Tqv_DOBit ", 0) == 0) {
        if (!numbers(line.substr(10)) || first < 0 || first > 15 || (second != 0 && second != 1)) {
            check.broken("Tqv_DOBit gets bit 0..15 and value 0/1", "bit 0..15, value 0/1", call);
        }
    } else if (line.rfind("Tqv_DO ", 0) == 0) {
        if (!numbers(line.substr(7)) || first > 1 || second < 0 || second > 255) {
            check.broken("Tqv_DO gets port <= 1 and byte 0..255", "port <= 1, byte 0..255", call);
        }
    } else {
        check.broken("only the digital-output calls reach the card", "Tqv_DOBit or Tqv_DO", call);
    }
}

std::string callLine(const char* name, int64_t first, int64_t second) {
    return std::string(name) + " " + std::to_string(first) + " " + std::to_string(second) +
           " -> 1";
}

void apply(tqv::test::Panel& panel, Op op, const std::string& argument, const Snapshot& before,
           const Checker& check) {
    switch (op) {
        case Op::TypeChannel: {
            panel.ui.setText(Control::txtDOChn, argument);
            check.text(Control::txtswChn, before.port, "typing into txtDOChn leaves txtswChn");
            check.text(Control::txtSWO_0, before.byte, "typing into txtDOChn leaves txtSWO_0");
            check.text(Control::txtDOValue, before.value, "typing into txtDOChn leaves txtDOValue");
            if (argument == before.channel) {
                // The same text raises no change: nothing happens at all.
                check.text(Control::txtDOChn, before.channel, "the same text raises nothing");
                check.spinner(before.spinner, "the same text raises nothing");
                break;
            }
            const auto typed = text::prefixTo16(argument);
            if (!typed) {
                check.text(Control::txtDOChn, argument,
                           "a channel that does not fit 16 bits is left as typed");
                check.spinner(before.spinner,
                              "a channel that does not fit 16 bits leaves the spinner");
                break;
            }
            const int16_t channel = std::clamp<int16_t>(*typed, 1, 16);
            check.text(Control::txtDOChn, text::numberText(channel),
                       "a typed channel is rewritten as the number text of 1..16");
            check.spinner(channel, "a typed channel sets the spinner to it");
            break;
        }
        case Op::TypeValue:
        case Op::TypePort:
        case Op::TypeByte: {
            const Control box = op == Op::TypeValue  ? Control::txtDOValue
                                : op == Op::TypePort ? Control::txtswChn
                                                     : Control::txtSWO_0;
            panel.ui.setText(box, argument);
            check.text(box, argument, "a box without a change handler keeps what is typed");
            if (box != Control::txtDOValue) check.text(Control::txtDOValue, before.value, "other boxes unchanged");
            if (box != Control::txtswChn) check.text(Control::txtswChn, before.port, "other boxes unchanged");
            if (box != Control::txtSWO_0) check.text(Control::txtSWO_0, before.byte, "other boxes unchanged");
            check.text(Control::txtDOChn, before.channel, "other boxes unchanged");
            check.spinner(before.spinner, "typing elsewhere leaves the spinner");
            break;
        }
        case Op::SetSpinner: {
            const int32_t wanted = spinnerArgument(argument);
            panel.ui.setSpinnerValue(Control::UpDownBitNum, wanted);
            const int32_t held = std::clamp<int32_t>(wanted, 1, 16);
            check.spinner(held, "the spinner holds the value bounded to 1..16");
            if (held != before.spinner) {
                check.text(Control::txtDOChn, text::numberText(held),
                           "a spinner change writes its number text into txtDOChn");
            } else {
                check.text(Control::txtDOChn, before.channel,
                           "setting the spinner to its value raises nothing");
            }
            check.text(Control::txtDOValue, before.value, "the spinner leaves txtDOValue");
            break;
        }
        case Op::Toggle: {
            panel.raise(Control::txtDOValue, Event::DblClick);
            const auto value = text::numericPrefix(before.value);
            const std::string expected =
                !value ? before.value : text::numberText(*value == 0 ? 1 : 0);
            check.text(Control::txtDOValue, expected,
                       "a double-click turns 0 into \" 1\" and anything else into \" 0\"");
            check.text(Control::txtDOChn, before.channel, "a double-click leaves txtDOChn");
            check.spinner(before.spinner, "a double-click leaves the spinner");
            break;
        }
        case Op::Output: {
            panel.click(Control::cmdDOOutput);
            check.text(Control::txtDOChn, before.channel, "the output click leaves txtDOChn");
            check.spinner(before.spinner, "the output click leaves the spinner");
            const auto typedValue = text::prefixTo16(before.value);
            if (!typedValue) {
                check.text(Control::txtDOValue, before.value,
                           "a value that does not fit stops the output click");
                check.newCalls({}, before.calls, "a value that does not fit sends nothing");
                break;
            }
            const int value = *typedValue != 0 ? 1 : 0;
            const std::string shown = panel.ui.text(Control::txtDOValue);
            if (shown != " 0" && shown != " 1") {
                check.broken("txtDOValue after the output click is \" 0\" or \" 1\"",
                             "\" 0\" or \" 1\"", escaped(shown));
            }
            check.text(Control::txtDOValue, text::numberText(value),
                       "the output click writes the value forced to 0/1");
            const auto typedChannel = text::prefixTo16(before.channel);
            if (!typedChannel) {
                check.newCalls({}, before.calls, "a channel that does not fit sends nothing");
                break;
            }
            const int channel = *typedChannel <= 0 ? 1 : *typedChannel;
            check.newCalls({callLine("Tqv_DOBit", channel - 1, value)}, before.calls,
                           "the output click sends Tqv_DOBit(channel - 1, value)");
            break;
        }
        case Op::OutputByte: {
            panel.click(Control::cmdSWO);
            check.text(Control::txtswChn, before.port, "the byte click rewrites no box");
            check.text(Control::txtSWO_0, before.byte, "the byte click rewrites no box");
            check.text(Control::txtDOChn, before.channel, "the byte click rewrites no box");
            check.text(Control::txtDOValue, before.value, "the byte click rewrites no box");
            check.spinner(before.spinner, "the byte click leaves the spinner");
            const auto typedPort = text::prefixTo16(before.port);
            const auto typedValue = text::prefixTo32("&H" + before.byte);
            if (!typedPort || !typedValue) {
                check.newCalls({}, before.calls, "a port or byte that does not fit sends nothing");
                check.doByte(before.doByte, "a port or byte that does not fit keeps DoByte(0)");
                break;
            }
            const int port = *typedPort > 1 ? 1 : *typedPort;
            const auto byte = static_cast<int16_t>(*typedValue & 0xFF);
            check.newCalls({callLine("Tqv_DO", port, byte)}, before.calls,
                           "the byte click sends Tqv_DO(port bounded above by 1, low byte)");
            check.doByte(byte, "the byte click keeps the byte in DoByte(0)");
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    tqv::test::Panel panel;
    panel.card.recordCalls = true;
    panel.load();
    panel.card.clearCalls();

    Reader reader(data, size);
    std::vector<Step> steps;  // the operations so far, for the report
    const Checker check(panel, steps);
    while (steps.size() < kMostOperations && !reader.atEnd()) {
        const Op op = reader.op();
        std::string argument;
        if (op <= Op::SetSpinner) argument = reader.text();
        if (op == Op::SetSpinner) argument = std::to_string(spinnerArgument(argument));

        const Snapshot before = Snapshot::of(panel);
        steps.push_back({op, argument});
        apply(panel, op, argument, before, check);

        // What holds after every operation.
        const int32_t spinner = panel.ui.spinnerValue(Control::UpDownBitNum);
        if (spinner < 1 || spinner > 16) {
            check.broken("the spinner stays within 1..16", "1..16", std::to_string(spinner));
        }
        const std::string channelText = panel.ui.text(Control::txtDOChn);
        const auto channel = text::prefixTo16(channelText);
        if (channel && *channel != spinner) {
            check.broken("a channel text that fits names the spinner's channel",
                         std::to_string(spinner), escaped(channelText));
        }
        if (channel && panel.ui.changeEvents(Control::txtDOChn) > 0 &&
            channelText != text::numberText(spinner)) {
            check.broken("once changed, a channel text that fits is the spinner's number text",
                         escaped(text::numberText(spinner)), escaped(channelText));
        }
        for (std::size_t i = before.calls; i < panel.card.calls.size(); ++i) {
            checkCallLine(panel.card.calls[i], check);
        }
    }
    return 0;
}
