// A clock the test moves by hand: waiting moves it, nothing else does.
#pragma once

#include "session/Clock.h"

namespace tqv::test {

class ManualClock : public session::Clock {
public:
    Duration now() override { return time; }
    void sleepFor(Duration duration) override { time += duration; }
    Duration time{};
};

}  // namespace tqv::test
