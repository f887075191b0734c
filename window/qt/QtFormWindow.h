// The window on screen: every control of the table as a Qt widget, the control
// surface the handlers write to, and the widgets' events forwarded as the form's
// events.
#pragma once

#include <QWidget>
#include <map>
#include <string>
#include <utility>

#include "window/ControlSurface.h"
#include "window/ControlTable.h"

class QLabel;
class QTimer;

namespace tqv::window::qt {

class QtFormWindow : public QWidget, public ControlSurface {
    Q_OBJECT

public:
    // Builds every control with its stored settings; no event is forwarded until
    // setEvents is called, so the stored texts raise nothing.
    explicit QtFormWindow(QWidget* parent = nullptr);
    ~QtFormWindow() override;
    QtFormWindow(const QtFormWindow&) = delete;
    QtFormWindow& operator=(const QtFormWindow&) = delete;

    // Where the controls' events go from now on; null stops forwarding.
    void setEvents(FormEvents* events) { m_events = events; }

    using ControlSurface::setCaption;
    void setCaption(Control label, int index, std::string_view caption) override;
    std::string text(Control textBox) const override;
    void setText(Control textBox, std::string_view text) override;
    int checkValue(Control checkBox) const override;
    void setEnabled(Control control, bool enabled) override;
    int32_t spinnerValue(Control spinner) const override;
    void setSpinnerValue(Control spinner, int32_t value) override;
    // Closes the window the way the operator does, so Unload runs once.
    void close() override;
    void beep() override;

    // The widget of a control (array members by index), or null; the timer is
    // not a widget and is found as timer().
    QWidget* widget(Control control, int index = -1) const;
    QTimer* timer() const { return m_timer; }
    bool unloaded() const { return m_unloaded; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Key = std::pair<Control, int>;

    void build();
    void forwardEvents(const ControlRow& row, QObject* control);
    void orderTabs();
    void fitLabelToCaption(QLabel* label, const ControlRow& row);
    QWidget* containerOf(const ControlRow& row);
    QWidget* widgetOfKind(Control control, int index, Kind kind) const;
    void raise(Control control, Event event);

    FormEvents* m_events = nullptr;
    QTimer* m_timer = nullptr;
    std::map<Key, QWidget*> m_widgets;
    std::map<QObject*, Control> m_textBoxOf;  // for the double-click filter
    // A program write in progress: its Change is raised once, by the write itself.
    bool m_writing = false;
    // The multi-line box shows CR LF as a line break; a read gives back what the
    // program wrote as long as the operator has not edited it since.
    std::string m_lastInfoWritten;
    QString m_lastInfoShown;
    bool m_unloaded = false;
};

}  // namespace tqv::window::qt
