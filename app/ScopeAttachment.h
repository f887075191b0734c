// Joins the scope to the panel without the panel knowing it: F2 in the panel opens
// (or raises) the scope, every tick tells the scope the ring may have changed, and
// closing the panel closes the scope. Closing the scope leaves the panel alone.
#pragma once

#include <QObject>
#include <memory>

#include "card/DllDef.h"

namespace tqv::window::qt {
class QtFormWindow;
}
namespace tqv::scope::qt {
class ScopeWindow;
}

namespace tqv::app {

class FormWiring;

class ScopeAttachment : public QObject {
    Q_OBJECT

public:
    ScopeAttachment(window::qt::QtFormWindow& panel, FormWiring& wiring, const card::DllDef& dll);
    ~ScopeAttachment() override;
    ScopeAttachment(const ScopeAttachment&) = delete;
    ScopeAttachment& operator=(const ScopeAttachment&) = delete;

    // Shows the scope beside the panel, or brings it to the front.
    void open();
    scope::qt::ScopeWindow& scope() const { return *m_scope; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    window::qt::QtFormWindow& m_panel;
    FormWiring& m_wiring;
    std::unique_ptr<scope::qt::ScopeWindow> m_scope;
    bool m_placed = false;
};

}  // namespace tqv::app
