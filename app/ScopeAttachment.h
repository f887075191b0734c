// Joins the scope to the panel without the panel knowing it: F2 in the panel opens
// (or raises) the scope, every fetch of blocks tells the scope the ring may have
// changed, and closing the panel closes the scope. Closing the scope leaves the panel
// alone.
#pragma once

#include <QObject>
#include <memory>

#include "session/AcquiredBlocks.h"
#include "session/BlockListener.h"

namespace tqv::window::qt {
class QtFormWindow;
}
namespace tqv::scope::qt {
class ScopeWindow;
}

namespace tqv::app {

class ScopeAttachment : public QObject, private session::BlockListener {
    Q_OBJECT

public:
    ScopeAttachment(window::qt::QtFormWindow& panel, session::AcquiredBlocks& blocks);
    ~ScopeAttachment() override;
    ScopeAttachment(const ScopeAttachment&) = delete;
    ScopeAttachment& operator=(const ScopeAttachment&) = delete;

    // Shows the scope beside the panel, or brings it to the front.
    void open();
    scope::qt::ScopeWindow& scope() const { return *m_scope; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void blockStored(const session::StoredBlock& block) override;
    void blocksLost(const session::Loss& loss) override;
    void fetchEnded() override;

    window::qt::QtFormWindow& m_panel;
    session::AcquiredBlocks& m_blocks;
    std::unique_ptr<scope::qt::ScopeWindow> m_scope;
    bool m_placed = false;
};

}  // namespace tqv::app
