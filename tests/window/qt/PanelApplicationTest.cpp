// The program put together, in this process: without the card library it makes no
// window; with the simulated card beside the test it opens, runs and ends on a
// termination request with the card stopped once.
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/PanelApplication.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::PanelApplication;

namespace {

// The simulated card writes every call to this file (set by the test's environment).
std::filesystem::path tracePath() {
    return std::filesystem::path(qEnvironmentVariable("ADCARD_SIM_TRACE").toStdString());
}

std::vector<std::string> traceLines() {
    std::vector<std::string> lines;
    std::ifstream trace(tracePath());
    for (std::string line; std::getline(trace, line);) lines.push_back(line);
    return lines;
}

bool anyWindowVisible() {
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) return true;
    }
    return false;
}

}  // namespace

class PanelApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(!tracePath().empty(), "ADCARD_SIM_TRACE must name the trace file");
        std::filesystem::remove(tracePath());
    }

    void withoutTheCardLibraryNoWindowIsMade() {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        const std::filesystem::path place = empty.path().toStdString();
        PanelApplication panel({{place / "libadcard.so", tqv::card::PlaceKind::ProgramFolder}});

        QVERIFY(!panel.open());
        QVERIFY(panel.window() == nullptr);
        QVERIFY(!anyWindowVisible());
        QVERIFY(panel.loadError().has_value());
        QVERIFY(panel.loadError()->find("libadcard.so") != std::string::npos);
        QVERIFY(panel.loadError()->find(place.string()) != std::string::npos);
        QVERIFY(!std::filesystem::exists(tracePath()));  // nothing reached a card
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
        const auto lines = traceLines();
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
