#include "scpi/CommandTable.h"

#include <stdexcept>

#include "scpi/Mnemonic.h"

namespace tqv::scpi {

void CommandTable::add(std::string_view pattern, int id) {
    Entry entry;
    entry.id = id;
    const HeaderForm form = headerForm(pattern);
    entry.query = form.query;
    entry.common = form.common;
    pattern = form.rest;
    while (!pattern.empty()) {
        Node node;
        if (pattern.front() == '[') {
            const std::size_t close = pattern.find(']');
            if (close == std::string_view::npos) throw std::invalid_argument("unclosed [");
            node.optional = true;
            std::string_view inside = pattern.substr(1, close - 1);
            if (!inside.empty() && inside.front() == ':') inside.remove_prefix(1);
            if (!inside.empty() && inside.back() == ':') inside.remove_suffix(1);
            node.longForm = std::string(inside);
            pattern.remove_prefix(close + 1);
        } else {
            if (pattern.front() == ':') pattern.remove_prefix(1);
            const std::size_t end = pattern.find_first_of(":[");
            node.longForm = std::string(pattern.substr(0, end));
            pattern.remove_prefix(end == std::string_view::npos ? pattern.size() : end);
        }
        std::size_t shortLength = 0;
        while (shortLength < node.longForm.size() &&
               !(node.longForm[shortLength] >= 'a' && node.longForm[shortLength] <= 'z')) {
            ++shortLength;
        }
        node.shortForm = node.longForm.substr(0, shortLength);
        node.longForm = upperCase(node.longForm);
        if (node.shortForm.empty()) throw std::invalid_argument("a node without a short form");
        entry.nodes.push_back(std::move(node));
    }
    m_entries.push_back(std::move(entry));
}

bool CommandTable::matches(const std::vector<Node>& nodes, std::size_t node,
                           const std::vector<std::string>& mnemonics, std::size_t first) {
    if (node == nodes.size()) return first == mnemonics.size();
    const Node& wanted = nodes[node];
    if (first < mnemonics.size() &&
        (mnemonics[first] == wanted.shortForm || mnemonics[first] == wanted.longForm) &&
        matches(nodes, node + 1, mnemonics, first + 1)) {
        return true;
    }
    return wanted.optional && matches(nodes, node + 1, mnemonics, first);
}

std::optional<int> CommandTable::findPath(const ProgramUnit& unit, std::size_t first) const {
    for (const Entry& entry : m_entries) {
        if (entry.common == unit.common && entry.query == unit.query &&
            matches(entry.nodes, 0, unit.mnemonics, first)) {
            return entry.id;
        }
    }
    return std::nullopt;
}

std::optional<int> CommandTable::find(const ProgramUnit& unit) const {
    if (const auto found = findPath(unit, 0)) return found;
    if (unit.inherited > 0) return findPath(unit, unit.inherited);
    return std::nullopt;
}

}  // namespace tqv::scpi
