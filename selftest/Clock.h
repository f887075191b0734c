// The self-test's clock is the card session's (session/Clock.h).
#pragma once

#include "session/Clock.h"

namespace tqv::selftest {

using session::Clock;
using session::SteadyClock;

}  // namespace tqv::selftest
