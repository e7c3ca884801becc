// Prints every startup-notification message sent to the root window, one line each, as a
// launcher reassembles them to end its feedback (the busy cursor): what a program must send once
// it is up, or once it has brought itself forward for a later start. Prints "listening" first.
// Usage: startup_messages   (runs until it is ended)
#include <X11/Xlib.h>

#include <cstdio>
#include <map>
#include <string>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "startup_messages: cannot open the display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
  const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
  // The messages are sent with this mask; selecting it is how a launcher receives them.
  XSelectInput(display, root, PropertyChangeMask);
  XSync(display, False);
  std::puts("listening");
  std::fflush(stdout);
  std::map<Window, std::string> pending;  // by the window that sends the pieces
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != ClientMessage || event.xclient.format != 8 ||
        (event.xclient.message_type != begin && event.xclient.message_type != more)) {
      continue;
    }
    std::string& message = pending[event.xclient.window];
    if (event.xclient.message_type == begin) {
      message.clear();
    }
    for (const char byte : event.xclient.data.b) {
      if (byte == '\0') {
        std::printf("%s\n", message.c_str());
        std::fflush(stdout);
        pending.erase(event.xclient.window);
        break;
      }
      message += byte;
    }
  }
}
