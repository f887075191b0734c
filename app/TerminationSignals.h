// A request to end the program from outside (SIGTERM, SIGINT, SIGHUP), seen by the
// event loop: it calls `onRequest` there, where the program ends in order (the panel
// closes its window the way the operator would, so that its Unload stops the card
// once; the server stops the card and closes its recordings). QtCore only.
#pragma once

#include <QObject>
#include <functional>

#include "app/TerminationRequest.h"

class QSocketNotifier;

namespace tqv::app {

// One instance at a time; the previous handlers come back when it is destroyed.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onRequest);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    TerminationRequest m_request;
    std::function<void()> m_onRequest;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace tqv::app
