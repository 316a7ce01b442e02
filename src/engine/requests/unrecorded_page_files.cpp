#include "engine/requests/unrecorded_page_files.h"

#include <glibmm/miscutils.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/unrecorded_file_chooser.h"

namespace kv {
namespace {

GtkWindow* window_of(WebKitWebView* view) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  return gtk_widget_is_toplevel(top) != FALSE && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

void prepare(Gtk::FileChooser& chooser, WebKitFileChooserRequest* request) {
  chooser.set_select_multiple(webkit_file_chooser_request_get_select_multiple(request) != FALSE);
  // The types the page accepts, as the engine's own chooser offers them.
  if (GtkFileFilter* types = webkit_file_chooser_request_get_mime_types_filter(request)) {
    chooser.add_filter(Glib::wrap(types, true));
  }
  const gchar* const* chosen_before = webkit_file_chooser_request_get_selected_files(request);
  if (chosen_before != nullptr && chosen_before[0] != nullptr) {
    chooser.select_filename(chosen_before[0]);
  } else {
    // Not among the recent files of the user's other windows.
    chooser.set_current_folder(Glib::get_home_dir());
  }
}

gboolean on_run_file_chooser(WebKitWebView* view, WebKitFileChooserRequest* request,
                             gpointer /*data*/) {
  // The engine waits for an answer: it gets one, whatever happens to the view meanwhile.
  std::shared_ptr<WebKitFileChooserRequest> held = ref_object(request);
  guarded([&] {
    const bool several = webkit_file_chooser_request_get_select_multiple(request) != FALSE;
    choose_files_unrecorded(
        window_of(view), several ? "Select Files" : "Select File", Gtk::FILE_CHOOSER_ACTION_OPEN,
        [request](Gtk::FileChooser& chooser) { prepare(chooser, request); },
        [held](const ChosenFiles& chosen) {
          if (chosen.paths.empty()) {
            webkit_file_chooser_request_cancel(held.get());
            return;
          }
          std::vector<const gchar*> paths;
          for (const std::string& path : chosen.paths) paths.push_back(path.c_str());
          paths.push_back(nullptr);
          webkit_file_chooser_request_select_files(held.get(), paths.data());
        });
  });
  return TRUE;
}

}  // namespace

void choose_page_files_unrecorded(WebKitWebView* view) {
  g_signal_connect(view, "run-file-chooser", G_CALLBACK(on_run_file_chooser), nullptr);
}

}  // namespace kv
