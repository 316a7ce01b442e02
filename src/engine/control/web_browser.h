#pragma once

#include <glibmm/ustring.h>
#include <sigc++/signal.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace Gtk {
class Widget;
}

namespace kv {

// Command identifiers and execution options of ExecWB, by their published numbers.
namespace olecmd {
inline constexpr std::int32_t kSaveAs = 4;
inline constexpr std::int32_t kPrint = 6;
inline constexpr std::int32_t kPrintPreview = 7;
inline constexpr std::int32_t kPageSetup = 8;
inline constexpr std::int32_t kProperties = 10;
inline constexpr std::int32_t kCut = 11;
inline constexpr std::int32_t kCopy = 12;
inline constexpr std::int32_t kPaste = 13;
inline constexpr std::int32_t kUndo = 15;
inline constexpr std::int32_t kSelectAll = 17;
inline constexpr std::int32_t kClearSelection = 18;
inline constexpr std::int32_t kZoom = 19;
inline constexpr std::int32_t kShowFind = 42;

inline constexpr std::int32_t kDoDefault = 0;
inline constexpr std::int32_t kDontPromptUser = 2;
}  // namespace olecmd

// The extra input / output arguments of ExecWB keep their width, because callers
// pass a 16-bit 0 for Save As and Print Preview and a 32-bit level for Zoom.
using ExecArg = std::variant<std::int16_t, std::int32_t>;

// A window of a session that ended without closing: what the restore notice lists.
struct LostWindow {
  std::string title;
  std::string address;
};

// The restore notice's content. With `can_reopen` it offers "Reopen these windows"
// (runs `reopen`); without, it lists the windows as plain links and reopens nothing.
// "Start afresh" runs `start_afresh`. Both run on the control that shows the notice.
struct RestoreOffer {
  std::vector<LostWindow> windows;
  bool can_reopen = true;
  std::function<void()> reopen;
  std::function<void()> start_afresh;
};

// The embedded browser control as the windows see it: the members they call and the
// events they handle. Implementations never throw out of a member; a call the engine
// refuses simply does nothing.
class WebBrowser {
 public:
  WebBrowser() = default;
  WebBrowser(const WebBrowser&) = delete;
  WebBrowser& operator=(const WebBrowser&) = delete;
  WebBrowser(WebBrowser&&) = delete;
  WebBrowser& operator=(WebBrowser&&) = delete;
  virtual ~WebBrowser() = default;

  // The widget to place in a window.
  virtual Gtk::Widget& widget() = 0;

  virtual void Navigate(const Glib::ustring& url) = 0;
  // Shows the shell folder that the item-id list names.
  virtual void Navigate2(const std::vector<std::uint8_t>& item_id_list) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  virtual void GoHome() = 0;
  virtual void Stop() = 0;
  virtual void Refresh() = 0;

  void ExecWB(std::int32_t cmd, std::int32_t opt) { exec_wb(cmd, opt, std::nullopt, std::nullopt); }
  void ExecWB(std::int32_t cmd, std::int32_t opt, ExecArg in) {
    exec_wb(cmd, opt, in, std::nullopt);
  }
  void ExecWB(std::int32_t cmd, std::int32_t opt, ExecArg in, ExecArg out) {
    exec_wb(cmd, opt, in, out);
  }

  // The control's history (Back and Forward lists with the current page) as bytes of the
  // engine's own making, without what a user typed into its pages and at most
  // kLargestKeptHistory bytes long; empty when it has none to give.
  [[nodiscard]] virtual std::vector<std::uint8_t> SessionState() const = 0;
  // Takes back a history from SessionState and loads its current page; false (nothing
  // done) when the bytes are not one.
  virtual bool RestoreSessionState(const std::vector<std::uint8_t>& state) = 0;
  // Shows the notice about a lost session in place of the current page.
  virtual void ShowRestoreNotice(RestoreOffer offer) = 0;

  // Sets the shown document's designMode ("On" / "Off").
  virtual void SetDesignMode(const Glib::ustring& value) = 0;

  [[nodiscard]] virtual Glib::ustring LocationURL() const = 0;
  [[nodiscard]] virtual Glib::ustring LocationName() const = 0;

  // Opens the engine's inspector on the shown page.
  virtual void ShowDeveloperTools() = 0;

  // Whether a top-level load is on its way: from DownloadBegin until the load ends.
  [[nodiscard]] virtual bool Busy() const = 0;
  // The text size level (ExecWB 19's 0..4) nearest to the page's zoom as the engine has it.
  [[nodiscard]] virtual std::int32_t TextSize() const = 0;

  virtual void SetFocus() = 0;
  virtual void SetVisible(bool visible) = 0;
  [[nodiscard]] virtual bool Visible() const = 0;

  // Whether the control browses on the private profile, which keeps nothing once its
  // last control has gone: no history, cookies, cache or site decisions.
  [[nodiscard]] virtual bool IsPrivate() const { return false; }

  // Events.
  sigc::signal<void(const Glib::ustring&)> StatusTextChange;
  sigc::signal<void(std::int32_t, std::int32_t)> ProgressChange;
  sigc::signal<void()> DownloadBegin;
  sigc::signal<void()> DownloadComplete;
  sigc::signal<void(const Glib::ustring&)> TitleChange;
  // ppDisp: the control that is to show the requested window (set by the handler).
  // Cancel: set to true to drop the request.
  sigc::signal<void(WebBrowser*&, bool&)> NewWindow2;
  sigc::signal<void(const Glib::ustring&)> NavigateComplete2;
  sigc::signal<void(const Glib::ustring&)> DocumentComplete;
  // The Back and Forward lists were filled other than by a navigation (a history taken
  // back): whether each now holds a page.
  sigc::signal<void(bool can_go_back, bool can_go_forward)> HistoryListChange;
  // The page took the whole screen (true) or gave it back (false).
  sigc::signal<void(bool)> FullScreenChange;
  // The user pressed the mouse's Back (false) or Forward (true) button over the page.
  sigc::signal<void(bool forward)> HistoryButtonPress;
  // The user clicked a link with the middle button, or with Ctrl or Shift held: the
  // link's address, which the control did not load itself.
  sigc::signal<void(const Glib::ustring&)> LinkToNewWindow;

 protected:
  virtual void exec_wb(std::int32_t cmd, std::int32_t opt, std::optional<ExecArg> in,
                       std::optional<ExecArg> out) = 0;
};

// Makes the browser controls of new windows. A control made for a page's request
// for a new window is related to the requesting control (same session, same opener),
// and private when that one is.
class WebBrowserFactory {
 public:
  WebBrowserFactory() = default;
  WebBrowserFactory(const WebBrowserFactory&) = delete;
  WebBrowserFactory& operator=(const WebBrowserFactory&) = delete;
  WebBrowserFactory(WebBrowserFactory&&) = delete;
  WebBrowserFactory& operator=(WebBrowserFactory&&) = delete;
  virtual ~WebBrowserFactory() = default;

  virtual std::unique_ptr<WebBrowser> create(WebBrowser* related) = 0;
  // A new top-level control on the private profile.
  virtual std::unique_ptr<WebBrowser> create_private() = 0;
};

}  // namespace kv
