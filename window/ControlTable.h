// The window as data: every control with its kind, container, stored caption,
// place, size, tab position and other stored settings. The Qt window is built from
// this table; nothing about the layout is written anywhere else.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "window/Control.h"

namespace tqv::window {

enum class Kind { Frame, Spinner, Button, TextBox, Label, CheckBox, Timer };

// Stored settings beyond place and size.
enum Setting : unsigned {
    NoSetting = 0,
    Checked = 1u << 0,           // check box starts checked
    MultiLine = 1u << 1,         // multi-line text box with both scroll bars
    OwnFont = 1u << 2,           // uses the lblDI font below instead of the default
    OrangeBackground = 1u << 3,  // background RGB(255, 192, 128)
    RuntimeCaption = 1u << 4,    // caption rewritten while running: the label grows to fit
};

struct ControlRow {
    Control name;
    int index;  // member index in a control array, -1 for a single control
    Kind kind;
    Control container;  // FrmMultiBuf for the window itself
    std::string_view caption;
    // Twips, from the top-left corner of the container's client area.
    int left;
    int top;
    int width;
    int height;
    int tabIndex;  // -1 where the control has none
    unsigned settings;
    // The static label that names this control for assistive technology.
    std::optional<int> labelledByLabel1 = std::nullopt;
};

struct FontSetting {
    std::string_view family;
    double pointSize;
    int weight;
    int charSet;
};

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

struct FormSetting {
    std::string_view caption;
    int clientWidth;  // twips
    int clientHeight;
    int timerIntervalMs;
    int spinnerMinimum;
    int spinnerMaximum;
    int spinnerStep;
    FontSetting ownFont;
    Rgb orange;
};

constexpr int TwipsPerPixel = 15;  // at 96 dots per inch

extern const FormSetting Form;
extern const std::array<ControlRow, 44> ControlTable;

// The table row of a control (array members by index), or null.
const ControlRow* findControl(Control name, int index = -1);

}  // namespace tqv::window
