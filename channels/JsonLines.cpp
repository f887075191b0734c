#include "channels/JsonLines.h"

#include <vector>

namespace tqv::channels {

namespace {

class LineScanner {
public:
    LineScanner(std::string_view json, int deepest) : m_json(json), m_deepest(deepest) {}

    std::map<std::string, int> scan() {
        startValue("");
        while (!m_open.empty() && m_at < m_json.size()) {
            skipSpace();
            if (m_at >= m_json.size()) break;
            const char c = m_json[m_at];
            if (c == ']' || c == '}') {
                ++m_at;
                m_open.pop_back();
            } else if (c == ',') {
                ++m_at;
                nextMember();
            } else {
                // Only after an opening bracket: the first member or element.
                nextMember();
            }
        }
        return m_lines;
    }

private:
    struct Open {
        std::string path;
        bool array = false;
        int index = -1;
    };

    void skipSpace() {
        while (m_at < m_json.size() && (m_json[m_at] == ' ' || m_json[m_at] == '\t' ||
                                        m_json[m_at] == '\r' || m_json[m_at] == '\n')) {
            if (m_json[m_at] == '\n') ++m_line;
            ++m_at;
        }
    }

    // A string's text with its escapes taken as the character after the backslash:
    // enough for the names of fields.
    std::string readString() {
        std::string text;
        ++m_at;
        while (m_at < m_json.size() && m_json[m_at] != '"') {
            if (m_json[m_at] == '\\' && m_at + 1 < m_json.size()) ++m_at;
            text += m_json[m_at++];
        }
        ++m_at;
        return text;
    }

    void nextMember() {
        Open& open = m_open.back();
        skipSpace();
        if (m_at >= m_json.size() || m_json[m_at] == ']' || m_json[m_at] == '}') return;
        std::string path;
        if (open.array) {
            path = open.path + "[" + std::to_string(++open.index) + "]";
        } else {
            const std::string key = readString();
            skipSpace();
            ++m_at;  // the colon
            path = open.path.empty() ? key : open.path + "." + key;
        }
        startValue(path);
    }

    // Notes the value's line and steps over it, or into it when it opens an object or
    // a list.
    void startValue(const std::string& path) {
        skipSpace();
        if (m_at >= m_json.size()) return;
        const bool noted = static_cast<int>(m_open.size()) <= m_deepest;
        if (noted) m_lines.emplace(path, m_line);
        const char c = m_json[m_at];
        if (c == '{' || c == '[') {
            ++m_at;
            m_open.push_back({noted ? path : std::string(), c == '[', -1});
        } else if (c == '"') {
            readString();
        } else {
            while (m_at < m_json.size() && m_json[m_at] != ',' && m_json[m_at] != ']' &&
                   m_json[m_at] != '}' && m_json[m_at] != ' ' && m_json[m_at] != '\n' &&
                   m_json[m_at] != '\r' && m_json[m_at] != '\t') {
                ++m_at;
            }
        }
    }

    std::string_view m_json;
    int m_deepest;
    std::size_t m_at = 0;
    int m_line = 1;
    std::vector<Open> m_open;
    std::map<std::string, int> m_lines;
};

}  // namespace

std::map<std::string, int> jsonValueLines(std::string_view json, int deepest) {
    return LineScanner(json, deepest).scan();
}

}  // namespace tqv::channels
