// Asks a window to close as a window manager's close box does, by the
// WM_DELETE_WINDOW message, so that the desktop tests can close a window
// also on a display where no window manager runs.
//
//   desktop_closewindow WINDOW-ID

#include "windowmessage.h"

int main(int argc, char *argv[])
{
    const auto [display, window] = OpenWindowArgument(argc, argv);
    const Status sent =
        SendProtocolMessage(display, window, XInternAtom(display, "WM_DELETE_WINDOW", False), CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
