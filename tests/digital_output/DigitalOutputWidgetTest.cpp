// What only the real window shows of the digital-output handlers: the channel box
// rewritten under the operator's fingers while the next key is still to come.
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "app/FormWiring.h"
#include "tests/support/FakeCard.h"
#include "tests/support/FindControl.h"
#include "tests/support/ManualClock.h"
#include "window/qt/QtFormWindow.h"
#include "window/qt/UpDownControl.h"

using tqv::test::findControl;
using tqv::window::Control;

class DigitalOutputWidgetTest : public QObject {
    Q_OBJECT

    struct Panel {
        tqv::test::FakeCard card;
        tqv::test::ManualClock clock;
        tqv::session::CardSession session{card, clock};
        tqv::window::FormState form;
        tqv::window::qt::QtFormWindow window;
        tqv::window::FormContext ctx{session, form, window};
        tqv::app::FormWiring wiring{ctx};
    };

private slots:
    void typingKeyByKeyIsBoundedAsItGoesAndMovesTheSpinner() {
        Panel panel;
        panel.window.setEvents(&panel.wiring);
        panel.wiring.raise(Control::FrmMultiBuf, tqv::window::Event::Load);
        panel.card.clearCalls();
        auto* box = findControl<QLineEdit>(&panel.window, "txtDOChn");
        auto* spinner = findControl<tqv::window::qt::UpDownControl>(&panel.window, "UpDownBitNum");

        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("40"));
        // "4" becomes " 4"; the "0" typed after it makes " 40", bounded to " 16".
        QCOMPARE(box->text(), QStringLiteral(" 16"));
        QCOMPARE(spinner->value(), 16);
        // The spinner's arrow writes the value it has just taken.
        QTest::mouseClick(spinner->downButton(), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral(" 15"));

        QTest::mouseDClick(findControl<QLineEdit>(&panel.window, "txtDOValue"), Qt::LeftButton);
        QCOMPARE(panel.window.text(Control::txtDOValue), std::string(" 1"));
        QVERIFY(panel.card.calls.empty());
        panel.window.setEvents(nullptr);
    }
};

QTEST_MAIN(DigitalOutputWidgetTest)
#include "DigitalOutputWidgetTest.moc"
