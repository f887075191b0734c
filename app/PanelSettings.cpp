#include "app/PanelSettings.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

#include "files/AtomicSave.h"
#include "files/ConfigFolder.h"
#include "files/qt/QtFileNames.h"
#include "scope/TimeBase.h"

namespace tqv::app {

namespace {

const QString kVersion = QStringLiteral("version");
const QString kSpan = QStringLiteral("scope/span_ms");
const QString kMode = QStringLiteral("scope/trigger_mode");
const QString kSource = QStringLiteral("scope/trigger_source");
const QString kSlope = QStringLiteral("scope/trigger_slope");
const QString kLevel = QStringLiteral("scope/trigger_level");
const QString kPosition = QStringLiteral("scope/trigger_position_percent");
const QString kFit = QStringLiteral("scope/fit_%1");
const QString kCursors = QStringLiteral("scope/cursors");
const QString kScopeFrame = QStringLiteral("scope/frame");
const QString kPanelPlace = QStringLiteral("panel/place");
const QString kSaveFolder = QStringLiteral("folders/save");
const QString kRecordFolder = QStringLiteral("folders/record");
const QString kChannelSetup = QStringLiteral("channels/setup_file");

// A whole number from `low` to `high`, else none.
std::optional<int> whole(const QSettings& settings, const QString& key, int low, int high) {
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    if (!settings.contains(key) || !ok || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<bool> flag(const QSettings& settings, const QString& key) {
    const QString text = settings.value(key).toString();
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
    return std::nullopt;
}

}  // namespace

PanelSettings::PanelSettings(std::filesystem::path file) : m_file(std::move(file)) {}

std::filesystem::path PanelSettings::defaultFile() {
    return files::programConfigFolder() / "settings.ini";
}

std::string PanelSettings::setAside(const std::string& why) const {
    const QString from = files::qt::fromPath(m_file);
    const QString to = from + QStringLiteral(".set-aside-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const std::string name = files::displayName(m_file);
    if (!QFile::rename(from, to)) {
        return "settings " + name + " " + why +
               "; it could not be set aside; starting from the "
               "defaults";
    }
    return "settings " + name + " " + why + "; set aside as " +
           files::displayName(files::qt::toPath(to)) + "; starting from the defaults";
}

PanelSettings::Loaded PanelSettings::load() const {
    Loaded loaded;
    const QString path = files::qt::fromPath(m_file);
    if (!QFile::exists(path)) return loaded;
    QFile readable(path);
    if (!readable.open(QIODevice::ReadOnly)) {
        loaded.message = setAside("cannot be read (" + readable.errorString().toStdString() + ")");
        return loaded;
    }
    readable.close();
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        loaded.message = setAside("cannot be read (not a settings file)");
        return loaded;
    }
    bool numbered = false;
    const int version = settings.value(kVersion).toInt(&numbered);
    if (!numbered || version < 1) {
        loaded.message = setAside("cannot be read (it says no version)");
        return loaded;
    }
    if (version > Version) {
        loaded.message =
            setAside("was written by a newer version (settings version " + std::to_string(version) +
                     ", this program reads " + std::to_string(Version) + ")");
        return loaded;
    }

    RememberedSetup& setup = loaded.setup;
    if (const auto span = whole(settings, kSpan, 0, 1000000);
        span && std::find(scope::SpanChoicesMs.begin(), scope::SpanChoicesMs.end(), *span) !=
                    scope::SpanChoicesMs.end()) {
        setup.spanMs = *span;
    }
    if (const auto mode = whole(settings, kMode, 0, 3)) {
        setup.trigger.mode = static_cast<scope::TriggerMode>(*mode);
    }
    if (const auto source = whole(settings, kSource, 0, 3)) setup.trigger.source = *source;
    if (const auto slope = whole(settings, kSlope, 0, 1)) {
        setup.trigger.slope = static_cast<scope::Slope>(*slope);
    }
    if (const auto level = whole(settings, kLevel, -32768, 32767)) setup.trigger.level = *level;
    if (const auto position = whole(settings, kPosition, 0, 100)) {
        setup.trigger.position = *position / 100.0;
    }
    for (int lane = 0; lane < static_cast<int>(setup.fit.size()); ++lane) {
        if (const auto fit = flag(settings, kFit.arg(lane)))
            setup.fit[static_cast<size_t>(lane)] = *fit;
    }
    if (const auto cursors = flag(settings, kCursors)) setup.cursors = *cursors;
    if (settings.contains(kPanelPlace) && settings.value(kPanelPlace).canConvert<QPoint>()) {
        setup.panelPlace = settings.value(kPanelPlace).toPoint();
    }
    if (const QRect frame = settings.value(kScopeFrame).toRect(); frame.isValid()) {
        setup.scopeFrame = frame;
    }
    setup.saveFolder = settings.value(kSaveFolder).toString();
    setup.recordFolder = settings.value(kRecordFolder).toString();
    setup.channelSetupFile = settings.value(kChannelSetup).toString();
    return loaded;
}

std::optional<std::string> PanelSettings::save(const RememberedSetup& setup) const {
    // QSettings writes a scratch copy; the file itself goes through the atomic save.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return "settings not saved: no scratch folder (" + scratch.errorString().toStdString() +
               ")";
    const QString scratchFile = scratch.filePath(QStringLiteral("settings.ini"));
    {
        QSettings settings(scratchFile, QSettings::IniFormat);
        settings.setValue(kVersion, Version);
        settings.setValue(kSpan, setup.spanMs);
        settings.setValue(kMode, static_cast<int>(setup.trigger.mode));
        settings.setValue(kSource, setup.trigger.source);
        settings.setValue(kSlope, static_cast<int>(setup.trigger.slope));
        settings.setValue(
            kLevel, setup.trigger.level ? QVariant(*setup.trigger.level) : QVariant(QString()));
        settings.setValue(kPosition, static_cast<int>(std::lround(setup.trigger.position * 100)));
        for (int lane = 0; lane < static_cast<int>(setup.fit.size()); ++lane) {
            settings.setValue(kFit.arg(lane), setup.fit[static_cast<size_t>(lane)]);
        }
        settings.setValue(kCursors, setup.cursors);
        if (setup.panelPlace) settings.setValue(kPanelPlace, *setup.panelPlace);
        if (setup.scopeFrame) settings.setValue(kScopeFrame, *setup.scopeFrame);
        settings.setValue(kSaveFolder, setup.saveFolder);
        settings.setValue(kRecordFolder, setup.recordFolder);
        settings.setValue(kChannelSetup, setup.channelSetupFile);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return std::string("settings not saved: they could not be written");
    }
    QFile written(scratchFile);
    if (!written.open(QIODevice::ReadOnly))
        return "settings not saved: " + written.errorString().toStdString();
    const QByteArray bytes = written.readAll();
    std::error_code ignored;
    std::filesystem::create_directories(m_file.parent_path(), ignored);
    if (auto failure = files::saveAtomically(
            m_file, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())))) {
        return "settings not saved: " + *failure;
    }
    return std::nullopt;
}

}  // namespace tqv::app
