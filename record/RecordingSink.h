// Where the writer thread puts the samples: a WAV or a CSV file, or a test's stand-in.
// Only the writer thread calls it. Every call returns empty on success, else the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tqv::record {

class RecordingSink {
public:
    virtual ~RecordingSink() = default;
    // Appends whole blocks (interleaved channels, as the card delivered them), the
    // first at acquisition scan `firstScan`. On a failure the file is cut back to the
    // last whole block that got through.
    virtual std::optional<std::string> write(std::span<const int16_t> samples, int64_t firstScan) = 0;
    // Makes what was written readable after a crash: sizes in the header, data on disk.
    virtual std::optional<std::string> sync() = 0;
    // Last header update, sync and close; also after a failed write.
    virtual std::optional<std::string> finish() = 0;
    // Bytes in the file so far.
    virtual int64_t bytes() const = 0;
    // Scans in the file so far: after a failed write, those of the whole blocks kept.
    virtual int64_t scans() const = 0;
};

}  // namespace tqv::record
