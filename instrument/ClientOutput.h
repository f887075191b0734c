// Where one client's answers go: its socket, or a test's string.
#pragma once

#include <cstddef>
#include <string_view>

namespace tqv::instrument {

class ClientOutput {
public:
    virtual ~ClientOutput() = default;
    virtual void write(std::string_view bytes) = 0;
    // Bytes written and not yet taken by the client.
    virtual std::size_t pending() const = 0;
};

}  // namespace tqv::instrument
