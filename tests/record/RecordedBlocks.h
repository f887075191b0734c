// Blocks shaped like the card's (channel 3 the scan counter), the codes at both ends
// of the 16-bit range among them, a scratch folder for the files the tests write, and a
// full disk's stand-in.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "record/Recorder.h"
#include "tests/support/ScratchFolder.h"

namespace tqv::record::testing {

inline constexpr int kChannels = 4;
inline constexpr int32_t kScansPerBlock = 300;
inline constexpr int32_t kScanRate = 10000;

inline std::vector<int16_t> cardBlock(int64_t firstScan) {
    std::vector<int16_t> block(static_cast<std::size_t>(kScansPerBlock * kChannels));
    for (int32_t s = 0; s < kScansPerBlock; ++s) {
        const int64_t scan = firstScan + s;
        auto* row = &block[static_cast<std::size_t>(s * kChannels)];
        row[0] = static_cast<int16_t>(scan % 2 == 0 ? INT16_MIN : INT16_MAX);
        row[1] = static_cast<int16_t>(static_cast<uint16_t>(scan * 7919));
        row[2] = static_cast<int16_t>(-1 - scan % 5);
        row[3] = static_cast<int16_t>(static_cast<uint16_t>(scan));
    }
    return block;
}

inline RecordingSettings settingsFor(const std::filesystem::path& file) {
    RecordingSettings settings;
    settings.file = file;
    settings.scanRate = kScanRate;
    settings.channels = kChannels;
    settings.scansPerBlock = kScansPerBlock;
    settings.program = "record_tests";
    settings.version = "0";
    return settings;
}

inline nlohmann::json readJson(const std::filesystem::path& file) {
    std::ifstream in(file);
    return nlohmann::json::parse(in);
}

// A file-size limit stands in for a full disk: no file grows past `bytes` while it lasts.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

using test::ScratchFolder;

}  // namespace tqv::record::testing
