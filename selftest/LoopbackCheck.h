// The digital outputs read back through a loopback plug that wires output bit b
// (port 0 = bits 0..7, port 1 = bits 8..15) to the same bit of input words 0 and 1.
#pragma once

#include "session/CardSession.h"
#include "selftest/CheckResult.h"

namespace tqv::selftest {

// Each of the 16 bits alone with Tqv_DOBit, then 0x55 and 0xAA on both ports with
// Tqv_DO, each read back with Tqv_DI; a mismatch names every bit that differed.
// Leaves all outputs at 0.
CheckResult checkLoopback(session::CardSession& session);

// What the check reports when the operator did not ask for it: no output is touched.
CheckResult skippedLoopback();

}  // namespace tqv::selftest
