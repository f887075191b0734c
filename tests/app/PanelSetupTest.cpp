// The panel's start with what it remembers: a channel setup it refuses leaves every
// channel in codes (and Channels… saves to that file), and the settings it was left
// with come back at the next start, a place off every screen excepted.
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "app/PanelApplication.h"
#include "app/PanelSettings.h"
#include "app/ScopeAttachment.h"
#include "files/qt/QtFileNames.h"
#include "scope/qt/ScopeWindow.h"
#include "scope/qt/TriggerBar.h"
#include "window/qt/QtFormWindow.h"

using namespace tqv;

class PanelSetupTest : public QObject {
    Q_OBJECT

private slots:
    void aRefusedChannelSetupLeavesEveryChannelInCodes() {
        QTemporaryDir folder;
        const auto file = files::qt::toPath(folder.filePath(QStringLiteral("channels.json")));
        std::ofstream(file) << R"({"channels": [{"channel": 0, "unit": "a unit far too long"}]})";
        app::PanelOptions options;
        options.readChannelSetup = true;
        options.channelSetupFile = file;
        app::PanelApplication panel(card::AdcardBinding::defaultPlaces(), options);
        QVERIFY(panel.open());
        const auto& scope = panel.scope()->scope();
        QVERIFY(scope.channelSetup().allDefault());
        QCOMPARE(scope.channelSetupFile(), file);
    }

    void theSettingsLeftAtTheEndComeBackAtTheNextStart() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        app::PanelOptions options;
        options.restoreSettings = true;
        options.saveSettings = true;
        {
            app::PanelApplication panel(card::AdcardBinding::defaultPlaces(), options);
            QVERIFY(panel.open());
            auto& scope = panel.scope()->scope();
            scope.triggerBar()->setSpanMilliseconds(50);
            scope::TriggerSettings trigger;
            trigger.mode = scope::TriggerMode::Single;
            trigger.level = 3000;
            scope.triggerBar()->setSettings(trigger);
            scope.setFit(3, false);
            scope.setCursorsShown(true);
        }
        // A monitor unplugged since: the panel's place is off every screen.
        auto remembered = app::PanelSettings().load().setup;
        QCOMPARE(remembered.spanMs, 50);
        remembered.panelPlace = QPoint(-100000, -100000);
        QCOMPARE(app::PanelSettings().save(remembered), std::nullopt);

        app::PanelApplication again(card::AdcardBinding::defaultPlaces(), options);
        QVERIFY(again.open());
        const auto& scope = again.scope()->scope();
        QCOMPARE(scope.triggerBar()->spanMilliseconds(), 50);
        QCOMPARE(scope.model().trigger().mode, scope::TriggerMode::Single);
        QCOMPARE(scope.model().trigger().level, std::optional<int>(3000));
        QVERIFY(scope.fit(0) && !scope.fit(3));
        QVERIFY(scope.cursorsShown());
        QVERIFY(again.window()->pos() != QPoint(-100000, -100000));
    }
};

QTEST_MAIN(PanelSetupTest)
#include "PanelSetupTest.moc"
