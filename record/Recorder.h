// A recording: blocks offered by the thread that stores them go through a queue
// allocated once to a writer thread that owns the file and its metadata. Offering
// never allocates, locks or waits on the disk; a block that finds the queue full is
// a gap, counted and put in the metadata, and so is every loss the card session tells.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <variant>

#include "channels/ChannelSetup.h"
#include "record/BlockQueue.h"
#include "record/MetadataFile.h"
#include "record/RecordingMetadata.h"
#include "record/RecordingSink.h"
#include "record/RecordingTarget.h"
#include "session/BlockListener.h"

namespace tqv::record {

// The simulated card's fastest rate (a hundred times the panel's 10000 scans a
// second); the default queue holds two seconds of it.
inline constexpr int64_t FastestScanRate = 1'000'000;
inline constexpr int64_t DefaultQueueScans = 2 * FastestScanRate;

struct RecordingSettings {
    // Its name ends in ".wav" (WAV) or ".csv" (CSV text), in any case.
    std::filesystem::path file;
    // Replace an existing file (and its metadata) rather than refuse.
    bool replace = false;
    int32_t scanRate = 0;
    int firstChannel = 0;
    int channels = 0;
    int32_t scansPerBlock = 0;
    // Zero: DefaultQueueScans rounded up to whole blocks.
    std::size_t queueBlocks = 0;
    // The header and the data reach the disk at least this often.
    std::chrono::milliseconds syncInterval{500};
    std::string cardIdentity;
    std::string cardLibrary;
    std::string program;
    std::string version;
    // Each channel's name, unit and calibration: a CSV's values are in the unit; the
    // metadata gives them so that a WAV's codes can be converted.
    channels::ChannelSetup channelSetup;
    // WAV only; see WavLayout::leadFrames.
    int64_t wavLeadFrames = 0;
};

enum class RecordingState { Recording, Stopped, Failed };

struct RecordingStatus {
    RecordingState state = RecordingState::Recording;
    double elapsedSeconds = 0;
    int64_t bytes = 0;
    int64_t scansWritten = 0;
    int64_t gaps = 0;
    // Blocks counted lost, and losses of no known size on top of them.
    int64_t blocksLost = 0;
    int64_t lossesOfUnknownSize = 0;
    // The write error, once state is Failed.
    std::string error;
    // Whether the recording has its file, which it takes once its first block is on
    // disk. A recording that ends without it wrote nothing and left nothing behind.
    bool begun = false;
};

// A listener of the acquired blocks: each stored block is offered, each loss noted.
class Recorder final : public session::BlockListener {
public:
    // Prepares the file (see RecordingTarget: it takes its name, and the metadata is
    // first written, once the first block is on disk). Refused with the reason: a name
    // that is neither .wav nor .csv, an existing file without `replace`, a file another
    // recording is writing, a folder that cannot be written, bad parameters.
    static std::variant<std::unique_ptr<Recorder>, RecordingRefusal> open(
        const RecordingSettings& settings);
    // With a sink already open: writes where the sink does (the tests' stand-ins), or
    // into `target`'s temporary file.
    Recorder(const RecordingSettings& settings, std::unique_ptr<RecordingSink> sink,
             std::unique_ptr<RecordingTarget> target = nullptr);
    // Stops as a stop pressed when still going.
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Producer thread only: one block of scansPerBlock scans, as stored.
    void offer(std::span<const int16_t> block);
    // Producer thread only: blocks lost before the next block offered.
    void noteLoss(const session::Loss& loss);

    void blockStored(const session::StoredBlock& block) override { offer(block.samples); }
    void blocksLost(const session::Loss& loss) override { noteLoss(loss); }
    bool wantsCardErrorCode() const override { return true; }
    // Producer thread only: takes no more blocks, lets the writer finish what is
    // queued, close the file and write the last metadata, then returns. A write
    // error that ended it earlier stays the reason. `detail` goes into the metadata
    // beside the reason: what the card said, for a card error.
    void stop(StopReason reason, std::string detail = {});

    // Any thread.
    RecordingStatus status() const;
    // Once stopped: what the last metadata says (or would, where nothing was written).
    const RecordingMetadata& metadata() const { return m_metadata; }
    // Once stopped: why the metadata file does not say how the recording ended, where it
    // could not be written even in place; empty when it does.
    const std::string& metadataError() const { return m_metadataError; }
    const std::filesystem::path& file() const { return m_settings.file; }

private:
    void writerLoop();
    std::optional<std::string> begin();
    void finishFile();
    void fail(const std::string& reason);
    void noteMetadataError(const std::optional<std::string>& error);
    void addGap(int64_t firstScanAfter, const LossBefore& lost);

    const RecordingSettings m_settings;
    std::unique_ptr<RecordingSink> m_sink;
    // Writer thread; let go once the recording has ended.
    std::unique_ptr<RecordingTarget> m_target;
    MetadataFile m_metadataFile;
    BlockQueue m_queue;
    const std::chrono::steady_clock::time_point m_started;

    // Producer thread only. Blocks of the acquisition so far: offered, counted lost, or
    // lost by the clock's estimate.
    int64_t m_acquiredBlocks = 0;
    LossBefore m_pending;
    bool m_stopped = false;

    // Set by the producer, read by the writer and by status().
    std::atomic<int64_t> m_gaps{0};
    std::atomic<int64_t> m_blocksLost{0};
    std::atomic<int64_t> m_lossesOfUnknownSize{0};
    // Written by the producer before m_stopRequested (release), read by the writer after.
    LossBefore m_trailing;
    int64_t m_trailingScan = 0;
    std::string m_stopDetail;
    std::atomic<StopReason> m_requestedReason{StopReason::StopPressed};
    std::atomic<bool> m_stopRequested{false};

    // Writer thread: m_metadata until joined; the atomics for status().
    RecordingMetadata m_metadata;
    std::atomic<int64_t> m_scansWritten{0};
    std::atomic<int64_t> m_bytes{0};
    std::atomic<RecordingState> m_state{RecordingState::Recording};
    std::atomic<double> m_stoppedAfter{0};
    // Written once by the writer before m_state becomes Failed (release), read after.
    std::string m_error;
    std::atomic<bool> m_begun{false};
    // Writer thread until joined.
    std::string m_metadataError;

    std::thread m_writer;
};

}  // namespace tqv::record
