// Where a recording goes: an earlier file is replaced only once the new recording has
// its first block on disk, a recording that never gets that far leaves nothing behind,
// a file being recorded is not recorded over, and a name that is no recording is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "RecordedBlocks.h"

namespace tqv::record {
namespace {

using namespace testing;
namespace fs = std::filesystem;
using Kind = RecordingRefusal::Kind;

std::vector<std::string> folderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::unique_ptr<Recorder> opened(std::variant<std::unique_ptr<Recorder>, RecordingRefusal> result) {
    if (auto* refusal = std::get_if<RecordingRefusal>(&result)) {
        ADD_FAILURE() << refusal->text;
        return nullptr;
    }
    return std::move(std::get<0>(result));
}

// The writer takes the recording's file once the first block it was given is on disk.
void waitUntilBegun(const Recorder& recorder) {
    while (!recorder.status().begun && recorder.status().state == RecordingState::Recording) {
        std::this_thread::yield();
    }
}

RecordingRefusal refusalOf(const RecordingSettings& settings) {
    auto result = Recorder::open(settings);
    if (auto* refusal = std::get_if<RecordingRefusal>(&result)) return *refusal;
    ADD_FAILURE() << settings.file << " was not refused";
    return {};
}

TEST(RecordingTarget, AnEarlierFileIsReplacedOnlyOnceTheFirstBlockIsOnDisk) {
    const ScratchFolder folder;
    const auto file = folder / "run.wav";
    std::ofstream(file) << "earlier recording";
    std::ofstream(metadataPath(file)) << "{\"earlier\": true}";
    auto settings = settingsFor(file);
    settings.replace = true;
    auto recorder = opened(Recorder::open(settings));
    ASSERT_TRUE(recorder);
    EXPECT_EQ(contents(file), "earlier recording");
    EXPECT_EQ(contents(metadataPath(file)), "{\"earlier\": true}");
    EXPECT_EQ(folderContents(folder / "").size(), 3u) << "the new recording's own file beside";

    recorder->offer(cardBlock(0));
    waitUntilBegun(*recorder);
    EXPECT_EQ(contents(file).substr(0, 4), "RIFF");
    EXPECT_EQ(readJson(metadataPath(file))["stopped"], nullptr) << "the new metadata, recording";
    recorder->stop(StopReason::StopPressed);
    EXPECT_EQ(folderContents(folder / ""), (std::vector<std::string>{"run.wav", "run.wav.json"}));
    EXPECT_EQ(readJson(metadataPath(file))["scans_written"], kScansPerBlock);
}

// Room for no more than a WAV or CSV header's first bytes: a disk full from the start.
constexpr rlim_t kFullFromTheStart = 8;

TEST(RecordingTarget, ARecordingThatNeverBeginsLeavesNothingBehindAndTheEarlierFileAsItWas) {
    const ScratchFolder folder;
    const std::string longest(252, 'n');
    for (const std::string& name : {std::string("run.wav"), longest + ".wav"}) {
        std::ofstream(folder / name) << "earlier recording";
    }
    const auto before = folderContents(folder / "");
    auto settings = settingsFor(folder / "run.wav");
    settings.replace = true;
    {
        // Stopped before any block came (a card that refused to start, say).
        auto recorder = opened(Recorder::open(settings));
        ASSERT_TRUE(recorder);
        recorder->stop(StopReason::CardError, "StartIntr failed, error code -7");
        EXPECT_FALSE(recorder->status().begun);
    }
    {
        // Its first block finds the disk full.
        auto recorder = opened(Recorder::open(settings));
        ASSERT_TRUE(recorder);
        const FileSizeLimit full(kFullFromTheStart);
        recorder->offer(cardBlock(0));
        recorder->stop(StopReason::DurationReached);
        EXPECT_EQ(recorder->status().state, RecordingState::Failed);
        EXPECT_FALSE(recorder->status().begun);
    }
    {
        // A CSV file whose header does not fit: refused at once, with no empty file left.
        const FileSizeLimit full(kFullFromTheStart);
        EXPECT_EQ(refusalOf(settingsFor(folder / "new.csv")).kind, Kind::Unusable);
    }
    // The folder takes this name, but not its metadata's, four bytes longer.
    settings.file = folder / (longest + ".wav");
    EXPECT_NE(refusalOf(settings).text.find("File name too long"), std::string::npos);
    EXPECT_EQ(folderContents(folder / ""), before);
    EXPECT_EQ(contents(folder / "run.wav"), "earlier recording");
}

TEST(RecordingTarget, AFileBeingRecordedIsNotRecordedOver) {
    const ScratchFolder folder;
    auto settings = settingsFor(folder / "two.wav");
    settings.replace = true;
    // Two recordings of one new name, neither with a block yet: both may begin.
    auto first = opened(Recorder::open(settings));
    auto second = opened(Recorder::open(settings));
    ASSERT_TRUE(first && second);
    first->offer(cardBlock(0));
    waitUntilBegun(*first);
    // The name is taken now: the later of the two gives up at its first block, and a
    // third is refused at once.
    second->offer(cardBlock(0));
    second->stop(StopReason::StopPressed);
    EXPECT_EQ(second->status().state, RecordingState::Failed);
    EXPECT_NE(second->status().error.find("two.wav is being recorded"), std::string::npos);
    const auto third = refusalOf(settings);
    EXPECT_EQ(third.kind, Kind::Busy);
    EXPECT_NE(third.text.find("two.wav"), std::string::npos);

    first->offer(cardBlock(kScansPerBlock));
    first->stop(StopReason::StopPressed);
    EXPECT_EQ(readJson(folder / "two.wav.json")["scans_written"], 2 * kScansPerBlock);
    EXPECT_EQ(folderContents(folder / ""), (std::vector<std::string>{"two.wav", "two.wav.json"}));
    // Once the first has ended, the file may be recorded over.
    EXPECT_TRUE(opened(Recorder::open(settings)));
}

TEST(RecordingTarget, NamesThatAreNoRecordingAreRefusedNamingTheFileGiven) {
    const ScratchFolder folder;
    ::mkfifo((folder / "fifo.wav").c_str(), 0600);
    fs::create_directory(folder / "folder.csv");
    for (const fs::path& name : {folder / "out.mp3", folder / "out", fs::path("/dev/null"),
                                 folder / "fifo.wav", folder / "folder.csv"}) {
        SCOPED_TRACE(name.string());
        auto settings = settingsFor(name);
        settings.replace = true;
        const auto refusal = refusalOf(settings);
        EXPECT_EQ(refusal.kind, Kind::Unusable);
        EXPECT_EQ(refusal.text.rfind(name.string(), 0), 0u) << refusal.text;
    }
    EXPECT_NE(refusalOf(settingsFor(folder / "out.mp3")).text.find(".wav"), std::string::npos);

    std::ofstream(folder / "run.wav") << "earlier";
    std::ofstream(folder / "only-metadata.csv.json") << "{}";
    for (const char* name : {"run.wav", "only-metadata.csv"}) {
        const auto refusal = refusalOf(settingsFor(folder / name));
        EXPECT_EQ(refusal.kind, Kind::Exists);
        EXPECT_EQ(refusal.text.rfind((folder / name).string() + " ", 0), 0u) << refusal.text;
    }
}

}  // namespace
}  // namespace tqv::record
