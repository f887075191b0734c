#include "selftest/InterruptRequest.h"

#include <csignal>

namespace tqv::selftest {

namespace {

// A lock-free atomic is one of the few things a signal handler may touch.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

using Handler = void (*)(int);
Handler g_previousInt = SIG_DFL;
Handler g_previousTerm = SIG_DFL;

// The first request ends the run in order; a second one, should the card library hang,
// ends the program the default way.
extern "C" void onInterrupt(int signal) {
    g_interrupted.store(true);
    std::signal(signal, SIG_DFL);
}

}  // namespace

InterruptRequest::InterruptRequest() {
    g_interrupted.store(false);
    g_previousInt = std::signal(SIGINT, onInterrupt);
    g_previousTerm = std::signal(SIGTERM, onInterrupt);
}

InterruptRequest::~InterruptRequest() {
    std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
    std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
}

const std::atomic<bool>& InterruptRequest::flag() const { return g_interrupted; }

}  // namespace tqv::selftest
