#include "desktop/login_store.h"

#include <libsecret/secret.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include "desktop/glib_handles.h"
#include "desktop/guarded.h"

namespace kv {
namespace {

// Our own kind of item in the keyring, named `name`; other programs' items never match it.
constexpr SecretSchema login_schema(const char* name) {
  return {name,
          SECRET_SCHEMA_NONE,
          {{"scheme", SECRET_SCHEMA_ATTRIBUTE_STRING},
           {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
           {"port", SECRET_SCHEMA_ATTRIBUTE_INTEGER},
           {"action-origin", SECRET_SCHEMA_ATTRIBUTE_STRING},
           {"username", SECRET_SCHEMA_ATTRIBUTE_STRING},
           {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
          0,
          nullptr,
          nullptr,
          nullptr,
          nullptr,
          nullptr,
          nullptr,
          nullptr};
}

const SecretSchema kLoginSchema = login_schema("example.palvenna.Kestrivane.Login");
// The sync server's password: never offered to a page, never among the pages' logins.
const SecretSchema kSyncLoginSchema = login_schema("example.palvenna.Kestrivane.SyncLogin");

// What only asks the service waits this long; what may bring up the keyring's own unlock
// dialog waits for the user a while longer.
constexpr std::chrono::seconds kQuickCall{10};
constexpr std::chrono::seconds kUnlockingCall{60};

struct HashTableDeleter {
  void operator()(GHashTable* table) const noexcept { g_hash_table_unref(table); }
};
using OwnedTable = std::unique_ptr<GHashTable, HashTableDeleter>;
struct ObjectListDeleter {
  void operator()(GList* list) const noexcept { g_list_free_full(list, g_object_unref); }
};
using OwnedObjectList = std::unique_ptr<GList, ObjectListDeleter>;
struct PasswordDeleter {
  void operator()(gchar* password) const noexcept { secret_password_free(password); }
};
using OwnedPassword = std::unique_ptr<gchar, PasswordDeleter>;

OwnedTable new_table() {
  return OwnedTable(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free));
}

void put(GHashTable* table, const char* name, const std::string& value) {
  g_hash_table_insert(table, g_strdup(name), g_strdup(value.c_str()));
}

// The attributes that pick out `origin`'s items, with its user when `user` is given;
// empty for an origin that cannot be kept.
OwnedTable attributes_of(const std::string& origin, const std::string* user = nullptr) {
  OwnedTable table = new_table();
  if (origin.empty()) return table;
  const auto parts = origin_parts(origin);
  if (!parts) return nullptr;
  put(table.get(), "scheme", parts->scheme);
  put(table.get(), "host", parts->host);
  put(table.get(), "port", std::to_string(parts->port));
  if (user != nullptr) put(table.get(), "username", *user);
  return table;
}

std::string attribute(GHashTable* table, const char* name) {
  const auto* value = static_cast<const char*>(g_hash_table_lookup(table, name));
  return value != nullptr ? value : "";
}

std::optional<SavedLogin> login_of(GHashTable* table) {
  const std::string scheme = attribute(table, "scheme");
  const std::string host = attribute(table, "host");
  const int port = std::atoi(attribute(table, "port").c_str());
  if (scheme.empty() || host.empty() || port <= 0) return std::nullopt;
  std::string origin = scheme + "://" + host;
  if (port != (scheme == "https" ? 443 : 80)) origin += ":" + std::to_string(port);
  return SavedLogin{origin, attribute(table, "action-origin"), attribute(table, "username")};
}

// One call to the service: cancelled once its time is up, so that `finish` always runs.
struct Call {
  std::function<void(GAsyncResult*, GError**)> finish;
  ObjectRef<GCancellable> cancellable{g_cancellable_new()};
  guint timer = 0;

  static Call* start(std::chrono::seconds limit, std::function<void(GAsyncResult*, GError**)> f) {
    auto* call = new Call{std::move(f)};
    call->timer = g_timeout_add_seconds(
        static_cast<guint>(limit.count()),
        [](gpointer data) {
          auto* late = static_cast<Call*>(data);
          late->timer = 0;
          g_cancellable_cancel(late->cancellable.get());
          return G_SOURCE_REMOVE;
        },
        call);
    return call;
  }

  static void done(GObject* /*source*/, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Call> call(static_cast<Call*>(data));
    if (call->timer != 0) g_source_remove(call->timer);
    OwnedError error;
    guarded([&] { call->finish(result, out(error)); });
  }
};
using AnyCall = Call;

class SecretServiceLogins : public LoginStore {
 public:
  SecretServiceLogins(const SecretSchema& schema, const char* label)
      : schema_(schema), label_(label) {}

  void save(const SavedLogin& login, const std::string& password,
            std::function<void(bool)> done) override {
    OwnedTable attributes = attributes_of(login.origin, &login.user);
    if (!attributes || g_hash_table_size(attributes.get()) == 0) {
      done(false);
      return;
    }
    put(attributes.get(), "action-origin", login.action_origin);
    const std::string label = std::string(label_) +
                              (login.user.empty() ? "" : login.user + " on ") +
                              login.origin.substr(login.origin.find("://") + 3);
    auto* call =
        AnyCall::start(kUnlockingCall, [this, login, done](GAsyncResult* result, GError** error) {
          const bool saved = secret_password_store_finish(result, error) != FALSE;
          if (saved) drop_other_actions(login);
          done(saved);
        });
    secret_password_storev(&schema_, attributes.get(), SECRET_COLLECTION_DEFAULT, label.c_str(),
                           password.c_str(), call->cancellable.get(), &AnyCall::done, call);
  }

  void find(const std::string& origin,
            std::function<void(std::optional<std::vector<SavedLogin>>)> done) override {
    OwnedTable attributes = attributes_of(origin);
    if (!attributes) {
      done(std::vector<SavedLogin>{});
      return;
    }
    auto* call = AnyCall::start(kQuickCall, [done](GAsyncResult* result, GError** error) {
      OwnedObjectList items(secret_password_search_finish(result, error));
      if (*error != nullptr) {
        done(std::nullopt);
        return;
      }
      std::vector<SavedLogin> found;
      for (GList* item = items.get(); item != nullptr; item = item->next) {
        OwnedTable kept(secret_retrievable_get_attributes(SECRET_RETRIEVABLE(item->data)));
        if (auto login = login_of(kept.get())) found.push_back(std::move(*login));
      }
      done(std::move(found));
    });
    // Locked items too: their attributes are readable, and the pick unlocks them.
    secret_password_searchv(&schema_, attributes.get(), SECRET_SEARCH_ALL, call->cancellable.get(),
                            &AnyCall::done, call);
  }

  void password(const SavedLogin& login,
                std::function<void(std::optional<std::string>)> done) override {
    OwnedTable attributes = attributes_of(login.origin, &login.user);
    if (!attributes || g_hash_table_size(attributes.get()) == 0) {
      done(std::nullopt);
      return;
    }
    auto* call = AnyCall::start(kUnlockingCall, [done](GAsyncResult* result, GError** error) {
      const OwnedPassword kept(secret_password_lookup_finish(result, error));
      if (!kept) {
        done(std::nullopt);
        return;
      }
      std::string text = kept.get();
      done(text);
      wipe(text);
    });
    secret_password_lookupv(&schema_, attributes.get(), call->cancellable.get(), &AnyCall::done,
                            call);
  }

  void remove(const SavedLogin& login, std::function<void(bool)> done) override {
    OwnedTable attributes =
        login.origin.empty() ? new_table() : attributes_of(login.origin, &login.user);
    if (!attributes) {
      done(false);
      return;
    }
    auto* call = AnyCall::start(kUnlockingCall, [done](GAsyncResult* result, GError** error) {
      secret_password_clear_finish(result, error);
      done(*error == nullptr);
    });
    secret_password_clearv(&schema_, attributes.get(), call->cancellable.get(), &AnyCall::done,
                           call);
  }

 private:
  const SecretSchema& schema_;
  const char* label_;  // what the keyring shows the item as, before its user and host

  // A user signs in to one origin with one password, wherever its forms post.
  void drop_other_actions(const SavedLogin& login) {
    OwnedTable attributes = attributes_of(login.origin, &login.user);
    auto* call = AnyCall::start(kQuickCall, [login](GAsyncResult* result, GError** error) {
      OwnedObjectList items(secret_password_search_finish(result, error));
      for (GList* item = items.get(); item != nullptr; item = item->next) {
        OwnedTable kept(secret_retrievable_get_attributes(SECRET_RETRIEVABLE(item->data)));
        if (attribute(kept.get(), "action-origin") != login.action_origin &&
            SECRET_IS_ITEM(item->data)) {
          secret_item_delete(SECRET_ITEM(item->data), nullptr, nullptr, nullptr);
        }
      }
    });
    secret_password_searchv(&schema_, attributes.get(), SECRET_SEARCH_ALL, call->cancellable.get(),
                            &AnyCall::done, call);
  }
};

}  // namespace

LoginStore& desktop_login_store() {
  static SecretServiceLogins store(kLoginSchema, "Kestrivane: ");
  return store;
}

LoginStore& sync_login_store() {
  static SecretServiceLogins store(kSyncLoginSchema, "Kestrivane favourites sync: ");
  return store;
}

std::optional<OriginParts> origin_parts(const std::string& origin) {
  const auto after = origin.find("://");
  if (after == std::string::npos) return std::nullopt;
  OriginParts parts;
  parts.scheme = origin.substr(0, after);
  if (parts.scheme != "http" && parts.scheme != "https") return std::nullopt;
  std::string rest = origin.substr(after + 3);
  const auto colon = rest.rfind(':');
  parts.port = parts.scheme == "https" ? 443 : 80;
  if (colon != std::string::npos) {
    const std::string digits = rest.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    parts.port = std::stoi(digits);
    rest.resize(colon);
  }
  if (rest.empty() || rest.find_first_of("/?#@[] ") != std::string::npos) return std::nullopt;
  if (parts.port <= 0 || parts.port > 65535) return std::nullopt;
  parts.host = rest;
  return parts;
}

void wipe(std::string& secret) {
  volatile char* bytes = secret.data();
  for (std::size_t i = 0; i < secret.size(); ++i) bytes[i] = 0;
  secret.clear();
}

}  // namespace kv
