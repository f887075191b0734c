// Ctrl-C (SIGINT) and SIGTERM end the self-test early but orderly: the handler only
// raises a flag that the acquisition loop reads, so the card is still stopped.
#pragma once

#include <atomic>

namespace tqv::selftest {

// Installs the handlers for its lifetime; one instance at a time.
class InterruptRequest {
public:
    InterruptRequest();
    ~InterruptRequest();
    InterruptRequest(const InterruptRequest&) = delete;
    InterruptRequest& operator=(const InterruptRequest&) = delete;

    const std::atomic<bool>& flag() const;
};

}  // namespace tqv::selftest
