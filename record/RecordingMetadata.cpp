#include "record/RecordingMetadata.h"

#include <ctime>
#include <nlohmann/json.hpp>

namespace tqv::record {

std::string stopReasonText(StopReason reason) {
    switch (reason) {
    case StopReason::DurationReached: return "duration reached";
    case StopReason::Interrupted: return "interrupted";
    case StopReason::StopPressed: return "stop pressed";
    case StopReason::PanelClosed: return "panel closed";
    case StopReason::CardError: return "card error";
    case StopReason::WriteError: return "write error";
    }
    return "unknown";
}

std::string metadataJson(const RecordingMetadata& metadata) {
    nlohmann::ordered_json json;
    json["file"] = metadata.file;
    json["format"] = metadata.format;
    json["scan_rate"] = metadata.scanRate;
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    for (int c = 0; c < metadata.channels; ++c) channels.push_back(metadata.firstChannel + c);
    json["channels"] = channels;
    nlohmann::ordered_json setup = nlohmann::ordered_json::array();
    for (int c = 0; c < metadata.channels; ++c) {
        const auto& channel = metadata.channelSetup.channel(c);
        const auto& [a, b] = channel.calibration.points();
        setup.push_back({{"channel", metadata.firstChannel + c},
                         {"name", metadata.channelSetup.name(c)},
                         {"unit", channel.unit},
                         {"points", {{a.code, a.value}, {b.code, b.value}}}});
    }
    // value = value0 + (code - code0) × (value1 - value0) / (code1 - code0)
    json["channel_setup"] = setup;
    json["scans_per_block"] = metadata.scansPerBlock;
    json["start_time_utc"] = metadata.startTimeUtc;
    json["card"] = {{"identity", metadata.cardIdentity}, {"library", metadata.cardLibrary}};
    json["program"] = {{"name", metadata.program}, {"version", metadata.version}};
    json["scans_written"] = metadata.scansWritten;
    json["blocks_written"] = metadata.blocksWritten;
    nlohmann::ordered_json gaps = nlohmann::ordered_json::array();
    int64_t lost = 0;
    int64_t unknown = 0;
    for (const Gap& gap : metadata.gaps) {
        nlohmann::ordered_json entry;
        entry["scan_index"] = gap.scanIndex;
        if (gap.blocksLost) {
            entry["blocks_lost"] = *gap.blocksLost;
            lost += *gap.blocksLost;
        } else {
            entry["blocks_lost"] = "unknown";
            ++unknown;
        }
        if (gap.estimatedBlocks) entry["estimated_blocks_lost"] = *gap.estimatedBlocks;
        entry["file_scan"] = gap.fileScan;
        entry["cause"] = gap.cause;
        gaps.push_back(entry);
    }
    json["gaps"] = gaps;
    // Blocks counted lost; the gaps of no known size come on top of them.
    json["blocks_lost"] = lost;
    json["gaps_of_unknown_size"] = unknown;
    if (metadata.stopReason) {
        json["stopped"] = {{"reason", stopReasonText(*metadata.stopReason)},
                           {"error", metadata.error}};
    } else {
        json["stopped"] = nullptr;
    }
    // Names and identity lines need not be valid UTF-8: replaced, never thrown over.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::filesystem::path metadataPath(const std::filesystem::path& recording) {
    auto path = recording;
    path += ".json";
    return path;
}

std::string utcTimestamp(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace tqv::record
