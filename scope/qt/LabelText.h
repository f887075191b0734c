// A label's text where screen readers and test tools find it: a label that has an
// accessible name of its own ("Trigger state") gives its text as its description.
#pragma once

#include <QLabel>
#include <QString>

namespace tqv::scope::qt {

inline void setLabelText(QLabel& label, const QString& text) {
    label.setText(text);
    label.setAccessibleDescription(text);
}

}  // namespace tqv::scope::qt
