// The optional call trace: one line per call, flushed per line, so that a test or a
// person at the bench can see exactly what the program asked of the card.
//
//   StartIntr 50 300 0 4 10000 0 1 -> 1
//   IOCtl 100 * 100 * -> 1          (addresses are shown as *)
//   Overrun 3                       (from the acquisition thread: overruns so far)
//
// Any thread may write; lines never interleave. Lines are built in a fixed buffer so
// that tracing allocates nothing.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tqv::sim {

class TraceArg {
public:
    // Implicit, so that a call lists its arguments as they are: {port, value}, {block}.
    template <std::integral T>
    TraceArg(T value) : m_value(static_cast<long long>(value)) {}
    TraceArg(const volatile void*) : m_address(true) {}

    bool isAddress() const { return m_address; }
    long long value() const { return m_value; }

private:
    long long m_value = 0;
    bool m_address = false;
};

class Trace {
public:
    // An empty path traces nothing; a path that cannot be opened for appending is
    // reported on standard error and traces nothing.
    explicit Trace(const std::string& path);

    bool enabled() const { return m_file != nullptr; }

    // "Name a b c -> result"
    void call(std::string_view name, std::initializer_list<TraceArg> args, long long result);
    // "Name value"
    void event(std::string_view name, long long value);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    void write(std::string_view line);

    std::mutex m_mutex;                             // serialises whole lines
    std::unique_ptr<std::FILE, FileCloser> m_file;  // set once, in the constructor
};

}  // namespace tqv::sim
