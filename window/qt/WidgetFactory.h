// One widget (or the timer) from one row of the control table, with its stored
// caption, state, place, size and settings. Event forwarding is the window's job.
#pragma once

#include <QRect>
#include <QString>
#include <string_view>

#include "window/ControlTable.h"

class QObject;
class QWidget;

namespace tqv::window::qt {

int twipsToPixels(int twips);

// The row's place and size in pixels within its container.
QRect pixelGeometry(const ControlRow& row);

// The control's name; members of a control array as "Label1_10".
QString objectNameFor(const ControlRow& row);

QString toQString(std::string_view utf8);

// A static label's caption as the name of the control it stands beside: the
// trailing colon and spaces dropped.
QString nameFromCaption(std::string_view caption);

// Creates the control as a child of `container` (for the timer, of `owner`).
QObject* createControl(const ControlRow& row, QWidget* container, QWidget* owner);

}  // namespace tqv::window::qt
