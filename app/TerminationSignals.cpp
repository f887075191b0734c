#include "app/TerminationSignals.h"

#include <QSocketNotifier>
#include <QWidget>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#endif

namespace tqv::app {

#ifndef _WIN32

namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t g_writeFd = -1;
std::array<struct sigaction, kSignals.size()> g_previous{};

extern "C" void onTerminationSignal(int /*signal*/) {
    const int savedErrno = errno;
    const int fd = g_writeFd;
    if (fd >= 0) {
        const char byte = 1;
        // A full socket already holds a request; losing this one changes nothing.
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void makeNonBlockingAndCloseOnExec(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

}  // namespace

TerminationSignals::TerminationSignals(QWidget* window) : m_window(window) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return;
    m_writeFd = fds[0];
    m_readFd = fds[1];
    makeNonBlockingAndCloseOnExec(m_writeFd);
    makeNonBlockingAndCloseOnExec(m_readFd);

    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { onRequest(); });

    g_writeFd = m_writeFd;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals() {
    if (m_writeFd < 0) return;
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeFd = -1;
    // The notifier, a child, goes only after this body: it must not watch a closed socket.
    m_notifier->setEnabled(false);
    ::close(m_writeFd);
    ::close(m_readFd);
}

void TerminationSignals::onRequest() {
    char buffer[16];
    while (::read(m_readFd, buffer, sizeof buffer) > 0) {
    }
    if (m_window != nullptr) m_window->close();
}

#else

TerminationSignals::TerminationSignals(QWidget* window) : m_window(window) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::onRequest() {}

#endif

}  // namespace tqv::app
