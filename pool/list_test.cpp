// SPDX-License-Identifier: MIT
#include "pool/list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

void* item(uintptr_t v) { return reinterpret_cast<void*>(v); }

TEST(ItemList, GrowthSortAndDiagnostics) {
  List* list = listNew();
  for (uintptr_t i = 1025; i > 0; i--) listPush(list, item(i));
  EXPECT_EQ(1023u, list->spare);
  EXPECT_EQ(0u, listPushUnique(list, item(1025)));
  listSort(list, [](const void* a, const void* b) {
    auto x = *static_cast<void* const*>(a), y = *static_cast<void* const*>(b);
    return x < y ? -1 : int(x > y);
  });
  EXPECT_EQ(item(1025), listGet(list, 1024));
  testing::internal::CaptureStdout();
  EXPECT_EQ(nullptr, listGet(list, 1025));
  listSet(nullptr, 0, item(7));
  EXPECT_NE("", testing::internal::GetCapturedStdout());  // each says what was wrong
  listFree(list);
  list = listNew();
  listPush(list, std::malloc(16));
  listPush(list, nullptr);
  listFreeAll(list);  // the sanitizer build reports a missed entry as a leak
}

}  // namespace
