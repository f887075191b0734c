// Recordings a client starts by name, always inside the one folder the program was
// given: the recorder of tqv-record (the same files, metadata and guarantees) among the
// listeners of the acquired blocks, from RECord:STARt until RECord:STOP, the end of
// acquisition or the program's end.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "channels/ChannelSetup.h"
#include "instrument/AcquisitionHost.h"
#include "instrument/RecordingControl.h"
#include "record/RecordingMetadata.h"
#include "session/BlockListener.h"
#include "session/CardSession.h"

namespace tqv::record {
class Recorder;
}

namespace tqv::instrument {

struct FolderRecordingSettings {
    std::filesystem::path folder;
    std::string cardLibrary;
    std::string program;
    std::string version;
    // The CSV's units and the metadata's channels.
    channels::ChannelSetup channelSetup;
};

class FolderRecording final : public RecordingControl, private session::BlockListener {
public:
    FolderRecording(session::CardSession& session, const AcquisitionHost& host,
                    FolderRecordingSettings settings);
    // A recording still going ends as interrupted.
    ~FolderRecording() override;
    FolderRecording(const FolderRecording&) = delete;
    FolderRecording& operator=(const FolderRecording&) = delete;

    std::optional<scpi::Error> start(const std::string& name) override;
    void stop() override { end(record::StopReason::StopPressed); }
    RecordingState state() const override;
    std::optional<std::string> takeFailure() override;

private:
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;
    void acquisitionStopped(session::StopCause cause) override;
    bool wantsCardErrorCode() const override { return true; }
    void end(record::StopReason reason);

    session::CardSession& m_session;
    const AcquisitionHost& m_host;
    const FolderRecordingSettings m_settings;
    std::unique_ptr<record::Recorder> m_recorder;
    // What the last recording left, once it ended.
    RecordingState m_last;
};

}  // namespace tqv::instrument
