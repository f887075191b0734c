// SIGINT (Ctrl-C), SIGTERM and SIGHUP (a closed terminal or SSH session) all ask a
// program to end in order: the card stopped, recordings closed, reports written. One
// handler for every program: it only raises a flag, which a drain loop reads, and
// wakes an event loop through a pipe; the program does the rest. A second request,
// should the program hang, ends it the default way.
#pragma once

#include <atomic>

namespace tqv::app {

// Installs the handlers for its lifetime, the previous ones coming back after; one
// instance at a time.
class TerminationRequest {
public:
    TerminationRequest();
    ~TerminationRequest();
    TerminationRequest(const TerminationRequest&) = delete;
    TerminationRequest& operator=(const TerminationRequest&) = delete;

    const std::atomic<bool>& flag() const;
    // Readable once a request came, for an event loop to watch; -1 where there is none
    // (Windows).
    int wakeFd() const { return m_readFd; }
    // Empties what the pipe holds, so that it wakes again only for a new request.
    void drain() const;

private:
    int m_readFd = -1;
    int m_writeFd = -1;
};

}  // namespace tqv::app
