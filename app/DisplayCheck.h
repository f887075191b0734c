// Before a window program creates its QApplication: a machine with no display gets one
// line that says so and what to set, and status 2, instead of Qt's abort.
#pragma once

#include <optional>
#include <string>

namespace tqv::app {

struct DisplayEnvironment {
    std::string platform;  // QT_QPA_PLATFORM; empty counts as unset
    std::string x11Display;
    std::string waylandDisplay;
};

DisplayEnvironment displayEnvironment();

// Why no window could be shown, or empty when Qt should be let try. Only on systems
// whose windows need DISPLAY or WAYLAND_DISPLAY; a platform named in QT_QPA_PLATFORM
// is Qt's to try.
std::optional<std::string> missingDisplay(const DisplayEnvironment& environment);

// An empty QT_QPA_PLATFORM means "unset", as for the other variables; Qt would try a
// platform with an empty name and abort.
void treatEmptyPlatformAsUnset();

// For the lifetime of this object (the QApplication's construction), a fatal message
// from Qt (no platform plugin, no connection to the display) ends the program with a
// one-line message and status 2 instead of an abort and a core dump.
class FatalStartupMessages {
public:
    FatalStartupMessages();
    ~FatalStartupMessages();
    FatalStartupMessages(const FatalStartupMessages&) = delete;
    FatalStartupMessages& operator=(const FatalStartupMessages&) = delete;
};

}  // namespace tqv::app
