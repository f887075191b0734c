#include "app/TerminationSignals.h"

#include <QSocketNotifier>
#include <utility>

namespace tqv::app {

TerminationSignals::TerminationSignals(std::function<void()> onRequest)
    : m_onRequest(std::move(onRequest)) {
    if (m_request.wakeFd() < 0) return;
    m_notifier = new QSocketNotifier(m_request.wakeFd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        m_request.drain();
        if (m_onRequest) m_onRequest();
    });
}

TerminationSignals::~TerminationSignals() {
    // The notifier, a child, goes only after this body: it must not watch a closed pipe.
    if (m_notifier != nullptr) m_notifier->setEnabled(false);
}

}  // namespace tqv::app
