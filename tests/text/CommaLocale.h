// Switches the C locale to one that writes decimals with a comma, for checking
// that reading and showing numbers ignore the operator's locale.
#pragma once

#include <clocale>
#include <string>

namespace tqv::text::test {

class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name) == nullptr) {
                continue;
            }
            // A locale of that name that still uses a period proves nothing.
            if (std::string(std::localeconv()->decimal_point) == ",") {
                active_ = name;
                return;
            }
        }
        std::setlocale(LC_ALL, previous_.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return !active_.empty(); }

private:
    std::string previous_;
    std::string active_;
};

}  // namespace tqv::text::test
