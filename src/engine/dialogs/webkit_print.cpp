#include "engine/dialogs/webkit_print.h"

#include <gtk/gtkunixprint.h>

#include "desktop/guarded.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

// The name the GTK file print backend gives its printer.
constexpr const char* kPrintToFile = "Print to File";

// One reference each, replaced as the user chooses again; they live as long as the process.
struct Kept {
  GtkPageSetup* page_setup = nullptr;
  GtkPrintSettings* settings = nullptr;
};

Kept& kept() {
  static Kept choices;
  return choices;
}

template <typename T>
void keep(T*& slot, T* fresh) {
  if (fresh == slot) return;
  if (fresh != nullptr) g_object_ref(fresh);
  if (slot != nullptr) g_object_unref(slot);
  slot = fresh;
}

// A print operation over the view with what was kept.
WebKitPrintOperation* new_operation(WebKitWebView* view) {
  WebKitPrintOperation* operation = webkit_print_operation_new(view);
  if (kept().page_setup != nullptr)
    webkit_print_operation_set_page_setup(operation, kept().page_setup);
  if (kept().settings != nullptr) {
    webkit_print_operation_set_print_settings(operation, kept().settings);
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
  auto* job = static_cast<PdfJob*>(data);
  job->report(false);
  delete job;
}

}  // namespace

GtkPageSetup* kept_page_setup() {
  return kept().page_setup;
}
GtkPrintSettings* kept_print_settings() {
  return kept().settings;
}
void keep_page_setup(GtkPageSetup* page_setup) {
  keep(kept().page_setup, page_setup);
}
void keep_print_settings(GtkPrintSettings* settings) {
  keep(kept().settings, settings);
}

void run_page_setup_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  GtkPrintSettings* settings = kept().settings != nullptr
                                   ? GTK_PRINT_SETTINGS(g_object_ref(kept().settings))
                                   : gtk_print_settings_new();
  // Cancel hands back a copy of what went in, so keeping the result is right either way.
  GtkPageSetup* chosen =
      gtk_print_run_page_setup_dialog(toplevel_window_of(view), kept().page_setup, settings);
  keep(kept().page_setup, chosen);
  if (chosen != nullptr) g_object_unref(chosen);
  g_object_unref(settings);
}

void run_print_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  // Our own dialog, then a print without one: the engine's own dialog prints blank pages
  // in landscape (seen with 2.50.6), while the same choice printed without it is right.
  GtkWidget* dialog = gtk_print_unix_dialog_new(nullptr, toplevel_window_of(view));
  auto* print_dialog = GTK_PRINT_UNIX_DIALOG(dialog);
  if (kept().settings != nullptr) gtk_print_unix_dialog_set_settings(print_dialog, kept().settings);
  if (kept().page_setup != nullptr)
    gtk_print_unix_dialog_set_page_setup(print_dialog, kept().page_setup);
  gtk_print_unix_dialog_set_embed_page_setup(print_dialog, TRUE);
  gtk_print_unix_dialog_set_manual_capabilities(
      print_dialog,
      GtkPrintCapabilities(GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT |
                           GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_REVERSE |
                           GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
                           GTK_PRINT_CAPABILITY_SCALE));
  const bool print = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (print) {
    GtkPrintSettings* chosen = gtk_print_unix_dialog_get_settings(print_dialog);
    keep(kept().settings, chosen);
    g_object_unref(chosen);
    keep(kept().page_setup, gtk_print_unix_dialog_get_page_setup(print_dialog));
  }
  gtk_widget_destroy(dialog);
  if (print) print_without_dialog(view);
}

void print_without_dialog(WebKitWebView* view) {
  if (!has_page(view)) return;
  WebKitPrintOperation* operation = new_operation(view);
  webkit_print_operation_print(operation);
  g_object_unref(operation);
}

void print_to_pdf(WebKitWebView* view, const std::string& path, std::function<void(bool)> done) {
  auto* job = new PdfJob{std::move(done)};
  if (!has_page(view)) {
    job->report(false);
    delete job;
    return;
  }
  gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (uri == nullptr) {
    job->report(false);
    delete job;
    return;
  }
  // The kept settings without their printer, copies and page range: the whole page, once,
  // into the file.
  GtkPrintSettings* settings = kept().settings != nullptr ? gtk_print_settings_copy(kept().settings)
                                                          : gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, kPrintToFile);
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  gtk_print_settings_set_print_pages(settings, GTK_PRINT_PAGES_ALL);
  gtk_print_settings_set_n_copies(settings, 1);
  g_free(uri);

  WebKitPrintOperation* operation = webkit_print_operation_new(view);
  webkit_print_operation_set_print_settings(operation, settings);
  if (kept().page_setup != nullptr)
    webkit_print_operation_set_page_setup(operation, kept().page_setup);
  g_signal_connect(operation, "failed", G_CALLBACK(on_pdf_failed), job);
  g_signal_connect_data(operation, "finished", G_CALLBACK(on_pdf_finished), job, free_pdf_job,
                        GConnectFlags(0));
  webkit_print_operation_print(operation);
  g_object_unref(operation);
  g_object_unref(settings);
}

}  // namespace kv
