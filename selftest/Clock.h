// The self-test's clock is the drain's (acquisition/Clock.h).
#pragma once

#include "acquisition/Clock.h"

namespace tqv::selftest {

using acquisition::Clock;
using acquisition::SteadyClock;

}  // namespace tqv::selftest
