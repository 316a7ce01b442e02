// Watches the X display for top-level windows being mapped and retitled and prints one
// line per event with the monotonic clock (the clock of Python's time.monotonic), so
// that bench/run can time "process spawn to first window mapped" without polling:
//
//   ready
//   map <seconds> <window> <pid> <override-redirect 0|1> <width>x<height> <title>
//   title <seconds> <window> <title>
//   unmap <seconds> <window>
//
// It runs until its standard input closes or it is killed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

double now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

Atom net_wm_name, net_wm_pid, utf8_string;

std::string title_of(Display* display, Window window) {
  for (Atom property : {net_wm_name, static_cast<Atom>(XA_WM_NAME)}) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
      std::string text(reinterpret_cast<char*>(data), count);
      XFree(data);
      if (format == 8) {
        for (char& c : text) {
          if (c == '\n' || c == '\r') c = ' ';
        }
        return text;
      }
    }
  }
  return "";
}

long pid_of(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, net_wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    if (count == 1 && format == 32) pid = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  return pid;
}

int ignore_errors(Display*, XErrorEvent*) {
  return 0;
}  // windows may vanish under us

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "map_watch: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(ignore_errors);
  net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  utf8_string = XInternAtom(display, "UTF8_STRING", False);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);
  std::printf("ready\n");
  std::fflush(stdout);

  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      const double t = now();
      if (event.type == MapNotify && event.xmap.event == root) {
        const Window w = event.xmap.window;
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, w, &attributes) == 0) continue;
        XSelectInput(display, w, PropertyChangeMask);
        std::printf("map %.6f 0x%lx %ld %d %dx%d %s\n", t, w, pid_of(display, w),
                    attributes.override_redirect ? 1 : 0, attributes.width, attributes.height,
                    title_of(display, w).c_str());
      } else if (event.type == UnmapNotify && event.xunmap.event == root) {
        std::printf("unmap %.6f 0x%lx\n", t, event.xunmap.window);
      } else if (event.type == PropertyNotify &&
                 (event.xproperty.atom == net_wm_name || event.xproperty.atom == XA_WM_NAME) &&
                 event.xproperty.state == PropertyNewValue) {
        std::printf("title %.6f 0x%lx %s\n", t, event.xproperty.window,
                    title_of(display, event.xproperty.window).c_str());
      }
      std::fflush(stdout);
    }
    if (poll(fds, 2, -1) < 0) continue;
    if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
      char buffer[64];
      if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }
  }
  XCloseDisplay(display);
  return 0;
}
