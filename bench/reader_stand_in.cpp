// Stands in for a screen reader: listens to the object and focus events of every program
// on the accessibility bus until it is ended, so that their accessibility bridges send
// those events as they do while a screen reader runs. Prints how many came when it ends.
#include <atspi/atspi.h>
#include <glib-unix.h>

#include <cstdio>
#include <initializer_list>

namespace {

long events_seen = 0;

void on_event(AtspiEvent* event, void* /*unused*/) {
  ++events_seen;
  g_boxed_free(ATSPI_TYPE_EVENT, event);
}

gboolean on_term(gpointer /*unused*/) {
  atspi_event_quit();
  return G_SOURCE_REMOVE;
}

}  // namespace

int main() {
  if (atspi_init() > 1) {
    std::fprintf(stderr, "reader_stand_in: no accessibility bus\n");
    return 1;
  }
  AtspiEventListener* listener = atspi_event_listener_new(on_event, nullptr, nullptr);
  for (const char* type :
       {"object:children-changed", "object:state-changed", "object:property-change",
        "object:active-descendant-changed", "object:selection-changed",
        "object:visible-data-changed", "focus:", "window:"}) {
    atspi_event_listener_register(listener, type, nullptr);
  }
  g_unix_signal_add(SIGTERM, on_term, nullptr);
  g_unix_signal_add(SIGINT, on_term, nullptr);
  std::printf("reader_stand_in: listening\n");
  std::fflush(stdout);
  atspi_event_main();
  std::printf("reader_stand_in: %ld events\n", events_seen);
  g_object_unref(listener);
  atspi_exit();
  return 0;
}
