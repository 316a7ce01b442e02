#include "engine/dialogs/webkit_print_preview.h"

#include <gdk/gdkkeysyms.h>
#include <glib/gstdio.h>
#include <glibmm/main.h>
#include <gtkmm/widget.h>

#include <memory>
#include <set>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/dialogs/webkit_print.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

// Preview files not yet removed by their window. The program may end with a preview
// still open; the files go then too.
class PreviewFiles {
 public:
  PreviewFiles() = default;
  PreviewFiles(const PreviewFiles&) = delete;
  PreviewFiles& operator=(const PreviewFiles&) = delete;
  PreviewFiles(PreviewFiles&&) = delete;
  PreviewFiles& operator=(PreviewFiles&&) = delete;
  ~PreviewFiles() {
    for (const std::string& path : paths_) g_remove(path.c_str());
  }

  void add(const std::string& path) { paths_.insert(path); }
  void discard(const std::string& path) {
    g_remove(path.c_str());
    paths_.erase(path);
  }

 private:
  std::set<std::string> paths_;
};

PreviewFiles& preview_files() {
  static PreviewFiles files;
  return files;
}

// A new empty file for the preview; "" when none could be made.
std::string new_preview_file() {
  OwnedChars made;
  const int fd = g_file_open_tmp("kestrivane-preview-XXXXXX.pdf", out(made), nullptr);
  if (fd < 0) return {};
  g_close(fd, nullptr);
  std::string path = made.get();
  preview_files().add(path);
  return path;
}

}  // namespace

PrintPreviewWindow::PrintPreviewWindow(WebKitWebContext* context, std::string pdf_path,
                                       const Glib::ustring& page_title)
    : view_(WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(context))),
      pdf_path_(std::move(pdf_path)) {
  set_title(page_title.empty() ? Glib::ustring("Print Preview") : "Print Preview - " + page_title);
  set_default_size(820, 900);
  set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
  set_position(Gtk::WIN_POS_CENTER_ON_PARENT);
  Gtk::Widget* child = Gtk::manage(Glib::wrap(GTK_WIDGET(view_)));
  add(*child);
  child->show();
  const OwnedChars uri(g_filename_to_uri(pdf_path_.c_str(), nullptr, nullptr));
  if (uri) webkit_web_view_load_uri(view_, uri.get());
  // Escape closes the preview unless the viewer used the key itself.
  signal_key_press_event().connect([this](GdkEventKey* event) {
    if (event->keyval != GDK_KEY_Escape) return false;
    hide();
    return true;
  });
  signal_delete_event().connect(
      [this](GdkEventAny*) {
        hide();
        return true;
      },
      false);
  signal_hide().connect([this] {
    // Freed once the handler that hid it has returned.
    Glib::signal_idle().connect_once([this] { delete this; });
  });
}

PrintPreviewWindow::~PrintPreviewWindow() {
  preview_files().discard(pdf_path_);
}

void show_print_preview(WebKitWebView* view) {
  if (!has_page(view)) return;
  const std::string path = new_preview_file();
  if (path.empty()) return;
  // The source view may be gone by the time the print finishes; what the preview needs
  // of it is taken now.
  const std::shared_ptr<WebKitWebContext> context = ref_object(webkit_web_view_get_context(view));
  const Glib::ustring title = page_title_or_address(view);
  const auto parent = std::make_shared<WeakRef<GtkWindow>>(toplevel_window_of(view));
  const auto source = std::make_shared<WeakRef<WebKitWebView>>(view);
  print_to_pdf(view, path, [context, path, title, parent, source](bool ok) {
    const ObjectRef<GtkWindow> window_of_page = parent->get();
    // The engine often learns a page's title just after the load; by now it has it.
    Glib::ustring shown_title = title;
    if (const ObjectRef<WebKitWebView> page = source->get()) {
      guarded([&] { shown_title = page_title_or_address(page.get()); });
    }
    guarded([&] {
      if (!ok) {
        preview_files().discard(path);
        return;
      }
      auto* preview = new PrintPreviewWindow(context.get(), path, shown_title);
      if (window_of_page && gtk_widget_in_destruction(GTK_WIDGET(window_of_page.get())) == FALSE) {
        gtk_window_set_transient_for(GTK_WINDOW(preview->gobj()), window_of_page.get());
      }
      preview->present();
    });
  });
}

}  // namespace kv
