// Joins a recording to the panel: listens to the blocks the tick stores, drives the
// scope's Record button and recording line, and ends the recording when acquisition
// stops or the panel closes. A write error ends the recording only; acquisition goes on.
#pragma once

#include <QObject>
#include <QTimer>
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "record/RecordingMetadata.h"
#include "window/StoredBlockListener.h"

namespace tqv::window {
struct FormContext;
}
namespace tqv::scope::qt {
class ScopeWindow;
}
namespace tqv::record {
class Recorder;
}

namespace tqv::app {

class RecordingAttachment : public QObject, private window::StoredBlockListener {
    Q_OBJECT

public:
    RecordingAttachment(window::FormContext& ctx, scope::qt::ScopeWindow& scope,
                        std::string cardLibrary);
    ~RecordingAttachment() override;
    RecordingAttachment(const RecordingAttachment&) = delete;
    RecordingAttachment& operator=(const RecordingAttachment&) = delete;

    // Opens the file (replacing it only when `replace`) and takes every block stored
    // from now on. Empty on success, else the reason, also shown in the scope.
    std::optional<std::string> start(const std::filesystem::path& file, bool replace);
    void stop();
    bool recording() const { return m_recorder != nullptr; }

private:
    void blockStored(std::span<const int16_t> samples) override;
    void acquisitionStopped(bool byClosing) override;
    void recordPressed();
    void showStatus();
    void end(record::StopReason reason);

    window::FormContext& m_ctx;
    scope::qt::ScopeWindow& m_scope;
    const std::string m_cardLibrary;
    std::unique_ptr<record::Recorder> m_recorder;
    // The recording line, twice a second while recording.
    QTimer m_statusTimer;
};

}  // namespace tqv::app
