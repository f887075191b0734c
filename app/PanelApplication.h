// The program put together: the card library, the module and window state, the
// window and the wiring between the window's events and the handlers.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/FleetOptions.h"
#include "card/AdcardBinding.h"
#include "record/RecordingTarget.h"
#include "network/ListenAddress.h"
#include "session/Clock.h"
#include "window/FormState.h"

namespace tqv::session {
class CardSession;
}
namespace tqv::window {
struct FormContext;
namespace qt {
class QtFormWindow;
}
}  // namespace tqv::window

namespace tqv::app {

// What a program asks of the panel beyond the card library.
struct PanelOptions {
    // Read the remembered settings at open(), and write them back when the panel goes.
    bool restoreSettings = false;
    bool saveSettings = false;
    // Read the channel setup at open(): the file named here (it must be there), else the
    // one remembered, else the default file where one was saved. Without it every
    // channel reads in codes.
    bool readChannelSetup = false;
    std::optional<std::filesystem::path> channelSetupFile;
};

struct RememberedSetup;
class FleetAttachment;
class FormWiring;
class RecordingAttachment;
class ScopeAttachment;
class ServerAttachment;
class TerminationSignals;

class PanelApplication {
public:
    explicit PanelApplication(std::vector<card::LibraryCandidate> libraryCandidates =
                                  card::AdcardBinding::defaultPlaces(),
                              PanelOptions options = {});
    // Closes the window first if it is still open, so the card is stopped however
    // the program ends.
    ~PanelApplication();
    PanelApplication(const PanelApplication&) = delete;
    PanelApplication& operator=(const PanelApplication&) = delete;

    // Loads the card library; when that fails, says why (on standard error and, on
    // a screen, in a message box) and returns false with no window made. Otherwise
    // builds the window, runs its Load event and shows it. A QApplication must exist.
    bool open();

    // The card library, bound once open() succeeded.
    const card::AdcardBinding& binding() const { return m_binding; }

    // Shows the scope beside the window (as F2 in the window does); nothing before
    // open() succeeded.
    void openScope();

    // Records every block stored from now on into `file` (replaced only when
    // `replace`); empty on success, else why not. Nothing before open() succeeded.
    std::optional<record::RecordingRefusal> startRecording(const std::filesystem::path& file,
                                                           bool replace);
    RecordingAttachment* recording() const { return m_recording.get(); }

    // Serves the card to network clients on `address` (--listen) for as long as the
    // panel is open; empty once listening, else why not. Nothing before open() succeeded.
    std::optional<std::string> serve(const network::ListenAddress& address);
    // Reports to the fleet's broker (--mqtt, --bench-id) for as long as the panel is open.
    void report(const FleetTarget& target);
    ServerAttachment* server() const { return m_server.get(); }

    // Null until open() succeeded.
    window::qt::QtFormWindow* window() const { return m_window.get(); }
    ScopeAttachment* scope() const { return m_scope.get(); }
    // Why the card library could not be used, after a failed open().
    const std::optional<std::string>& loadError() const { return m_loadError; }

private:
    // The instrument the network clients and the fleet share, made with the first of them.
    ServerAttachment& instrument();
    void reportLoadFailure(const std::string& text) const;
    // A problem the panel goes on after: on standard error and, on a screen, in a box.
    void reportProblem(const std::string& text) const;
    void readChannelSetup(const RememberedSetup& remembered);
    void restore(const RememberedSetup& remembered);
    RememberedSetup remembered() const;

    // Declared in the order they depend on one another: destroyed the other way round.
    window::FormState m_form;
    card::AdcardBinding m_binding;
    PanelOptions m_options;
    session::SteadyClock m_clock;
    std::unique_ptr<session::CardSession> m_session;
    std::unique_ptr<window::qt::QtFormWindow> m_window;
    std::unique_ptr<window::FormContext> m_context;
    std::unique_ptr<FormWiring> m_wiring;
    std::unique_ptr<TerminationSignals> m_termination;
    std::unique_ptr<ScopeAttachment> m_scope;
    std::unique_ptr<RecordingAttachment> m_recording;
    std::unique_ptr<ServerAttachment> m_server;
    std::unique_ptr<FleetAttachment> m_fleet;
    std::optional<std::string> m_loadError;
};

// False where a message box could not be seen or would wait for nobody: under the
// offscreen and minimal platforms, or when TQV_NO_MESSAGE_BOX is set to anything
// but an empty value.
bool messageBoxesWanted();

}  // namespace tqv::app
