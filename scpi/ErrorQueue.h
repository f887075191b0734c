// One client's error queue: the oldest error first, room for Capacity of them. When it
// is full the newest entry becomes "Queue overflow", so a client that never reads its
// errors learns that it missed some, and the queue never grows.
#pragma once

#include <cstddef>
#include <deque>

#include "scpi/ScpiError.h"

namespace tqv::scpi {

class ErrorQueue {
public:
    static constexpr std::size_t Capacity = 16;

    void push(Error error);
    // The oldest error, taken out; "No error" when the queue is empty.
    Error next();
    void clear() { m_errors.clear(); }
    std::size_t size() const { return m_errors.size(); }

private:
    std::deque<Error> m_errors;
};

}  // namespace tqv::scpi
