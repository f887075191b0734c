#include "selftest/JUnitReport.h"

#include "text/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <unistd.h>
#endif

namespace tqv::selftest {

namespace {

std::string seconds(std::chrono::duration<double> duration) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", duration.count());
    return buffer;
}

std::string attribute(std::string_view name, std::string_view value) {
    return " " + std::string(name) + "=\"" + xmlEscaped(value) + "\"";
}

std::string testCase(const CheckResult& result) {
    std::string xml = "    <testcase" + attribute("classname", "tqv-selftest") +
                      attribute("name", result.name) + attribute("time", seconds(result.duration)) +
                      ">\n";
    if (result.outcome == Outcome::Fail || result.outcome == Outcome::Error) {
        const bool failed = result.outcome == Outcome::Fail;
        const std::string element = failed ? "failure" : "error";
        xml += "      <" + element + attribute("type", failed ? "CheckFailed" : "CheckNotRun") +
               attribute("message", result.summary) + ">" + xmlEscaped(result.summary) + "</" +
               element + ">\n";
    } else if (result.outcome == Outcome::Skip) {
        xml += "      <skipped" + attribute("message", result.summary) + "/>\n";
    }
    std::string out = result.outcome == Outcome::Pass ? result.summary + "\n" : std::string();
    for (const auto& line : result.figures) out += line + "\n";
    if (!out.empty()) xml += "      <system-out>" + xmlEscaped(out) + "</system-out>\n";
    return xml + "    </testcase>\n";
}

}  // namespace

std::string xmlEscaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        // A report that is not UTF-8 is no XML: a file name's stray byte becomes "?".
        if (static_cast<unsigned char>(c) >= 0x80) {
            const int length = text::utf8SequenceLength(text, at);
            if (length == 0) {
                escaped += '?';
            } else {
                escaped.append(text.substr(at, static_cast<std::size_t>(length)));
                at += static_cast<std::size_t>(length) - 1;
            }
            continue;
        }
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            case '\t':
            case '\n':
            case '\r':
                escaped += c;
                break;
            default:
                escaped += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
        }
    }
    return escaped;
}

RunContext currentRunContext() {
    RunContext context;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    context.timestamp = stamp;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) context.hostname = host;
    if (context.hostname.empty()) context.hostname = "localhost";
    return context;
}

std::string junitXml(const std::vector<CheckResult>& results, const RunContext& context) {
    const auto count = [&](Outcome outcome) {
        return std::to_string(
            std::count_if(results.begin(), results.end(),
                          [&](const CheckResult& r) { return r.outcome == outcome; }));
    };
    std::chrono::duration<double> total{};
    for (const auto& result : results) total += result.duration;
    const std::string counts =
        attribute("tests", std::to_string(results.size())) +
        attribute("failures", count(Outcome::Fail)) + attribute("errors", count(Outcome::Error)) +
        attribute("skipped", count(Outcome::Skip)) + attribute("time", seconds(total));

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites" + attribute("name", "tqv-selftest") + counts + ">\n";
    xml += "  <testsuite" + attribute("name", "tqv-selftest") + counts +
           attribute("timestamp", context.timestamp) + attribute("hostname", context.hostname) +
           ">\n";
    for (const auto& result : results) xml += testCase(result);
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

}  // namespace tqv::selftest
