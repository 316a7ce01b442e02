#include "shell/folder_pages.h"

#include <glib.h>
#include <glibmm/convert.h>
#include <glibmm/datetime.h>

#include "desktop/glib_handles.h"
#include "desktop/page_title.h"

namespace kv {
namespace {

constexpr const char* kStyle =
    "body{font:12px sans-serif;margin:0;padding:6px 8px;background:#fff;color:#000}"
    "h1{font-size:14px;margin:0 0 8px}"
    "h1 a{color:inherit}"
    "h2{font-size:12px;background:#e4eaf4;padding:2px 4px;margin:10px 0 4px}"
    "ul{list-style:none;padding:0;margin:0}"
    "li{margin:0 0 6px}"
    "a{text-decoration:none;color:#0645ad}a:hover{text-decoration:underline}"
    ".name{display:block;font-weight:bold;overflow-wrap:anywhere}"
    ".address{display:block;font-size:11px;color:#555;overflow-wrap:anywhere}"
    ".folder::before{content:'\\25B8\\00A0';color:#888}"
    ".note{color:#555;font-style:italic}";

std::string page_start(const char* title) {
  std::string html =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
      // The pane's pages are data, never programs.
      "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'none'; "
      "object-src 'none'\">"
      "<title>";
  html += title;
  html += "</title><style>";
  html += kStyle;
  html += "</style></head><body>";
  return html;
}

std::string valid_utf8(const std::string& text) {
  return take_string(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

// `text` as a link to `address` when that may be linked, as plain text otherwise.
std::string link_or_text(const std::string& address, const std::string& text,
                         const char* css_class) {
  const std::string shown = html_escape(valid_utf8(text));
  if (!linkable_address(address)) {
    return std::string("<span class=\"") + css_class + "\">" + shown + "</span>";
  }
  return std::string("<a class=\"") + css_class + "\" href=\"" + html_escape(valid_utf8(address)) +
         "\">" + shown + "</a>";
}

std::string day_label(const HistoryDay& day, HistoryStore::Clock::time_point now) {
  const Glib::DateTime today = Glib::DateTime::create_now_local(
      std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
  const Glib::DateTime shown = Glib::DateTime::create_local(day.year, day.month, day.day, 12, 0, 0);
  std::string label;
  if (today && shown) {
    int y = 0, m = 0, d = 0;
    today.get_ymd(y, m, d);
    const Glib::DateTime yesterday = today.add_days(-1);
    int yy = 0, ym = 0, yd = 0;
    if (yesterday) yesterday.get_ymd(yy, ym, yd);
    if (y == day.year && m == day.month && d == day.day) {
      label = "Today";
    } else if (yy == day.year && ym == day.month && yd == day.day) {
      label = "Yesterday";
    } else {
      label = shown.format("%A, %x");
    }
  }
  if (label.empty())
    label =
        std::to_string(day.year) + "-" + std::to_string(day.month) + "-" + std::to_string(day.day);
  return label;
}

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool linkable_address(const std::string& address) {
  // Not g_uri_peek_scheme: that keeps every scheme it is shown for the program's life.
  const OwnedChars scheme(g_uri_parse_scheme(address.c_str()));
  if (!scheme) return false;
  const std::string name = scheme.get();
  for (const char* linkable : {"http", "https", "ftp", "file", "mailto"}) {
    if (g_ascii_strcasecmp(name.c_str(), linkable) == 0) return true;
  }
  return false;
}

std::string favorites_page(const ShellFolder& folder, const FolderListing& listing) {
  std::string html = page_start("Favorites");
  // A heading that leads back up: "Favorites › Work › Projects".
  html += "<h1>";
  ShellFolder level{CSIDL_FAVORITES, {}};
  html += folder.path.empty() ? std::string("Favorites")
                              : "<a href=\"" + html_escape(folder_uri(level)) + "\">Favorites</a>";
  for (std::size_t i = 0; i < folder.path.size(); ++i) {
    level.path.push_back(folder.path[i]);
    const std::string shown = Glib::filename_display_name(folder.path[i]);
    html += " \xE2\x80\xBA ";
    if (i + 1 == folder.path.size()) {
      html += html_escape(shown);
    } else {
      html += "<a href=\"" + html_escape(folder_uri(level)) + "\">" + html_escape(shown) + "</a>";
    }
  }
  html += "</h1>";

  if (!listing.readable) {
    html += "<p class=\"note\">This folder cannot be shown.</p></body></html>";
    return html;
  }
  if (listing.subfolders.empty() && listing.links.empty()) {
    html += "<p class=\"note\">This folder is empty.</p>";
  }
  html += "<ul>";
  for (std::size_t i = 0; i < listing.subfolders.size(); ++i) {
    ShellFolder inner = folder;
    inner.path.push_back(listing.subfolders[i]);
    html += "<li><a class=\"name folder\" href=\"" + html_escape(folder_uri(inner)) + "\">" +
            html_escape(shown_title(listing.subfolder_names[i])) + "</a></li>";
  }
  for (const FolderLink& link : listing.links) {
    html += "<li>" + link_or_text(link.address, shown_title(link.name), "name");
    html += link.address.empty() ? "<span class=\"address note\">(no address)</span>"
                                 : link_or_text(link.address, link.address, "address");
    html += "</li>";
  }
  html += "</ul>";
  if (listing.omitted > 0) {
    html += "<p class=\"note\">More items in this folder are not shown.</p>";
  }
  html += "</body></html>";
  return html;
}

std::string history_page(const HistoryReading& reading, HistoryStore::Clock::time_point now) {
  std::string html = page_start("History");
  html += "<h1>History</h1>";
  if (!reading.available) {
    html += "<p class=\"note\">The history cannot be read just now.</p></body></html>";
    return html;
  }
  if (reading.days.empty()) {
    html += "<p class=\"note\">No pages visited in the last " + std::to_string(kHistoryDays) +
            " days.</p>";
  }
  for (const HistoryDay& day : reading.days) {
    html += "<h2>" + html_escape(day_label(day, now)) + "</h2><ul>";
    for (const HistoryEntry& entry : day.entries) {
      const std::string title = shown_title(entry.title);
      html += "<li>" + link_or_text(entry.address, title.empty() ? entry.address : title, "name") +
              link_or_text(entry.address, entry.address, "address") + "</li>";
    }
    html += "</ul>";
  }
  if (reading.truncated) html += "<p class=\"note\">Older pages are not shown.</p>";
  html += "</body></html>";
  return html;
}

}  // namespace kv
