// SPDX-License-Identifier: MIT
// Owning pointers for what GLib hands out: its strings (g_free) and object
// references (g_object_unref), beside the malloc rule of pool/memory.h.
// Never hold widgets in GObjectPtr: their floating reference belongs to
// their container.
#pragma once

#include <glib-object.h>

#include <memory>

struct GFreeDeleter {
  void operator()(gpointer p) const noexcept { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GObjectUnref {
  void operator()(gpointer p) const noexcept { g_object_unref(p); }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
