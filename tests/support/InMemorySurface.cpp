#include "tests/support/InMemorySurface.h"

#include <algorithm>
#include <stdexcept>

#include "window/ControlTable.h"

namespace tqv::test {

using window::Control;
using window::Kind;

namespace {

// The kind of every control name, looked up once: the table search would cost more
// than the handlers under measurement.
Kind kindOf(Control control) {
    static const auto kinds = [] {
        std::map<Control, Kind> byName;
        for (const auto& row : window::ControlTable) byName.emplace(row.name, row.kind);
        return byName;
    }();
    const auto it = kinds.find(control);
    if (it == kinds.end()) return Kind::Frame;
    return it->second;
}

void requireKind(Control control, Kind kind) {
    if (kindOf(control) != kind) {
        throw std::logic_error("no such control for this operation: " +
                               std::string(window::controlName(control)));
    }
}

}  // namespace

InMemorySurface::InMemorySurface() {
    for (const auto& row : window::ControlTable) {
        const Key key{row.name, std::max(row.index, 0)};
        switch (row.kind) {
            case Kind::Label:
                m_captions[key] = std::string(row.caption);
                break;
            case Kind::TextBox:
                m_texts[row.name] = std::string(row.caption);
                break;
            case Kind::CheckBox:
                m_checkValue = (row.settings & window::Checked) ? 1 : 0;
                break;
            case Kind::Button:
            case Kind::Timer:
                m_enabled[row.name] = true;
                break;
            default:
                break;
        }
    }
}

void InMemorySurface::raise(Control control, window::Event event) {
    if (m_events != nullptr) m_events->raise(control, event);
}

void InMemorySurface::setCaption(Control label, int index, std::string_view caption) {
    const auto it = m_captions.find({label, index});
    if (it == m_captions.end()) {
        throw std::logic_error("no such label: " + std::string(window::controlName(label)) + " " +
                               std::to_string(index));
    }
    it->second.assign(caption);
}

std::string InMemorySurface::text(Control textBox) const {
    requireKind(textBox, Kind::TextBox);
    return m_texts.at(textBox);
}

void InMemorySurface::setText(Control textBox, std::string_view text) {
    requireKind(textBox, Kind::TextBox);
    auto& current = m_texts[textBox];
    if (current == text) return;
    current.assign(text);
    ++m_changeEvents[textBox];
    raise(textBox, window::Event::Change);
}

int InMemorySurface::checkValue(Control checkBox) const {
    requireKind(checkBox, Kind::CheckBox);
    return m_checkValue;
}

void InMemorySurface::setEnabled(Control control, bool enabled) {
    if (m_enabled.find(control) == m_enabled.end()) {
        throw std::logic_error("cannot enable " + std::string(window::controlName(control)));
    }
    m_enabled[control] = enabled;
}

int32_t InMemorySurface::spinnerValue(Control spinner) const {
    requireKind(spinner, Kind::Spinner);
    return m_spinner;
}

void InMemorySurface::setSpinnerValue(Control spinner, int32_t value) {
    requireKind(spinner, Kind::Spinner);
    // Like the real control, the value stays within the configured range.
    value = std::clamp<int32_t>(value, window::Form.spinnerMinimum, window::Form.spinnerMaximum);
    if (value == m_spinner) return;
    m_spinner = value;
    ++m_changeEvents[spinner];
    raise(spinner, window::Event::Change);
}

void InMemorySurface::close() {
    if (m_closed) return;
    // Marked first, as the real window does: an Unload that closes again unloads once.
    m_closed = true;
    raise(Control::FrmMultiBuf, window::Event::Unload);
}

std::string InMemorySurface::caption(Control label, int index) const {
    return m_captions.at({label, index});
}

bool InMemorySurface::isEnabled(Control control) const { return m_enabled.at(control); }

int InMemorySurface::changeEvents(Control control) const {
    const auto it = m_changeEvents.find(control);
    return it == m_changeEvents.end() ? 0 : it->second;
}

}  // namespace tqv::test
