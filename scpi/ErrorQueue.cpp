#include "scpi/ErrorQueue.h"

#include <utility>

namespace tqv::scpi {

void ErrorQueue::push(Error error) {
    if (m_errors.size() < Capacity) {
        m_errors.push_back(std::move(error));
        return;
    }
    m_errors.back() = Error{ErrorCode::QueueOverflow, {}};
}

Error ErrorQueue::next() {
    if (m_errors.empty()) return {};
    Error oldest = std::move(m_errors.front());
    m_errors.pop_front();
    return oldest;
}

}  // namespace tqv::scpi
