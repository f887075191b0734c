// The up-down control on its own: range, steps, keys, arrows and what assistive
// technology sees.
#include <QAccessible>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <limits>
#include <memory>

#include "window/qt/UpDownAccessible.h"
#include "window/qt/UpDownControl.h"

using tqv::window::qt::UpDownControl;

class UpDownControlTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<UpDownControl> m_control;

private slots:
    void initTestCase() { tqv::window::qt::installUpDownAccessibility(); }

    void init() {
        m_control = std::make_unique<UpDownControl>();
        m_control->setRange(1, 16);
        m_control->setValue(1);
        m_control->resize(16, 19);
        // A hidden widget gets its size only when shown, and places its arrows then.
        m_control->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_control.get()));
    }

    void cleanup() { m_control.reset(); }

    void valuesAreKeptWithinTheRangeWithoutWrapping() {
        QSignalSpy changes(m_control.get(), &UpDownControl::valueChanged);
        m_control->setValue(40);
        QCOMPARE(m_control->value(), 16);
        m_control->stepBy(1);
        QCOMPARE(m_control->value(), 16);
        m_control->setValue(-5);
        QCOMPARE(m_control->value(), 1);
        m_control->stepBy(-1);
        QCOMPARE(m_control->value(), 1);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(0).at(0).toInt(), 16);
        // A huge step saturates instead of overflowing.
        m_control->stepBy(std::numeric_limits<int>::max());
        QCOMPARE(m_control->value(), 16);
        m_control->stepBy(std::numeric_limits<int>::min());
        QCOMPARE(m_control->value(), 1);
        // A narrower range takes the value with it.
        m_control->setValue(12);
        m_control->setRange(1, 8);
        QCOMPARE(m_control->value(), 8);
    }

    void theArrowsAreUpOverDownAndTakeNoFocus() {
        QToolButton* up = m_control->upButton();
        QToolButton* down = m_control->downButton();
        QVERIFY(up->geometry().bottom() < down->geometry().top());
        QVERIFY(m_control->rect().contains(up->geometry()));
        QVERIFY(m_control->rect().contains(down->geometry()));
        QCOMPARE(up->focusPolicy(), Qt::NoFocus);
        QCOMPARE(down->focusPolicy(), Qt::NoFocus);
        QCOMPARE(m_control->focusPolicy(), Qt::StrongFocus);
    }

    void clickingTheArrowsSteps() {
        QSignalSpy changes(m_control.get(), &UpDownControl::valueChanged);
        QTest::mouseClick(m_control->upButton(), Qt::LeftButton);
        QTest::mouseClick(m_control->upButton(), Qt::LeftButton);
        QCOMPARE(m_control->value(), 3);
        QTest::mouseClick(m_control->downButton(), Qt::LeftButton);
        QCOMPARE(m_control->value(), 2);
        QCOMPARE(changes.count(), 3);
    }

    void anArrowThatCannotStepIsDisabled() {
        QVERIFY(!m_control->downButton()->isEnabled());
        QVERIFY(m_control->upButton()->isEnabled());
        m_control->setValue(15);
        QVERIFY(m_control->upButton()->isEnabled());
        m_control->setValue(16);
        QVERIFY(!m_control->upButton()->isEnabled());
        QVERIFY(m_control->downButton()->isEnabled());
    }

    void keysStep() {
        QTest::keyClick(m_control.get(), Qt::Key_Up);
        QCOMPARE(m_control->value(), 2);
        QTest::keyClick(m_control.get(), Qt::Key_Down);
        QCOMPARE(m_control->value(), 1);
        QTest::keyClick(m_control.get(), Qt::Key_PageUp);
        QCOMPARE(m_control->value(), 11);
        QTest::keyClick(m_control.get(), Qt::Key_End);
        QCOMPARE(m_control->value(), 16);
        QTest::keyClick(m_control.get(), Qt::Key_Home);
        QCOMPARE(m_control->value(), 1);
    }

    void otherKeysAreLeftToTheWindow() {
        QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(m_control.get(), &letter);
        QVERIFY(!letter.isAccepted());
        QCOMPARE(m_control->value(), 1);
    }

    void itIsASpinBoxWithValueAndActions() {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(m_control.get());
        QVERIFY(face != nullptr);
        QCOMPARE(face->role(), QAccessible::SpinBox);

        QAccessibleValueInterface* value = face->valueInterface();
        QVERIFY(value != nullptr);
        QCOMPARE(value->currentValue().toInt(), 1);
        QCOMPARE(value->minimumValue().toInt(), 1);
        QCOMPARE(value->maximumValue().toInt(), 16);
        QCOMPARE(value->minimumStepSize().toInt(), 1);
        value->setCurrentValue(7);
        QCOMPARE(m_control->value(), 7);
        QCOMPARE(face->text(QAccessible::Value), QStringLiteral("7"));

        QAccessibleActionInterface* actions = face->actionInterface();
        QVERIFY(actions != nullptr);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::decreaseAction()));
        actions->doAction(QAccessibleActionInterface::increaseAction());
        QCOMPARE(m_control->value(), 8);
        actions->doAction(QAccessibleActionInterface::decreaseAction());
        actions->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(m_control->value(), 6);
    }
};

QTEST_MAIN(UpDownControlTest)
#include "UpDownControlTest.moc"
