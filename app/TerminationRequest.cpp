#include "app/TerminationRequest.h"

#include <array>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tqv::app {

namespace {

// A lock-free atomic is one of the few things a signal handler may touch.
std::atomic<bool> g_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifndef _WIN32

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t g_writeFd = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};

extern "C" void onTerminationSignal(int signal) {
    const int savedErrno = errno;
    g_requested.store(true);
    if (const int fd = g_writeFd; fd >= 0) {
        const char byte = 1;
        // A full pipe already holds a request; losing this one changes nothing.
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    // The next one of this kind ends the program the default way.
    std::signal(signal, SIG_DFL);
    errno = savedErrno;
}

void makeNonBlockingAndCloseOnExec(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

#else

using Handler = void (*)(int);
Handler g_previousInt = SIG_DFL;
Handler g_previousTerm = SIG_DFL;

extern "C" void onTerminationSignal(int signal) {
    g_requested.store(true);
    std::signal(signal, SIG_DFL);
}

#endif

}  // namespace

#ifndef _WIN32

TerminationRequest::TerminationRequest() {
    g_requested.store(false);
    int fds[2];
    if (::pipe(fds) == 0) {
        m_readFd = fds[0];
        m_writeFd = fds[1];
        makeNonBlockingAndCloseOnExec(m_readFd);
        makeNonBlockingAndCloseOnExec(m_writeFd);
        g_writeFd = m_writeFd;
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationRequest::~TerminationRequest() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeFd = -1;
    if (m_readFd >= 0) ::close(m_readFd);
    if (m_writeFd >= 0) ::close(m_writeFd);
}

void TerminationRequest::drain() const {
    char buffer[16];
    while (m_readFd >= 0 && ::read(m_readFd, buffer, sizeof buffer) > 0) {
    }
}

#else

TerminationRequest::TerminationRequest() {
    g_requested.store(false);
    g_previousInt = std::signal(SIGINT, onTerminationSignal);
    g_previousTerm = std::signal(SIGTERM, onTerminationSignal);
}

TerminationRequest::~TerminationRequest() {
    std::signal(SIGINT, g_previousInt == SIG_ERR ? SIG_DFL : g_previousInt);
    std::signal(SIGTERM, g_previousTerm == SIG_ERR ? SIG_DFL : g_previousTerm);
}

void TerminationRequest::drain() const {}

#endif

const std::atomic<bool>& TerminationRequest::flag() const { return g_requested; }

}  // namespace tqv::app
