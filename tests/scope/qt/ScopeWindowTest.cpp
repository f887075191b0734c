// The scope beside the real Qt panel on the scripted card: F2 opens it, Pause freezes it,
// the card sees the same calls as without it, and a failed save leaves no file behind.
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
#include "tests/support/FakeCard.h"
#include "tests/support/FindControl.h"
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
    app::ScopeAttachment attachment{ui, wiring, dll};

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
        QCOMPARE(panel.dll.StoredBlocks, 4);
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
