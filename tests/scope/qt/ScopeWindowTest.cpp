// The scope beside the real Qt panel, with the scripted card: F2 opens it, Pause
// freezes it while the ring moves on, it leaves the card's calls exactly as they
// were, and a failed save leaves no file behind.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "app/FormWiring.h"
#include "app/ScopeAttachment.h"
#include "scope/qt/ScopeView.h"
#include "scope/qt/ScopeWindow.h"
#include "tests/support/FakeCard.h"
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
    card::DllDef dll;
    window::FormState form;
    test::FakeCard card;
    window::qt::QtFormWindow ui;
    window::FormContext ctx{dll, form, card, ui};
    app::FormWiring wiring{ctx};
    std::unique_ptr<app::ScopeAttachment> attachment =
        std::make_unique<app::ScopeAttachment>(ui, wiring, dll);

    QtPanel() {
        ui.timer()->setInterval(std::chrono::hours(24));
        ui.setEvents(&wiring);
        wiring.raise(Control::FrmMultiBuf, window::Event::Load);
        ui.show();
    }
    scope::qt::ScopeWindow& scope() const { return attachment->scope(); }
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

// One scripted session; the card's calls as it recorded them.
std::vector<std::string> session(bool withScope) {
    QtPanel panel;
    if (withScope && !panel.pressF2()) return {"the scope did not open"};
    panel.click(Control::cmdStart);
    panel.deliver(2);
    panel.deliver(0);
    panel.deliver(3);
    panel.click(Control::cmdStop);
    panel.deliver(0);
    if (withScope && panel.scope().model().scanCount() != 5 * 300) return {"the scope saw no ring"};
    return panel.card.calls;
}

}  // namespace

class ScopeWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theCardCallsAreTheSameWithTheScopeOpen() {
        const auto without = session(false);
        const auto with = session(true);
        QVERIFY(without.size() > 10);
        QCOMPARE(with, without);
    }

    void f2OpensTheScopeAndPauseFreezesItOverTwoTicks() {
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
        QVERIFY(scope.paused());
        const QImage frozen = scope.view()->grab().toImage();
        panel.deliver(2);
        panel.deliver(1);
        QCOMPARE(panel.dll.StoredBlocks, 4);
        QCOMPARE(scope.model().scanCount(), 300);
        QCOMPARE(scope.view()->grab().toImage(), frozen);

        auto* pause = scope.findChild<QPushButton*>(QStringLiteral("scopePause"));
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(!scope.paused());
        QCOMPARE(scope.model().scanCount(), 4 * 300);
        QVERIFY(scope.view()->grab().toImage() != frozen);

        // Closing the scope leaves the panel; closing the panel takes the scope along.
        scope.close();
        QVERIFY(panel.ui.isVisible());
        QVERIFY(panel.pressF2());
        panel.ui.close();
        QVERIFY(!scope.isVisible());
    }

    void tabReachesEveryButtonAndEachHasAName() {
        QtPanel panel;
        QVERIFY(panel.pressF2());
        auto& scope = panel.scope();
        QVERIFY(QTest::qWaitForWindowActive(&scope));
        const auto buttons = scope.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 7);  // Pause, four fits, two saves
        QSet<QWidget*> reached;
        for (int i = 0; i < 2 * buttons.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached.insert(QApplication::focusWidget());
        }
        for (QPushButton* button : buttons) {
            QVERIFY2(reached.contains(button), qPrintable(button->objectName()));
            QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
        }
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
        rlimit small = before;
        small.rlim_cur = 16 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = panel.scope().saveCsv(path);
        setrlimit(RLIMIT_FSIZE, &before);

        QVERIFY(!saved);
        QVERIFY(
            QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QVERIFY(panel.scope().statusText().startsWith(QStringLiteral("Not saved: ")));
        QVERIFY(panel.scope().statusText().contains(QStringLiteral("ring.csv")));

        QVERIFY(panel.scope().saveCsv(path));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readLine(), QByteArray("time_s,ch0,ch1,ch2,ch3\n"));
        QCOMPARE(written.readAll().count('\n'), 20 * 300);
    }
#endif
};

QTEST_MAIN(ScopeWindowTest)
#include "ScopeWindowTest.moc"
