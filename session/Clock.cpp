#include "session/Clock.h"

#include <thread>

namespace tqv::session {

Clock::Duration SteadyClock::now() {
    return std::chrono::duration_cast<Duration>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::sleepFor(Duration duration) { std::this_thread::sleep_for(duration); }

}  // namespace tqv::session
