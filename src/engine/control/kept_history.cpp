#include "engine/control/kept_history.h"

#include <glib.h>

#include <array>

#include "desktop/glib_handles.h"

namespace kv {
namespace {

// The engine's serialized history, version 2: the list's entries (title, main frame,
// external-link policy) and the current entry's index. A frame holds its address, first
// address, referrer and name, its form fields' state, the page's history state, two
// sequence numbers, scroll position, scale, the posted body and its own frames.
constexpr guint16 kVersion = 2;
constexpr const char* kPostBodyType = "(sa(uaysxmxmds))";
constexpr const char* kFrameType = "(ssssasmayxx(ii)dm(sa(uaysxmxmds))av)";
constexpr const char* kHistoryType = "(qa(s(ssssasmayxx(ii)dm(sa(uaysxmxmds))av)u)mu)";

enum FrameField : gsize {
  kFormState = 4,
  kPageState = 5,
  kPostBody = 10,
  kChildren = 11,
  kFrameFields = 12
};

// Frames nested deeper than this are left out.
constexpr int kDeepestFrame = 16;

OwnedVariant child(GVariant* container, gsize index) {
  return OwnedVariant(g_variant_get_child_value(container, index));
}

// `frame` and its frames without form fields or posted bodies (floating).
GVariant* kept_frame(GVariant* frame, bool addresses_only, int depth) {
  std::array<OwnedVariant, kFrameFields> held;
  std::array<GVariant*, kFrameFields> fields{};
  for (gsize i = 0; i < kFrameFields; ++i) {
    held.at(i) = child(frame, i);
    fields.at(i) = held.at(i).get();
  }
  fields[kFormState] = g_variant_new_array(G_VARIANT_TYPE_STRING, nullptr, 0);
  fields[kPostBody] = g_variant_new_maybe(G_VARIANT_TYPE(kPostBodyType), nullptr);
  if (addresses_only) {
    fields[kPageState] = g_variant_new_maybe(G_VARIANT_TYPE_BYTESTRING, nullptr);
  }
  GVariantBuilder frames;
  g_variant_builder_init(&frames, G_VARIANT_TYPE("av"));
  if (!addresses_only && depth < kDeepestFrame) {
    GVariant* all = held[kChildren].get();
    const gsize count = g_variant_n_children(all);
    for (gsize i = 0; i < count; ++i) {
      const OwnedVariant boxed = child(all, i);
      const OwnedVariant inner(g_variant_get_variant(boxed.get()));
      // A box may hold anything: only frames go on.
      if (!g_variant_is_of_type(inner.get(), G_VARIANT_TYPE(kFrameType))) continue;
      g_variant_builder_add_value(&frames,
                                  g_variant_new_variant(kept_frame(inner.get(), false, depth + 1)));
    }
  }
  fields[kChildren] = g_variant_builder_end(&frames);
  return g_variant_new_tuple(fields.data(), fields.size());
}

OwnedVariant kept_entries(GVariant* history, bool addresses_only) {
  const OwnedVariant version = child(history, 0);
  const OwnedVariant entries = child(history, 1);
  const OwnedVariant current = child(history, 2);
  GVariantBuilder kept;
  g_variant_builder_init(&kept, g_variant_get_type(entries.get()));
  const gsize count = g_variant_n_children(entries.get());
  for (gsize i = 0; i < count; ++i) {
    const OwnedVariant entry = child(entries.get(), i);
    const OwnedVariant title = child(entry.get(), 0);
    const OwnedVariant frame = child(entry.get(), 1);
    const OwnedVariant policy = child(entry.get(), 2);
    std::array<GVariant*, 3> parts{title.get(), kept_frame(frame.get(), addresses_only, 0),
                                   policy.get()};
    g_variant_builder_add_value(&kept, g_variant_new_tuple(parts.data(), parts.size()));
  }
  std::array<GVariant*, 3> whole{version.get(), g_variant_builder_end(&kept), current.get()};
  return OwnedVariant(g_variant_ref_sink(g_variant_new_tuple(whole.data(), whole.size())));
}

}  // namespace

std::vector<std::uint8_t> kept_history(std::span<const std::uint8_t> engine_state,
                                       std::size_t largest) {
  if (engine_state.empty()) return {};
  const OwnedBytes bytes(g_bytes_new(engine_state.data(), engine_state.size()));
  const OwnedVariant history(g_variant_ref_sink(
      g_variant_new_from_bytes(G_VARIANT_TYPE(kHistoryType), bytes.get(), FALSE)));
  // The engine itself refuses bytes that are not in normal form.
  if (g_variant_is_normal_form(history.get()) == FALSE) return {};
  const OwnedVariant version = child(history.get(), 0);
  const OwnedVariant entries = child(history.get(), 1);
  if (g_variant_get_uint16(version.get()) != kVersion || g_variant_n_children(entries.get()) == 0) {
    return {};
  }
  for (const bool addresses_only : {false, true}) {
    const OwnedVariant kept = kept_entries(history.get(), addresses_only);
    const gsize size = g_variant_get_size(kept.get());
    if (size > largest) continue;
    std::vector<std::uint8_t> out(size);
    g_variant_store(kept.get(), out.data());
    return out;
  }
  return {};
}

}  // namespace kv
