#include "window/qt/WidgetFactory.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <limits>

#include "window/qt/PanelFonts.h"
#include "window/qt/UpDownControl.h"

namespace tqv::window::qt {

namespace {

QWidget* createFrame(const ControlRow& row, QWidget* container) {
    auto* frame = new QGroupBox(toQString(row.caption), container);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

QWidget* createButton(const ControlRow& row, QWidget* container) {
    auto* button = new QPushButton(toQString(row.caption), container);
    // Enter and Escape must press nothing: no button is ever the default one.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QWidget* createTextBox(const ControlRow& row, QWidget* container) {
    if (row.settings & MultiLine) {
        auto* edit = new QPlainTextEdit(container);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        // Tab walks on to the next control, as in the single-line boxes.
        edit->setTabChangesFocus(true);
        edit->setPlainText(toQString(row.caption));
        return edit;
    }
    auto* edit = new QLineEdit(container);
    // The default limit of 32767 characters would cut a long pasted text short.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(toQString(row.caption));
    return edit;
}

QWidget* createLabel(const ControlRow& row, QWidget* container) {
    auto* label = new QLabel(container);
    // Captions are shown as written: runs of spaces kept, nothing read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setFrameShape(QFrame::NoFrame);
    label->setMargin(0);
    label->setIndent(0);
    label->setText(toQString(row.caption));
    if (row.settings & OrangeBackground) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window,
                         QColor(Form.orange.red, Form.orange.green, Form.orange.blue));
        label->setPalette(palette);
        label->setAutoFillBackground(true);
    }
    if (row.settings & OwnFont) label->setFont(requestedFont(Form.ownFont));
    return label;
}

QWidget* createCheckBox(const ControlRow& row, QWidget* container) {
    auto* box = new QCheckBox(toQString(row.caption), container);
    box->setChecked((row.settings & Checked) != 0);
    return box;
}

QWidget* createSpinner(QWidget* container) {
    auto* spinner = new UpDownControl(container);
    spinner->setRange(Form.spinnerMinimum, Form.spinnerMaximum);
    spinner->setSingleStep(Form.spinnerStep);
    spinner->setValue(Form.spinnerMinimum);
    return spinner;
}

QWidget* createWidget(const ControlRow& row, QWidget* container) {
    switch (row.kind) {
        case Kind::Frame:
            return createFrame(row, container);
        case Kind::Button:
            return createButton(row, container);
        case Kind::TextBox:
            return createTextBox(row, container);
        case Kind::Label:
            return createLabel(row, container);
        case Kind::CheckBox:
            return createCheckBox(row, container);
        case Kind::Spinner:
            return createSpinner(container);
        case Kind::Timer:
            break;
    }
    return nullptr;
}

}  // namespace

int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / TwipsPerPixel));
}

QRect pixelGeometry(const ControlRow& row) {
    return {twipsToPixels(row.left), twipsToPixels(row.top), twipsToPixels(row.width),
            twipsToPixels(row.height)};
}

QString objectNameFor(const ControlRow& row) {
    QString name = toQString(controlName(row.name));
    if (row.index >= 0) name += QLatin1Char('_') + QString::number(row.index);
    return name;
}

QString toQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString nameFromCaption(std::string_view caption) {
    QString name = toQString(caption).trimmed();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A))) {
        name.chop(1);
        name = name.trimmed();
    }
    return name;
}

QObject* createControl(const ControlRow& row, QWidget* container, QWidget* owner) {
    if (row.kind == Kind::Timer) {
        auto* timer = new QTimer(owner);
        timer->setObjectName(objectNameFor(row));
        timer->setInterval(Form.timerIntervalMs);
        return timer;
    }
    QWidget* widget = createWidget(row, container);
    widget->setObjectName(objectNameFor(row));
    widget->setGeometry(pixelGeometry(row));
    if (row.labelledByLabel1) {
        if (const auto* label = findControl(Control::Label1, *row.labelledByLabel1)) {
            widget->setAccessibleName(nameFromCaption(label->caption));
        }
    }
    return widget;
}

}  // namespace tqv::window::qt
