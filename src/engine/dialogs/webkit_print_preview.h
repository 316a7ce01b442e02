#pragma once

#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <string>

namespace kv {

// Shows a printed page, a PDF file, in a window of its own; the engine renders the PDF.
// The window owns the file and removes it when it closes. It frees itself once hidden.
class PrintPreviewWindow : public Gtk::Window {
 public:
  // `context`: the engine context to render in; `pdf_path`: the file, taken over.
  PrintPreviewWindow(WebKitWebContext* context, std::string pdf_path,
                     const Glib::ustring& page_title);
  PrintPreviewWindow(const PrintPreviewWindow&) = delete;
  PrintPreviewWindow& operator=(const PrintPreviewWindow&) = delete;
  PrintPreviewWindow(PrintPreviewWindow&&) = delete;
  PrintPreviewWindow& operator=(PrintPreviewWindow&&) = delete;
  ~PrintPreviewWindow() override;

  [[nodiscard]] WebKitWebView* view() const { return view_; }
  [[nodiscard]] const std::string& pdf_path() const { return pdf_path_; }

 private:
  WebKitWebView* view_;  // owned by the window as its child
  std::string pdf_path_;
};

// Prints the page into a temporary PDF with the kept page setup, then shows it in a
// PrintPreviewWindow transient for the view's window. Nothing without a page, and
// nothing when the print fails.
void show_print_preview(WebKitWebView* view);

}  // namespace kv
