// tqv-multibuf --listen driven by PyVISA (pyvisa-py), in process on the offscreen
// platform: at each stage of the client's session the window must show what it did.
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "app/PanelApplication.h"
#include "app/ScopeAttachment.h"
#include "app/ServerAttachment.h"
#include "channels/ChannelSetup.h"
#include "scope/qt/ScopeWindow.h"
#include "tests/support/FindControl.h"
#include "window/qt/QtFormWindow.h"

using namespace tqv;

namespace {

// The client's next line, the event loop running meanwhile (the panel answers it there).
QString nextLine(QProcess& client) {
    QElapsedTimer waited;
    waited.start();
    while (!client.canReadLine() && client.state() != QProcess::NotRunning &&
           waited.elapsed() < 60000) {
        QTest::qWait(10);
    }
    return QString::fromUtf8(client.readLine()).trimmed();
}

}  // namespace

class ServingPanelTest : public QObject {
    Q_OBJECT

private slots:
    void aPyvisaSessionShowsInTheWindow() {
        app::PanelApplication panel;
        QVERIFY(panel.open());
        QVERIFY(!panel.serve({QHostAddress(QHostAddress::LocalHost), 0}));
        const QString listening = panel.server()->server().listening();
        const QString port = listening.mid(listening.lastIndexOf(':') + 1);
        auto* window = panel.window();
        auto* start = test::findControl<QPushButton>(window, "cmdStart");
        auto* stop = test::findControl<QPushButton>(window, "cmdStop");
        auto* blocks = test::findControl<QLabel>(window, "lblBlock");
        auto* input0 = test::findControl<QLabel>(window, "lblDI_0");
        auto* input1 = test::findControl<QLabel>(window, "lblDI_1");

        QProcess client;
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(QStringLiteral(TQV_PYTHON), {QStringLiteral(TQV_DRIVE_PANEL), port});
        QVERIFY(client.waitForStarted());
        const auto nextStage = [&] { return nextLine(client); };

        QCOMPARE(nextStage(), QStringLiteral("stage acquiring"));
        QVERIFY(!start->isEnabled());
        QVERIFY(stop->isEnabled());
        QTRY_VERIFY(blocks->text().trimmed().toInt() >= 3);
        client.write("go\n");

        QCOMPARE(nextStage(), QStringLiteral("stage outputs"));
        // Read back at the next tick that brings blocks: port 1 is A5, bit 3 set on port 0.
        QTRY_VERIFY(
            input1->text().startsWith(QStringLiteral("A5      1   0   1   0   0   1   0   1")));
        QTRY_VERIFY(input0->text().startsWith(QStringLiteral("8      0   0   0   0   1")));
        client.write("go\n");

        QCOMPARE(nextStage(), QStringLiteral("stage stopped"));
        QVERIFY(start->isEnabled());
        QVERIFY(!stop->isEnabled());
        client.write("go\n");

        QCOMPARE(nextStage(), QStringLiteral("done"));
        QVERIFY(client.waitForFinished(30000));
        QCOMPARE(client.exitCode(), 0);
    }

    // MEASure answers in the units the scope shows, and in the new ones once Channels…
    // saves a setup.
    void measurementsFollowTheScopesChannelSetup() {
        app::PanelApplication panel;
        QVERIFY(panel.open());
        QVERIFY(!panel.serve({QHostAddress(QHostAddress::LocalHost), 0}));
        channels::ChannelSetup volts;
        volts.setChannel(0, {"Supply", "V",
                             std::get<channels::Calibration>(
                                 channels::Calibration::fromPoints({448, -5.0}, {3648, 5.0}))});
        emit panel.scope()->scope().channelSetupChanged(volts);
        test::findControl<QPushButton>(panel.window(), "cmdStart")->click();
        auto& instrument = panel.server()->instrument();
        QTRY_VERIFY(!instrument.measure().empty() && instrument.measure()[0].maximum);
        const auto& sine = instrument.measure()[0];
        QCOMPARE(sine.unit, std::string("V"));
        // The simulated sine spans codes 448 to 3648: -5 V to +5 V.
        QVERIFY(*sine.maximum > 4.0 && *sine.maximum <= 5.0 + 1e-9);
        QVERIFY(*sine.minimum < -4.0 && *sine.minimum >= -5.0 - 1e-9);
        QCOMPARE(instrument.measure()[1].unit, std::string("code"));
    }
};

QTEST_MAIN(ServingPanelTest)
#include "ServingPanelTest.moc"
