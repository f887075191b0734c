// Everything the handlers may do to the window: the toolkit-neutral face of it.
// The Qt window and the tests' in-memory window both implement it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "window/Control.h"

namespace tqv::window {

class ControlSurface {
public:
    virtual ~ControlSurface() = default;

    // Labels; members of a control array by index, a single label as index 0.
    virtual void setCaption(Control label, int index, std::string_view caption) = 0;
    void setCaption(Control label, std::string_view caption) { setCaption(label, 0, caption); }

    // Text boxes. Writing a text that differs from the current one raises the box's
    // Change event at once, nested inside this call; writing the same text raises
    // nothing.
    virtual std::string text(Control textBox) const = 0;
    virtual void setText(Control textBox, std::string_view text) = 0;

    // The check box: 0 clear, 1 checked.
    virtual int checkValue(Control checkBox) const = 0;

    // Push buttons and the timer.
    virtual void setEnabled(Control control, bool enabled) = 0;

    // The spinner. Setting a different value raises its Change event at once,
    // nested inside this call; setting the value it holds raises nothing.
    virtual int32_t spinnerValue(Control spinner) const = 0;
    virtual void setSpinnerValue(Control spinner, int32_t value) = 0;

    // Closes the window: its Unload event runs, then the program ends.
    virtual void close() = 0;

    // The quiet cue that an operator's typed number was refused (it does not fit);
    // the handler itself just stops. A window without a speaker does nothing.
    virtual void beep() {}
};

// Where a surface sends the events of its controls.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void raise(Control control, Event event) = 0;
};

}  // namespace tqv::window
