// The codes GetLastADError reports. README.md carries the same table for the people
// who read them off the panel, so a change here goes there too.
#pragma once

#include <cstdint>

namespace tqv::sim {

enum class Error : std::int32_t {
    None = 0,
    NotInitialised = -1,  // StartIntr before any successful Initial
    BadArgument = -2,     // a number outside what the card accepts
    NullPointer = -3,     // an address argument was null
    NoBlock = -4,         // ADResult with no completed block waiting
    Overrun = -5,         // a block completed while the queue was full and was dropped
    UnknownCommand = -6,  // IOCtl command bytes the card does not know
    NotSupported = -7,    // a function the card declares but does not implement
    StartFailed = -8,     // the system refused the acquisition thread or the block memory
    Unloaded = -9,        // a call arrived while the library was being unloaded
};

constexpr std::int32_t code(Error error) { return static_cast<std::int32_t>(error); }

}  // namespace tqv::sim
