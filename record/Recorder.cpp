#include "record/Recorder.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <system_error>
#include <utility>

#include "files/AtomicSave.h"
#include "record/CsvSink.h"
#include "record/WavSink.h"

namespace tqv::record {

namespace {

constexpr std::chrono::milliseconds kIdleWait{3};

enum class Format { Wav, Csv };

std::optional<Format> formatOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".wav") return Format::Wav;
    if (extension == ".csv") return Format::Csv;
    return std::nullopt;
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

// A sink's message names the file it opened, the temporary one: the user knows the file
// by the name they gave.
std::string asTheUserNamedIt(std::string text, const RecordingTarget& target) {
    const std::string temporary = files::displayName(target.temporary());
    const std::string named = files::displayName(target.file());
    for (auto at = text.find(temporary); at != std::string::npos;
         at = text.find(temporary, at + named.size())) {
        text.replace(at, temporary.size(), named);
    }
    return text;
}

std::variant<std::unique_ptr<RecordingSink>, std::string> createSink(
    const RecordingSettings& settings, Format format, const std::filesystem::path& file) {
    // The file is the target's own new one: writing it afresh destroys nothing.
    constexpr bool kOurOwnFile = true;
    if (format == Format::Csv) {
        auto created = CsvSink::create(file, kOurOwnFile, settings.channels, settings.scanRate,
                                       settings.scansPerBlock, settings.channelSetup);
        if (auto* error = std::get_if<std::string>(&created)) return *error;
        return std::unique_ptr<RecordingSink>(std::move(std::get<0>(created)));
    }
    auto created = WavSink::create(
        file, kOurOwnFile,
        {settings.channels, settings.scanRate, settings.scansPerBlock, settings.wavLeadFrames});
    if (auto* error = std::get_if<std::string>(&created)) return *error;
    return std::unique_ptr<RecordingSink>(std::move(std::get<0>(created)));
}

}  // namespace

std::variant<std::unique_ptr<Recorder>, RecordingRefusal> Recorder::open(
    const RecordingSettings& settings) {
    using Kind = RecordingRefusal::Kind;
    if (settings.channels <= 0 || settings.scanRate <= 0 || settings.scansPerBlock <= 0) {
        return RecordingRefusal{Kind::Unusable,
                                "the acquisition's parameters leave nothing to record"};
    }
    const auto format = formatOf(settings.file);
    if (!format) {
        return RecordingRefusal{Kind::Unusable,
                                files::displayName(settings.file) +
                                    ": a recording is named .wav (a WAV file) or .csv (CSV text)"};
    }
    auto prepared = RecordingTarget::prepare(settings.file, settings.replace);
    if (auto* refusal = std::get_if<RecordingRefusal>(&prepared)) return *refusal;
    auto target = std::move(std::get<0>(prepared));
    auto created = createSink(settings, *format, target->temporary());
    if (auto* error = std::get_if<std::string>(&created)) {
        return RecordingRefusal{Kind::Unusable, asTheUserNamedIt(*error, *target)};
    }
    try {
        return std::make_unique<Recorder>(settings, std::move(std::get<0>(created)),
                                          std::move(target));
    } catch (const std::exception& error) {
        // No memory for the queue, or no thread for the writer; the target, gone with the
        // attempt, took its temporary file along.
        return RecordingRefusal{Kind::Unusable,
                                std::string("cannot start the recording: ") + error.what()};
    }
}

Recorder::Recorder(const RecordingSettings& settings, std::unique_ptr<RecordingSink> sink,
                   std::unique_ptr<RecordingTarget> target)
    : m_settings(settings),
      m_sink(std::move(sink)),
      m_target(std::move(target)),
      m_metadataFile(settings.file),
      m_queue(queueBlocksFor(settings), blockSamples(settings)),
      m_started(std::chrono::steady_clock::now()) {
    m_metadata.file = settings.file.filename().string();
    m_metadata.format =
        formatOf(settings.file) == Format::Csv ? "CSV" : "WAV, 16-bit PCM (RF64 past 4 GiB)";
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

void Recorder::stop(StopReason reason, std::string detail) {
    if (m_stopped) return;
    m_stopped = true;
    m_requestedReason.store(reason, std::memory_order_relaxed);
    m_stopDetail = std::move(detail);
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
    status.begun = m_begun.load(std::memory_order_relaxed);
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
            // Before its first block the recording has no file yet: the gap goes into the
            // metadata written then.
            if (m_begun.load(std::memory_order_relaxed)) {
                noteMetadataError(m_metadataFile.save(m_metadata));
            }
        }
        if (auto error = m_sink->write(run.samples, run.firstScan)) {
            // The whole blocks of this run that got through are kept in the file.
            m_metadata.scansWritten = m_sink->scans();
            m_metadata.blocksWritten = m_metadata.scansWritten / scansPerBlock;
            m_scansWritten.store(m_metadata.scansWritten, std::memory_order_relaxed);
            // Whole blocks on disk are a recording, however few: it takes its name.
            if (!m_begun.load(std::memory_order_relaxed) && m_metadata.scansWritten > 0) begin();
            fail(*error);
            break;
        }
        m_queue.pop(run.blocks);
        m_metadata.blocksWritten += static_cast<int64_t>(run.blocks);
        m_metadata.scansWritten += static_cast<int64_t>(run.blocks) * scansPerBlock;
        m_scansWritten.store(m_metadata.scansWritten, std::memory_order_relaxed);
        m_bytes.store(m_sink->bytes(), std::memory_order_relaxed);
        if (!m_begun.load(std::memory_order_relaxed)) {
            if (auto error = begin()) {
                fail(*error);
                break;
            }
            nextSync = std::chrono::steady_clock::now() + m_settings.syncInterval;
        }
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

// Writer thread, once the first block is written: the block on disk, the recording under
// its name (an earlier file replaced only now), its first metadata.
std::optional<std::string> Recorder::begin() {
    if (auto error = m_sink->sync()) return error;
    if (m_target) {
        if (auto error = m_target->commit()) return error;
    }
    m_begun.store(true, std::memory_order_relaxed);
    if (auto error = m_metadataFile.save(m_metadata)) return "metadata: " + *error;
    return std::nullopt;
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
    if (m_state.load(std::memory_order_acquire) == RecordingState::Failed) {
        m_metadata.stopReason = StopReason::WriteError;
    } else {
        m_metadata.stopReason = m_requestedReason.load(std::memory_order_relaxed);
        m_metadata.error = m_stopDetail;
    }
    std::optional<std::string> saved;
    if (m_begun.load(std::memory_order_relaxed)) {
        saved = m_metadataFile.save(m_metadata);
        if (saved) m_metadataError = *saved;
    }
    // The file is let go, and another recording may take its name. Where no block
    // reached the disk nothing of this recording is left, and an earlier file of its
    // name is as it was.
    m_target.reset();
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
