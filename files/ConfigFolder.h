// Where the programs keep what they remember for a user: the channel setup and the
// window programs' settings.
#pragma once

#include <filesystem>

namespace tqv::files {

// $XDG_CONFIG_HOME/tqv-multibuf, with ~/.config in place of XDG_CONFIG_HOME where it is
// unset, empty or not an absolute path (the XDG base directory rule).
std::filesystem::path programConfigFolder();

}  // namespace tqv::files
