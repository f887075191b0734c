// Joins a recording to the panel: puts the recorder among the listeners of the acquired
// blocks, drives the scope's Record button and recording line, and ends the recording
// when acquisition stops or the panel closes. A write error ends the recording only;
// acquisition goes on.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "record/RecordingMetadata.h"
#include "record/RecordingTarget.h"
#include "session/BlockListener.h"

namespace tqv::session {
class CardSession;
}
namespace tqv::scope::qt {
class ScopeWindow;
}
namespace tqv::record {
class Recorder;
}

namespace tqv::app {

class RecordingAttachment : public QObject, private session::BlockListener {
    Q_OBJECT

public:
    RecordingAttachment(session::CardSession& session, scope::qt::ScopeWindow& scope,
                        std::string cardLibrary);
    ~RecordingAttachment() override;
    RecordingAttachment(const RecordingAttachment&) = delete;
    RecordingAttachment& operator=(const RecordingAttachment&) = delete;

    // Opens the file (replacing it only when `replace`, once the first block is on disk)
    // and takes every block stored from now on. Empty on success, else why not, also
    // shown in the scope.
    std::optional<record::RecordingRefusal> start(const std::filesystem::path& file, bool replace);
    void stop();
    bool recording() const { return m_recorder != nullptr; }
    // Where Record… last recorded to, and starts its dialog.
    QString lastFolder() const { return m_lastFolder; }
    void setLastFolder(const QString& folder) { m_lastFolder = folder; }

private:
    // The blocks and losses go to the recorder itself; the end of acquisition ends it.
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;
    void acquisitionStopped(session::StopCause cause) override;
    bool wantsCardErrorCode() const override { return true; }
    void recordPressed();
    void showStatus();
    void end(record::StopReason reason);

    session::CardSession& m_session;
    scope::qt::ScopeWindow& m_scope;
    const std::string m_cardLibrary;
    std::unique_ptr<record::Recorder> m_recorder;
    // The recording line, twice a second while recording.
    QTimer m_statusTimer;
    QString m_lastFolder;
};

}  // namespace tqv::app
