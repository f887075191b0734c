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

QWidget* createFrame(const ControlSpec& spec, QWidget* container) {
    auto* frame = new QGroupBox(toQString(spec.caption), container);
    frame->setFocusPolicy(Qt::NoFocus);
    return frame;
}

QWidget* createButton(const ControlSpec& spec, QWidget* container) {
    auto* button = new QPushButton(toQString(spec.caption), container);
    // Enter and Escape must press nothing: no button is ever the default one.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QWidget* createTextBox(const ControlSpec& spec, QWidget* container) {
    if (spec.settings & MultiLine) {
        auto* edit = new QPlainTextEdit(container);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        // Tab walks on to the next control, as in the single-line boxes.
        edit->setTabChangesFocus(true);
        edit->setPlainText(toQString(spec.caption));
        return edit;
    }
    auto* edit = new QLineEdit(container);
    // The default limit of 32767 characters would cut a long pasted text short.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(toQString(spec.caption));
    return edit;
}

QWidget* createLabel(const ControlSpec& spec, QWidget* container) {
    auto* label = new QLabel(container);
    // Captions are shown as written: runs of spaces kept, nothing read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setFrameShape(QFrame::NoFrame);
    label->setMargin(0);
    label->setIndent(0);
    label->setText(toQString(spec.caption));
    if (spec.settings & OrangeBackground) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window,
                         QColor(Form.orange.red, Form.orange.green, Form.orange.blue));
        label->setPalette(palette);
        label->setAutoFillBackground(true);
    }
    if (spec.settings & OwnFont) label->setFont(requestedFont(Form.ownFont));
    return label;
}

QWidget* createCheckBox(const ControlSpec& spec, QWidget* container) {
    auto* box = new QCheckBox(toQString(spec.caption), container);
    box->setChecked((spec.settings & Checked) != 0);
    return box;
}

QWidget* createSpinner(QWidget* container) {
    auto* spinner = new UpDownControl(container);
    spinner->setRange(Form.spinnerMinimum, Form.spinnerMaximum);
    spinner->setSingleStep(Form.spinnerStep);
    spinner->setValue(Form.spinnerMinimum);
    return spinner;
}

QWidget* createWidget(const ControlSpec& spec, QWidget* container) {
    switch (spec.kind) {
        case Kind::Frame:
            return createFrame(spec, container);
        case Kind::Button:
            return createButton(spec, container);
        case Kind::TextBox:
            return createTextBox(spec, container);
        case Kind::Label:
            return createLabel(spec, container);
        case Kind::CheckBox:
            return createCheckBox(spec, container);
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

QRect pixelGeometry(const ControlSpec& spec) {
    return {twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
            twipsToPixels(spec.height)};
}

QString objectNameFor(const ControlSpec& spec) {
    QString name = toQString(controlName(spec.name));
    if (spec.index >= 0) name += QLatin1Char('_') + QString::number(spec.index);
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

QObject* createControl(const ControlSpec& spec, QWidget* container, QWidget* owner) {
    if (spec.kind == Kind::Timer) {
        auto* timer = new QTimer(owner);
        timer->setObjectName(objectNameFor(spec));
        timer->setInterval(Form.timerIntervalMs);
        return timer;
    }
    QWidget* widget = createWidget(spec, container);
    widget->setObjectName(objectNameFor(spec));
    widget->setGeometry(pixelGeometry(spec));
    if (spec.labelledByLabel1) {
        if (const auto* label = findControl(Control::Label1, *spec.labelledByLabel1)) {
            widget->setAccessibleName(nameFromCaption(label->caption));
        }
    }
    return widget;
}

}  // namespace tqv::window::qt
