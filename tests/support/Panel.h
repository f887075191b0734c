// The whole panel without a toolkit: module state, window state, a scripted card
// and the in-memory window, joined by the real event wiring.
#pragma once

#include "app/FormWiring.h"
#include "card/DllDef.h"
#include "tests/support/FakeCard.h"
#include "tests/support/InMemorySurface.h"
#include "window/FormContext.h"
#include "window/FormState.h"

namespace tqv::test {

struct Panel {
    card::DllDef dll;
    window::FormState form;
    FakeCard card;
    InMemorySurface ui;
    window::FormContext ctx{dll, form, card, ui};
    app::FormWiring wiring{ctx};

    Panel() { ui.setEvents(&wiring); }
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    void raise(window::Control control, window::Event event) { wiring.raise(control, event); }
    void load() { raise(window::Control::FrmMultiBuf, window::Event::Load); }
    void click(window::Control button) { raise(button, window::Event::Click); }
    void tick() { raise(window::Control::TimerAD, window::Event::Timer); }
};

}  // namespace tqv::test
