#include "app/StandardStreams.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "app/CommandLine.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tqv::app {

void prepareStandardStreams() {
#ifndef _WIN32
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Opened read-only, /dev/null takes the lowest free number, this one: any write
        // to it then fails as a write to the closed stream would have.
        const int standIn = ::open("/dev/null", O_RDONLY);
        if (standIn > 2) ::close(standIn);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader that went away is a write error like any other, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::optional<std::string> standardOutputFailure() {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return std::nullopt;
    if (error == 0) return std::string("write error");
    return std::generic_category().message(error);
}

int finishStandardOutput(int status, int failureStatus) {
    const auto failure = standardOutputFailure();
    if (!failure) return status;
    CommandLine::writeMessage("cannot write to standard output: " + *failure);
    return failureStatus;
}

}  // namespace tqv::app
