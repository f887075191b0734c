// send_wm_delete WINDOW: asks a top-level window to close the way a window
// manager's close box does, by sending it the WM_DELETE_WINDOW client message of
// the WM_PROTOCOLS protocol. The window's program receives an ordinary close
// request (in Qt: a QCloseEvent), unlike `xdotool windowclose`, which destroys
// the window under the program's feet. Needs no window manager.
//
// WINDOW is an X window id in decimal or 0x-hexadecimal. Exit status: 0 sent,
// 1 the window does not take part in WM_DELETE_WINDOW or the request failed,
// 2 bad arguments or no display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool g_xError = false;

int recordError(Display*, XErrorEvent* error) {
    std::fprintf(stderr, "send_wm_delete: X error %d on request %d\n",
                 static_cast<int>(error->error_code), static_cast<int>(error->request_code));
    g_xError = true;
    return 0;
}

bool parseWindow(const char* text, Window& window) {
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value == 0) return false;
    window = static_cast<Window>(value);
    return true;
}

// Whether the window lists WM_DELETE_WINDOW in its WM_PROTOCOLS: a window that
// does not would be killed by a window manager rather than asked.
bool takesDeleteRequests(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0) return false;
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

}  // namespace

int main(int argc, char* argv[]) {
    Window window = 0;
    if (argc != 2 || !parseWindow(argv[1], window)) {
        std::fprintf(stderr, "usage: send_wm_delete WINDOW-ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "send_wm_delete: cannot open display '%s'\n", XDisplayName(nullptr));
        return 2;
    }
    XSetErrorHandler(recordError);

    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!takesDeleteRequests(display, window, deleteWindow)) {
        std::fprintf(stderr, "send_wm_delete: window 0x%lx does not accept WM_DELETE_WINDOW\n",
                     static_cast<unsigned long>(window));
        XCloseDisplay(display);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    // An empty event mask delivers the message to the client that created the window.
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    const bool ok = sent != 0 && !g_xError;
    XCloseDisplay(display);
    if (!ok) {
        std::fprintf(stderr, "send_wm_delete: the request to window 0x%lx failed\n",
                     static_cast<unsigned long>(window));
        return 1;
    }
    return 0;
}
