// Starts a program and reports how long it took until its first dialog window (a message box has
// _NET_WM_WINDOW_TYPE_DIALOG) was mapped on the X display, then ends it and reports its peak
// memory. Menu windows mapped earlier are reported too but do not count. The box may be another
// program's: a later start that hands its file to the running program ends at once with status
// 0, and the running program's box is the one timed.
// Usage: box_map_timer SETTLE_MS PROGRAM [ARGUMENT...]
// Output: first_map_ms=F box_map_ms=B max_rss_kb=R
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kGiveUpAfter = std::chrono::seconds(20);

// A window can be gone by the time its properties are asked for; that is no error here.
int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) {
  return 0;
}

bool HasAtom(Display* display, Window window, Atom property, Atom wanted) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 32, False, XA_ATOM, &type, &format, &count,
                         &remaining, &data) != Success ||
      data == nullptr) {
    return false;
  }
  bool found = false;
  if (format == 32) {
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) {
      found = atoms[i] == wanted;
    }
  }
  XFree(data);
  return found;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: box_map_timer SETTLE_MS PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const auto settle = std::chrono::milliseconds(std::strtol(argv[1], nullptr, 10));
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "box_map_timer: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(&IgnoreErrors);
  const Atom windowType = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dialogType = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  // Without a window manager, top-level windows are the root window's children.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("box_map_timer: fork");
    return 1;
  }
  if (child == 0) {
    close(ConnectionNumber(display));
    execvp(argv[2], argv + 2);
    std::perror("box_map_timer: exec");
    _exit(127);
  }

  double firstMap = -1;
  double boxMap = -1;
  bool ended = false;
  int status = 0;
  rusage usage{};
  while (boxMap < 0 && Clock::now() - start < kGiveUpAfter) {
    if (XPending(display) == 0) {
      pollfd connection{ConnectionNumber(display), POLLIN, 0};
      poll(&connection, 1, 100);
      if (!ended && wait4(child, &status, WNOHANG, &usage) == child) {
        ended = true;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
          std::fprintf(stderr, "box_map_timer: %s failed before a box was shown\n", argv[2]);
          return 1;
        }
      }
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != MapNotify) {
      continue;
    }
    const double at = MillisecondsSince(start);
    if (firstMap < 0) {
      firstMap = at;
    }
    if (HasAtom(display, event.xmap.window, windowType, dialogType)) {
      boxMap = at;
    }
  }

  // Let the box be painted before the peak memory is taken.
  std::this_thread::sleep_for(settle);
  if (!ended) {
    kill(child, SIGKILL);
    wait4(child, &status, 0, &usage);
  }
  XCloseDisplay(display);
  if (boxMap < 0) {
    std::fprintf(stderr, "box_map_timer: no box within %lld s\n",
                 static_cast<long long>(kGiveUpAfter.count()));
    return 1;
  }
  std::printf("first_map_ms=%.1f box_map_ms=%.1f max_rss_kb=%ld\n", firstMap, boxMap,
              usage.ru_maxrss);
  return 0;
}
