#pragma once

#include <glibmm/ustring.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace kv {

// A file name for saving a page with this title: the title without the characters that
// file names cannot hold, "page" when nothing is left. Without extension.
std::string suggested_file_name(const Glib::ustring& title);

// Saves the page with everything it shows (MHTML) into `path`. `done` runs once, with
// whether the file was written.
void save_page_mhtml(WebKitWebView* view, const std::string& path, std::function<void(bool)> done);

// Saves the page's own document (the main resource's bytes as received) into `path`.
void save_page_html(WebKitWebView* view, const std::string& path, std::function<void(bool)> done);

// The Save As dialog over the page: "Web page, complete" saves MHTML, "HTML only" the
// document. Nothing without a page.
void run_save_as_dialog(WebKitWebView* view);

}  // namespace kv
