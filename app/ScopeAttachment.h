// Joins the scope to the panel without the panel knowing it: F2 in the panel opens
// (or raises) the scope, every fetch of blocks tells the scope the ring may have
// changed, the start and stop of acquisition set its trigger state, the card's pace
// and losses reach its status line, and closing the panel closes the scope. Closing
// the scope leaves the panel alone.
#pragma once

#include <QObject>
#include <QRect>
#include <memory>
#include <optional>
#include <string>

#include "session/BlockListener.h"

namespace tqv::window::qt {
class QtFormWindow;
}
namespace tqv::scope::qt {
class ScopeWindow;
}
namespace tqv::session {
class CardSession;
}

namespace tqv::app {

class ScopeAttachment : public QObject, private session::BlockListener {
    Q_OBJECT

public:
    ScopeAttachment(window::qt::QtFormWindow& panel, session::CardSession& session);
    ~ScopeAttachment() override;
    ScopeAttachment(const ScopeAttachment&) = delete;
    ScopeAttachment& operator=(const ScopeAttachment&) = delete;

    // Shows the scope (where it was remembered, else beside the panel) or brings it to
    // the front.
    void open();
    scope::qt::ScopeWindow& scope() const { return *m_scope; }
    // Where the scope opens the first time: a remembered place is used only where it
    // lies on a screen there is now.
    void setRememberedPlace(const QRect& frame) { m_remembered = frame; }
    // The scope's place and size as it stands, once it was placed; else the one
    // remembered, if any.
    std::optional<QRect> placeToRemember() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void acquisitionStarted(const session::StartParameters& parameters) override;
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;
    void fetchEnded() override;
    void acquisitionStopped(session::StopCause cause) override;
    void showCardPace();
    void place();

    window::qt::QtFormWindow& m_panel;
    session::CardSession& m_session;
    std::unique_ptr<scope::qt::ScopeWindow> m_scope;
    bool m_placed = false;
    std::optional<QRect> m_remembered;
    // Since the last start: the card's off pace, and its last loss.
    bool m_acquiring = false;
    std::string m_lastLoss;
};

}  // namespace tqv::app
