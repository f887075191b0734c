// A request to end the program from outside (SIGTERM, SIGINT, SIGHUP) closes the
// window the way the operator would, so that its Unload stops the card once.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace tqv::app {

// The handler only writes a byte to a socket; the event loop reads it and closes
// the window, since nothing else may be done safely inside a signal handler.
// One instance at a time; the previous handlers come back when it is destroyed.
// Does nothing on Windows.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(QWidget* window);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void onRequest();

    QWidget* m_window;
    QSocketNotifier* m_notifier = nullptr;
    int m_readFd = -1;
    int m_writeFd = -1;
};

}  // namespace tqv::app
