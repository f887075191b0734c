// A window without a toolkit: every control of the table held in memory, with the
// same change-event rule as the real window. Tests drive the handlers through it.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "window/ControlSurface.h"

namespace tqv::test {

class InMemorySurface : public window::ControlSurface {
public:
    // Every control starts with its stored caption, text and state; the spinner at 1.
    InMemorySurface();

    void setEvents(window::FormEvents* events) { m_events = events; }

    void setCaption(window::Control label, int index, std::string_view caption) override;
    std::string text(window::Control textBox) const override;
    void setText(window::Control textBox, std::string_view text) override;
    int checkValue(window::Control checkBox) const override;
    void setEnabled(window::Control control, bool enabled) override;
    int32_t spinnerValue(window::Control spinner) const override;
    void setSpinnerValue(window::Control spinner, int32_t value) override;
    void close() override;
    void beep() override { ++m_beeps; }

    // What a test observes.
    std::string caption(window::Control label, int index = 0) const;
    bool isEnabled(window::Control control) const;
    bool isClosed() const { return m_closed; }
    int changeEvents(window::Control control) const;
    int beeps() const { return m_beeps; }

    // What an operator does: an edit is a text write like any other.
    void setCheckValue(int value) { m_checkValue = value; }

private:
    using Key = std::pair<window::Control, int>;
    void raise(window::Control control, window::Event event);

    window::FormEvents* m_events = nullptr;
    std::map<Key, std::string> m_captions;
    std::map<window::Control, std::string> m_texts;
    std::map<window::Control, bool> m_enabled;
    std::map<window::Control, int> m_changeEvents;
    int m_checkValue = 0;
    int32_t m_spinner = 1;
    bool m_closed = false;
    int m_beeps = 0;
};

}  // namespace tqv::test
