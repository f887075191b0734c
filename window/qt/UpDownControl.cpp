#include "window/qt/UpDownControl.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>
#include <algorithm>

namespace tqv::window::qt {

namespace {

// Room left around the arrows for the focus rectangle: the buttons would hide it.
constexpr int FocusMargin = 1;

QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    // The control itself takes the focus and the keys; the arrows are for the mouse.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIconSize(QSize(6, 6));
    return button;
}

}  // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent),
      m_up(arrowButton(Qt::UpArrow, this)),
      m_down(arrowButton(Qt::DownArrow, this)) {
    setFocusPolicy(Qt::StrongFocus);
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    m_up->setAccessibleName(tr("Up"));
    m_down->setAccessibleName(tr("Down"));
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    placeButtons();
    updateButtons();
}

void UpDownControl::setRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    setValue(m_value);
    updateButtons();
}

void UpDownControl::setSingleStep(int step) { m_step = std::max(1, step); }

void UpDownControl::setValue(int value) {
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value) return;
    m_value = value;
    updateButtons();
    QAccessibleValueChangeEvent accessibleEvent(this, m_value);
    QAccessible::updateAccessibility(&accessibleEvent);
    emit valueChanged(m_value);
}

void UpDownControl::stepBy(int steps) {
    // In 64 bits so that a large step count saturates instead of overflowing.
    const long long target =
        static_cast<long long>(m_value) + static_cast<long long>(steps) * m_step;
    setValue(static_cast<int>(std::clamp<long long>(target, m_minimum, m_maximum)));
}

QSize UpDownControl::sizeHint() const { return {16, 20}; }

void UpDownControl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            stepBy(1);
            break;
        case Qt::Key_Down:
            stepBy(-1);
            break;
        case Qt::Key_PageUp:
            stepBy(10);
            break;
        case Qt::Key_PageDown:
            stepBy(-10);
            break;
        case Qt::Key_Home:
            setValue(m_minimum);
            break;
        case Qt::Key_End:
            setValue(m_maximum);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void UpDownControl::paintEvent(QPaintEvent* /*event*/) {
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeButtons();
}

void UpDownControl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void UpDownControl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void UpDownControl::placeButtons() {
    const QRect inner = rect().adjusted(FocusMargin, FocusMargin, -FocusMargin, -FocusMargin);
    const int upHeight = inner.height() / 2;
    m_up->setGeometry(inner.left(), inner.top(), inner.width(), upHeight);
    m_down->setGeometry(inner.left(), inner.top() + upHeight, inner.width(),
                        inner.height() - upHeight);
}

void UpDownControl::updateButtons() {
    m_up->setEnabled(m_value < m_maximum);
    m_down->setEnabled(m_value > m_minimum);
}

}  // namespace tqv::window::qt
