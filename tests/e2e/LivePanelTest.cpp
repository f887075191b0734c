// The real window and the real simulated card through the production binding, as
// an operator sees them: start makes the readouts move in step with the card's
// scan counter, stop freezes them, and outputs come back on the looped-back inputs.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <string>

#include "app/PanelApplication.h"
#include "text/TextConversions.h"
#include "window/qt/QtFormWindow.h"

using tqv::app::PanelApplication;

namespace {

constexpr int kScansPerBlock = 300;
constexpr int kRingSamples = 20 * 1200;

std::vector<std::string> traceLines() {
    std::vector<std::string> lines;
    std::ifstream trace(qEnvironmentVariable("ADCARD_SIM_TRACE").toStdString());
    for (std::string line; std::getline(trace, line);) lines.push_back(line);
    return lines;
}

bool traced(const std::string& line) {
    const auto lines = traceLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

class LivePanelTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    T* control(const char* name) const {
        auto* found = m_panel->window()->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) qFatal("no control %s", name);
        return found;
    }
    QString caption(const char* name) const { return control<QLabel>(name)->text(); }
    int blocksShown() const { return caption("lblBlock").trimmed().toInt(); }
    void type(const char* box, const QString& text) {
        auto* edit = control<QLineEdit>(box);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<PanelApplication> m_panel;

private slots:
    void init() {
        m_panel = std::make_unique<PanelApplication>();
        QVERIFY(m_panel->open());
        QCOMPARE(caption("lblCardInfo"), QStringLiteral("卡名: 5200 类型: 1"));
    }
    void cleanup() { m_panel.reset(); }

    void startMakesTheReadoutsFollowTheScanCounterAndStopFreezesThem() {
        QTest::mouseClick(control<QPushButton>("cmdStart"), Qt::LeftButton);
        QVERIFY(!control<QPushButton>("cmdStart")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(blocksShown() >= 25, 10000);

        // One tick wrote all captions; every block of this first start was delivered.
        const int blocks = blocksShown();
        QCOMPARE(caption("lblptr"), QStringLiteral(" %1").arg((blocks % 20) * 1200));
        const auto lastScan = static_cast<int32_t>((blocks * kScansPerBlock - 1) % 65536);
        QCOMPARE(caption("lblAD_3"), QString::fromStdString(tqv::text::hexText(lastScan)));
        QVERIFY(caption("lblDI").split(' ').size() == 6);
        QVERIFY(control<QPlainTextEdit>("txtInfo")->toPlainText().startsWith("Sample Information:"));
        QVERIFY(caption("lblptr").trimmed().toInt() < kRingSamples);

        QTest::mouseClick(control<QPushButton>("cmdStop"), Qt::LeftButton);
        QVERIFY(control<QPushButton>("cmdStart")->isEnabled());
        const QString block = caption("lblBlock");
        const QString ptr = caption("lblptr");
        const QString channel = caption("lblAD_0");
        QSignalSpy ticks(m_panel->window()->timer(), &QTimer::timeout);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, 5000);
        QCOMPARE(caption("lblBlock"), block);
        QCOMPARE(caption("lblptr"), ptr);
        QCOMPARE(caption("lblAD_0"), channel);
    }

    void outputsComeBackOnTheLoopedBackInputs() {
        QTest::mouseClick(control<QPushButton>("cmdStart"), Qt::LeftButton);

        type("txtDOChn", QStringLiteral("6"));
        QCOMPARE(control<QLineEdit>("txtDOChn")->text(), QStringLiteral(" 6"));
        QTest::mouseDClick(control<QLineEdit>("txtDOValue"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>("txtDOValue")->text(), QStringLiteral(" 1"));
        QTest::mouseClick(control<QPushButton>("cmdDOOutput"), Qt::LeftButton);

        type("txtswChn", QStringLiteral("1"));
        type("txtSWO_0", QStringLiteral("A5"));
        QTest::mouseClick(control<QPushButton>("cmdSWO"), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(caption("lblDI_0"),
                                  QStringLiteral("20      0   0   1   0   0   0   0   0"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(caption("lblDI_1"),
                                  QStringLiteral("A5      1   0   1   0   0   1   0   1"), 5000);
        QVERIFY(traced("Tqv_DOBit 5 1 -> 0"));
        QVERIFY(traced("Tqv_DO 1 165 -> 0"));
    }
};

QTEST_MAIN(LivePanelTest)
#include "LivePanelTest.moc"
