// The program put together, in this process: with the simulated card beside the test
// it opens, runs and ends on a termination request with the card stopped once.
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <filesystem>
#include <string>

#include "app/PanelApplication.h"
#include "tests/card/sim/SimProbes.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::PanelApplication;

namespace {

// The simulated card writes every call to this file (set by the test's environment).
std::string tracePath() { return qEnvironmentVariable("ADCARD_SIM_TRACE").toStdString(); }

}  // namespace

class PanelApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!tracePath().empty(), "ADCARD_SIM_TRACE must name the trace file");
        std::filesystem::remove(tracePath());
    }

    void withTheSimulatedCardTheWindowOpensRunsAndEndsOnATerminationRequest() {
        PanelApplication panel;
        QVERIFY2(panel.open(), panel.loadError() ? panel.loadError()->c_str() : "");
        auto* window = panel.window();
        QVERIFY(window->isVisible());
        auto* cardInfo = window->findChild<QLabel*>(QStringLiteral("lblCardInfo"));
        QCOMPARE(cardInfo->text(), QStringLiteral("卡名: 5200 类型: 1"));
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("cmdStop"))->isEnabled());

        window->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
        auto* blocks = window->findChild<QLabel*>(QStringLiteral("lblBlock"));
        QTRY_VERIFY_WITH_TIMEOUT(blocks->text() != QStringLiteral("Label2"), 10000);
        QVERIFY(!blocks->text().startsWith(QStringLiteral("Error")));
        QVERIFY(window->findChild<QPushButton*>(QStringLiteral("cmdStop"))->isEnabled());

        std::raise(SIGTERM);
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(window->unloaded());

        // After the start, exactly one StopIntr: the one of Unload.
        const auto lines = tqv::test::traceLines(tracePath());
        const auto start = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.rfind("StartIntr", 0) == 0;
        });
        QVERIFY(start != lines.end());
        const auto stops = std::count_if(start, lines.end(), [](const std::string& line) {
            return line.rfind("StopIntr", 0) == 0;
        });
        QCOMPARE(stops, 1);
    }
};

QTEST_MAIN(PanelApplicationTest)
#include "PanelApplicationTest.moc"
