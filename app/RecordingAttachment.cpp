#include "app/RecordingAttachment.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "files/qt/QtFileNames.h"
#include "record/Recorder.h"
#include "scope/qt/ScopeWindow.h"
#include "session/CardSession.h"

namespace tqv::app {

namespace {

QString elapsedText(double seconds) {
    const auto whole = static_cast<long long>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString sizeText(int64_t bytes) {
    return QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / 1e6, 0, 'f', 1);
}

QString counted(int64_t count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// "0 gaps", "2 gaps (3 blocks lost, 1 loss of unknown size)".
QString gapsText(const record::RecordingStatus& status) {
    const QString gaps = counted(status.gaps, "gap", "gaps");
    if (status.gaps == 0) return gaps;
    QString detail = counted(status.blocksLost, "block", "blocks") + QStringLiteral(" lost");
    if (status.lossesOfUnknownSize > 0) {
        detail += QStringLiteral(", ") +
                  counted(status.lossesOfUnknownSize, "loss", "losses") +
                  QStringLiteral(" of unknown size");
    }
    return gaps + QStringLiteral(" (") + detail + QStringLiteral(")");
}

}  // namespace

RecordingAttachment::RecordingAttachment(session::CardSession& session,
                                         scope::qt::ScopeWindow& scope, std::string cardLibrary)
    : m_session(session), m_scope(scope), m_cardLibrary(std::move(cardLibrary)) {
    connect(&m_scope, &scope::qt::ScopeWindow::recordPressed, this,
            &RecordingAttachment::recordPressed);
    m_statusTimer.setInterval(500);
    connect(&m_statusTimer, &QTimer::timeout, this, &RecordingAttachment::showStatus);
}

RecordingAttachment::~RecordingAttachment() { end(record::StopReason::PanelClosed); }

std::optional<record::RecordingRefusal> RecordingAttachment::start(
    const std::filesystem::path& file, bool replace) {
    end(record::StopReason::StopPressed);
    record::RecordingSettings settings;
    settings.file = file;
    settings.replace = replace;
    // The panel always starts with these; a recording opened before the first start
    // takes the blocks it will store.
    const auto& start = session::PanelStart;
    settings.scanRate = start.ScanRate;
    settings.firstChannel = start.FirstChannel;
    settings.channels = start.ChannelCount;
    settings.scansPerBlock = start.ScanCount;
    settings.cardIdentity = m_session.identityLine();
    settings.cardLibrary = m_cardLibrary;
    settings.channelSetup = m_scope.channelSetup();
    settings.program = "tqv-multibuf";
    settings.version = TQV_VERSION;
    auto opened = record::Recorder::open(settings);
    if (auto* refusal = std::get_if<record::RecordingRefusal>(&opened)) {
        m_scope.setRecordingText(
            tr("Not recording: %1").arg(QString::fromStdString(refusal->text)));
        return *refusal;
    }
    m_recorder = std::move(std::get<0>(opened));
    m_session.blocks().addListener(*this);
    m_scope.setRecording(true);
    m_statusTimer.start();
    showStatus();
    return std::nullopt;
}

void RecordingAttachment::stop() { end(record::StopReason::StopPressed); }

void RecordingAttachment::blockStored(const session::StoredBlock& block) {
    m_recorder->blockStored(block);
}

void RecordingAttachment::blocksLost(const session::Loss& loss) { m_recorder->blocksLost(loss); }

void RecordingAttachment::acquisitionStopped(session::StopCause cause) {
    end(cause == session::StopCause::Closing ? record::StopReason::PanelClosed
                                             : record::StopReason::StopPressed);
}

void RecordingAttachment::recordPressed() {
    if (m_recorder) {
        stop();
        return;
    }
    QString wav = tr("WAV files (*.wav)");
    const QString csv = tr("CSV files (*.csv)");
    // The dialog asks before replacing a file; a name it returns is one the user agreed to.
    const QString folder = m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
    const QString path = QFileDialog::getSaveFileName(
        &m_scope, tr("Record to"), QDir(folder).filePath(QStringLiteral("recording.wav")),
        wav + QStringLiteral(";;") + csv, &wav);
    if (path.isEmpty()) return;
    if (!start(files::qt::toPath(path), true)) m_lastFolder = QFileInfo(path).absolutePath();
}

void RecordingAttachment::showStatus() {
    if (!m_recorder) return;
    const auto status = m_recorder->status();
    if (status.state == record::RecordingState::Failed) {
        // Acquisition goes on; only the recording ends, and says why.
        end(record::StopReason::WriteError);
        return;
    }
    m_scope.setRecordingText(tr("Recording %1: %2, %3, %4")
                                 .arg(files::qt::fromPath(m_recorder->file().filename()),
                                      elapsedText(status.elapsedSeconds), sizeText(status.bytes),
                                      gapsText(status)));
}

void RecordingAttachment::end(record::StopReason reason) {
    if (!m_recorder) return;
    m_session.blocks().removeListener(*this);
    m_statusTimer.stop();
    m_recorder->stop(reason);
    const auto status = m_recorder->status();
    const QString file = files::qt::fromPath(m_recorder->file().filename());
    QString text;
    if (!status.begun) {
        // No block reached the disk: no file was made, an earlier one is as it was.
        text = status.state == record::RecordingState::Failed
                   ? tr("Not recording %1: %2").arg(file, QString::fromStdString(status.error))
                   : tr("Nothing recorded to %1: no block came").arg(file);
    } else if (status.state == record::RecordingState::Failed) {
        text = tr("Recording of %1 stopped: %2 (%3 kept)")
                   .arg(file, QString::fromStdString(status.error), sizeText(status.bytes));
    } else {
        text = tr("Recorded %1: %2, %3, %4")
                   .arg(file, elapsedText(status.elapsedSeconds), sizeText(status.bytes),
                        gapsText(status));
    }
    if (!m_recorder->metadataError().empty()) {
        text += tr("; its metadata does not say how it ended: %1")
                    .arg(QString::fromStdString(m_recorder->metadataError()));
    }
    m_scope.setRecordingText(text);
    m_recorder.reset();
    m_scope.setRecording(false);
}

}  // namespace tqv::app
