#include "app/PanelApplication.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QString>
#include <utility>

#include "app/CommandLine.h"
#include "app/FleetAttachment.h"
#include "app/FormWiring.h"
#include "app/PanelSettings.h"
#include "app/RecordingAttachment.h"
#include "app/ScopeAttachment.h"
#include "app/ServerAttachment.h"
#include "app/TerminationSignals.h"
#include "app/WindowPlacement.h"
#include "channels/SetupFile.h"
#include "files/AtomicSave.h"
#include "files/qt/QtFileNames.h"
#include "scope/qt/ScopeWindow.h"
#include "scope/qt/TriggerBar.h"
#include "session/CardSession.h"
#include "window/ControlTable.h"
#include "window/FormContext.h"
#include "window/qt/QtFormWindow.h"

namespace tqv::app {

bool messageBoxesWanted() {
    if (!qEnvironmentVariableIsEmpty("TQV_NO_MESSAGE_BOX")) return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

PanelApplication::PanelApplication(std::vector<card::LibraryCandidate> libraryCandidates,
                                   PanelOptions options)
    : m_binding(std::move(libraryCandidates)), m_options(std::move(options)) {}

PanelApplication::~PanelApplication() {
    if (m_options.saveSettings && m_scope) {
        if (const auto failure = PanelSettings().save(remembered())) {
            CommandLine::writeMessage(*failure);
        }
    }
    m_termination.reset();
    // The fleet and the clients go first: nobody may ask anything of a panel that is
    // closing. The card was stopped by the window's Unload, which the fleet has told.
    if (m_window && !m_window->unloaded()) m_window->close();
    m_fleet.reset();
    m_server.reset();
    // Closed before the window: a recording never outlives the blocks' owner.
    m_recording.reset();
    if (m_window) {
        if (!m_window->unloaded()) m_window->close();
        m_window->setEvents(nullptr);
    }
}

bool PanelApplication::open() {
    // Before any window or timer exists: no tick may ever call into a library that
    // is not there.
    m_loadError = m_binding.load();
    if (m_loadError) {
        reportLoadFailure(*m_loadError);
        return false;
    }

    m_session = std::make_unique<session::CardSession>(m_binding, m_clock);
    m_window = std::make_unique<window::qt::QtFormWindow>();
    m_context =
        std::make_unique<window::FormContext>(window::FormContext{*m_session, m_form, *m_window});
    m_wiring = std::make_unique<FormWiring>(*m_context);
    m_window->setEvents(m_wiring.get());
    m_termination =
        std::make_unique<TerminationSignals>([window = m_window.get()] { window->close(); });
    m_scope = std::make_unique<ScopeAttachment>(*m_window, *m_session);
    m_recording = std::make_unique<RecordingAttachment>(*m_session, m_scope->scope(),
                                                        files::displayName(m_binding.loadedFrom()));
    RememberedSetup remembered;
    if (m_options.restoreSettings) {
        auto loaded = PanelSettings().load();
        if (!loaded.message.empty()) reportProblem(loaded.message);
        remembered = loaded.setup;
        restore(remembered);
    }
    if (m_options.readChannelSetup) readChannelSetup(remembered);

    m_wiring->raise(window::Control::FrmMultiBuf, window::Event::Load);
    // A Load that ended the program leaves nothing to show.
    if (!m_window->unloaded()) m_window->show();
    return true;
}

void PanelApplication::openScope() {
    if (m_scope && !m_window->unloaded()) m_scope->open();
}

std::optional<record::RecordingRefusal> PanelApplication::startRecording(
    const std::filesystem::path& file, bool replace) {
    if (!m_recording) {
        return record::RecordingRefusal{record::RecordingRefusal::Kind::Unusable,
                                        "the panel is not open"};
    }
    return m_recording->start(file, replace);
}

void PanelApplication::readChannelSetup(const RememberedSetup& remembered) {
    const auto given = m_options.channelSetupFile;
    const std::filesystem::path file = given ? *given
                                       : !remembered.channelSetupFile.isEmpty()
                                           ? files::qt::toPath(remembered.channelSetupFile)
                                           : channels::defaultSetupPath();
    auto read = given ? channels::readSetup(file) : channels::readSetupIfSaved(file);
    channels::ChannelSetup setup;
    if (const auto* error = std::get_if<channels::SetupError>(&read)) {
        reportProblem("channel setup " + error->message + "; every channel reads in codes");
    } else {
        setup = std::get<channels::ChannelSetup>(read);
    }
    m_scope->scope().setChannelSetup(setup, file);
}

void PanelApplication::restore(const RememberedSetup& remembered) {
    auto& scope = m_scope->scope();
    scope.triggerBar()->setSpanMilliseconds(remembered.spanMs);
    scope.triggerBar()->setSettings(remembered.trigger);
    for (int lane = 0; lane < static_cast<int>(remembered.fit.size()); ++lane) {
        scope.setFit(lane, remembered.fit[static_cast<size_t>(lane)]);
    }
    scope.setCursorsShown(remembered.cursors);
    scope.setLastFolder(remembered.saveFolder);
    m_recording->setLastFolder(remembered.recordFolder);
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back(screen->availableGeometry());
    }
    // A place off every screen there is now (a monitor unplugged) is no place to open.
    if (remembered.panelPlace &&
        onSomeScreen(QRect(*remembered.panelPlace, m_window->frameGeometry().size()), screens)) {
        m_window->move(*remembered.panelPlace);
    }
    if (remembered.scopeFrame) m_scope->setRememberedPlace(*remembered.scopeFrame);
}

RememberedSetup PanelApplication::remembered() const {
    const auto& scope = m_scope->scope();
    RememberedSetup setup;
    setup.spanMs = scope.triggerBar()->spanMilliseconds();
    setup.trigger = scope.triggerBar()->settings();
    for (int lane = 0; lane < static_cast<int>(setup.fit.size()); ++lane) {
        setup.fit[static_cast<size_t>(lane)] = scope.fit(lane);
    }
    setup.cursors = scope.cursorsShown();
    setup.panelPlace = m_window->pos();
    setup.scopeFrame = m_scope->placeToRemember();
    setup.saveFolder = scope.lastFolder();
    setup.recordFolder = m_recording->lastFolder();
    setup.channelSetupFile = files::qt::fromPath(scope.channelSetupFile());
    return setup;
}

void PanelApplication::reportProblem(const std::string& text) const {
    CommandLine::writeMessage(text);
    if (messageBoxesWanted()) {
        QMessageBox::warning(nullptr,
                             QString::fromUtf8(window::Form.caption.data(),
                                               static_cast<qsizetype>(window::Form.caption.size())),
                             QString::fromStdString(text));
    }
}

ServerAttachment& PanelApplication::instrument() {
    if (!m_server) {
        instrument::InstrumentSettings settings;
        settings.version = TQV_VERSION;
        // MEASure in the units the scope shows, and in the new ones once Channels… saves.
        settings.channelSetup = m_scope->scope().channelSetup();
        m_server = std::make_unique<ServerAttachment>(*m_wiring, *m_session, settings);
        // The server as the connection's context: gone with it, before the scope.
        QObject::connect(&m_scope->scope(), &scope::qt::ScopeWindow::channelSetupChanged,
                         &m_server->server(), [server = m_server.get()](const channels::ChannelSetup& setup) {
                             server->instrument().setChannelSetup(setup);
                         });
    }
    return *m_server;
}

std::optional<std::string> PanelApplication::serve(const network::ListenAddress& address) {
    if (!m_wiring) return std::string("the panel is not open");
    if (const auto refused = instrument().listen(address)) return refused->toStdString();
    return std::nullopt;
}

void PanelApplication::report(const FleetTarget& target) {
    if (!m_wiring) return;
    m_fleet = std::make_unique<FleetAttachment>(target, instrument().instrument(), "tqv-multibuf");
}

void PanelApplication::reportLoadFailure(const std::string& text) const {
    CommandLine::writeMessage(text);
    if (messageBoxesWanted()) {
        QMessageBox::critical(
            nullptr,
            QString::fromUtf8(window::Form.caption.data(),
                              static_cast<qsizetype>(window::Form.caption.size())),
            QString::fromStdString(text));
    }
}

}  // namespace tqv::app
