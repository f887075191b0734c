// send_wm_delete WINDOW: asks a window to close as a window manager's close box does,
// with the WM_DELETE_WINDOW message (`xdotool windowclose` would destroy the window
// under the program's feet instead). Exit status: 0 sent, 1 failed, 2 bad arguments or
// no display.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    const Window window = argc == 2 ? std::strtoul(argv[1], nullptr, 0) : 0;
    Display* display = window != 0 ? XOpenDisplay(nullptr) : nullptr;
    if (display == nullptr) {
        std::fprintf(stderr, "usage: send_wm_delete WINDOW-ID, on a reachable display\n");
        return 2;
    }
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
    XCloseDisplay(display);  // flushes the request
    if (!sent)
        std::fprintf(stderr, "send_wm_delete: window %s could not be sent WM_DELETE_WINDOW\n",
                     argv[1]);
    return sent ? 0 : 1;
}
