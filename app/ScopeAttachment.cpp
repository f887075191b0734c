#include "app/ScopeAttachment.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <chrono>

#include "app/WindowPlacement.h"
#include "scope/qt/ScopeWindow.h"
#include "session/CardPace.h"
#include "session/CardSession.h"
#include "session/LossWatch.h"
#include "window/qt/QtFormWindow.h"

namespace tqv::app {

ScopeAttachment::ScopeAttachment(window::qt::QtFormWindow& panel, session::CardSession& session)
    : m_panel(panel),
      m_session(session),
      m_scope(std::make_unique<scope::qt::ScopeWindow>(session.blocks(),
                                                       session::PanelStart.ChannelCount)) {
    // Parented to the panel so it lives no longer; a shortcut adds no control, so
    // the panel's tab order and keys stay as they are.
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F2), &m_panel);
    connect(shortcut, &QShortcut::activated, this, &ScopeAttachment::open);
    m_session.blocks().addListener(*this);
    m_panel.installEventFilter(this);
}

ScopeAttachment::~ScopeAttachment() {
    m_panel.removeEventFilter(this);
    m_session.blocks().removeListener(*this);
}

void ScopeAttachment::acquisitionStarted(const session::StartParameters&) {
    m_acquiring = true;
    m_lastLoss.clear();
    m_scope->setAcquiring(true);
    m_scope->setCardPace({});
}

// The scope reads the ring as a whole once a fetch has stored all it brought.
void ScopeAttachment::blockStored(const session::StoredBlock&) {}

void ScopeAttachment::blocksLost(const session::Loss& loss) {
    m_lastLoss = session::lossText(loss);
}

void ScopeAttachment::fetchEnded() {
    m_scope->ringMayHaveChanged();
    showCardPace();
}

void ScopeAttachment::acquisitionStopped(session::StopCause) {
    m_acquiring = false;
    m_scope->setAcquiring(false);
}

void ScopeAttachment::showCardPace() {
    if (!m_acquiring) return;
    const auto& counts = m_session.counts();
    const double since = std::chrono::duration<double>(m_session.sinceStart()).count();
    const double blockSeconds = session::blockSeconds(m_session.blocks().parameters());
    std::string text;
    // Judged once the card has had the clock's grace: a first tick may come early.
    if (m_session.sinceStart() >= session::LossWatch::ClockGrace && blockSeconds > 0) {
        text = session::cardPaceText(counts.delivered, since / blockSeconds);
    }
    if (counts.losses > 0) {
        text += (text.empty() ? "" : "; ") + std::string("losses since the start: ") +
                std::to_string(counts.losses) + " (the last: " + m_lastLoss + ")";
    }
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    m_scope->setCardPace(QString::fromStdString(text));
}

void ScopeAttachment::open() {
    if (!m_placed) {
        place();
        m_placed = true;
    }
    m_scope->show();
    m_scope->raise();
    m_scope->activateWindow();
}

void ScopeAttachment::place() {
    m_scope->adjustSize();
    std::vector<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    if (m_remembered && onSomeScreen(*m_remembered, screens)) {
        m_scope->resize(m_remembered->size());
        m_scope->move(m_remembered->topLeft());
        return;
    }
    std::vector<QRect> buttons;
    for (const QPushButton* button : m_panel.findChildren<QPushButton*>()) {
        if (button->isVisible()) {
            buttons.emplace_back(button->mapToGlobal(QPoint(0, 0)), button->size());
        }
    }
    const QScreen* screen = m_panel.screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect frame =
        scopePlace(m_panel.frameGeometry(), buttons, m_scope->size(),
                   m_scope->minimumSizeHint().expandedTo(m_scope->minimumSize()), available);
    m_scope->resize(frame.size());
    m_scope->move(frame.topLeft());
}

std::optional<QRect> ScopeAttachment::placeToRemember() const {
    if (!m_placed) return m_remembered;
    return QRect(m_scope->pos(), m_scope->size());
}

bool ScopeAttachment::eventFilter(QObject* watched, QEvent* event) {
    // The panel's close is never refused: the scope goes with it.
    if (watched == &m_panel && event->type() == QEvent::Close) m_scope->close();
    return QObject::eventFilter(watched, event);
}

}  // namespace tqv::app
