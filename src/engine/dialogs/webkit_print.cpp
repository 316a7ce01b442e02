#include "engine/dialogs/webkit_print.h"

#include <gtk/gtkunixprint.h>

#include <memory>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

// The name the GTK file print backend gives its printer.
constexpr const char* kPrintToFile = "Print to File";

// One reference each, replaced as the user chooses again; they live as long as the process.
struct Kept {
  ObjectRef<GtkPageSetup> page_setup;
  ObjectRef<GtkPrintSettings> settings;
};

Kept& kept() {
  static Kept choices;
  return choices;
}

template <typename T>
void keep(ObjectRef<T>& slot, T* fresh) {
  if (fresh != slot.get()) slot = ref_object(fresh);
}

// A print operation over the view with what was kept.
ObjectRef<WebKitPrintOperation> new_operation(WebKitWebView* view) {
  ObjectRef<WebKitPrintOperation> operation(webkit_print_operation_new(view));
  if (kept().page_setup) {
    webkit_print_operation_set_page_setup(operation.get(), kept().page_setup.get());
  }
  if (kept().settings) {
    webkit_print_operation_set_print_settings(operation.get(), kept().settings.get());
  }
  return operation;
}

struct PdfJob {
  std::function<void(bool)> done;
  bool failed = false;
  bool reported = false;

  void report(bool ok) {
    if (reported) return;
    reported = true;
    guarded([&] { done(ok); });
  }
};

void on_pdf_failed(WebKitPrintOperation* /*operation*/, GError* /*error*/, gpointer job) {
  static_cast<PdfJob*>(job)->failed = true;
}

void on_pdf_finished(WebKitPrintOperation* /*operation*/, gpointer data) {
  auto* job = static_cast<PdfJob*>(data);
  job->report(!job->failed);
}

// Runs when the operation is freed; an operation that never finished counts as failed.
void free_pdf_job(gpointer data, GClosure* /*closure*/) {
  const std::unique_ptr<PdfJob> job(static_cast<PdfJob*>(data));
  job->report(false);
}

}  // namespace

GtkPageSetup* kept_page_setup() {
  return kept().page_setup.get();
}
GtkPrintSettings* kept_print_settings() {
  return kept().settings.get();
}
void keep_page_setup(GtkPageSetup* page_setup) {
  keep(kept().page_setup, page_setup);
}
void keep_print_settings(GtkPrintSettings* settings) {
  keep(kept().settings, settings);
}

void run_page_setup_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  const ObjectRef<GtkPrintSettings> settings =
      kept().settings ? ref_object(kept().settings.get())
                      : ObjectRef<GtkPrintSettings>(gtk_print_settings_new());
  // Cancel hands back a copy of what went in, so keeping the result is right either way.
  const ObjectRef<GtkPageSetup> chosen(gtk_print_run_page_setup_dialog(
      toplevel_window_of(view), kept().page_setup.get(), settings.get()));
  keep(kept().page_setup, chosen.get());
}

void run_print_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  // Our own dialog, then a print without one: the engine's own dialog prints blank pages
  // in landscape (seen with 2.50.6), while the same choice printed without it is right.
  GtkWidget* dialog = gtk_print_unix_dialog_new(nullptr, toplevel_window_of(view));
  auto* print_dialog = GTK_PRINT_UNIX_DIALOG(dialog);
  if (kept().settings) gtk_print_unix_dialog_set_settings(print_dialog, kept().settings.get());
  if (kept().page_setup) {
    gtk_print_unix_dialog_set_page_setup(print_dialog, kept().page_setup.get());
  }
  gtk_print_unix_dialog_set_embed_page_setup(print_dialog, TRUE);
  gtk_print_unix_dialog_set_manual_capabilities(
      print_dialog,
      GtkPrintCapabilities(GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT |
                           GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_REVERSE |
                           GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
                           GTK_PRINT_CAPABILITY_SCALE));
  const bool print = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (print) {
    const ObjectRef<GtkPrintSettings> chosen(gtk_print_unix_dialog_get_settings(print_dialog));
    keep(kept().settings, chosen.get());
    keep(kept().page_setup, gtk_print_unix_dialog_get_page_setup(print_dialog));
  }
  gtk_widget_destroy(dialog);
  if (print) print_without_dialog(view);
}

void print_without_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  webkit_print_operation_print(new_operation(view).get());
}

void print_to_pdf(WebKitWebView* view, const std::string& path, std::function<void(bool)> done) {
  auto job = std::make_unique<PdfJob>(PdfJob{std::move(done)});
  const OwnedChars uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  if (!has_page(view) || !uri) {
    job->report(false);
    return;
  }
  // The kept settings without their printer, copies and page range: the whole page, once,
  // into the file.
  const ObjectRef<GtkPrintSettings> settings(
      kept().settings ? gtk_print_settings_copy(kept().settings.get()) : gtk_print_settings_new());
  gtk_print_settings_set_printer(settings.get(), kPrintToFile);
  gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
  gtk_print_settings_set_print_pages(settings.get(), GTK_PRINT_PAGES_ALL);
  gtk_print_settings_set_n_copies(settings.get(), 1);

  const ObjectRef<WebKitPrintOperation> operation(webkit_print_operation_new(view));
  webkit_print_operation_set_print_settings(operation.get(), settings.get());
  if (kept().page_setup) {
    webkit_print_operation_set_page_setup(operation.get(), kept().page_setup.get());
  }
  // The operation owns the job from here and frees it with itself.
  PdfJob* owned = job.release();
  g_signal_connect(operation.get(), "failed", G_CALLBACK(on_pdf_failed), owned);
  g_signal_connect_data(operation.get(), "finished", G_CALLBACK(on_pdf_finished), owned,
                        free_pdf_job, GConnectFlags(0));
  webkit_print_operation_print(operation.get());
}

}  // namespace kv
