// Pings a window as a window manager does, by the _NET_WM_PING message,
// every 10 ms until it gets SIGTERM or SIGINT, and then prints how long the
// window left its longest unanswered ping waiting: a window answers only
// while its program handles events.
//
//   desktop_pingwatch WINDOW-ID
//
// Prints "longest unanswered ping: N ms (P pings, A answered)"; exits with 1
// when the window answered no ping at all.

#include "windowmessage.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/select.h>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopped = 0;

void stop(int)
{
    stopped = 1;
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

int main(int argc, char *argv[])
{
    const auto [display, window] = OpenWindowArgument(argc, argv);
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const Window root = DefaultRootWindow(display);
    // The answer goes to the root window: to whoever watches its children,
    // as window managers do, or, from Qt, to whoever watches its structure.
    XSelectInput(display, root, SubstructureNotifyMask | StructureNotifyMask);

    // The time each ping was sent, by its number, which it carries as its
    // time stamp; and when it was answered.
    std::vector<Clock::time_point> sent;
    std::vector<Clock::time_point> answered;
    const auto interval = std::chrono::milliseconds(10);
    Clock::time_point next = Clock::now();
    while (!stopped) {
        const Clock::time_point now = Clock::now();
        if (now >= next) {
            SendProtocolMessage(display, window, ping, long(sent.size() + 1), long(window));
            XFlush(display);
            sent.push_back(now);
            answered.push_back(Clock::time_point::max());
            next = now + interval;
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            const XClientMessageEvent &reply = event.xclient;
            if (event.type != ClientMessage || reply.message_type != protocols || Atom(reply.data.l[0]) != ping
                || static_cast<unsigned long>(reply.data.l[2]) != window)
                continue;
            const unsigned long number = static_cast<unsigned long>(reply.data.l[1]);
            if (number >= 1 && number <= answered.size())
                answered[number - 1] = std::min(answered[number - 1], Clock::now());
        }
        // Waits for an answer or the next ping's time.
        const int fd = ConnectionNumber(display);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(next - Clock::now());
        timeval timeout{0, std::max<long>(0, long(wait.count()))};
        select(fd + 1, &readable, nullptr, nullptr, &timeout);
    }

    const Clock::time_point stoppedAt = Clock::now();
    double longest = 0;
    std::size_t answers = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (answered[i] != Clock::time_point::max())
            ++answers;
        longest = std::max(longest, millisecondsBetween(sent[i], std::min(answered[i], stoppedAt)));
    }
    std::printf("longest unanswered ping: %.0f ms (%zu pings, %zu answered)\n", longest, sent.size(), answers);
    XCloseDisplay(display);
    return answers > 0 ? 0 : 1;
}
