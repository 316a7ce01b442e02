#include "engine/dialogs/webkit_save.h"

#include <glibmm/main.h>
#include <gtkmm/filechooserdialog.h>

#include <memory>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "desktop/unrecorded_file_chooser.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

constexpr const char* kCompleteExtension = ".mhtml";
constexpr const char* kHtmlExtension = ".html";

struct SaveJob {
  std::string path;
  std::function<void(bool)> done;

  void finish(bool ok) {
    if (done) guarded([&] { done(ok); });
    delete this;
  }
};

void on_mhtml_saved(GObject* source, GAsyncResult* result, gpointer data) {
  OwnedError error;
  const bool ok =
      webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(source), result, out(error)) != FALSE;
  static_cast<SaveJob*>(data)->finish(ok);
}

void on_html_data(GObject* source, GAsyncResult* result, gpointer data) {
  auto* job = static_cast<SaveJob*>(data);
  gsize length = 0;
  const std::unique_ptr<guchar, GFreeDeleter> bytes(
      webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, nullptr));
  bool ok = false;
  if (bytes) {
    // Written whole or not at all: an old file of that name is never left half replaced.
    ok = g_file_set_contents_full(job->path.c_str(), reinterpret_cast<const gchar*>(bytes.get()),
                                  static_cast<gssize>(length), G_FILE_SET_CONTENTS_CONSISTENT, 0666,
                                  nullptr) != FALSE;
  }
  job->finish(ok);
}

// Swaps the extension of the name in the chooser for the chosen kind's.
void match_extension(Gtk::FileChooser& chooser, const Glib::RefPtr<Gtk::FileFilter>& html) {
  Glib::ustring name = chooser.get_current_name();
  const std::string wanted = chooser.get_filter() == html ? kHtmlExtension : kCompleteExtension;
  for (const char* old : {kCompleteExtension, kHtmlExtension, ".mht", ".htm"}) {
    const Glib::ustring ending(old);
    if (name.size() > ending.size() &&
        name.lowercase().substr(name.size() - ending.size()) == ending) {
      name = name.substr(0, name.size() - ending.size());
      break;
    }
  }
  chooser.set_current_name(name + wanted);
}

// The two kinds of saved page, offered as the chooser's filters; the "HTML only" one.
Glib::RefPtr<Gtk::FileFilter> offer_kinds(Gtk::FileChooser& chooser, WebKitWebView* view) {
  auto complete = Gtk::FileFilter::create();
  complete->set_name("Web page, complete");
  complete->add_pattern("*.mhtml");
  complete->add_pattern("*.mht");
  auto html = Gtk::FileFilter::create();
  html->set_name("HTML only");
  html->add_pattern("*.html");
  html->add_pattern("*.htm");
  chooser.add_filter(complete);
  chooser.add_filter(html);
  chooser.set_filter(complete);
  chooser.set_current_name(suggested_file_name(page_title_or_address(view)) + kCompleteExtension);
  chooser.property_filter().signal_changed().connect(
      [&chooser, html] { guarded([&] { match_extension(chooser, html); }); });
  return html;
}

void save_as(WebKitWebView* view, const std::string& path, bool html_only) {
  if (path.empty()) return;
  if (html_only) {
    save_page_html(view, path, {});
  } else {
    save_page_mhtml(view, path, {});
  }
}

// A private window's page, in a chooser that adds nothing to the desktop's recent files;
// as modal as GTK's own.
void run_unrecorded_save_as(WebKitWebView* view) {
  UnrecordedFileChooser dialog("Save Web Page", Gtk::FILE_CHOOSER_ACTION_SAVE);
  gtk_window_set_transient_for(GTK_WINDOW(dialog.gobj()), toplevel_window_of(view));
  dialog.set_modal(true);
  const Glib::RefPtr<Gtk::FileFilter> html = offer_kinds(dialog.chooser, view);
  const Glib::RefPtr<Glib::MainLoop> loop = Glib::MainLoop::create();
  ChosenFiles chosen;
  dialog.on_answer([&](const ChosenFiles& answer) {
    chosen = answer;
    loop->quit();
  });
  dialog.present();
  loop->run();
  if (!chosen.paths.empty()) {
    save_as(view, chosen.paths.front(), dialog.chooser.get_filter() == html);
  }
}

}  // namespace

std::string suggested_file_name(const Glib::ustring& title) {
  Glib::ustring name;
  for (gunichar c : title) {
    // What Windows and this desktop's file systems refuse, and control characters.
    const bool bad =
        c < 0x20 || c == 0x7F || Glib::ustring("/\\:*?\"<>|").find(c) != Glib::ustring::npos;
    name += bad ? gunichar('_') : c;
  }
  // Leading dots would hide the file; trailing dots and spaces are lost on some systems.
  while (!name.empty() && (name[0] == '.' || name[0] == ' ')) name.erase(0, 1);
  while (!name.empty() && (name[name.size() - 1] == '.' || name[name.size() - 1] == ' ')) {
    name.erase(name.size() - 1);
  }
  constexpr Glib::ustring::size_type kMaxChars = 120;
  if (name.size() > kMaxChars) name = name.substr(0, kMaxChars);
  if (name.empty()) return "page";
  return name.raw();
}

void save_page_mhtml(WebKitWebView* view, const std::string& path, std::function<void(bool)> done) {
  auto* job = new SaveJob{path, std::move(done)};
  if (!has_page(view)) {
    job->finish(false);
    return;
  }
  const ObjectRef<GFile> file(g_file_new_for_path(path.c_str()));
  webkit_web_view_save_to_file(view, file.get(), WEBKIT_SAVE_MODE_MHTML, nullptr, on_mhtml_saved,
                               job);
}

void save_page_html(WebKitWebView* view, const std::string& path, std::function<void(bool)> done) {
  auto* job = new SaveJob{path, std::move(done)};
  WebKitWebResource* resource = has_page(view) ? webkit_web_view_get_main_resource(view) : nullptr;
  if (resource == nullptr) {
    job->finish(false);
    return;
  }
  webkit_web_resource_get_data(resource, nullptr, on_html_data, job);
}

void run_save_as_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  if (webkit_web_view_is_ephemeral(view) != FALSE) {
    run_unrecorded_save_as(view);
    return;
  }
  Gtk::FileChooserDialog dialog("Save Web Page", Gtk::FILE_CHOOSER_ACTION_SAVE);
  gtk_window_set_transient_for(GTK_WINDOW(dialog.gobj()), toplevel_window_of(view));
  dialog.set_modal(true);
  dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
  dialog.add_button("_Save", Gtk::RESPONSE_ACCEPT);
  dialog.set_default_response(Gtk::RESPONSE_ACCEPT);
  dialog.set_do_overwrite_confirmation(true);
  const Glib::RefPtr<Gtk::FileFilter> html = offer_kinds(dialog, view);
  if (dialog.run() != Gtk::RESPONSE_ACCEPT) return;
  const std::string path = dialog.get_filename();
  const bool html_only = dialog.get_filter() == html;
  dialog.hide();
  save_as(view, path, html_only);
}

}  // namespace kv
