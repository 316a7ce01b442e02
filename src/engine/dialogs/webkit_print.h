#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace kv {

// The page setup and print settings last chosen in this process; nullptr until the
// user chose them. Later prints and previews use them.
GtkPageSetup* kept_page_setup();
GtkPrintSettings* kept_print_settings();
// Keeps these (a reference of their own) in place of the kept ones; nullptr forgets.
void keep_page_setup(GtkPageSetup* page_setup);
void keep_print_settings(GtkPrintSettings* settings);

// The page setup dialog; what the user chooses there is kept. Nothing without a page.
void run_page_setup_dialog(WebKitWebView* view);

// The print dialog over the page, with the kept page setup and settings, which keep
// what the user chose there; then the page is printed with them. Nothing without a page.
void run_print_dialog(WebKitWebView* view);

// Prints the page with the kept page setup and settings and no dialog.
void print_without_dialog(WebKitWebView* view);

// Prints the page as PDF into the file `path` with the kept page setup and no dialog.
// `done` runs once, with whether the print finished without an error.
void print_to_pdf(WebKitWebView* view, const std::string& path, std::function<void(bool)> done);

}  // namespace kv
