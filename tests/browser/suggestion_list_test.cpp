// The address box's list as it shows its rows: what a page's title can and cannot make
// a row say.
#include "browser/suggestion_list.h"

#include <gtest/gtest.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <set>

#include "support/run_until.h"
#include "support/widget_events.h"

namespace kv {
namespace {

Suggestion row(std::string address, std::string title) {
  return {std::move(address), std::move(title), true, false, 0};
}

TEST(SuggestionRows, ATitleThatReadsLikeAnAddressGivesWayToTheTrueOne) {
  // The offers page calls itself the bank's login page.
  const SuggestionText promo =
      suggestion_text(row("http://localhost:8002/promo.html", "http://localhost:8002/bank-login"));
  EXPECT_EQ(promo.main, "http://localhost:8002/promo.html");
  EXPECT_EQ(promo.host, "");
  EXPECT_EQ(promo.spoken, "http://localhost:8002/promo.html");

  const SuggestionText bank = suggestion_text(row("https://bank.example/login", "Bank login"));
  EXPECT_EQ(bank.main, "Bank login");
  EXPECT_EQ(bank.host, "bank.example");
  EXPECT_EQ(bank.spoken, "Bank login, https://bank.example/login");
  EXPECT_EQ(suggestion_text(row("http://127.0.0.1:8002/news", "News")).host, "127.0.0.1:8002");
  EXPECT_EQ(suggestion_text(row("file:///tmp/notes.html", "Notes")).host, "");
  EXPECT_EQ(suggestion_text(row("http://a.test/", "")).main, "http://a.test/");
}

TEST(SuggestionRows, ShownWithoutDirectionControlsAndWithTheHostBesideTheTitle) {
  Gtk::Window window;
  Gtk::Entry box;
  window.add(box);
  window.show_all();
  ASSERT_TRUE(test::run_until([&] { return box.get_realized(); }));
  SuggestionList list;
  list.show_below(box, {row("http://evil.test/a", "Sale \u202Elmth.nigol\u202C now"),
                        row("http://evil.test/b", "\u2067Bank\u2069 login")});
  std::vector<Gtk::Widget*> widgets;
  test::collect_widgets(list, widgets);
  std::set<std::string> texts;
  for (Gtk::Widget* widget : widgets) {
    if (auto* label = dynamic_cast<Gtk::Label*>(widget)) texts.insert(label->get_text());
  }
  EXPECT_EQ(texts, (std::set<std::string>{"Sale lmth.nigol now", "Bank login", " \u2014 evil.test",
                                          "http://evil.test/a", "http://evil.test/b"}));
}

}  // namespace
}  // namespace kv
