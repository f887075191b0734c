// The card's last-failure code. Both the caller's threads and the acquisition thread
// (overruns) write it, so it is an atomic; nothing is ordered by it, hence relaxed.
#pragma once

#include <atomic>
#include <cstdint>

#include "card/sim/ErrorCodes.h"

namespace tqv::sim {

class LastError {
public:
    void set(Error error) { set(code(error)); }
    void set(std::int32_t value) { m_code.store(value, std::memory_order_relaxed); }
    void clear() { set(Error::None); }
    std::int32_t get() const { return m_code.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int32_t> m_code{0};
};

}  // namespace tqv::sim
