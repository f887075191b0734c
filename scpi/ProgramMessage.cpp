#include "scpi/ProgramMessage.h"

#include <algorithm>
#include <cctype>

#include "scpi/Mnemonic.h"

namespace tqv::scpi {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Control characters have no place in a program message; bytes above 127 are let
// through inside strings, where a file name may need them, and refused elsewhere by
// the grammar.
bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isMnemonicChar(char c) { return isLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// Splits `text` at `separator` where it stands outside quotes and parentheses. Empty
// when a string is left open or a parenthesis does not close.
struct Split {
    std::vector<std::string_view> pieces;
    std::optional<Error> error;
};

Split splitOutside(std::string_view text, char separator) {
    Split split;
    char quote = 0;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            // A doubled quote stands for one and keeps the string open.
            if (c == quote) {
                if (i + 1 < text.size() && text[i + 1] == quote) {
                    ++i;
                } else {
                    quote = 0;
                }
            }
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth < 0) {
                split.error = Error{ErrorCode::SyntaxError, "unbalanced parenthesis"};
                return split;
            }
        } else if (c == separator && depth == 0) {
            split.pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (quote != 0) {
        split.error = Error{ErrorCode::InvalidStringData, "string not closed"};
        return split;
    }
    if (depth != 0) {
        split.error = Error{ErrorCode::SyntaxError, "unbalanced parenthesis"};
        return split;
    }
    split.pieces.push_back(text.substr(start));
    return split;
}

// "MEAS:FREQ?" or "*IDN?" into the unit; the path is resolved by the caller.
std::optional<Error> parseHeader(std::string_view header, ProgramUnit& unit, bool& absolute) {
    unit.header = std::string(header);
    const HeaderForm form = headerForm(header);
    unit.query = form.query;
    unit.common = form.common;
    header = form.rest;
    if (!unit.common && !header.empty() && header.front() == ':') {
        absolute = true;
        header.remove_prefix(1);
    }
    while (true) {
        const std::size_t end = std::min(header.find(':'), header.size());
        const std::string_view mnemonic = header.substr(0, end);
        if (mnemonic.empty() || !isLetter(mnemonic.front()) ||
            !std::all_of(mnemonic.begin(), mnemonic.end(), isMnemonicChar)) {
            return Error{ErrorCode::SyntaxError, unit.header};
        }
        if (mnemonic.size() > MaxMnemonicLength) {
            return Error{ErrorCode::ProgramMnemonicTooLong, unit.header};
        }
        unit.mnemonics.push_back(upperCase(mnemonic));
        if (end == header.size()) break;
        if (unit.common) return Error{ErrorCode::SyntaxError, unit.header};
        header.remove_prefix(end + 1);
    }
    return std::nullopt;
}

}  // namespace

ProgramMessage parseProgramMessage(std::string_view line) {
    ProgramMessage message;
    if (std::any_of(line.begin(), line.end(), isControl)) {
        message.error = Error{ErrorCode::InvalidCharacter, {}};
        return message;
    }
    Split units = splitOutside(line, ';');
    if (units.error) {
        message.error = units.error;
        return message;
    }
    std::vector<std::string> path;
    for (std::string_view text : units.pieces) {
        text = trimmed(text);
        if (text.empty()) continue;
        const std::size_t headerEnd =
            std::min(static_cast<std::size_t>(std::find_if(text.begin(), text.end(), isBlank) -
                                              text.begin()),
                     text.size());
        ProgramUnit unit;
        bool absolute = false;
        const std::string_view header = text.substr(0, headerEnd);
        // A parameter glued to its header ("FREQ?(@0)") lacks the blank that must part them.
        if (header.find_first_of("\"'(,") != std::string_view::npos) {
            message.error = Error{ErrorCode::HeaderSeparatorError, std::string(header)};
            return message;
        }
        if (auto error = parseHeader(header, unit, absolute)) {
            message.error = std::move(error);
            return message;
        }
        const std::string_view arguments = trimmed(text.substr(headerEnd));
        if (!arguments.empty()) {
            Split parameters = splitOutside(arguments, ',');
            if (parameters.error) {
                message.error = parameters.error;
                return message;
            }
            for (const std::string_view parameter : parameters.pieces) {
                const std::string_view value = trimmed(parameter);
                if (value.empty()) {
                    message.error = Error{ErrorCode::SyntaxError, "empty parameter"};
                    return message;
                }
                unit.parameters.emplace_back(value);
            }
        }
        if (!unit.common) {
            if (!absolute) {
                unit.mnemonics.insert(unit.mnemonics.begin(), path.begin(), path.end());
                unit.inherited = path.size();
            }
            path.assign(unit.mnemonics.begin(), unit.mnemonics.end() - 1);
        }
        message.units.push_back(std::move(unit));
    }
    return message;
}

}  // namespace tqv::scpi
