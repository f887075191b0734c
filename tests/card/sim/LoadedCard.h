// The card library loaded at run time, as the program loads it. Loading it is when
// the library reads its environment and reports malformed settings on standard
// error, so the load captures what was written there for the test to inspect (and
// passes it on, so nothing is hidden from the person running the test).
#pragma once

#include <string>

#include "CardFunctions.h"

namespace tqv::sim::test {

class LoadedCard {
public:
    // Loads the library at `path` and resolves all 23 functions; check loaded().
    explicit LoadedCard(const std::string& path);
    ~LoadedCard();  // unloads
    LoadedCard(const LoadedCard&) = delete;
    LoadedCard& operator=(const LoadedCard&) = delete;

    bool loaded() const { return m_complete; }
    const std::string& error() const { return m_error; }
    const std::string& loadMessages() const { return m_loadMessages; }
    const CardFunctions& functions() const { return m_functions; }

private:
    void* m_handle = nullptr;
    bool m_complete = false;
    std::string m_error;
    std::string m_loadMessages;
    CardFunctions m_functions;
};

// The library this test program was built with, loaded once for the whole process
// (the library reads its environment once per load).
LoadedCard& processCard();

}  // namespace tqv::sim::test
