#pragma once

#include <glib-object.h>

namespace kv {

// State of ours that lives on a GObject under `key` and is deleted with it (or when the
// key is given another state).
template <class T>
T& attach_state(gpointer object, const char* key, T* state) {
  g_object_set_data_full(G_OBJECT(object), key, state,
                         [](gpointer data) { delete static_cast<T*>(data); });
  return *state;
}

// The state attached under `key`; nullptr when there is none.
template <class T>
T* attached_state(gpointer object, const char* key) {
  return static_cast<T*>(g_object_get_data(G_OBJECT(object), key));
}

}  // namespace kv
