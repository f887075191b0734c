// The scope beside the real Qt panel on the scripted card: F2 opens it, Pause freezes it,
// the card sees the same calls as without it, and a failed save leaves no file behind.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "app/FormWiring.h"
#include "app/ScopeAttachment.h"
#include "scope/ScopeCsv.h"
#include "scope/qt/ScopeView.h"
#include "scope/qt/ScopeWindow.h"
#include "scope/qt/TriggerBar.h"
#include "tests/support/FakeCard.h"
#include "tests/support/FindControl.h"
#include "tests/support/ManualClock.h"
#include "window/FormContext.h"
#include "window/qt/QtFormWindow.h"

#if defined(__unix__)
#include <sys/resource.h>
#endif

using namespace tqv;
using window::Control;

namespace {

// The real window and wiring on the scripted card, the scope attached as the
// program attaches it. Ticks come only when the test raises them.
struct QtPanel {
    test::FakeCard card;
    test::ManualClock clock;
    session::CardSession session{card, clock};
    window::FormState form;
    window::qt::QtFormWindow ui;
    window::FormContext ctx{session, form, ui};
    app::FormWiring wiring{ctx};
    app::ScopeAttachment attachment{ui, session};

    QtPanel() {
        ui.timer()->setInterval(std::chrono::hours(24));
        ui.setEvents(&wiring);
        wiring.raise(Control::FrmMultiBuf, window::Event::Load);
        ui.show();
    }
    scope::qt::ScopeWindow& scope() const { return attachment.scope(); }
    void click(Control button) { wiring.raise(button, window::Event::Click); }
    void deliver(int16_t blocks) {
        card.queryResults.push_back(blocks);
        wiring.raise(Control::TimerAD, window::Event::Timer);
    }
    bool pressF2() {
        ui.activateWindow();
        if (!QTest::qWaitForWindowActive(&ui)) return false;
        QTest::keyClick(&ui, Qt::Key_F2);
        return scope().isVisible();
    }
};

}  // namespace

class ScopeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void f2OpensTheScopeAndPauseFreezesItOverTwoTicksLeavingTheCardCallsAlone() {
        const std::vector<std::string> withoutScope = [] {
            QtPanel plain;
            plain.click(Control::cmdStart);
            for (const int blocks : {1, 2, 1}) plain.deliver(static_cast<int16_t>(blocks));
            plain.click(Control::cmdStop);
            return plain.card.calls;
        }();
        QtPanel panel;
        QVERIFY(!panel.scope().isVisible());
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        QVERIFY(QTest::qWaitForWindowExposed(&scope));
        panel.click(Control::cmdStart);
        panel.deliver(1);
        QCOMPARE(scope.model().scanCount(), 300);

        scope.view()->setFocus();
        QTest::keyClick(scope.view(), Qt::Key_Space);
        const QImage frozen = scope.view()->grab().toImage();
        panel.deliver(2);
        panel.deliver(1);
        QCOMPARE(panel.session.blocks().storedSinceRecreated(), 4);
        QCOMPARE(scope.model().scanCount(), 300);
        QCOMPARE(scope.view()->grab().toImage(), frozen);

        QTest::mouseClick(test::findControl<QPushButton>(&scope, "scopePause"), Qt::LeftButton);
        QCOMPARE(scope.model().scanCount(), 4 * 300);
        QVERIFY(scope.view()->grab().toImage() != frozen);
        panel.click(Control::cmdStop);
        QCOMPARE(panel.card.calls, withoutScope);

        // Closing the scope leaves the panel; closing the panel takes the scope along.
        scope.close();
        QVERIFY(panel.ui.isVisible());
        QVERIFY(panel.pressF2());
        panel.ui.close();
        QVERIFY(!scope.isVisible());
    }

    // An operator's way through the trigger row: every control reached with Tab and
    // named; a 2 ms span triggered on a 250 Hz triangle shows its edge in the middle,
    // the lane header its frequency, and the CSV's times run from the trigger point.
    void theTriggerRowSetsATriggeredSpanThatTheHeaderAndCsvFollow() {
        QtPanel panel;
        int64_t scan = 0;
        panel.card.fillBlock = [&scan](int16_t* block) {
            for (int i = 0; i < 300; ++i, ++scan) {
                const int64_t p = scan % 40;
                block[1 + 4 * i] = static_cast<int16_t>(p < 20 ? p * 10 : 400 - p * 10);
                block[2 + 4 * i] = block[3 + 4 * i] = block[4 + 4 * i] = 5;
            }
        };
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        panel.click(Control::cmdStart);
        panel.deliver(20);

        scope.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&scope));
        QStringList reached;
        auto* span = test::findControl<QComboBox>(&scope, "scopeSpan");
        span->setFocus();
        for (int i = 0; i < 8 && QApplication::focusWidget(); ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY2(!focused->accessibleName().isEmpty(), qPrintable(focused->objectName()));
            reached << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(reached, QStringList({"scopeSpan", "scopeTriggerMode", "scopeTriggerSource",
                                       "scopeTriggerSlope", "scopeTriggerLevel",
                                       "scopeTriggerPosition", "scopeTriggerRearm", "scopeView"}));
        QVERIFY2(scope.view()->headerText(0).contains("250.00 Hz   4.00 ms   pk-pk 200"),
                 qPrintable(scope.view()->headerText(0)));

        span->setCurrentIndex(span->findData(2));
        auto* mode = test::findControl<QComboBox>(&scope, "scopeTriggerMode");
        mode->setCurrentIndex(mode->findData(static_cast<int>(scope::TriggerMode::Normal)));
        QCOMPARE(scope.model().scanCount(), 20);
        QCOMPARE(scope.model().triggerScan(), std::optional<int64_t>(10));
        QCOMPARE(scope.model().triggerLevel(), std::optional<int>(100));
        // Half a period shown: no frequency.
        QVERIFY2(scope.view()->headerText(0).contains(QString::fromUtf8("\u2014 Hz")),
                 qPrintable(scope.view()->headerText(0)));
        const std::string csv = scope::csvText(scope.model());
        QVERIFY2(csv.starts_with("time_s,ch0,ch1,ch2,ch3\n-0.001,"), csv.c_str());
        QVERIFY(csv.find("\n0,") != std::string::npos);
    }

    // Ctrl+R presses Record… and, once the button reads "Stop recording", presses that.
    void ctrlRPressesTheRecordButtonBeforeAndDuringARecording() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        scope.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&scope));
        QSignalSpy pressed(&scope, &scope::qt::ScopeWindow::recordPressed);
        QTest::keyClick(&scope, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(pressed.count(), 1);
        scope.setRecording(true);
        QTest::keyClick(scope.view(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(pressed.count(), 2);
        scope.setRecording(false);
        QTest::keyClick(&scope, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(pressed.count(), 3);
    }

#if defined(__unix__)
    void aFailedSaveLeavesNoFileAndSaysWhy() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        panel.click(Control::cmdStart);
        panel.deliver(20);  // a CSV of some 170 kB
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("ring.csv"));

        // As a full disk would: no file may grow past 16 kB.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit small{16 * 1024, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = panel.scope().saveCsv(path);
        setrlimit(RLIMIT_FSIZE, &before);

        QVERIFY(!saved);
        QVERIFY(
            QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        const QString status = panel.scope().statusText();
        QVERIFY2(status.startsWith("Not saved: ") && status.contains("ring.csv"),
                 qPrintable(status));

        QVERIFY(panel.scope().saveCsv(path));
        QVERIFY2(panel.scope().statusText().startsWith("Saved 6000 scans to "),
                 qPrintable(panel.scope().statusText()));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().toStdString(), scope::csvText(panel.scope().model()));
    }
#endif
};

QTEST_MAIN(ScopeWindowTest)
#include "ScopeWindowTest.moc"
