#include "engine/control/webkit_page_commands.h"

#include <variant>

#include "desktop/guarded.h"
#include "engine/control/kept_selection.h"
#include "engine/dialogs/webkit_find_dialog.h"
#include "engine/dialogs/webkit_print.h"
#include "engine/dialogs/webkit_print_preview.h"
#include "engine/dialogs/webkit_properties_dialog.h"
#include "engine/dialogs/webkit_save.h"
#include "engine/dialogs/webkit_view_helpers.h"

namespace kv {
namespace {

// The engine's name for clearing the selection; it has no constant of its own.
constexpr const char* kUnselect = "Unselect";

void zoom_text(WebKitWebView* view, const std::optional<ExecArg>& in) {
  if (!in) return;
  const std::int32_t level = std::visit([](auto v) { return std::int32_t{v}; }, *in);
  if (level < 0 || level >= static_cast<std::int32_t>(kTextZoomFactors.size())) return;
  webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(view), TRUE);
  webkit_web_view_set_zoom_level(view, kTextZoomFactors.at(static_cast<std::size_t>(level)));
}

}  // namespace

void exec_page_command(WebKitWebView* view, std::int32_t cmd, std::int32_t opt,
                       std::optional<ExecArg> in, std::optional<ExecArg> /*out*/) noexcept {
  if (!has_page(view)) return;
  guarded([&] {
    switch (cmd) {
      case olecmd::kCut:
        run_on_selection(view, WEBKIT_EDITING_COMMAND_CUT);
        break;
      case olecmd::kCopy:
        run_on_selection(view, WEBKIT_EDITING_COMMAND_COPY);
        break;
      case olecmd::kPaste:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_PASTE);
        break;
      case olecmd::kUndo:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_UNDO);
        break;
      case olecmd::kSelectAll:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_SELECT_ALL);
        break;
      case olecmd::kClearSelection:
        forget_kept_selection(view);
        webkit_web_view_execute_editing_command(view, kUnselect);
        break;
      case olecmd::kZoom:
        zoom_text(view, in);
        break;
      case olecmd::kShowFind:
        show_find_dialog(view);
        break;
      case olecmd::kPrint:
        if (opt == olecmd::kDontPromptUser) {
          print_without_dialog(view);
        } else {
          run_print_dialog(view);
        }
        break;
      case olecmd::kPrintPreview:
        show_print_preview(view);
        break;
      case olecmd::kPageSetup:
        run_page_setup_dialog(view);
        break;
      case olecmd::kSaveAs:
        run_save_as_dialog(view);
        break;
      case olecmd::kProperties:
        show_page_properties(view);
        break;
      default:
        break;  // not a command of this control
    }
  });
}

}  // namespace kv
