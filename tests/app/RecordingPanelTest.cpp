// The panel recording from the simulated card as the program runs it: from the first
// start, through a paused scope, to Stop or to a termination request, the file read
// back through libsndfile with the counter channel continuous.
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sndfile.h>
#include <vector>

#include "app/PanelApplication.h"
#include "app/RecordingAttachment.h"
#include "app/ScopeAttachment.h"
#include "scope/qt/ScopeWindow.h"
#include "window/qt/QtFormWindow.h"

using namespace tqv;

namespace {

constexpr int kChannels = 4;
constexpr sf_count_t kScansPerBlock = 300;

// The recording's scans, or none when libsndfile cannot read it.
std::vector<int16_t> readBack(const QString& path, SF_INFO& info) {
    info = {};
    SNDFILE* file = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<int16_t> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

bool counterContinuous(const std::vector<int16_t>& samples) {
    for (std::size_t s = 1; s < samples.size() / kChannels; ++s) {
        if (static_cast<uint16_t>(samples[s * kChannels + 3]) !=
            static_cast<uint16_t>(samples[(s - 1) * kChannels + 3] + 1)) {
            return false;
        }
    }
    return true;
}

nlohmann::json metadata(const QString& path) {
    std::ifstream in((path + ".json").toStdString());
    return nlohmann::json::parse(in, nullptr, false);
}

void click(app::PanelApplication& panel, const char* name) {
    auto* button = panel.window()->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY(button != nullptr);
    QVERIFY(button->isEnabled());
    button->click();
}

}  // namespace

class RecordingPanelTest : public QObject {
    Q_OBJECT

private slots:
    // The card's own pace: its 50 blocks queued at most last 1.5 s, so a loaded machine's
    // late 200 ms tick still loses nothing.
    void initTestCase() { qputenv("ADCARD_SIM_SPEED", "1"); }

    void recordsFromTheFirstStartThroughAPausedScopeUntilStop() {
        const QTemporaryDir folder;
        const QString path = folder.filePath("run.wav");
        app::PanelApplication panel;
        QVERIFY(panel.open());
        panel.openScope();
        auto& scope = panel.scope()->scope();
        QVERIFY(!panel.startRecording(path.toStdString(), false));
        QCOMPARE(scope.findChild<QPushButton*>("scopeRecord")->text(), QString("Stop recording"));
        scope.setPaused(true);
        click(panel, "cmdStart");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 150'000, 20'000);
        QTRY_VERIFY_WITH_TIMEOUT(scope.recordingText().contains(", 0 gaps"), 5'000);
        click(panel, "cmdStop");
        QVERIFY(!panel.recording()->recording());
        QVERIFY2(scope.recordingText().startsWith("Recorded run.wav"), qPrintable(scope.recordingText()));
        QCOMPARE(scope.findChild<QPushButton*>("scopeRecord")->text(), QString("Record…"));

        SF_INFO info;
        const auto samples = readBack(path, info);
        QCOMPARE(info.channels, kChannels);
        // Every sample on disk before Stop is read back (the header takes under 100 bytes).
        QVERIFY(info.frames * 2 * kChannels > 150'000 - 100);
        QCOMPARE(info.frames % kScansPerBlock, sf_count_t{0});
        QVERIFY(counterContinuous(samples));
        const auto json = metadata(path);
        QCOMPARE(json["stopped"]["reason"].get<std::string>(), std::string("stop pressed"));
        QCOMPARE(json["scans_written"].get<sf_count_t>(), info.frames);
        QVERIFY(json["card"]["identity"].get<std::string>().find("5200") != std::string::npos);
    }

    void aTerminationRequestLeavesTheFileComplete() {
        const QTemporaryDir folder;
        const QString path = folder.filePath("run.csv");
        app::PanelApplication panel;
        QVERIFY(panel.open());
        QVERIFY(!panel.startRecording(path.toStdString(), false));
        click(panel, "cmdStart");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 75'000, 20'000);
        std::raise(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!panel.recording()->recording(), 10'000);
        const auto json = metadata(path);
        QCOMPARE(json["stopped"]["reason"].get<std::string>(), std::string("panel closed"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        // The header, one row per scan, and the empty piece after the last line end.
        QCOMPARE(lines.size() - 2, json["scans_written"].get<qsizetype>());
        QVERIFY(lines.last().isEmpty());
        QVERIFY(lines[1].startsWith("0,"));
    }
};

QTEST_MAIN(RecordingPanelTest)
#include "RecordingPanelTest.moc"
