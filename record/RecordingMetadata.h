// What a recording says about itself in "<file>.json" beside it, written (by
// MetadataFile) once its first block is on disk, at each gap and at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "channels/ChannelSetup.h"

namespace tqv::record {

enum class StopReason { DurationReached, Interrupted, StopPressed, PanelClosed, CardError, WriteError };

// "duration reached", "interrupted", ...: the words the metadata and the programs use.
std::string stopReasonText(StopReason reason);

struct Gap {
    // The acquisition's scan index of the first scan lost, counted from the start as far
    // as the program can count: a loss of no known size moves it on by the clock's
    // estimate, where there was one.
    int64_t scanIndex = 0;
    // Empty when the card reported a loss without saying how large.
    std::optional<int64_t> blocksLost;
    // The clock's estimate of a loss of no known size.
    std::optional<int64_t> estimatedBlocks;
    // Scans in the file before the gap.
    int64_t fileScan = 0;
    // What showed it: "the card's queue was full", "card error code -5", ...
    std::string cause;
};

struct RecordingMetadata {
    std::string file;
    std::string format;
    int32_t scanRate = 0;
    int firstChannel = 0;
    int channels = 0;
    int32_t scansPerBlock = 0;
    std::string startTimeUtc;
    std::string cardIdentity;
    std::string cardLibrary;
    std::string program;
    std::string version;
    // Each recorded channel's name, unit and calibration points, so that a reader can
    // turn the file's codes into values.
    channels::ChannelSetup channelSetup;
    int64_t scansWritten = 0;
    int64_t blocksWritten = 0;
    std::vector<Gap> gaps;
    // Empty while recording.
    std::optional<StopReason> stopReason;
    std::string error;
};

std::string metadataJson(const RecordingMetadata& metadata);
// "run.wav" -> "run.wav.json".
std::filesystem::path metadataPath(const std::filesystem::path& recording);
// ISO 8601 in UTC to the second, "2026-01-31T12:00:00Z".
std::string utcTimestamp(std::chrono::system_clock::time_point time);

}  // namespace tqv::record
