#pragma once

#include <glib-object.h>

#include <memory>
#include <string>

// Owners for what GLib and GObject hand out to C callers, so that no early return or
// exception between a get and its free can leak it, and no reader has to check a free.
// Where glibmm wraps the thing, use glibmm instead.

namespace kv {

struct GFreeDeleter {
  void operator()(void* memory) const noexcept { g_free(memory); }
};
struct GErrorDeleter {
  void operator()(GError* error) const noexcept { g_error_free(error); }
};
struct GBytesDeleter {
  void operator()(GBytes* bytes) const noexcept { g_bytes_unref(bytes); }
};
struct GUriDeleter {
  void operator()(GUri* uri) const noexcept { g_uri_unref(uri); }
};
struct GStrvDeleter {
  void operator()(gchar** strings) const noexcept { g_strfreev(strings); }
};
struct GKeyFileDeleter {
  void operator()(GKeyFile* file) const noexcept { g_key_file_unref(file); }
};
struct GVariantDeleter {
  void operator()(GVariant* value) const noexcept { g_variant_unref(value); }
};
struct GObjectDeleter {
  void operator()(gpointer object) const noexcept { g_object_unref(object); }
};

// A string (or any block) from g_malloc.
using OwnedChars = std::unique_ptr<gchar, GFreeDeleter>;
using OwnedError = std::unique_ptr<GError, GErrorDeleter>;
using OwnedBytes = std::unique_ptr<GBytes, GBytesDeleter>;
using OwnedUri = std::unique_ptr<GUri, GUriDeleter>;
// A NULL-terminated array of strings, as g_strsplit and g_shell_parse_argv make.
using OwnedStrv = std::unique_ptr<gchar*, GStrvDeleter>;
using OwnedKeyFile = std::unique_ptr<GKeyFile, GKeyFileDeleter>;
using OwnedVariant = std::unique_ptr<GVariant, GVariantDeleter>;
// One reference to a GObject (or a GObject-derived C type such as WebKitWebView).
template <class T>
using ObjectRef = std::unique_ptr<T, GObjectDeleter>;

// A reference of our own to an object someone else owns; empty for nullptr.
template <class T>
ObjectRef<T> ref_object(T* object) {
  return ObjectRef<T>(object != nullptr ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

// A weak reference: it keeps nothing alive, and knows when its object has gone. GLib
// registers it by address, so it stays where it was made.
template <class T>
class WeakRef {
 public:
  explicit WeakRef(T* object) noexcept { g_weak_ref_init(&ref_, object); }
  ~WeakRef() { g_weak_ref_clear(&ref_); }
  WeakRef(const WeakRef&) = delete;
  WeakRef& operator=(const WeakRef&) = delete;

  // A strong reference while the object lives; empty once it is gone.
  ObjectRef<T> get() const noexcept { return ObjectRef<T>(static_cast<T*>(g_weak_ref_get(&ref_))); }

 private:
  mutable GWeakRef ref_;
};

// The text of a string that GLib handed over, freed once copied; "" for nullptr.
inline std::string take_string(gchar* text) {
  const OwnedChars owned(text);
  return owned ? std::string(owned.get()) : std::string();
}

// Hands an owner to a C out-parameter: `g_file_get_contents(path, out(text), ...)`.
// Whatever the call stores is owned once the full expression ends.
template <class Owner>
class OutParam {
 public:
  explicit OutParam(Owner& owner) noexcept : owner_(owner) { owner_.reset(); }
  ~OutParam() { owner_.reset(raw_); }
  OutParam(const OutParam&) = delete;
  OutParam& operator=(const OutParam&) = delete;

  operator typename Owner::pointer *() noexcept { return &raw_; }

 private:
  Owner& owner_;
  typename Owner::pointer raw_ = nullptr;
};

template <class Owner>
OutParam<Owner> out(Owner& owner) noexcept {
  return OutParam<Owner>(owner);
}

}  // namespace kv
