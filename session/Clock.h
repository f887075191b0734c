// Where the card session gets the time and the drain waits: the steady clock in the
// programs, a clock the test moves by hand in the unit tests, so that checking a block
// rate against the wall clock needs no real seconds.
#pragma once

#include <chrono>

namespace tqv::session {

class Clock {
public:
    using Duration = std::chrono::nanoseconds;
    virtual ~Clock() = default;
    // Time since an arbitrary fixed point; never goes back.
    virtual Duration now() = 0;
    virtual void sleepFor(Duration duration) = 0;
};

class SteadyClock final : public Clock {
public:
    Duration now() override;
    void sleepFor(Duration duration) override;
};

}  // namespace tqv::session
