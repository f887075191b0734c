#include "window/qt/UpDownAccessible.h"

#include <QString>

namespace tqv::window::qt {

UpDownAccessible::UpDownAccessible(UpDownControl* control)
    : QAccessibleWidget(control, QAccessible::SpinBox) {}

UpDownControl* UpDownAccessible::control() const { return static_cast<UpDownControl*>(widget()); }

void* UpDownAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString UpDownAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return QString::number(control()->value());
    return QAccessibleWidget::text(t);
}

QVariant UpDownAccessible::currentValue() const { return control()->value(); }

void UpDownAccessible::setCurrentValue(const QVariant& value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok) control()->setValue(number);
}

QVariant UpDownAccessible::maximumValue() const { return control()->maximum(); }

QVariant UpDownAccessible::minimumValue() const { return control()->minimum(); }

QVariant UpDownAccessible::minimumStepSize() const { return control()->singleStep(); }

QStringList UpDownAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    names << increaseAction() << decreaseAction();
    return names;
}

void UpDownAccessible::doAction(const QString& actionName) {
    if (!control()->isEnabled()) return;
    if (actionName == increaseAction()) {
        control()->stepBy(1);
    } else if (actionName == decreaseAction()) {
        control()->stepBy(-1);
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QStringList UpDownAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == increaseAction()) return {QStringLiteral("Up")};
    if (actionName == decreaseAction()) return {QStringLiteral("Down")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

namespace {

QAccessibleInterface* upDownFactory(const QString& className, QObject* object) {
    if (className != QLatin1String(UpDownControl::staticMetaObject.className())) return nullptr;
    auto* control = qobject_cast<UpDownControl*>(object);
    return control != nullptr ? new UpDownAccessible(control) : nullptr;
}

}  // namespace

void installUpDownAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(upDownFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace tqv::window::qt
