// The digital-output handlers on the real Qt window, driven with the mouse and the
// keyboard; a scripted card records what reaches it.
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/FormWiring.h"
#include "tests/support/FakeCard.h"
#include "window/qt/QtFormWindow.h"
#include "window/qt/UpDownControl.h"

using tqv::window::Control;
using tqv::window::qt::UpDownControl;

class DigitalOutputWidgetTest : public QObject {
    Q_OBJECT

private:
    struct Panel {
        tqv::card::DllDef dll;
        tqv::window::FormState form;
        tqv::test::FakeCard card;
        tqv::window::qt::QtFormWindow window;
        tqv::window::FormContext ctx{dll, form, card, window};
        tqv::app::FormWiring wiring{ctx};
    };
    std::unique_ptr<Panel> m_panel;

    template <typename T>
    T* control(const char* name) const {
        auto* found = m_panel->window.findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) qFatal("no control %s", name);
        return found;
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    UpDownControl* spinner() const { return control<UpDownControl>("UpDownBitNum"); }
    void retype(const char* name, const QString& text) {
        box(name)->selectAll();
        QTest::keyClicks(box(name), text);
    }
    std::vector<std::string> calls() const { return m_panel->card.calls; }

private slots:
    void init() {
        m_panel = std::make_unique<Panel>();
        m_panel->window.setEvents(&m_panel->wiring);
        m_panel->wiring.raise(Control::FrmMultiBuf, tqv::window::Event::Load);
        m_panel->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_panel->window));
        m_panel->card.clearCalls();
    }
    void cleanup() { m_panel.reset(); }

    void typingIntoTheChannelBoxBoundsItAndMovesTheSpinner() {
        retype("txtDOChn", QStringLiteral("40"));
        // "4" becomes " 4"; the typed "0" after it makes " 40", bounded to " 16".
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 16"));
        QCOMPARE(spinner()->value(), 16);

        retype("txtDOChn", QStringLiteral("abc"));
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 1"));
        QCOMPARE(spinner()->value(), 1);
        QVERIFY(calls().empty());
    }

    void theSpinnersArrowsAndArrowKeysStepTheChannel() {
        QTest::mouseClick(spinner()->upButton(), Qt::LeftButton);
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 2"));
        spinner()->setFocus();
        QTest::keyClick(spinner(), Qt::Key_Up);
        QTest::keyClick(spinner(), Qt::Key_Up);
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 4"));
        QTest::keyClick(spinner(), Qt::Key_Down);
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 3"));
        QCOMPARE(spinner()->value(), 3);

        for (int i = 0; i < 20; ++i) QTest::mouseClick(spinner()->upButton(), Qt::LeftButton);
        QCOMPARE(box("txtDOChn")->text(), QStringLiteral(" 16"));
        QCOMPARE(spinner()->value(), 16);
    }

    void doubleClickTogglesTheValueWithoutSending() {
        QTest::mouseDClick(box("txtDOValue"), Qt::LeftButton);
        QCOMPARE(box("txtDOValue")->text(), QStringLiteral(" 1"));
        QTest::mouseDClick(box("txtDOValue"), Qt::LeftButton);
        QCOMPARE(box("txtDOValue")->text(), QStringLiteral(" 0"));
        QVERIFY(calls().empty());
    }

    void theBitOutputButtonSendsTheChosenBit() {
        QTest::mouseClick(control<QPushButton>("cmdDOOutput"), Qt::LeftButton);
        QCOMPARE(calls(), std::vector<std::string>{"Tqv_DOBit 0 0 -> 1"});

        retype("txtDOChn", QStringLiteral("16"));
        retype("txtDOValue", QStringLiteral("0.6"));
        QTest::mouseClick(control<QPushButton>("cmdDOOutput"), Qt::LeftButton);
        QCOMPARE(calls().back(), std::string("Tqv_DOBit 15 1 -> 1"));
        QCOMPARE(box("txtDOValue")->text(), QStringLiteral(" 1"));
    }

    void theByteOutputButtonSendsThePortAndByteAndLeavesTheBoxes() {
        retype("txtswChn", QStringLiteral("7"));
        retype("txtSWO_0", QStringLiteral("1FF"));
        QTest::mouseClick(control<QPushButton>("cmdSWO"), Qt::LeftButton);
        QCOMPARE(calls(), std::vector<std::string>{"Tqv_DO 1 255 -> 1"});
        QCOMPARE(box("txtswChn")->text(), QStringLiteral("7"));
        QCOMPARE(box("txtSWO_0")->text(), QStringLiteral("1FF"));
    }

    void theKeyboardAloneCanSendAByte() {
        control<QPushButton>("cmdSWO")->setFocus();
        QTest::keyClick(control<QPushButton>("cmdSWO"), Qt::Key_Space);
        QCOMPARE(calls(), std::vector<std::string>{"Tqv_DO 0 0 -> 1"});
    }
};

QTEST_MAIN(DigitalOutputWidgetTest)
#include "DigitalOutputWidgetTest.moc"
