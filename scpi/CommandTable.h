// The commands an instrument knows, written the way SCPI documents them:
// "SYSTem:ERRor[:NEXT]?" takes SYST:ERR?, system:error:next? and every mix of short
// (the upper-case letters) and long forms, in any case, with the bracketed node left
// out or not; "*IDN?" is a common query. A query and a command of the same header are
// two entries.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scpi/ProgramMessage.h"

namespace tqv::scpi {

class CommandTable {
public:
    // `pattern` as above; `id` is what find() returns for it.
    void add(std::string_view pattern, int id);

    // The entry that a unit's header names. A header that continued the path of the
    // unit before and names nothing there is tried once more from the root, as many
    // instruments do for clients that forget the leading ":".
    std::optional<int> find(const ProgramUnit& unit) const;

private:
    struct Node {
        std::string longForm;
        std::string shortForm;
        bool optional = false;
    };
    struct Entry {
        bool common = false;
        bool query = false;
        std::vector<Node> nodes;
        int id = 0;
    };
    static bool matches(const std::vector<Node>& nodes, std::size_t node,
                        const std::vector<std::string>& mnemonics, std::size_t first);
    std::optional<int> findPath(const ProgramUnit& unit, std::size_t first) const;

    std::vector<Entry> m_entries;
};

}  // namespace tqv::scpi
