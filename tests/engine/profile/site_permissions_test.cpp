// The remembered answers to sites: per origin, private to the user, safe from odd
// addresses and damaged files.
#include "engine/profile/site_permissions.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "engine/profile/spelling_languages.h"
#include "support/temp_dir.h"

namespace kv {
namespace {

TEST(SitePermissions, OriginsAreSchemeHostAndPortAndOnlyOfWebAddresses) {
  EXPECT_EQ(origin_of("http://127.0.0.1:8080/map?x=1#y"), "http://127.0.0.1:8080");
  EXPECT_EQ(origin_of("HTTPS://Example.ORG:443/a"), "https://example.org");
  EXPECT_EQ(origin_of("http://example.org:80/"), "http://example.org");
  EXPECT_EQ(origin_display_name(origin_of("http://127.0.0.1:8080/")), "127.0.0.1:8080");
  // Nothing to remember a decision by, or nothing the file could keep as it is.
  for (const char* odd :
       {"", "file:///etc/passwd", "about:blank", "data:text/html,x", "http://", "http://a]b/",
        "http://[::1]:80/", "not an address", "http://exa mple.org/", "http://e%0Axample.org/"}) {
    EXPECT_EQ(origin_of(odd), "") << odd;
  }
}

TEST(SitePermissions, DecisionsAreKeptPerOriginInAPrivateFileAndCanBeForgotten) {
  test::TempDir dir;
  const SitePermissions store(dir.file("sub/permissions.ini"));
  const std::string site = "http://127.0.0.1:8080";
  EXPECT_FALSE(store.decision(site, SitePermission::kCamera).has_value());
  ASSERT_TRUE(store.remember(site, SitePermission::kCamera, true));
  ASSERT_TRUE(store.remember(site, SitePermission::kLocation, false));
  ASSERT_TRUE(store.remember("https://example.org", SitePermission::kNotifications, true));
  EXPECT_EQ(store.decision(site, SitePermission::kCamera), true);
  EXPECT_EQ(store.decision(site, SitePermission::kLocation), false);
  // Another port is another site.
  EXPECT_FALSE(store.decision("http://127.0.0.1:8081", SitePermission::kCamera).has_value());
  EXPECT_EQ(store.all().size(), 3U);

  struct stat info {};
  ASSERT_EQ(stat(store.path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);

  // A second reader (another copy of the program) sees a removal at once.
  EXPECT_TRUE(SitePermissions(store.path()).forget(site, SitePermission::kCamera));
  EXPECT_FALSE(store.decision(site, SitePermission::kCamera).has_value());
  EXPECT_FALSE(store.forget(site, SitePermission::kCamera));
  EXPECT_EQ(store.all().size(), 2U);
  // Only what origin_of gives is kept: no group a page could bend.
  EXPECT_FALSE(store.remember("http://a]\n[b", SitePermission::kCamera, true));
  EXPECT_FALSE(store.remember("http://example.org/path", SitePermission::kCamera, true));
  EXPECT_EQ(store.all().size(), 2U);
}

TEST(SitePermissions, ADamagedOrForeignFileAsksAgainAndIsRepairedByTheNextAnswer) {
  test::TempDir dir;
  const SitePermissions store(dir.file("permissions.ini"));
  // Values and names that we never write are no answers.
  std::ofstream(store.path()) << "[http://a.example]\ncamera=maybe\nfoo=allow\nlocation=allow\n"
                                 "[not an origin]\ncamera=allow\n";
  EXPECT_FALSE(store.decision("http://a.example", SitePermission::kCamera).has_value());
  ASSERT_EQ(store.all().size(), 1U);
  EXPECT_EQ(store.all()[0].permission, SitePermission::kLocation);
  // A file that is no key file at all holds nothing, and the next answer replaces it.
  std::ofstream(store.path(), std::ios::trunc) << "camera=allow\n\x01[[\n";
  EXPECT_TRUE(store.all().empty());
  ASSERT_TRUE(store.remember("http://a.example", SitePermission::kCamera, false));
  EXPECT_EQ(store.decision("http://a.example", SitePermission::kCamera), false);
  EXPECT_EQ(store.all().size(), 1U);
}

TEST(SpellingLanguages, TheLocalesLanguagesWithADictionaryElseEnglish) {
  const auto only = [](std::initializer_list<const char*> installed) {
    return [installed](const std::string& language) {
      for (const char* have : installed) {
        if (language == have) return true;
      }
      return false;
    };
  };
  EXPECT_EQ(spelling_languages({"de_DE.UTF-8@euro", "de_DE", "de", "fr_FR", "en_US", "C"},
                               only({"de_DE", "en_US"})),
            (std::vector<std::string>{"de_DE", "en_US"}));
  EXPECT_EQ(spelling_languages({"C", "POSIX"}, only({"en_US"})),
            (std::vector<std::string>{"en_US"}));
  // No dictionary at all still names one language; odd names are never asked about.
  EXPECT_EQ(spelling_languages({"xx_XX", "../../etc", "de_de", "", "e"}, only({})),
            (std::vector<std::string>{"en_US"}));
}

}  // namespace
}  // namespace kv
