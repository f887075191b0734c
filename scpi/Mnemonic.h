// What headers and patterns share: a header is common ("*IDN?") or a path, a query when
// it ends in "?"; mnemonics compare upper case.
#pragma once

#include <string>
#include <string_view>

namespace tqv::scpi {

struct HeaderForm {
    bool common = false;
    bool query = false;
    // The header without its "*" and "?".
    std::string_view rest;
};

HeaderForm headerForm(std::string_view header);

// ASCII letters upper case, every other byte as it is.
std::string upperCase(std::string_view text);

}  // namespace tqv::scpi
