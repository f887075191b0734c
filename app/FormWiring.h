// Which handler answers which event of the window. Every event not listed here
// has no handler.
#pragma once

#include "window/ControlSurface.h"
#include "window/FormContext.h"

namespace tqv::app {

class FormWiring : public window::FormEvents {
public:
    explicit FormWiring(window::FormContext& ctx) : m_ctx(ctx) {}

    // Runs the handler to its end. Nothing a handler meets escapes into the
    // toolkit's event loop: a failure ends that one handler.
    void raise(window::Control control, window::Event event) override;

private:
    void dispatch(window::Control control, window::Event event);
    window::FormContext& m_ctx;
};

}  // namespace tqv::app
