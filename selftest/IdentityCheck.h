// The card's identity, asked the way the panel asks it at start-up.
#pragma once

#include "session/CardSession.h"
#include "selftest/CheckResult.h"

namespace tqv::selftest {

// Fails when IOCtl reports failure (0) or leaves the identity bytes of the reply as
// they were before the call; passes with the caption the panel would show.
CheckResult checkIdentity(session::CardSession& session);

}  // namespace tqv::selftest
