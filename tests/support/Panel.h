// The whole panel without a toolkit: a scripted card behind the card session, the
// window's state and the in-memory window, joined by the real event wiring.
#pragma once

#include "app/FormWiring.h"
#include "session/CardSession.h"
#include "tests/support/FakeCard.h"
#include "tests/support/InMemorySurface.h"
#include "tests/support/ManualClock.h"
#include "window/FormContext.h"
#include "window/FormState.h"

namespace tqv::test {

struct Panel {
    FakeCard card;
    ManualClock clock;
    session::CardSession session{card, clock};
    window::FormState form;
    InMemorySurface ui;
    window::FormContext ctx{session, form, ui};
    app::FormWiring wiring{ctx};

    Panel() { ui.setEvents(&wiring); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    const session::AcquiredBlocks& blocks() const { return session.blocks(); }
    void raise(window::Control control, window::Event event) { wiring.raise(control, event); }
    void load() { raise(window::Control::FrmMultiBuf, window::Event::Load); }
    void click(window::Control button) { raise(button, window::Event::Click); }
    void tick() { raise(window::Control::TimerAD, window::Event::Timer); }
};

}  // namespace tqv::test
