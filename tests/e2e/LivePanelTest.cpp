// The real window on the real simulated card: the readouts follow the card's scan
// counter and freeze on stop, and outputs typed into the window come back on the
// looped-back inputs.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "app/PanelApplication.h"
#include "tests/support/FindControl.h"
#include "text/TextConversions.h"
#include "window/qt/QtFormWindow.h"

class LivePanelTest : public QObject {
    Q_OBJECT

private:
    tqv::app::PanelApplication m_panel;

    template <typename T>
    T* control(const char* name) const { return tqv::test::findControl<T>(m_panel.window(), name); }
    QString caption(const char* name) const { return control<QLabel>(name)->text(); }
    void type(const char* box, const char* text) {
        control<QLineEdit>(box)->selectAll();
        QTest::keyClicks(control<QLineEdit>(box), QString::fromLatin1(text));
    }

private slots:
    void initTestCase() { QVERIFY(m_panel.open()); }

    void readoutsFollowTheScanCounterAndFreezeOnStop() {
        QTest::mouseClick(control<QPushButton>("cmdStart"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(caption("lblBlock").trimmed().toInt() >= 25, 20000);
        // One tick wrote all captions, and this start's blocks all arrived.
        const int blocks = caption("lblBlock").trimmed().toInt();
        QCOMPARE(caption("lblptr"), QStringLiteral(" %1").arg((blocks % 20) * 1200));
        QCOMPARE(caption("lblAD_3"), QString::fromStdString(tqv::text::hexText((blocks * 300 - 1) % 65536)));

        QTest::mouseClick(control<QPushButton>("cmdStop"), Qt::LeftButton);
        const QString frozen = caption("lblBlock") + caption("lblptr") + caption("lblAD_0");
        QSignalSpy ticks(m_panel.window()->timer(), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 5000);
        QCOMPARE(caption("lblBlock") + caption("lblptr") + caption("lblAD_0"), frozen);
    }

    void typedOutputsComeBackOnTheInputs() {
        QTest::mouseClick(control<QPushButton>("cmdStart"), Qt::LeftButton);
        type("txtDOChn", "6");
        QTest::mouseDClick(control<QLineEdit>("txtDOValue"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>("cmdDOOutput"), Qt::LeftButton);
        type("txtswChn", "1");
        type("txtSWO_0", "A5");
        QTest::mouseClick(control<QPushButton>("cmdSWO"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(caption("lblDI_0"), QStringLiteral("20      0   0   1   0   0   0   0   0"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(caption("lblDI_1"), QStringLiteral("A5      1   0   1   0   0   1   0   1"), 5000);
    }
};

QTEST_MAIN(LivePanelTest)
#include "LivePanelTest.moc"
