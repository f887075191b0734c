#include "card/sim/Trace.h"

#include <array>
#include <charconv>

namespace tqv::sim {

namespace {

// Room for the longest line: a name, eight arguments and a result.
class LineBuffer {
public:
    void text(std::string_view part) {
        const std::size_t room = m_chars.size() - m_length;
        const std::size_t count = part.size() < room ? part.size() : room;
        part.copy(m_chars.data() + m_length, count);
        m_length += count;
    }
    void number(long long value) {
        std::array<char, 24> digits{};
        const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
        text(std::string_view(digits.data(), static_cast<std::size_t>(result.ptr - digits.data())));
    }
    std::string_view line() const { return std::string_view(m_chars.data(), m_length); }

private:
    std::array<char, 512> m_chars{};
    std::size_t m_length = 0;
};

}  // namespace

Trace::Trace(const std::string& path) {
    if (path.empty()) return;
    m_file.reset(std::fopen(path.c_str(), "a"));
    if (m_file == nullptr) {
        std::fprintf(stderr,
                     "adcard (simulated): ADCARD_SIM_TRACE=\"%s\" cannot be opened for "
                     "appending; tracing is off\n",
                     path.c_str());
    }
}

void Trace::call(std::string_view name, std::initializer_list<TraceArg> args, long long result) {
    if (!enabled()) return;
    LineBuffer line;
    line.text(name);
    for (const TraceArg& arg : args) {
        line.text(" ");
        if (arg.isAddress()) {
            line.text("*");
        } else {
            line.number(arg.value());
        }
    }
    line.text(" -> ");
    line.number(result);
    line.text("\n");
    write(line.line());
}

void Trace::event(std::string_view name, long long value) {
    if (!enabled()) return;
    LineBuffer line;
    line.text(name);
    line.text(" ");
    line.number(value);
    line.text("\n");
    write(line.line());
}

void Trace::write(std::string_view line) {
    const std::lock_guard lock(m_mutex);
    std::fwrite(line.data(), 1, line.size(), m_file.get());
    std::fflush(m_file.get());
}

}  // namespace tqv::sim
