#pragma once

// What the desktop test tools share: the window a tool is given, and the
// messages that a window manager sends to a window.

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

// The window that the tool's one argument names, on the display of
// DISPLAY. Without one the tool ends: status 2 for a bad argument, 1 when
// the display cannot be opened.
struct WindowArgument
{
    Display *display;
    Window window;
};

inline WindowArgument OpenWindowArgument(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        std::exit(2);
    }
    char *end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (!end || *end || window == 0) {
        std::fprintf(stderr, "not a window id: %s\n", argv[1]);
        std::exit(2);
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        std::exit(1);
    }
    return {display, Window(window)};
}

// Sends the window a WM_PROTOCOLS message of `protocol`, as a window manager
// does, with the protocol's two data values after it.
inline Status SendProtocolMessage(Display *display, Window window, Atom protocol, long first, long second = 0)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(protocol);
    event.xclient.data.l[1] = first;
    event.xclient.data.l[2] = second;
    return XSendEvent(display, window, False, NoEventMask, &event);
}
