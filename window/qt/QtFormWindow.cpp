#include "window/qt/QtFormWindow.h"

#include <QApplication>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "window/qt/LabelFitting.h"
#include "window/qt/PanelFonts.h"
#include "window/qt/UpDownAccessible.h"
#include "window/qt/UpDownControl.h"
#include "window/qt/WidgetFactory.h"

namespace tqv::window::qt {

namespace {

bool takesFocus(Kind kind) {
    return kind == Kind::Button || kind == Kind::TextBox || kind == Kind::CheckBox ||
           kind == Kind::Spinner;
}

std::string toStdString(const QString& text) { return text.toUtf8().toStdString(); }

// Sets a flag for the length of a program write and puts back what was there.
class WriteScope {
public:
    explicit WriteScope(bool& flag) : m_flag(flag), m_previous(std::exchange(flag, true)) {}
    ~WriteScope() { m_flag = m_previous; }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

private:
    bool& m_flag;
    bool m_previous;
};

}  // namespace

QtFormWindow::QtFormWindow(QWidget* parent) : QWidget(parent) { build(); }

QtFormWindow::~QtFormWindow() {
    // The children outlive this object's members: nothing they do while the
    // toolkit tears them down may reach the maps or the listener.
    m_events = nullptr;
    for (const auto& [key, widget] : m_widgets) {
        widget->removeEventFilter(this);
        disconnect(widget, nullptr, this, nullptr);
    }
    for (const auto& [watched, control] : m_textBoxOf) watched->removeEventFilter(this);
    if (m_timer != nullptr) disconnect(m_timer, nullptr, this, nullptr);
}

void QtFormWindow::build() {
    installUpDownAccessibility();
    setWindowTitle(toQString(Form.caption));
    // Set before the children exist so that every control inherits it.
    setFont(panelFont());
    setFixedSize(twipsToPixels(Form.clientWidth), twipsToPixels(Form.clientHeight));

    // Table order is stacking order: each new child lies above the ones before it.
    for (const auto& row : ControlTable) {
        QObject* control = createControl(row, containerOf(row), this);
        if (auto* widget = qobject_cast<QWidget*>(control)) {
            m_widgets[{row.name, row.index}] = widget;
        } else {
            m_timer = qobject_cast<QTimer*>(control);
        }
        forwardEvents(row, control);
    }

    if (auto* info = qobject_cast<QPlainTextEdit*>(widget(Control::txtInfo))) {
        m_lastInfoWritten = std::string(findControl(Control::txtInfo)->caption);
        m_lastInfoShown = info->toPlainText();
    }
    // Every label is measured in the font it ended up with, so that no stored
    // caption is cut off either.
    for (const auto& row : ControlTable) {
        if (row.kind == Kind::Label) {
            fitLabelToCaption(static_cast<QLabel*>(m_widgets.at({row.name, row.index})), row);
        }
    }
    orderTabs();
    if (m_timer != nullptr) m_timer->start();
}

QWidget* QtFormWindow::containerOf(const ControlRow& row) {
    if (row.container == Control::FrmMultiBuf) return this;
    return m_widgets.at({row.container, -1});
}

void QtFormWindow::forwardEvents(const ControlRow& row, QObject* control) {
    const Control name = row.name;
    switch (row.kind) {
        case Kind::Button:
            connect(static_cast<QPushButton*>(control), &QPushButton::clicked, this,
                    [this, name] { raise(name, Event::Click); });
            break;
        case Kind::CheckBox:
            connect(static_cast<QCheckBox*>(control), &QCheckBox::clicked, this,
                    [this, name] { raise(name, Event::Click); });
            break;
        case Kind::TextBox:
            if (auto* line = qobject_cast<QLineEdit*>(control)) {
                connect(line, &QLineEdit::textChanged, this, [this, name] {
                    if (!m_writing) raise(name, Event::Change);
                });
                line->installEventFilter(this);
                m_textBoxOf[line] = name;
            } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
                connect(plain, &QPlainTextEdit::textChanged, this, [this, name] {
                    if (!m_writing) raise(name, Event::Change);
                });
                // The viewport, not the editor, receives the mouse.
                plain->viewport()->installEventFilter(this);
                m_textBoxOf[plain->viewport()] = name;
            }
            break;
        case Kind::Spinner:
            connect(static_cast<UpDownControl*>(control), &UpDownControl::valueChanged, this,
                    [this, name] {
                        if (!m_writing) raise(name, Event::Change);
                    });
            break;
        case Kind::Timer:
            connect(static_cast<QTimer*>(control), &QTimer::timeout, this,
                    [this, name] { raise(name, Event::Timer); });
            break;
        case Kind::Frame:
        case Kind::Label:
            break;
    }
}

void QtFormWindow::orderTabs() {
    std::vector<std::pair<int, QWidget*>> chain;
    for (const auto& row : ControlTable) {
        if (takesFocus(row.kind) && row.tabIndex >= 0) {
            chain.emplace_back(row.tabIndex, m_widgets.at({row.name, row.index}));
        }
    }
    std::sort(chain.begin(), chain.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1].second, chain[i].second);
    // The window opens with the focus on the first control in tab order.
    for (const auto& [tabIndex, widget] : chain) {
        if (widget->isEnabled()) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void QtFormWindow::fitLabelToCaption(QLabel* label, const ControlRow& row) {
    const QWidget* container = label->parentWidget();
    std::vector<PixelBox> others;
    for (const auto& [key, widget] : m_widgets) {
        if (widget == label || widget->parentWidget() != container) continue;
        const QRect g = widget->geometry();
        others.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    const QRect stored = pixelGeometry(row);
    const QFont base = (row.settings & OwnFont) ? requestedFont(Form.ownFont) : font();
    const int basePixels = QFontInfo(base).pixelSize();
    const QString caption = label->text();

    auto fontAt = [&base](int pixelSize) {
        QFont font = base;
        font.setPixelSize(pixelSize);
        return font;
    };
    const FitRequest request{{stored.x(), stored.y(), stored.width(), stored.height()},
                             container->width(),
                             others,
                             basePixels,
                             MinimumLabelPixelSize};
    const LabelFit fit = fitLabel(request, [&](int pixelSize) {
        const QFontMetrics metrics(fontAt(pixelSize), label);
        // One pixel more than the advance: anti-aliasing may spill over the edge.
        return TextExtent{caption.isEmpty() ? 0 : metrics.horizontalAdvance(caption) + 1,
                          metrics.height()};
    });

    label->setFont(fit.pixelSize == basePixels ? base : fontAt(fit.pixelSize));
    label->setGeometry(stored.x(), stored.y(), fit.width, fit.height);
    // Where the caption had to be shown smaller, or cut, the whole of it is a hover away.
    label->setToolTip(fit.shrunk || fit.clipped ? caption : QString());
}

QWidget* QtFormWindow::widget(Control control, int index) const {
    const auto it = m_widgets.find({control, index});
    return it == m_widgets.end() ? nullptr : it->second;
}

QWidget* QtFormWindow::widgetOfKind(Control control, int index, Kind kind) const {
    const ControlRow* row = findControl(control, index);
    // A single control answers to index 0 as well.
    if (row == nullptr && index == 0) row = findControl(control, -1);
    if (row == nullptr || row->kind != kind) {
        throw std::logic_error("no such control for this operation: " +
                               std::string(controlName(control)) + " " + std::to_string(index));
    }
    return m_widgets.at({row->name, row->index});
}

void QtFormWindow::raise(Control control, Event event) {
    if (m_events != nullptr) m_events->raise(control, event);
}

void QtFormWindow::setCaption(Control label, int index, std::string_view caption) {
    auto* shown = static_cast<QLabel*>(widgetOfKind(label, index, Kind::Label));
    const QString text = toQString(caption);
    if (shown->text() == text) return;
    shown->setText(text);
    const ControlRow* row = findControl(label, index);
    if (row == nullptr) row = findControl(label, -1);
    if (row->settings & RuntimeCaption) fitLabelToCaption(shown, *row);
}

std::string QtFormWindow::text(Control textBox) const {
    const QWidget* w = widgetOfKind(textBox, -1, Kind::TextBox);
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) return toStdString(line->text());
    const auto* plain = static_cast<const QPlainTextEdit*>(w);
    QString shown = plain->toPlainText();
    if (shown == m_lastInfoShown) return m_lastInfoWritten;
    // Edited by the operator since: line breaks go back to CR LF.
    shown.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toStdString(shown);
}

void QtFormWindow::setText(Control textBox, std::string_view text) {
    QWidget* w = widgetOfKind(textBox, -1, Kind::TextBox);
    if (this->text(textBox) == text) return;
    {
        const WriteScope scope(m_writing);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setText(toQString(text));
        } else {
            auto* plain = static_cast<QPlainTextEdit*>(w);
            QString shown = toQString(text);
            shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            plain->setPlainText(shown);
            m_lastInfoWritten = std::string(text);
            // What the editor holds, which may differ in detail from what it was given.
            m_lastInfoShown = plain->toPlainText();
        }
    }
    raise(textBox, Event::Change);
}

int QtFormWindow::checkValue(Control checkBox) const {
    const auto* box = static_cast<const QCheckBox*>(widgetOfKind(checkBox, -1, Kind::CheckBox));
    // A partly checked box counts as checked.
    return box->checkState() == Qt::Unchecked ? 0 : 1;
}

void QtFormWindow::setEnabled(Control control, bool enabled) {
    if (control == Control::TimerAD) {
        // A running timer keeps its rhythm; restarting it would delay the next tick.
        if (!enabled) {
            m_timer->stop();
        } else if (!m_timer->isActive()) {
            m_timer->start();
        }
        return;
    }
    QWidget* w = widget(control);
    if (w == nullptr) {
        throw std::logic_error("cannot enable " + std::string(controlName(control)));
    }
    w->setEnabled(enabled);
}

int32_t QtFormWindow::spinnerValue(Control spinner) const {
    return static_cast<const UpDownControl*>(widgetOfKind(spinner, -1, Kind::Spinner))->value();
}

void QtFormWindow::setSpinnerValue(Control spinner, int32_t value) {
    auto* control = static_cast<UpDownControl*>(widgetOfKind(spinner, -1, Kind::Spinner));
    const int before = control->value();
    {
        const WriteScope scope(m_writing);
        control->setValue(value);
    }
    if (control->value() != before) raise(spinner, Event::Change);
}

void QtFormWindow::close() {
    QWidget::close();
    // A window that was never shown may get no close event; its Unload runs anyway.
    if (!m_unloaded) {
        QCloseEvent event;
        closeEvent(&event);
    }
}

void QtFormWindow::beep() { QApplication::beep(); }

void QtFormWindow::closeEvent(QCloseEvent* event) {
    if (!m_unloaded) {
        // Marked first: a handler that closes the window again must not unload twice.
        m_unloaded = true;
        raise(Control::FrmMultiBuf, Event::Unload);
    }
    // A closed window has nothing left to poll for.
    if (m_timer != nullptr) m_timer->stop();
    event->accept();
}

bool QtFormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto it = m_textBoxOf.find(watched);
        if (it != m_textBoxOf.end()) raise(it->second, Event::DblClick);
    }
    // The editor still does its own double-click (selecting a word).
    return QWidget::eventFilter(watched, event);
}

}  // namespace tqv::window::qt
