// The files as other programs see them: the WAV read back through libsndfile bit for
// bit, the RF64 switch past 4 GiB, a write failure that leaves whole blocks, CSV rows.
#include <gtest/gtest.h>
#include <sched.h>
#include <sndfile.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>

#include "RecordedBlocks.h"
#include "record/WavSink.h"
#include "text/ScanCsv.h"

namespace tqv::record {
namespace {

using namespace testing;

std::unique_ptr<Recorder> openRecorder(const RecordingSettings& settings) {
    auto opened = Recorder::open(settings);
    if (auto* refusal = std::get_if<RecordingRefusal>(&opened)) {
        ADD_FAILURE() << refusal->text;
        return nullptr;
    }
    return std::move(std::get<0>(opened));
}

struct WavContents {
    SF_INFO info{};
    std::vector<int16_t> samples;
};

WavContents readWav(const std::filesystem::path& file, sf_count_t fromFrame = 0) {
    WavContents contents;
    SNDFILE* sndfile = sf_open(file.c_str(), SFM_READ, &contents.info);
    if (sndfile == nullptr) {
        ADD_FAILURE() << file << ": " << sf_strerror(nullptr);
        return contents;
    }
    sf_seek(sndfile, fromFrame, SEEK_SET);
    contents.samples.resize(
        static_cast<std::size_t>((contents.info.frames - fromFrame) * contents.info.channels));
    const auto frames =
        sf_readf_short(sndfile, contents.samples.data(), contents.info.frames - fromFrame);
    contents.samples.resize(static_cast<std::size_t>(frames * contents.info.channels));
    sf_close(sndfile);
    return contents;
}

std::vector<int16_t> cardBlocks(int64_t blocks) {
    std::vector<int16_t> samples;
    for (int64_t b = 0; b < blocks; ++b) {
        const auto block = cardBlock(b * kScansPerBlock);
        samples.insert(samples.end(), block.begin(), block.end());
    }
    return samples;
}

std::string fileHead(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    return head;
}

TEST(RecordFile, WavReadsBackBitForBitWithTheCounterContinuous) {
    const ScratchFolder folder;
    constexpr int64_t kBlocks = 120;
    auto recorder = openRecorder(settingsFor(folder / "run.wav"));
    ASSERT_TRUE(recorder);
    for (int64_t b = 0; b < kBlocks; ++b) recorder->offer(cardBlock(b * kScansPerBlock));
    recorder->stop(StopReason::DurationReached);

    const auto wav = readWav(folder / "run.wav");
    EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << "a plain PCM WAV below 4 GiB";
    EXPECT_EQ(wav.info.channels, kChannels);
    EXPECT_EQ(wav.info.samplerate, kScanRate);
    ASSERT_EQ(wav.samples, cardBlocks(kBlocks));
    for (std::size_t s = 1; s < wav.samples.size() / kChannels; ++s) {
        ASSERT_EQ(static_cast<uint16_t>(wav.samples[s * kChannels + 3]),
                  static_cast<uint16_t>(wav.samples[(s - 1) * kChannels + 3] + 1));
    }
    const auto json = readJson(folder / "run.wav.json");
    EXPECT_EQ(json["scans_written"], kBlocks * kScansPerBlock);
    EXPECT_EQ(json["scan_rate"], kScanRate);
    EXPECT_EQ(json["stopped"]["reason"], "duration reached");
    EXPECT_TRUE(json["gaps"].empty());
}

TEST(RecordFile, AnExistingFileIsKeptUnlessReplacing) {
    const ScratchFolder folder;
    const auto file = folder / "run.csv";
    std::ofstream(file) << "keep me\n";
    auto settings = settingsFor(file);
    const auto refused = Recorder::open(settings);
    ASSERT_TRUE(std::holds_alternative<RecordingRefusal>(refused));
    EXPECT_EQ(std::get<RecordingRefusal>(refused).kind, RecordingRefusal::Kind::Exists);
    EXPECT_EQ(std::filesystem::file_size(file), 8u);

    settings.replace = true;
    auto recorder = openRecorder(settings);
    ASSERT_TRUE(recorder);
    recorder->offer(cardBlock(0));
    recorder->stop(StopReason::Interrupted);
    std::ifstream in(file);
    std::string header, first;
    std::getline(in, header);
    std::getline(in, first);
    EXPECT_EQ(header, "time_s,ch0,ch1,ch2,ch3");
    EXPECT_EQ(first, "0,-32768,0,-1,0");
}

// The CSV is in each channel's unit; the WAV keeps the codes, and the metadata beside
// either gives each channel's name, unit and points so that a reader can convert.
TEST(RecordFile, UnitsInTheCsvAndTheCalibrationInTheMetadata) {
    const ScratchFolder folder;
    channels::ChannelSetup setup;
    setup.setChannel(1, {"Supply", "V",
                         std::get<channels::Calibration>(
                             channels::Calibration::fromPoints({0, 0.0}, {32767, 10.0}))});
    for (const char* name : {"run.csv", "run.wav"}) {
        auto settings = settingsFor(folder / name);
        settings.channelSetup = setup;
        auto recorder = openRecorder(settings);
        ASSERT_TRUE(recorder);
        recorder->offer(cardBlock(0));
        recorder->stop(StopReason::Interrupted);
        const auto json = readJson(metadataPath(folder / name));
        ASSERT_EQ(json["channel_setup"].size(), 4u);
        EXPECT_EQ(json["channel_setup"][1]["name"], "Supply");
        EXPECT_EQ(json["channel_setup"][1]["unit"], "V");
        EXPECT_EQ(json["channel_setup"][1]["points"][1][1], 10.0);
        EXPECT_EQ(json["channel_setup"][0]["unit"], "code");
        EXPECT_EQ(json["channel_setup"][0]["points"][1][0], 1);
    }
    std::ifstream in(folder / "run.csv");
    std::string header, first;
    std::getline(in, header);
    std::getline(in, first);
    EXPECT_EQ(header, "time_s,ch0,Supply (V),ch2,ch3");
    EXPECT_EQ(first, "0,-32768,0.0000,-1,0");
    EXPECT_EQ(readWav(folder / "run.wav").samples, cardBlock(0));
}

TEST(RecordFile, CsvRowsTakeTheirTimeFromTheScanIndex) {
    std::vector<char> text;
    const std::vector<int16_t> samples{-32768, 32767, 0, -1};
    text::appendCsvRows(text, samples, 2, 3, 10000);
    EXPECT_EQ(std::string(text.begin(), text.end()), "0.0003,-32768,32767\n0.0004,0,-1\n");
    EXPECT_EQ(text::csvHeader(2), "time_s,ch0,ch1\n");
    // A name with a comma or a quote stays one field.
    channels::ChannelSetup setup;
    setup.setChannel(0, {"a,b", "code", {}});
    setup.setChannel(1, {"say \"hi\"", "code", {}});
    EXPECT_EQ(text::csvHeader(3, setup), "time_s,\"a,b\",\"say \"\"hi\"\"\",ch2\n");
}

TEST(RecordFile, PastFourGibibytesTheWavBecomesRf64KeepingEverySample) {
    const ScratchFolder folder;
    const auto file = folder / "big.wav";
    // Two blocks short of the 4 GiB mark, as a hole that takes no disk.
    constexpr int64_t kFramesTo4GiB = (int64_t{1} << 32) / (kChannels * 2);
    const int64_t lead = kFramesTo4GiB - 2 * kScansPerBlock;
    auto created = WavSink::create(file, false, {kChannels, kScanRate, kScansPerBlock, lead});
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<WavSink>>(created));
    auto& sink = *std::get<0>(created);
    const auto samples = cardBlocks(3);
    const std::span<const int16_t> all(samples);
    ASSERT_FALSE(sink.write(all.first(samples.size() / 3), lead));
    ASSERT_FALSE(sink.sync());
    EXPECT_EQ(fileHead(file), "RIFF");
    ASSERT_FALSE(sink.write(all.subspan(samples.size() / 3), lead + kScansPerBlock));
    ASSERT_FALSE(sink.sync());
    EXPECT_EQ(fileHead(file), "RF64") << "switched in place, before the file is closed";
    ASSERT_FALSE(sink.finish());

    const auto wav = readWav(file, lead);
    EXPECT_EQ(wav.info.format, SF_FORMAT_RF64 | SF_FORMAT_PCM_16);
    EXPECT_EQ(wav.info.frames, lead + 3 * kScansPerBlock);
    EXPECT_EQ(wav.samples, samples);
}

TEST(RecordFile, AWriteFailureLeavesAValidFileOfWholeBlocksAndTheReason) {
    const ScratchFolder folder;
    const auto file = folder / "full.wav";
    constexpr int64_t kBlockBytes = kScansPerBlock * kChannels * 2;
    auto settings = settingsFor(file);
    {
        // Room for the header and ten and a half blocks.
        const FileSizeLimit limit(static_cast<rlim_t>(4096 + 10 * kBlockBytes + kBlockBytes / 2));
        auto recorder = openRecorder(settings);
        ASSERT_TRUE(recorder);
        for (int64_t b = 0; b < 40; ++b) recorder->offer(cardBlock(b * kScansPerBlock));
        recorder->stop(StopReason::DurationReached);
        EXPECT_EQ(recorder->status().state, RecordingState::Failed);
        EXPECT_NE(recorder->status().error.find("too large"), std::string::npos)
            << recorder->status().error;
    }
    const auto wav = readWav(file);
    const auto blocks = static_cast<int64_t>(wav.samples.size()) / (kScansPerBlock * kChannels);
    EXPECT_EQ(wav.samples.size() % (kScansPerBlock * kChannels), 0u);
    EXPECT_EQ(wav.info.frames * kChannels, static_cast<sf_count_t>(wav.samples.size()));
    EXPECT_GE(blocks, 10);
    EXPECT_EQ(wav.samples, cardBlocks(blocks));
    const auto json = readJson(metadataPath(file));
    EXPECT_EQ(json["stopped"]["reason"], "write error");
    EXPECT_NE(json["stopped"]["error"].get<std::string>().find("too large"), std::string::npos);
    EXPECT_EQ(json["blocks_written"], blocks);
}

// A small disk of the test's own: a tmpfs in a mount namespace of its own, gone with the
// process. Empty where the system does not allow it (not root, in a container without
// the right): the reason then.
std::optional<std::string> mountSmallDisk(const std::filesystem::path& at, const char* size) {
    if (::unshare(CLONE_NEWNS) != 0) return systemError("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return systemError("making the mounts private");
    }
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, size) != 0) return systemError("mount tmpfs");
    return std::nullopt;
}

TEST(RecordFile, OnAFullDiskTheMetadataStillSaysWhatWasWrittenAndWhyItStopped) {
    const ScratchFolder folder;
    const auto disk = folder / "disk";
    std::filesystem::create_directory(disk);
    if (const auto refused = mountSmallDisk(disk, "size=96k")) {
        GTEST_SKIP() << "a small tmpfs could not be mounted here: " << *refused;
    }
    const auto file = disk / "d.wav";
    {
        auto recorder = openRecorder(settingsFor(file));
        ASSERT_TRUE(recorder);
        recorder->offer(cardBlock(0));
        while (!recorder->status().begun) std::this_thread::yield();
        for (int64_t b = 1; b < 60; ++b) recorder->offer(cardBlock(b * kScansPerBlock));
        recorder->stop(StopReason::DurationReached);
        EXPECT_EQ(recorder->status().state, RecordingState::Failed);
        EXPECT_EQ(recorder->metadataError(), "");
    }
    const auto wav = readWav(file);
    const auto json = readJson(metadataPath(file));
    EXPECT_EQ(json["stopped"]["reason"], "write error");
    EXPECT_NE(json["stopped"]["error"].get<std::string>().find("No space left"), std::string::npos);
    EXPECT_GT(wav.info.frames, 0);
    EXPECT_EQ(json["scans_written"], wav.info.frames);
    ::umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace tqv::record
