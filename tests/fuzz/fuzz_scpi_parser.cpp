// Fuzzes the SCPI command parser as a client drives it: any bytes, taken as lines. Each
// line is taken apart and looked up in a command table, and the verdict is checked
// against a reference written from the grammar alone, a regular expression per command
// (short or long form of each node, any case, bracketed nodes optional) and one for a
// well-formed header, sharing no code with the parser. The same bytes then go through a
// whole client session of the instrument on the scripted card: no crash, no sanitizer
// report, an error queue that never holds more than its 16, a client dropped only for a
// line over 64 KiB.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "instrument/ClientSession.h"
#include "instrument/Instrument.h"
#include "scpi/CommandTable.h"
#include "scpi/ProgramMessage.h"
#include "session/CardSession.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/FakeCard.h"
#include "tests/support/ManualClock.h"

namespace {

using namespace tqv;

constexpr const char* kPatterns[] = {
    "*IDN?",          "*RST",           "SYSTem:ERRor[:NEXT]?", "MEASure:FREQuency?",
    "FORMat[:DATA]",  "FORMat[:DATA]?", "INITiate[:IMMediate]", "DIGital:OUTPut:BYTE",
    "ACQuire:STATe?", "FETCh:SCANs?",   "[SENSe:]DATA:POINts?",
};

// "SYSTem:ERRor[:NEXT]?" as a regular expression over an upper-cased header.
std::regex referenceOf(std::string pattern) {
    std::string expression = "^";
    bool query = false;
    if (!pattern.empty() && pattern.back() == '?') {
        query = true;
        pattern.pop_back();
    }
    if (pattern.front() == '*') {
        expression += "\\*" + pattern.substr(1);
    } else {
        expression += ":?";
        bool first = true;
        std::size_t i = 0;
        while (i < pattern.size()) {
            bool optional = false;
            std::string node;
            if (pattern[i] == '[') {
                optional = true;
                const std::size_t close = pattern.find(']', i);
                node = pattern.substr(i + 1, close - i - 1);
                i = close + 1;
                node.erase(0, node.find_first_not_of(':'));
                while (!node.empty() && node.back() == ':') node.pop_back();
            } else {
                if (pattern[i] == ':') ++i;
                while (i < pattern.size() && pattern[i] != ':' && pattern[i] != '[')
                    node += pattern[i++];
            }
            std::string shortForm;
            std::string longForm;
            for (const char c : node) {
                if (c >= 'A' && c <= 'Z' && shortForm.size() == longForm.size()) shortForm += c;
                longForm += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            const std::string alternatives = "(" + shortForm + "|" + longForm + ")";
            const std::string separator = first ? "" : ":";
            if (optional) {
                // An optional first node takes the colon after it with it.
                expression += first ? "(" + alternatives + ":)?" : "(:" + alternatives + ")?";
            } else {
                expression += separator + alternatives;
                first = false;
            }
        }
    }
    if (query) expression += "\\?";
    return std::regex(expression + "$");
}

const std::regex kWellFormed(
    "^(\\*[A-Z][A-Z0-9_]{0,11}\\?{0,1}|:?[A-Z][A-Z0-9_]{0,11}(:[A-Z][A-Z0-9_]{0,11})*\\?{0,1})$");

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// Lines of printable characters with one header and at most one plain parameter: what
// the reference speaks about.
bool plainLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F &&
               std::string_view(";\"'(),").find(c) == std::string_view::npos;
    });
}

void checkAgainstReference(const scpi::CommandTable& table, std::string_view line) {
    std::string_view text = line;
    while (!text.empty() && (text.front() == ' ')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ')) text.remove_suffix(1);
    if (text.empty() || !plainLine(text)) return;
    const std::string header = upper(text.substr(0, std::min(text.find(' '), text.size())));
    const auto message = scpi::parseProgramMessage(line);
    const bool wellFormed = std::regex_match(header, kWellFormed);
    const bool parsed = !message.error && message.units.size() == 1;
    if (wellFormed != parsed) {
        fuzz::fail("a header is taken apart exactly when the grammar allows it",
                   fuzz::escaped(line), wellFormed ? "well-formed" : "refused",
                   parsed ? "taken apart" : "refused");
    }
    if (!parsed) return;
    int expected = -1;
    for (std::size_t id = 0; id < std::size(kPatterns); ++id) {
        if (std::regex_match(header, referenceOf(kPatterns[id]))) {
            expected = static_cast<int>(id);
            break;
        }
    }
    const int found = table.find(message.units[0]).value_or(-1);
    if (found != expected) {
        fuzz::fail("a header names the command whose forms it matches", fuzz::escaped(line),
                   std::to_string(expected), std::to_string(found));
    }
}

struct Discard final : instrument::ClientOutput {
    void write(std::string_view) override {}
    std::size_t pending() const override { return 0; }
};

struct Host final : instrument::AcquisitionHost {
    explicit Host(session::CardSession& s) : session(s) {}
    std::optional<std::string> start() override {
        if (session.start()) return std::string("refused");
        return std::nullopt;
    }
    void stop() override { session.stop(); }
    session::StartParameters startParameters() const override { return session::PanelStart; }
    session::CardSession& session;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const scpi::CommandTable table = [] {
        scpi::CommandTable t;
        for (std::size_t id = 0; id < std::size(kPatterns); ++id)
            t.add(kPatterns[id], static_cast<int>(id));
        return t;
    }();
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        if (end - start <= 256) checkAgainstReference(table, input.substr(start, end - start));
        start = end + 1;
    }

    test::FakeCard card;
    card.identityReply = std::array<uint8_t, 5>{52, 0, 2, 5, 1};
    test::ManualClock clock;
    session::CardSession session(card, clock);
    Host host(session);
    instrument::Instrument served(session, host, nullptr, {});
    Discard output;
    instrument::ClientSession client(served, output);
    client.receive(input);
    client.run();
    // Blocks to fetch and measure, then the same bytes again on a running card.
    card.queryResults = {2};
    session.fetch(session.queryBuf());
    client.receive(input);
    client.run();
    clock.time += std::chrono::seconds(2);
    served.poll();
    if (client.errors().size() > scpi::ErrorQueue::Capacity) {
        fuzz::fail("the error queue holds 16 at most", fuzz::escaped(input), "16",
                   std::to_string(client.errors().size()));
    }
    const auto dropped = client.dropReason(clock.now());
    const bool longLine = [&] {
        std::size_t run = 0;
        for (const char c : input) {
            run = c == '\n' ? 0 : run + 1;
            if (run > instrument::ClientSession::MaxLine) return true;
        }
        return false;
    }();
    if (dropped.has_value() && !longLine &&
        input.size() <= 2 * instrument::ClientSession::MaxLine) {
        fuzz::fail("a client is dropped only for a line over 64 KiB", fuzz::escaped(input), "kept",
                   *dropped);
    }
    return 0;
}
