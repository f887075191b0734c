#include "app/PanelApplication.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QString>
#include <utility>

#include "app/CommandLine.h"
#include "app/FleetAttachment.h"
#include "app/FormWiring.h"
#include "app/RecordingAttachment.h"
#include "app/ScopeAttachment.h"
#include "app/ServerAttachment.h"
#include "app/TerminationSignals.h"
#include "files/AtomicSave.h"
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

PanelApplication::PanelApplication(std::vector<card::LibraryCandidate> libraryCandidates)
    : m_binding(std::move(libraryCandidates)) {}

PanelApplication::~PanelApplication() {
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
    m_scope = std::make_unique<ScopeAttachment>(*m_window, m_session->blocks());
    m_recording = std::make_unique<RecordingAttachment>(*m_session, m_scope->scope(),
                                                        files::displayName(m_binding.loadedFrom()));

    m_wiring->raise(window::Control::FrmMultiBuf, window::Event::Load);
    // A Load that ended the program leaves nothing to show.
    if (!m_window->unloaded()) m_window->show();
    return true;
}

void PanelApplication::openScope() {
    if (m_scope && !m_window->unloaded()) m_scope->open();
}

std::optional<std::string> PanelApplication::startRecording(const std::filesystem::path& file,
                                                            bool replace) {
    if (!m_recording) return std::string("the panel is not open");
    return m_recording->start(file, replace);
}

ServerAttachment& PanelApplication::instrument() {
    if (!m_server) {
        instrument::InstrumentSettings settings;
        settings.version = TQV_VERSION;
        m_server = std::make_unique<ServerAttachment>(*m_wiring, *m_session, settings);
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
