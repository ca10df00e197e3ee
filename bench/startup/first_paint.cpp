// Starts a program on the X display and reports how long it took from the
// spawn to the first damage (drawing) of any window it made, and its resident
// memory once it has settled. Both ends are the X server's own timestamps,
// so a busy processor that wakes this watcher late does not count.
//
// Usage: tarvisk_first_paint SETTLE_MS COMMAND [ARGS...]
// Prints "first_paint_ms=MS rss_kb=KB"; exits 1 when no window drew in 20 s.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// A window may be gone before its damage object is made.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

long RssKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

void End(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// The server's time now, from the property change it reports back.
Time ServerTime(Display* display, Window window)
{
    const Atom atom = XInternAtom(display, "TARVISK_FIRST_PAINT", False);
    XChangeProperty(display, window, atom, XA_STRING, 8, PropModeReplace, nullptr, 0);
    for (XEvent event;;) {
        XWindowEvent(display, window, PropertyChangeMask, &event);
        if (event.type == PropertyNotify && event.xproperty.atom == atom)
            return event.xproperty.time;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SETTLE_MS COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int settle_ms = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    int damage_event = 0, damage_error = 0;
    if (display == nullptr || !XDamageQueryExtension(display, &damage_event, &damage_error)) {
        std::fprintf(stderr, "no X display with the DAMAGE extension\n");
        return 2;
    }
    XSetErrorHandler(IgnoreError);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    const Window clock = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, clock, PropertyChangeMask);
    XSync(display, False);

    const Time spawn_time = ServerTime(display, clock);
    const auto spawn = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    double first_ms = -1.0;
    const auto give_up = spawn + std::chrono::seconds(20);
    while (first_ms < 0.0 && Clock::now() < give_up) {
        if (XPending(display) == 0) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            XDamageCreate(display, event.xcreatewindow.window, XDamageReportNonEmpty);
            XFlush(display);
        } else if (event.type == damage_event + XDamageNotify) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            first_ms = static_cast<double>(damage.timestamp - spawn_time);
        }
    }
    if (first_ms < 0.0) {
        End(pid);
        std::fprintf(stderr, "no window drew within 20 s\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
    const long rss = RssKb(pid);
    End(pid);
    std::printf("first_paint_ms=%.1f rss_kb=%ld\n", first_ms, rss);
    return 0;
}
