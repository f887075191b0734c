#include "instrument/FolderRecording.h"

#include <utility>

#include "files/AtomicSave.h"
#include "record/Recorder.h"

namespace tqv::instrument {

FolderRecording::FolderRecording(session::CardSession& session, const AcquisitionHost& host,
                                 FolderRecordingSettings settings)
    : m_session(session), m_host(host), m_settings(std::move(settings)) {}

FolderRecording::~FolderRecording() { end(record::StopReason::Interrupted); }

std::optional<scpi::Error> FolderRecording::start(const std::string& name) {
    const session::StartParameters parameters =
        m_session.running() ? m_session.parameters() : m_host.startParameters();
    record::RecordingSettings settings;
    settings.file = m_settings.folder / name;
    settings.scanRate = parameters.ScanRate;
    settings.firstChannel = parameters.FirstChannel;
    settings.channels = parameters.ChannelCount;
    settings.scansPerBlock = parameters.ScanCount;
    settings.cardIdentity = m_session.identityLine();
    settings.cardLibrary = m_settings.cardLibrary;
    settings.program = m_settings.program;
    settings.version = m_settings.version;
    settings.channelSetup = m_settings.channelSetup;
    auto opened = record::Recorder::open(settings);
    if (const auto* refusal = std::get_if<record::RecordingRefusal>(&opened)) {
        // A name taken, by a file or by a recording going on, is the name's fault; the
        // rest (a full disk, a folder gone) the storage's.
        const bool nameTaken = refusal->kind != record::RecordingRefusal::Kind::Unusable;
        return scpi::Error{nameTaken ? scpi::ErrorCode::FileNameError
                                     : scpi::ErrorCode::MassStorageError,
                           refusal->text};
    }
    m_recorder = std::move(std::get<0>(opened));
    m_session.blocks().addListener(*this);
    if (onChange) onChange(true, state());
    return std::nullopt;
}

RecordingState FolderRecording::state() const {
    if (!m_recorder) return m_last;
    RecordingState state;
    state.active = true;
    state.file = files::displayName(m_recorder->file().filename());
    state.gaps = m_recorder->status().gaps;
    return state;
}

std::optional<std::string> FolderRecording::takeFailure() {
    if (!m_recorder) return std::nullopt;
    const auto status = m_recorder->status();
    if (status.state != record::RecordingState::Failed) return std::nullopt;
    end(record::StopReason::WriteError);
    return status.error;
}

void FolderRecording::blockStored(const session::StoredBlock& block) {
    m_recorder->blockStored(block);
}

void FolderRecording::blocksLost(const session::Loss& loss) { m_recorder->blocksLost(loss); }

void FolderRecording::acquisitionStopped(session::StopCause cause) {
    end(cause == session::StopCause::Closing ? record::StopReason::Interrupted
                                             : record::StopReason::StopPressed);
}

void FolderRecording::end(record::StopReason reason) {
    if (!m_recorder) return;
    m_session.blocks().removeListener(*this);
    m_recorder->stop(reason);
    m_last = state();
    m_last.active = false;
    m_last.gaps = static_cast<int64_t>(m_recorder->metadata().gaps.size());
    m_recorder.reset();
    if (onChange) onChange(false, m_last);
}

}  // namespace tqv::instrument
