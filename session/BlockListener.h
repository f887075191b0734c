// A consumer of the acquired blocks: the readouts' views, the scope, a recording, the
// server. Told by the blocks' owner on the thread that fetches them, in the order
// things happen; it must return at once and never call the card library.
#pragma once

#include "session/BlockEvents.h"
#include "session/StartParameters.h"

namespace tqv::session {

class BlockListener {
public:
    virtual ~BlockListener() = default;

    virtual void acquisitionStarted(const StartParameters& parameters) { (void)parameters; }
    virtual void blockStored(const StoredBlock& block) = 0;
    virtual void blocksLost(const Loss& loss) = 0;
    // Every block of one fetch is stored and every loss it showed told.
    virtual void fetchEnded() {}
    virtual void acquisitionStopped(StopCause cause) { (void)cause; }

    // True when losses the card reports only through its error code matter to this
    // listener: the code is then read after each fetch. A panel with no such listener
    // makes exactly the card calls its handlers name.
    virtual bool wantsCardErrorCode() const { return false; }
};

}  // namespace tqv::session
