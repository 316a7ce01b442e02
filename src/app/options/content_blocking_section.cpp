#include "app/options/content_blocking_section.h"

#include <algorithm>

#include "desktop/control_name.h"

namespace kv {
namespace {

std::size_t total(const std::map<std::string, std::size_t>& counts) {
  std::size_t sum = 0;
  for (const auto& [kind, count] : counts) sum += count;
  return sum;
}

}  // namespace

std::string describe_lists(const std::vector<ListReport>& reports) {
  if (reports.empty()) return "No lists are in use yet.";
  std::string text;
  for (const auto& report : reports) {
    if (!text.empty()) text += '\n';
    text += report.name + ": ";
    if (!report.refused.empty()) {
      text += "not in use (too big: more rules than this program takes from one list)";
      continue;
    }
    if (!report.in_use) {
      text += report.rejected > 0 ? "not in use (the engine rejected its rules)"
                                  : "not in use (the list could not be read)";
      continue;
    }
    const std::size_t converted = total(report.converted);
    const std::size_t unused = std::min(converted, report.rejected + report.left_out);
    text += std::to_string(converted - unused) + " rules in use, " +
            std::to_string(total(report.skipped)) + " skipped";
    if (report.rejected > 0) text += ", " + std::to_string(report.rejected) + " rejected";
    if (report.left_out > 0)
      text += ", " + std::to_string(report.left_out) + " past what the engine takes";
  }
  return text;
}

ContentBlockingSection::ContentBlockingSection(BlockingSettings settings,
                                               const std::vector<ListReport>& reports)
    : sites_(std::move(settings.allowed_sites)) {
  set_label("Content blocking");
  set_control_name(chkBlockContent, "chkBlockContent");
  chkBlockContent.set_label("_Block advertisements and trackers");
  chkBlockContent.set_use_underline(true);
  chkBlockContent.set_active(settings.enabled);

  set_control_name(lblFilterLists, "lblFilterLists");
  lblFilterLists.set_text(describe_lists(reports));
  lblFilterLists.set_xalign(0.0F);
  lblFilterLists.set_line_wrap(true);
  lblFilterLists.set_max_width_chars(60);

  sites_text_.set_text("Sites where nothing is blocked:");
  sites_text_.set_xalign(0.0F);
  set_control_name(lstAllowedSites, "lstAllowedSites");
  sites_scroll_.set_policy(Gtk::POLICY_NEVER, Gtk::POLICY_AUTOMATIC);
  sites_scroll_.set_min_content_height(72);
  sites_scroll_.set_shadow_type(Gtk::SHADOW_IN);
  sites_scroll_.add(lstAllowedSites);

  set_control_name(txtAllowedSite, "txtAllowedSite");
  txtAllowedSite.set_placeholder_text("example.com");
  set_control_name(cmdAddSite, "cmdAddSite");
  cmdAddSite.set_label("A_dd");
  cmdAddSite.set_use_underline(true);
  set_control_name(cmdRemoveSite, "cmdRemoveSite");
  cmdRemoveSite.set_label("_Remove");
  cmdRemoveSite.set_use_underline(true);
  site_row_.pack_start(txtAllowedSite, Gtk::PACK_EXPAND_WIDGET);
  site_row_.pack_start(cmdAddSite, Gtk::PACK_SHRINK);
  site_row_.pack_start(cmdRemoveSite, Gtk::PACK_SHRINK);

  box_.set_border_width(8);
  box_.pack_start(chkBlockContent, Gtk::PACK_SHRINK);
  box_.pack_start(lblFilterLists, Gtk::PACK_SHRINK);
  box_.pack_start(sites_text_, Gtk::PACK_SHRINK);
  box_.pack_start(sites_scroll_, Gtk::PACK_SHRINK);
  box_.pack_start(site_row_, Gtk::PACK_SHRINK);
  add(box_);

  cmdAddSite.signal_clicked().connect([this] { add_site(); });
  txtAllowedSite.signal_activate().connect([this] { add_site(); });
  cmdRemoveSite.signal_clicked().connect([this] { remove_site(); });
  show_sites();
}

BlockingSettings ContentBlockingSection::settings() const {
  return BlockingSettings{chkBlockContent.get_active(), sites_};
}

void ContentBlockingSection::add_site() {
  const std::string site = site_from_text(txtAllowedSite.get_text().raw());
  // Text that names no site stays in the box to be corrected.
  if (site.empty()) return;
  if (std::find(sites_.begin(), sites_.end(), site) == sites_.end()) sites_.push_back(site);
  txtAllowedSite.set_text("");
  show_sites();
}

void ContentBlockingSection::remove_site() {
  const Gtk::ListBoxRow* row = lstAllowedSites.get_selected_row();
  if (row == nullptr) return;
  const auto index = static_cast<std::size_t>(row->get_index());
  if (index < sites_.size()) sites_.erase(sites_.begin() + static_cast<std::ptrdiff_t>(index));
  show_sites();
}

void ContentBlockingSection::show_sites() {
  // Removing the rows the list box made for the labels destroys them.
  for (Gtk::Widget* row : lstAllowedSites.get_children()) lstAllowedSites.remove(*row);
  for (const auto& site : sites_) {
    auto* label = Gtk::make_managed<Gtk::Label>(site);
    label->set_xalign(0.0F);
    lstAllowedSites.append(*label);
  }
  lstAllowedSites.show_all();
  cmdRemoveSite.set_sensitive(!sites_.empty());
}

}  // namespace kv
