// The scope beside the real Qt panel on the scripted card: F2 opens it, Pause freezes it,
// the card sees the same calls as without it, and a failed save leaves no file behind.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "app/FormWiring.h"
#include "app/ScopeAttachment.h"
#include "channels/SetupFile.h"
#include "files/qt/QtFileNames.h"
#include "scope/ScopeCsv.h"
#include "scope/qt/ChannelsDialog.h"
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
    // A triangle of period 40 scans between 0 and 200 on channel 0, 5 on the others.
    void fillTriangles() {
        card.fillBlock = [this](int16_t* block) {
            for (int i = 0; i < 300; ++i, ++scan) {
                const int64_t p = scan % 40;
                block[1 + 4 * i] = static_cast<int16_t>(p < 20 ? p * 10 : 400 - p * 10);
                block[2 + 4 * i] = block[3 + 4 * i] = block[4 + 4 * i] = 5;
            }
        };
    }
    int64_t scan = 0;
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

    // Cursors on a live view: the readout's figures follow the samples, and the keys
    // move the active cursor one scan at a time.
    void cursorsReadTheSamplesTheyStandOn() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        panel.click(Control::cmdStart);
        panel.deliver(20);
        auto* button = test::findControl<QPushButton>(&scope, "scopeCursors");
        QCOMPARE(button->accessibleName(), QStringLiteral("Cursors"));
        auto* readout = test::findControl<QLabel>(&scope, "scopeCursorReadout");
        QVERIFY(!readout->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(readout->isVisible());
        QCOMPARE(readout->accessibleName(), QStringLiteral("Cursor readout"));
        // The whole ring, 600 ms: t1 at a quarter, t2 at three quarters.
        QVERIFY2(readout->text().startsWith(QString::fromUtf8(
                     "t1 150.0 ms   t2 450.0 ms   \u0394t 300.0 ms   1/\u0394t 3.333 Hz   Ch 0: ")),
                 qPrintable(readout->text()));
        scope.view()->setFocus();
        QTest::keyClick(scope.view(), Qt::Key_C);  // t2
        for (int i = 0; i < 3; ++i) QTest::keyClick(scope.view(), Qt::Key_Right);
        QVERIFY2(readout->text().contains(QString::fromUtf8("\u0394t 300.3 ms")),
                 qPrintable(readout->text()));
        panel.deliver(1);
        QVERIFY2(readout->text().contains(QString::fromUtf8("\u0394t 300.3 ms")),
                 qPrintable(readout->text()));
    }

    // Zoom and pan only where the view stands still; resuming shows the live span again.
    void theWheelZoomsAPausedViewAboutThePointer() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        auto* view = scope.view();
        panel.click(Control::cmdStart);
        panel.deliver(20);
        const QPointF middle = view->plotRect(0).center();
        const auto wheel = [&](Qt::KeyboardModifiers modifiers) {
            QWheelEvent event(middle, view->mapToGlobal(middle), QPoint(), QPoint(0, 120),
                              Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(view, &event);
        };
        wheel(Qt::NoModifier);
        // Live: no zoom.
        QVERIFY(view->timeWindow() == (scope::TimeWindow{0, 6000}));
        scope.setPaused(true);
        wheel(Qt::NoModifier);
        QVERIFY(view->timeWindow() == (scope::TimeWindow{600, 4800}));
        for (int i = 0; i < 20; ++i) wheel(Qt::NoModifier);
        QVERIFY(static_cast<double>(view->timeWindow().count) < view->plotRect(0).width());
        const auto before = view->laneRangeShown(0);
        wheel(Qt::ControlModifier);
        QVERIFY(view->laneRangeShown(0).high - view->laneRangeShown(0).low <
                before.high - before.low);
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, middle.toPoint());
        QTest::mouseMove(view, (middle + QPointF(-100, 0)).toPoint());
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier,
                            (middle + QPointF(-100, 0)).toPoint());
        const auto panned = view->timeWindow();
        QVERIFY(view->zoomed());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_0);
        QVERIFY(!view->zoomed());
        wheel(Qt::NoModifier);
        QVERIFY(view->zoomed());
        QVERIFY(panned.first > 0);
        scope.setPaused(false);
        QVERIFY(!view->zoomed());
    }

    // The readout next to the pointer stays inside the lane under it.
    void theHoverReadoutNeverCoversALanesTitle() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        panel.click(Control::cmdStart);
        panel.deliver(20);
        auto* view = scope.view();
        for (int lane = 0; lane < view->laneCount(); ++lane) {
            const QRectF plot = view->plotRect(lane);
            for (const QPointF at : {plot.bottomLeft() + QPointF(2, -1),
                                     plot.topRight() + QPointF(-2, 1), plot.center()}) {
                const QRectF box = view->readoutRect(at);
                QVERIFY2(!box.isEmpty() && plot.contains(box), qPrintable(view->readoutAt(at)));
            }
        }
        // Over a title: no readout.
        QVERIFY(view->readoutRect(QPointF(view->plotRect(0).center().x(), 1)).isEmpty());
    }

    // The level is typed in the source's unit and taken at Enter, not at each keystroke;
    // the state label follows the trigger.
    void theTriggerLevelIsTakenWhenItsEditingFinishesAndTheStateSaysWhatHappens() {
        QtPanel panel;
        panel.fillTriangles();
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Stopped"));
        auto* state = test::findControl<QLabel>(&scope, "scopeTriggerState");
        QCOMPARE(state->accessibleName(), QStringLiteral("Trigger state"));
        panel.click(Control::cmdStart);
        panel.deliver(20);
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Auto"));
        auto* mode = test::findControl<QComboBox>(&scope, "scopeTriggerMode");
        mode->setCurrentIndex(mode->findData(static_cast<int>(scope::TriggerMode::Normal)));
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Trig'd"));

        auto* level = test::findControl<QLineEdit>(&scope, "scopeTriggerLevel");
        level->setFocus();
        QTest::keyClicks(level, "150");
        QVERIFY2(!scope.model().trigger().level.has_value(), "taken at a keystroke");
        QTest::keyClick(level, Qt::Key_Return);
        QCOMPARE(scope.model().trigger().level, std::optional<int>(150));
        level->selectAll();
        QTest::keyClicks(level, "999");
        QTest::keyClick(level, Qt::Key_Return);
        panel.deliver(1);
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Armed"));
        QVERIFY2(
            scope.triggerBar()->levelNote().startsWith("Level outside Ch 0's samples (0 to 200)"),
            qPrintable(scope.triggerBar()->levelNote()));
        mode->setCurrentIndex(mode->findData(static_cast<int>(scope::TriggerMode::Single)));
        level->selectAll();
        QTest::keyClicks(level, "100");
        QTest::keyClick(level, Qt::Key_Return);
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Held"));
        scope.setPaused(true);
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Paused"));
        panel.click(Control::cmdStop);
        QCOMPARE(scope.triggerStateText(), QStringLiteral("Stopped"));
    }

    // Calibrating through Channels…: Take fills in the lane's mean code, Save writes the
    // file and the lanes read in the unit.
    void channelsTakesTheMeanCodeAndSaveAppliesTheUnit() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("setup/channels.json"));
        scope.setChannelSetup({}, files::qt::toPath(file));
        panel.click(Control::cmdStart);
        int16_t reference = 1000;
        panel.card.fillBlock = [&reference](int16_t* block) {
            for (int i = 0; i < 300; ++i) block[1 + 4 * i] = reference;
        };
        panel.deliver(20);
        scope.openChannelsDialog();
        auto* dialog = scope.channelsDialog();
        QVERIFY(dialog != nullptr);
        QTest::mouseClick(test::findControl<QPushButton>(dialog, "channel0Take1"), Qt::LeftButton);
        reference = 3000;
        panel.deliver(20);
        QTest::mouseClick(test::findControl<QPushButton>(dialog, "channel0Take2"), Qt::LeftButton);
        QCOMPARE(test::findControl<QLineEdit>(dialog, "channel0Code1")->text(),
                 QStringLiteral("1000"));
        QCOMPARE(test::findControl<QLineEdit>(dialog, "channel0Code2")->text(),
                 QStringLiteral("3000"));
        test::findControl<QLineEdit>(dialog, "channel0Value1")->setText("0");
        test::findControl<QLineEdit>(dialog, "channel0Value2")->setText("2");
        test::findControl<QLineEdit>(dialog, "channel0Name")->setText("Bridge");
        test::findControl<QLineEdit>(dialog, "channel0Unit")->setText("mV/V");
        QVERIFY(dialog->save());
        QVERIFY(scope.channelsDialog() == nullptr || !scope.channelsDialog()->isVisible());
        QVERIFY2(scope.view()->headerText(0).startsWith("Bridge   min 2.000 mV/V   max 2.000 mV/V"),
                 qPrintable(scope.view()->headerText(0)));
        auto read = channels::readSetup(files::qt::toPath(file));
        QVERIFY(std::holds_alternative<channels::ChannelSetup>(read));
        QCOMPARE(std::get<channels::ChannelSetup>(read).channel(0).unit, std::string("mV/V"));
    }

    // A dialog that refuses says why and keeps what was typed.
    void channelsRefusesTwoEqualCodes() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        QTemporaryDir folder;
        scope.setChannelSetup({}, files::qt::toPath(folder.filePath("channels.json")));
        scope.openChannelsDialog();
        auto* dialog = scope.channelsDialog();
        for (const char* box : {"channel1Code1", "channel1Code2"}) {
            test::findControl<QLineEdit>(dialog, box)->setText("448");
        }
        test::findControl<QLineEdit>(dialog, "channel1Value1")->setText("-5");
        test::findControl<QLineEdit>(dialog, "channel1Value2")->setText("5");
        QVERIFY(!dialog->save());
        QCOMPARE(
            dialog->problemText(),
            QStringLiteral("Ch 1: the two points have the same code (448): they give no line"));
        QVERIFY(!QFile::exists(folder.filePath("channels.json")));
    }

    // A card far faster than its start parameters ask for, and its losses, in the
    // status line once the clock has had a second.
    void theStatusLineSaysWhenTheCardIsOffPaceOrLosesBlocks() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        panel.click(Control::cmdStart);
        panel.deliver(20);
        // No judgement in the first second.
        QCOMPARE(scope.statusText(), QString());
        panel.clock.time += std::chrono::seconds(2);
        panel.deliver(30);
        // 50 blocks in 2 s where the clock allows 66.7: within the factor.
        QCOMPARE(scope.statusText(), QString());
        panel.deliver(50);
        panel.deliver(50);
        panel.deliver(20);
        // 170 blocks in 2 s where the clock allows 66.7, the card's queue full twice.
        QVERIFY2(scope.statusText().startsWith(
                     QString::fromUtf8("The card delivers about 2.5\u00d7 the blocks its start "
                                       "parameters ask for")),
                 qPrintable(scope.statusText()));
        QVERIFY2(scope.statusText().contains("losses since the start: "),
                 qPrintable(scope.statusText()));
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
