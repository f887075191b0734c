#include "files/ConfigFolder.h"

#include <cstdlib>

namespace tqv::files {

std::filesystem::path programConfigFolder() {
    std::filesystem::path folder;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && std::filesystem::path(config).is_absolute()) {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home != nullptr ? home : ".") / ".config";
    }
    return folder / "tqv-multibuf";
}

}  // namespace tqv::files
