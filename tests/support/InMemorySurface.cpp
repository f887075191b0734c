#include "tests/support/InMemorySurface.h"

#include <algorithm>
#include <stdexcept>

#include "window/ControlTable.h"

namespace tqv::test {

using window::Control;
using window::Kind;

namespace {

const window::ControlSpec& specOf(Control control, int index, Kind kind) {
    const auto* spec = window::findControl(control, index);
    if (spec == nullptr) spec = window::findControl(control, -1);
    if (spec == nullptr || spec->kind != kind) {
        throw std::logic_error("no such control for this operation: " +
                               std::string(window::controlName(control)));
    }
    return *spec;
}

}  // namespace

InMemorySurface::InMemorySurface() {
    for (const auto& spec : window::ControlTable) {
        const Key key{spec.name, std::max(spec.index, 0)};
        switch (spec.kind) {
            case Kind::Label: m_captions[key] = std::string(spec.caption); break;
            case Kind::TextBox: m_texts[spec.name] = std::string(spec.caption); break;
            case Kind::CheckBox: m_checkValue = (spec.settings & window::Checked) ? 1 : 0; break;
            case Kind::Button:
            case Kind::Timer: m_enabled[spec.name] = true; break;
            default: break;
        }
    }
}

void InMemorySurface::raise(Control control, window::Event event) {
    if (m_events != nullptr) m_events->raise(control, event);
}

void InMemorySurface::setCaption(Control label, int index, std::string_view caption) {
    specOf(label, index, Kind::Label);
    m_captions[{label, index}] = std::string(caption);
}

std::string InMemorySurface::text(Control textBox) const {
    specOf(textBox, -1, Kind::TextBox);
    return m_texts.at(textBox);
}

void InMemorySurface::setText(Control textBox, std::string_view text) {
    specOf(textBox, -1, Kind::TextBox);
    auto& current = m_texts[textBox];
    if (current == text) return;
    current = std::string(text);
    ++m_changeEvents[textBox];
    raise(textBox, window::Event::Change);
}

int InMemorySurface::checkValue(Control checkBox) const {
    specOf(checkBox, -1, Kind::CheckBox);
    return m_checkValue;
}

void InMemorySurface::setEnabled(Control control, bool enabled) {
    if (m_enabled.find(control) == m_enabled.end()) {
        throw std::logic_error("cannot enable " + std::string(window::controlName(control)));
    }
    m_enabled[control] = enabled;
}

int32_t InMemorySurface::spinnerValue(Control spinner) const {
    specOf(spinner, -1, Kind::Spinner);
    return m_spinner;
}

void InMemorySurface::setSpinnerValue(Control spinner, int32_t value) {
    specOf(spinner, -1, Kind::Spinner);
    // Like the real control, the value stays within the configured range.
    value = std::clamp<int32_t>(value, window::Form.spinnerMinimum, window::Form.spinnerMaximum);
    if (value == m_spinner) return;
    m_spinner = value;
    ++m_changeEvents[spinner];
    raise(spinner, window::Event::Change);
}

void InMemorySurface::close() {
    if (m_closed) return;
    raise(Control::FrmMultiBuf, window::Event::Unload);
    m_closed = true;
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
