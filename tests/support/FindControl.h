// Finds a control of the real window by its object name, the name the control table
// gives it ("lblAD_2" for an element of an array); a missing control ends the test.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace tqv::test {

template <typename T>
T* findControl(const QObject* window, const QString& name) {
    auto* found = window->findChild<T*>(name);
    if (found == nullptr) qFatal("no control %s", qPrintable(name));
    return found;
}

template <typename T>
T* findControl(const QObject* window, const char* name) {
    return findControl<T>(window, QString::fromLatin1(name));
}

}  // namespace tqv::test
