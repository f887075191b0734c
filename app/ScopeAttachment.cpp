#include "app/ScopeAttachment.h"

#include <QEvent>
#include <QShortcut>

#include "scope/qt/ScopeWindow.h"
#include "window/qt/QtFormWindow.h"

namespace tqv::app {

ScopeAttachment::ScopeAttachment(window::qt::QtFormWindow& panel, session::AcquiredBlocks& blocks)
    : m_panel(panel),
      m_blocks(blocks),
      m_scope(std::make_unique<scope::qt::ScopeWindow>(blocks, session::PanelStart.ChannelCount)) {
    // Parented to the panel so it lives no longer; a shortcut adds no control, so
    // the panel's tab order and keys stay as they are.
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F2), &m_panel);
    connect(shortcut, &QShortcut::activated, this, &ScopeAttachment::open);
    m_blocks.addListener(*this);
    m_panel.installEventFilter(this);
}

ScopeAttachment::~ScopeAttachment() {
    m_panel.removeEventFilter(this);
    m_blocks.removeListener(*this);
}

// The scope reads the ring as a whole once a fetch has stored all it brought.
void ScopeAttachment::blockStored(const session::StoredBlock&) {}
void ScopeAttachment::blocksLost(const session::Loss&) {}
void ScopeAttachment::fetchEnded() { m_scope->ringMayHaveChanged(); }

void ScopeAttachment::open() {
    if (!m_placed) {
        // Beside the panel the first time; where the operator left it afterwards.
        m_scope->adjustSize();
        const QRect frame = m_panel.frameGeometry();
        m_scope->move(frame.right() + 8, frame.top());
        m_placed = true;
    }
    m_scope->show();
    m_scope->raise();
    m_scope->activateWindow();
}

bool ScopeAttachment::eventFilter(QObject* watched, QEvent* event) {
    // The panel's close is never refused: the scope goes with it.
    if (watched == &m_panel && event->type() == QEvent::Close) m_scope->close();
    return QObject::eventFilter(watched, event);
}

}  // namespace tqv::app
