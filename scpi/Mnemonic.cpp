#include "scpi/Mnemonic.h"

namespace tqv::scpi {

HeaderForm headerForm(std::string_view header) {
    HeaderForm form;
    if (!header.empty() && header.back() == '?') {
        form.query = true;
        header.remove_suffix(1);
    }
    if (!header.empty() && header.front() == '*') {
        form.common = true;
        header.remove_prefix(1);
    }
    form.rest = header;
    return form;
}

std::string upperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

}  // namespace tqv::scpi
