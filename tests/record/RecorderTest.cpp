// The hand-over between the thread that stores blocks and the writer: a writer that
// stalls costs blocks, counted as a gap at the right scan index, never the producer's time.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "RecordedBlocks.h"
#include "record/BlockQueue.h"

namespace tqv::record {
namespace {

using namespace testing;

// A file that takes everything, but whose first write waits until the test says go.
class StallingSink final : public RecordingSink {
public:
    std::optional<std::string> write(std::span<const int16_t> samples, int64_t firstScan) override {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_released; });
        m_samples.insert(m_samples.end(), samples.begin(), samples.end());
        m_firstScans.push_back(firstScan);
        return std::nullopt;
    }
    std::optional<std::string> sync() override { return std::nullopt; }
    std::optional<std::string> finish() override { return std::nullopt; }
    int64_t bytes() const override { return 0; }
    int64_t scans() const override { return 0; }

    void waitUntilEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_entered; });
    }
    void release() {
        const std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    // Read once the recorder has stopped.
    std::vector<int16_t> m_samples;
    std::vector<int64_t> m_firstScans;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_released = false;
};

TEST(Recorder, StalledWriterCostsAGapAtTheRightScanNeverTheProducersTime) {
    const ScratchFolder folder;
    auto settings = settingsFor(folder / "run.wav");
    settings.queueBlocks = 8;
    auto sinkOwner = std::make_unique<StallingSink>();
    StallingSink& sink = *sinkOwner;
    Recorder recorder(settings, std::move(sinkOwner));

    int64_t block = 0;
    const auto offerNext = [&] { recorder.offer(cardBlock(block++ * kScansPerBlock)); };
    offerNext();
    sink.waitUntilEntered();
    // The stalled write holds its slot: seven more fit, the next three are lost. Were
    // offer() to wait for room, this would never return while the writer is held.
    for (int k = 0; k < 10; ++k) offerNext();
    EXPECT_EQ(recorder.status().gaps, 1);
    EXPECT_EQ(recorder.status().blocksLost, 3);
    sink.release();
    while (recorder.status().scansWritten < 8 * kScansPerBlock) std::this_thread::yield();
    offerNext();
    offerNext();
    recorder.stop(StopReason::StopPressed);

    const auto& metadata = recorder.metadata();
    ASSERT_EQ(metadata.gaps.size(), 1u);
    EXPECT_EQ(metadata.gaps[0].scanIndex, 8 * kScansPerBlock);
    EXPECT_EQ(metadata.gaps[0].blocksLost, 3);
    EXPECT_EQ(metadata.gaps[0].fileScan, 8 * kScansPerBlock);
    EXPECT_EQ(metadata.blocksWritten, 10);
    std::vector<int16_t> expected;
    for (const int64_t b : {0, 1, 2, 3, 4, 5, 6, 7, 11, 12}) {
        const auto samples = cardBlock(b * kScansPerBlock);
        expected.insert(expected.end(), samples.begin(), samples.end());
    }
    EXPECT_EQ(sink.m_samples, expected);
    const auto json = readJson(folder / "run.wav.json");
    EXPECT_EQ(json["gaps"][0]["scan_index"], 8 * kScansPerBlock);
    EXPECT_EQ(json["blocks_lost"], 3);
    EXPECT_EQ(json["stopped"]["reason"], "stop pressed");
}

// What the card session tells of losses becomes gaps where they fell: a block not
// delivered counted, a loss of no known size "unknown" with the clock's estimate, the
// acquisition's scan index moved on by what is known of both.
TEST(Recorder, EveryLossTheCardSessionTellsIsAGapAtItsFileScan) {
    const ScratchFolder folder;
    auto recorder = std::get<0>(Recorder::open(settingsFor(folder / "run.wav")));
    int64_t block = 0;
    const auto offerNext = [&] { recorder->offer(cardBlock(block++ * kScansPerBlock)); };
    offerNext();
    offerNext();
    session::Loss notDelivered;
    notDelivered.cause = session::LossCause::NotDelivered;
    notDelivered.blocks = 1;
    recorder->noteLoss(notDelivered);
    ++block;
    offerNext();
    session::Loss overrun;
    overrun.cause = session::LossCause::CardQueueFull;
    overrun.estimatedBlocks = 36;
    recorder->noteLoss(overrun);
    block += 36;
    offerNext();
    session::Loss error;
    error.cause = session::LossCause::CardError;
    error.errorCode = -5;
    recorder->noteLoss(error);
    EXPECT_EQ(recorder->status().gaps, 3);
    EXPECT_EQ(recorder->status().blocksLost, 1);
    EXPECT_EQ(recorder->status().lossesOfUnknownSize, 2);
    recorder->stop(StopReason::StopPressed);

    const auto json = readJson(folder / "run.wav.json");
    ASSERT_EQ(json["gaps"].size(), 3u);
    EXPECT_EQ(json["gaps"][0]["file_scan"], 2 * kScansPerBlock);
    EXPECT_EQ(json["gaps"][0]["scan_index"], 2 * kScansPerBlock);
    EXPECT_EQ(json["gaps"][0]["blocks_lost"], 1);
    EXPECT_EQ(json["gaps"][1]["file_scan"], 3 * kScansPerBlock);
    EXPECT_EQ(json["gaps"][1]["scan_index"], 4 * kScansPerBlock);
    EXPECT_EQ(json["gaps"][1]["blocks_lost"], "unknown");
    EXPECT_EQ(json["gaps"][1]["estimated_blocks_lost"], 36);
    EXPECT_EQ(json["gaps"][1]["cause"], "the card's queue was full");
    EXPECT_EQ(json["gaps"][2]["file_scan"], 4 * kScansPerBlock) << "a loss at the very end";
    EXPECT_EQ(json["gaps"][2]["scan_index"], 41 * kScansPerBlock);
    EXPECT_EQ(json["gaps"][2]["cause"], "card error code -5");
    EXPECT_FALSE(json["gaps"][2].contains("estimated_blocks_lost"));
    EXPECT_EQ(json["blocks_lost"], 1);
    EXPECT_EQ(json["gaps_of_unknown_size"], 2);
}

TEST(Recorder, ARecordingThatCannotGoOnEndsWithTheCardsOwnWords) {
    const ScratchFolder folder;
    auto recorder = std::get<0>(Recorder::open(settingsFor(folder / "run.wav")));
    recorder->offer(cardBlock(0));
    recorder->stop(StopReason::CardError, "no block for 2 s, card error code -5");
    const auto json = readJson(folder / "run.wav.json");
    EXPECT_EQ(json["stopped"]["reason"], "card error");
    EXPECT_EQ(json["stopped"]["error"], "no block for 2 s, card error code -5");
}

TEST(BlockQueue, RunsEndAtTheStorageEndAndBeforeAGap) {
    BlockQueue queue(4, 2);
    const std::vector<int16_t> block{1, 2};
    const LossBefore none;
    LossBefore three;
    three.knownBlocks = 3;
    LossBefore unknown;
    unknown.unknownLosses = 1;
    ASSERT_TRUE(queue.push(block, 0, none));
    ASSERT_TRUE(queue.push(block, 1, none));
    ASSERT_TRUE(queue.push(block, 5, three));
    ASSERT_TRUE(queue.push(block, 6, unknown));
    EXPECT_FALSE(queue.push(block, 7, none));
    EXPECT_EQ(queue.front().blocks, 2u);
    queue.pop(2);
    const auto afterGap = queue.front();
    EXPECT_EQ(afterGap.blocks, 1u) << "a loss of unknown size ends a run too";
    EXPECT_EQ(afterGap.firstScan, 5);
    EXPECT_EQ(afterGap.lostBefore.knownBlocks, 3);
    queue.pop(1);
    ASSERT_TRUE(queue.push(block, 8, none));
    ASSERT_TRUE(queue.push(block, 9, none));
    EXPECT_EQ(queue.front().blocks, 1u) << "stops at the end of the storage";
    EXPECT_EQ(queue.front().lostBefore.unknownLosses, 1);
    queue.pop(1);
    EXPECT_EQ(queue.front().firstScan, 8);
    EXPECT_FALSE(queue.push(std::vector<int16_t>{1}, 10, none)) << "a block of the wrong length";
}

}  // namespace
}  // namespace tqv::record
