// What the window programs remember between runs, kept with QSettings in
// $XDG_CONFIG_HOME/tqv-multibuf/settings.ini: the scope's span, trigger, Fit per lane
// and cursors, the panel's and the scope's places, the folders Save and Record last
// used, and the channel setup file in use. A file that cannot be read, or that a newer
// version wrote, is set aside with a message and the defaults are used; a value that
// makes no sense is left at its default.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "scope/Trigger.h"

namespace tqv::app {

struct RememberedSetup {
    int spanMs = 0;
    scope::TriggerSettings trigger;
    std::array<bool, 4> fit{true, true, true, true};
    bool cursors = false;
    std::optional<QPoint> panelPlace;
    std::optional<QRect> scopeFrame;
    QString saveFolder;
    QString recordFolder;
    QString channelSetupFile;
    bool operator==(const RememberedSetup&) const = default;
};

class PanelSettings {
public:
    // The settings' layout; a file of a later one is set aside.
    static constexpr int Version = 1;

    explicit PanelSettings(std::filesystem::path file = defaultFile());
    static std::filesystem::path defaultFile();
    const std::filesystem::path& file() const { return m_file; }

    struct Loaded {
        RememberedSetup setup;
        // Why the file was set aside, and where to; empty when it was not.
        std::string message;
    };
    // The remembered setup; the defaults where there is no file.
    Loaded load() const;
    // Written whole through the atomic save; empty on success, else why.
    std::optional<std::string> save(const RememberedSetup& setup) const;

private:
    std::string setAside(const std::string& why) const;

    std::filesystem::path m_file;
};

}  // namespace tqv::app
