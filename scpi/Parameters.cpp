#include "scpi/Parameters.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>

#include "scpi/Mnemonic.h"

namespace tqv::scpi {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char upperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool looksNumeric(std::string_view text) {
    if (text.empty()) return false;
    const char c = text.front();
    return isDigit(c) || c == '+' || c == '-' || c == '.' || c == '#';
}

Read<double> nonDecimal(std::string_view digits, int base) {
    if (digits.empty()) return Error{ErrorCode::NumericDataError, "no digits"};
    double value = 0;
    for (const char c : digits) {
        const char u = upperChar(c);
        int digit = -1;
        if (isDigit(u)) digit = u - '0';
        if (u >= 'A' && u <= 'F') digit = u - 'A' + 10;
        if (digit < 0 || digit >= base) return Error{ErrorCode::InvalidCharacterInNumber, {}};
        value = value * base + digit;
        if (value > 4294967295.0) return Error{ErrorCode::DataOutOfRange, "more than 32 bits"};
    }
    return value;
}

// Decimal numeric program data, checked against its grammar before strtod reads it:
// strtod alone would take "inf", "0x10" and a locale's own decimal comma.
Read<double> decimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return Error{ErrorCode::NumericDataError, std::string(text)};
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < text.size() && isDigit(text[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return Error{ErrorCode::NumericDataError, std::string(text)};
    }
    if (i != text.size()) return Error{ErrorCode::InvalidCharacterInNumber, std::string(text)};
    // The grammar admits only the characters of the C locale's numbers; a locale with a
    // decimal comma would stop strtod at the period.
    std::string copy(text);
    if (const char* point = std::localeconv()->decimal_point; point != nullptr && *point != '.') {
        for (char& c : copy) {
            if (c == '.') c = *point;
        }
    }
    errno = 0;
    const double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value)) return Error{ErrorCode::DataOutOfRange, std::string(text)};
    return value;
}

}  // namespace

Read<double> readNumber(std::string_view parameter) {
    if (!looksNumeric(parameter)) return Error{ErrorCode::DataTypeError, std::string(parameter)};
    if (parameter.front() == '#') {
        if (parameter.size() < 2) return Error{ErrorCode::NumericDataError, {}};
        switch (upperChar(parameter[1])) {
            case 'H':
                return nonDecimal(parameter.substr(2), 16);
            case 'Q':
                return nonDecimal(parameter.substr(2), 8);
            case 'B':
                return nonDecimal(parameter.substr(2), 2);
            default:
                return Error{ErrorCode::DataTypeError, std::string(parameter)};
        }
    }
    return decimal(parameter);
}

Read<int64_t> readInteger(std::string_view parameter, int64_t minimum, int64_t maximum) {
    const Read<double> number = readNumber(parameter);
    if (const auto* error = std::get_if<Error>(&number)) return *error;
    const double value = std::get<double>(number);
    if (value != std::floor(value) || value < static_cast<double>(minimum) ||
        value > static_cast<double>(maximum)) {
        return Error{ErrorCode::DataOutOfRange, std::string(parameter)};
    }
    return static_cast<int64_t>(value);
}

Read<std::size_t> readChoice(std::string_view parameter,
                             std::initializer_list<std::string_view> choices) {
    if (parameter.empty() || looksNumeric(parameter) || parameter.front() == '"' ||
        parameter.front() == '\'' || parameter.front() == '(') {
        return Error{ErrorCode::DataTypeError, std::string(parameter)};
    }
    const std::string word = upperCase(parameter);
    std::size_t index = 0;
    for (const std::string_view choice : choices) {
        std::string longForm;
        std::string shortForm;
        bool inShort = true;
        for (const char c : choice) {
            if (c >= 'a' && c <= 'z') inShort = false;
            if (inShort) shortForm += c;
            longForm += upperChar(c);
        }
        if (word == shortForm || word == longForm) return index;
        ++index;
    }
    return Error{ErrorCode::InvalidCharacterData, std::string(parameter)};
}

Read<std::string> readString(std::string_view parameter) {
    if (parameter.size() < 2 || (parameter.front() != '"' && parameter.front() != '\'') ||
        parameter.back() != parameter.front()) {
        return Error{ErrorCode::DataTypeError, "a quoted string is wanted"};
    }
    const char quote = parameter.front();
    const std::string_view inside = parameter.substr(1, parameter.size() - 2);
    std::string text;
    for (std::size_t i = 0; i < inside.size(); ++i) {
        if (inside[i] == quote) {
            // The message parser let only doubled quotes through inside a string.
            if (i + 1 >= inside.size() || inside[i + 1] != quote) {
                return Error{ErrorCode::InvalidStringData, {}};
            }
            ++i;
        }
        text += inside[i];
    }
    return text;
}

Read<std::vector<int>> readChannelList(std::string_view parameter, int lastChannel) {
    if (parameter.size() < 3 || parameter.substr(0, 2) != "(@" || parameter.back() != ')') {
        return Error{ErrorCode::DataTypeError, "a channel list (@...) is wanted"};
    }
    std::string_view list = parameter.substr(2, parameter.size() - 3);
    std::vector<int> channels;
    const auto channel = [&](std::string_view text) -> Read<int64_t> {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        if (text.empty() || text.size() > 9) return Error{ErrorCode::SyntaxError, "channel list"};
        for (const char c : text) {
            if (!isDigit(c)) return Error{ErrorCode::SyntaxError, "channel list"};
        }
        const int64_t value = std::strtoll(std::string(text).c_str(), nullptr, 10);
        if (value > lastChannel)
            return Error{ErrorCode::DataOutOfRange, "channel " + std::string(text)};
        return value;
    };
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const std::size_t colon = item.find(':');
        const Read<int64_t> from = channel(item.substr(0, colon));
        if (const auto* error = std::get_if<Error>(&from)) return *error;
        int64_t to = std::get<int64_t>(from);
        if (colon != std::string_view::npos) {
            const Read<int64_t> end = channel(item.substr(colon + 1));
            if (const auto* error = std::get_if<Error>(&end)) return *error;
            to = std::get<int64_t>(end);
        }
        const int64_t step = to >= std::get<int64_t>(from) ? 1 : -1;
        for (int64_t c = std::get<int64_t>(from);; c += step) {
            channels.push_back(static_cast<int>(c));
            if (c == to) break;
        }
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return channels;
}

}  // namespace tqv::scpi
