#include "favorites/frm_fav.h"

#include <gtkmm/cellrenderertext.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/treepath.h>
#include <gtkmm/treeviewcolumn.h>

#include <string>
#include <string_view>
#include <vector>

#include "desktop/control_name.h"
#include "desktop/mnemonic.h"
#include "desktop/page_title.h"
#include "desktop/widget_style.h"
#include "desktop/win_units.h"

namespace kv {
namespace {

// The desktop's application-workspace grey.
constexpr std::uint32_t kAppWorkspace = 0x00808080;

constexpr int kClientWidthTwips = 6165;
constexpr int kClientHeightTwips = 5865;

// A row shows at most this much of its entry: laying out a line of megabytes would
// stall the window, and no one reads that far into one row.
constexpr std::size_t kShownBytes = 2048;

struct Place {
  int left, top, width, height;  // twips
};

void place(Gtk::Fixed& fixed, Gtk::Widget& widget, Place p) {
  widget.set_size_request(twips(p.width), twips(p.height));
  fixed.put(widget, twips(p.left), twips(p.top));
}

// Buttons of 73 x 25 pixels: the theme's paddings and minimum sizes are taken down.
void compact(Gtk::Button& button) {
  static const Glib::RefPtr<Gtk::CssProvider> provider = [] {
    auto css = Gtk::CssProvider::create();
    css->load_from_data("button { min-height: 0; min-width: 0; padding: 0 2px; }");
    return css;
  }();
  button.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void command_button(Gtk::Button& button, const char* name, const char* caption) {
  set_control_name(button, name);
  button.set_label(mnemonic_caption(caption));
  button.set_use_underline(true);
  compact(button);
}

// The start of `text` that fits in kShownBytes, cut at a character boundary.
std::string shown_part(std::string_view text) {
  if (text.size() > kShownBytes) {
    std::size_t end = kShownBytes;
    // Back to the first byte of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0U) == 0x80U) --end;
    text = text.substr(0, end);
  }
  return std::string(text);
}

// The text cell of a row, straight from List1's entries.
void show_row(GtkTreeViewColumn* /*column*/, GtkCellRenderer* cell, GtkTreeModel* /*model*/,
              GtkTreeIter* iter, gpointer items) {
  const std::string text =
      shown_part(shown_title(static_cast<const List1Items*>(items)->text_at(iter)));
  g_object_set(cell, "text", text.c_str(), nullptr);
}

}  // namespace

frmFav::frmFav() {
  set_control_name(*this, "frmFav");
  set_title(kFavTitle);
  set_decorated(false);
  set_skip_taskbar_hint(true);
  set_skip_pager_hint(true);
  set_resizable(false);
  set_back_color(*this, kAppWorkspace);

  fixed_.set_size_request(twips(kClientWidthTwips), twips(kClientHeightTwips));
  add(fixed_);
  set_up_list();
  lay_out_controls();
  fixed_.show_all();
}

frmFav::~frmFav() {
  // Before the list view goes: it would announce the removal of every row it still holds.
  items_.detach();
}

void frmFav::set_up_list() {
  List1.set_name("List1");
  List1.set_headers_visible(false);
  List1.set_enable_search(false);
  List1.get_selection()->set_mode(Gtk::SELECTION_SINGLE);

  auto* renderer = Gtk::make_managed<Gtk::CellRendererText>();
  auto* column = Gtk::make_managed<Gtk::TreeViewColumn>();
  column->pack_start(*renderer, true);
  column->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
  column->set_expand(true);
  // On the model's own iterators: the toolkit's C++ layer has no wrapper for our model.
  gtk_tree_view_column_set_cell_data_func(column->gobj(), GTK_CELL_RENDERER(renderer->gobj()),
                                          show_row, &items_, nullptr);
  List1.append_column(*column);
  // Every row is one line of the same font: rows need not be measured one by one.
  List1.set_fixed_height_mode(true);

  // A list box selects nothing when it takes the focus; the list view selects its
  // cursor row, or its first. That selection is undone, and it is no click.
  List1.signal_grab_focus().connect(
      [this] { taking_focus_ = List1.get_selection()->count_selected_rows() == 0; }, false);
  List1.signal_grab_focus().connect(
      [this] {
        if (taking_focus_) List1.get_selection()->unselect_all();
        taking_focus_ = false;
      },
      true);
  List1.get_selection()->signal_changed().connect([this] {
    if (!taking_focus_ && List1.get_selection()->count_selected_rows() > 0) list_click_.emit();
  });

  frame_.add(List1);
  // The name goes on the list's frame, and only once the list is in it: the frame's
  // accessible object would make one for the list view as it is added, and that one
  // announces every row as the rows come and go.
  set_control_name(frame_, "List1");
  frame_.set_shadow_type(Gtk::SHADOW_IN);
  frame_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
}

void frmFav::lay_out_controls() {
  place(fixed_, frame_, {120, 120, 5895, 5130});
  command_button(cmdClose, "cmdClose", "&Close");
  place(fixed_, cmdClose, {240, 5280, 1095, 375});
  command_button(cmdRemove, "cmdRemove", "&Remove");
  place(fixed_, cmdRemove, {2520, 5280, 1095, 375});
  command_button(cmdGoToFav, "cmdGoToFav", "&Go to Url");
  place(fixed_, cmdGoToFav, {4800, 5280, 1095, 375});

  std::vector<Gtk::Widget*> chain{&frame_, &cmdClose, &cmdRemove, &cmdGoToFav};
  fixed_.set_focus_chain(chain);
}

std::optional<std::size_t> frmFav::selected_index() const {
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  auto* selection = gtk_tree_view_get_selection(const_cast<GtkTreeView*>(List1.gobj()));
  if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return std::nullopt;
  const Gtk::TreePath path(gtk_tree_model_get_path(model, &iter), false);
  if (path.empty() || path.front() < 0) return std::nullopt;
  return static_cast<std::size_t>(path.front());
}

}  // namespace kv
