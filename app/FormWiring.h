// Which handler answers which event of the window. Every event not listed here
// has no handler.
#pragma once

#include <functional>
#include <utility>

#include "window/ControlSurface.h"
#include "window/FormContext.h"

namespace tqv::app {

class FormWiring : public window::FormEvents {
public:
    explicit FormWiring(window::FormContext& ctx) : m_ctx(ctx) {}

    // Runs the handler to its end. Nothing a handler meets escapes into the
    // toolkit's event loop: a failure ends that one handler.
    void raise(window::Control control, window::Event event) override;

    // Told after every tick of TimerAD has run to its end, for views that read the
    // ring; it must not call the card. Empty for none.
    void setAfterTick(std::function<void()> listener) { m_afterTick = std::move(listener); }

private:
    void dispatch(window::Control control, window::Event event);
    window::FormContext& m_ctx;
    std::function<void()> m_afterTick;
};

}  // namespace tqv::app
