#include "selftest/JUnitReport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace tqv::selftest {

namespace {

std::string seconds(std::chrono::duration<double> duration) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", duration.count());
    return buffer;
}

// UTF-8 on every platform; path::string() may throw on Windows for a name outside
// the ANSI code page.
std::string displayText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string attribute(std::string_view name, std::string_view value) {
    return " " + std::string(name) + "=\"" + xmlEscaped(value) + "\"";
}

std::string testCase(const CheckResult& result) {
    std::string xml = "    <testcase" + attribute("classname", "tqv-selftest") +
                      attribute("name", result.name) + attribute("time", seconds(result.duration)) +
                      ">\n";
    if (result.outcome == Outcome::Fail) {
        xml += "      <failure" + attribute("message", result.summary) + ">" +
               xmlEscaped(result.summary) + "</failure>\n";
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
    for (const char c : text) {
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

std::string junitXml(const std::vector<CheckResult>& results) {
    const auto count = [&](Outcome outcome) {
        return std::to_string(
            std::count_if(results.begin(), results.end(),
                          [&](const CheckResult& r) { return r.outcome == outcome; }));
    };
    std::chrono::duration<double> total{};
    for (const auto& result : results) total += result.duration;
    const std::string counts =
        attribute("tests", std::to_string(results.size())) +
        attribute("failures", count(Outcome::Fail)) + attribute("errors", "0") +
        attribute("skipped", count(Outcome::Skip)) + attribute("time", seconds(total));

    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites" + attribute("name", "tqv-selftest") + counts + ">\n";
    xml += "  <testsuite" + attribute("name", "tqv-selftest") + counts + ">\n";
    for (const auto& result : results) xml += testCase(result);
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

std::optional<std::string> writeFileReplacing(const std::filesystem::path& file,
                                              std::string_view contents) {
    auto temporary = file;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot create " + displayText(temporary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return "cannot write " + displayText(temporary);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return "cannot replace " + displayText(file) + ": " + error.message();
    }
    return std::nullopt;
}

}  // namespace tqv::selftest
