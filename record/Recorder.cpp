#include "record/Recorder.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <system_error>

#include "files/AtomicSave.h"
#include "record/CsvSink.h"
#include "record/WavSink.h"

namespace tqv::record {

namespace {

constexpr std::chrono::milliseconds kIdleWait{3};

bool namesCsv(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

std::size_t queueBlocksFor(const RecordingSettings& settings) {
    if (settings.queueBlocks > 0) return settings.queueBlocks;
    const auto perBlock = static_cast<int64_t>(std::max<int32_t>(settings.scansPerBlock, 1));
    return static_cast<std::size_t>((DefaultQueueScans + perBlock - 1) / perBlock);
}

std::size_t blockSamples(const RecordingSettings& settings) {
    return static_cast<std::size_t>(std::max(settings.scansPerBlock, 1)) *
           static_cast<std::size_t>(std::max(settings.channels, 1));
}

}  // namespace

std::variant<std::unique_ptr<Recorder>, std::string> Recorder::open(
    const RecordingSettings& settings) {
    if (settings.channels <= 0 || settings.scanRate <= 0 || settings.scansPerBlock <= 0) {
        return std::string("the acquisition's parameters leave nothing to record");
    }
    if (!settings.replace && std::filesystem::exists(metadataPath(settings.file))) {
        return files::displayName(metadataPath(settings.file)) +
               " exists (replacing it needs --force or the user's consent)";
    }
    std::unique_ptr<RecordingSink> sink;
    if (namesCsv(settings.file)) {
        auto created =
            CsvSink::create(settings.file, settings.replace, settings.channels, settings.scanRate,
                            settings.scansPerBlock, settings.channelSetup);
        if (auto* error = std::get_if<std::string>(&created)) return *error;
        sink = std::move(std::get<0>(created));
    } else {
        auto created = WavSink::create(settings.file, settings.replace,
                                       {settings.channels, settings.scanRate, settings.scansPerBlock,
                                        settings.wavLeadFrames});
        if (auto* error = std::get_if<std::string>(&created)) return *error;
        sink = std::move(std::get<0>(created));
    }
    std::unique_ptr<Recorder> recorder;
    try {
        recorder = std::make_unique<Recorder>(settings, std::move(sink));
    } catch (const std::exception& error) {
        // No memory for the queue, or no thread for the writer.
        std::error_code ignored;
        std::filesystem::remove(settings.file, ignored);
        return std::string("cannot start the recording: ") + error.what();
    }
    if (recorder->status().state == RecordingState::Failed) {
        auto error = recorder->status().error;
        recorder->stop(StopReason::WriteError);
        recorder.reset();
        std::error_code ignored;
        std::filesystem::remove(settings.file, ignored);
        return error;
    }
    return recorder;
}

Recorder::Recorder(const RecordingSettings& settings, std::unique_ptr<RecordingSink> sink)
    : m_settings(settings),
      m_sink(std::move(sink)),
      m_queue(queueBlocksFor(settings), blockSamples(settings)),
      m_started(std::chrono::steady_clock::now()) {
    m_metadata.file = settings.file.filename().string();
    m_metadata.format = namesCsv(settings.file) ? "CSV" : "WAV, 16-bit PCM (RF64 past 4 GiB)";
    m_metadata.scanRate = settings.scanRate;
    m_metadata.firstChannel = settings.firstChannel;
    m_metadata.channels = settings.channels;
    m_metadata.scansPerBlock = settings.scansPerBlock;
    m_metadata.startTimeUtc = utcTimestamp(std::chrono::system_clock::now());
    m_metadata.cardIdentity = settings.cardIdentity;
    m_metadata.cardLibrary = settings.cardLibrary;
    m_metadata.program = settings.program;
    m_metadata.version = settings.version;
    m_metadata.channelSetup = settings.channelSetup;
    m_bytes.store(m_sink->bytes());
    // A folder where the metadata cannot go would lose the gaps: refused at the start.
    if (auto error = saveMetadata(settings.file, m_metadata)) {
        m_error = "metadata: " + *error;
        m_state.store(RecordingState::Failed, std::memory_order_release);
    }
    m_writer = std::thread([this] { writerLoop(); });
}

Recorder::~Recorder() { stop(StopReason::StopPressed); }

void Recorder::offer(std::span<const int16_t> block) {
    if (m_stopped) return;
    // After a write error nothing more is recorded, so nothing more is lost either.
    if (m_state.load(std::memory_order_relaxed) != RecordingState::Recording) return;
    const int64_t firstScan = m_acquiredBlocks * m_settings.scansPerBlock;
    ++m_acquiredBlocks;
    if (m_queue.push(block, firstScan, m_pending)) {
        m_pending = {};
        return;
    }
    if (!m_pending.any()) m_gaps.fetch_add(1, std::memory_order_relaxed);
    addOwnQueueLoss(m_pending);
    m_blocksLost.fetch_add(1, std::memory_order_relaxed);
}

void Recorder::noteLoss(const session::Loss& loss) {
    if (m_stopped || m_state.load(std::memory_order_relaxed) != RecordingState::Recording) return;
    if (!m_pending.any()) m_gaps.fetch_add(1, std::memory_order_relaxed);
    addLoss(m_pending, loss);
    if (loss.blocks) {
        m_acquiredBlocks += *loss.blocks;
        m_blocksLost.fetch_add(*loss.blocks, std::memory_order_relaxed);
    } else {
        m_acquiredBlocks += loss.estimatedBlocks.value_or(0);
        m_lossesOfUnknownSize.fetch_add(1, std::memory_order_relaxed);
    }
}

void Recorder::stop(StopReason reason) {
    if (m_stopped) return;
    m_stopped = true;
    m_requestedReason.store(reason, std::memory_order_relaxed);
    m_trailing = m_pending;
    m_trailingScan = m_acquiredBlocks * m_settings.scansPerBlock;
    m_stopRequested.store(true, std::memory_order_release);
    if (m_writer.joinable()) m_writer.join();
}

RecordingStatus Recorder::status() const {
    RecordingStatus status;
    status.state = m_state.load(std::memory_order_acquire);
    status.elapsedSeconds =
        status.state == RecordingState::Recording
            ? std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count()
            : m_stoppedAfter.load();
    status.bytes = m_bytes.load(std::memory_order_relaxed);
    status.scansWritten = m_scansWritten.load(std::memory_order_relaxed);
    status.gaps = m_gaps.load(std::memory_order_relaxed);
    status.blocksLost = m_blocksLost.load(std::memory_order_relaxed);
    status.lossesOfUnknownSize = m_lossesOfUnknownSize.load(std::memory_order_relaxed);
    if (status.state == RecordingState::Failed) status.error = m_error;
    return status;
}

void Recorder::fail(const std::string& reason) {
    m_error = reason;
    m_metadata.error = reason;
    m_stoppedAfter.store(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count());
    m_state.store(RecordingState::Failed, std::memory_order_release);
}

void Recorder::noteMetadataError(const std::optional<std::string>& error) {
    if (error && m_state.load(std::memory_order_relaxed) == RecordingState::Recording) {
        fail("metadata: " + *error);
    }
}

void Recorder::writerLoop() {
    const int64_t scansPerBlock = m_settings.scansPerBlock;
    auto nextSync = std::chrono::steady_clock::now() + m_settings.syncInterval;
    bool failed = m_state.load(std::memory_order_acquire) == RecordingState::Failed;
    while (!failed) {
        const BlockQueue::Run run = m_queue.front();
        if (run.blocks == 0) {
            // The stop flag is read before the queue is looked at again: every block
            // offered before the stop is written.
            if (m_stopRequested.load(std::memory_order_acquire) && m_queue.front().blocks == 0) {
                break;
            }
            if (std::chrono::steady_clock::now() >= nextSync) {
                if (auto error = m_sink->sync()) {
                    fail(*error);
                    break;
                }
                nextSync = std::chrono::steady_clock::now() + m_settings.syncInterval;
            }
            std::this_thread::sleep_for(kIdleWait);
            continue;
        }
        if (run.lostBefore.any()) {
            addGap(run.firstScan, run.lostBefore);
            noteMetadataError(saveMetadata(m_settings.file, m_metadata));
        }
        if (auto error = m_sink->write(run.samples, run.firstScan)) {
            // The whole blocks of this run that got through are kept in the file.
            m_metadata.scansWritten = m_sink->scans();
            m_metadata.blocksWritten = m_metadata.scansWritten / scansPerBlock;
            m_scansWritten.store(m_metadata.scansWritten, std::memory_order_relaxed);
            fail(*error);
            break;
        }
        m_queue.pop(run.blocks);
        m_metadata.blocksWritten += static_cast<int64_t>(run.blocks);
        m_metadata.scansWritten += static_cast<int64_t>(run.blocks) * scansPerBlock;
        m_scansWritten.store(m_metadata.scansWritten, std::memory_order_relaxed);
        m_bytes.store(m_sink->bytes(), std::memory_order_relaxed);
        if (std::chrono::steady_clock::now() >= nextSync) {
            if (auto error = m_sink->sync()) {
                fail(*error);
                break;
            }
            nextSync = std::chrono::steady_clock::now() + m_settings.syncInterval;
        }
        failed = m_state.load(std::memory_order_acquire) == RecordingState::Failed;
    }
    finishFile();
}

// Writer thread: the gap just before the scan `firstScanAfter` of the acquisition.
void Recorder::addGap(int64_t firstScanAfter, const LossBefore& lost) {
    Gap gap;
    gap.scanIndex = firstScanAfter - lost.blocksSkipped() * m_settings.scansPerBlock;
    if (lost.unknownLosses == 0) {
        gap.blocksLost = lost.knownBlocks;
    } else if (lost.estimatedBlocks > 0) {
        gap.estimatedBlocks = lost.blocksSkipped();
    }
    gap.fileScan = m_metadata.scansWritten;
    gap.cause = causesText(lost);
    m_metadata.gaps.push_back(std::move(gap));
}

// Runs once, on the writer thread, after a stop or a write error.
void Recorder::finishFile() {
    const bool failed = m_state.load(std::memory_order_acquire) == RecordingState::Failed;
    if (!failed) {
        if (m_trailing.any()) addGap(m_trailingScan, m_trailing);
    }
    const auto closing = m_sink->finish();
    if (closing && !failed) fail(*closing);
    m_bytes.store(m_sink->bytes(), std::memory_order_relaxed);
    m_metadata.stopReason = m_state.load(std::memory_order_acquire) == RecordingState::Failed
                                ? StopReason::WriteError
                                : m_requestedReason.load(std::memory_order_relaxed);
    const auto saved = saveMetadata(m_settings.file, m_metadata);
    if (m_state.load(std::memory_order_acquire) == RecordingState::Recording) {
        if (saved) {
            fail("metadata: " + *saved);
            return;
        }
        m_stoppedAfter.store(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count());
        m_state.store(RecordingState::Stopped, std::memory_order_release);
    }
}

}  // namespace tqv::record
