// What assistive technology sees of an up-down control: a spin box with a value,
// its range and step, and increase/decrease actions.
#pragma once

#include <QAccessibleWidget>

#include "window/qt/UpDownControl.h"

namespace tqv::window::qt {

class UpDownAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit UpDownAccessible(UpDownControl* control);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    // QAccessibleValueInterface
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    // QAccessibleActionInterface (through QAccessibleWidget)
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    UpDownControl* control() const;
};

// Makes every UpDownControl answer with an UpDownAccessible. Safe to call more
// than once.
void installUpDownAccessibility();

}  // namespace tqv::window::qt
