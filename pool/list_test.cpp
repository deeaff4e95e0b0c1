#include "pool/list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

void* item(uintptr_t v) { return reinterpret_cast<void*>(v); }

TEST(ItemList, NewListIsEmptyWith1024Spare) {
  List* list = listNew();
  EXPECT_EQ(0u, list->count);
  EXPECT_EQ(1024u, list->spare);
  EXPECT_EQ(0u, listGetCount(list));
  listFree(list);
}

TEST(ItemList, GrowthKeepsEntriesAndIndices) {
  List* list = listNew();
  for (uintptr_t i = 0; i < 1025; i++) ASSERT_EQ(i, listPush(list, item(i + 1)));
  EXPECT_EQ(1025u, listGetCount(list));
  EXPECT_EQ(1023u, list->spare);
  for (uint32_t i = 0; i < 1025; i++) ASSERT_EQ(item(i + 1), listGet(list, i));
  listFree(list);
}

TEST(ItemList, PushUniqueReturnsFirstOccurrence) {
  List* list = listNew();
  listPush(list, item(7));
  listPush(list, item(8));
  listPush(list, item(7));
  EXPECT_EQ(0u, listPushUnique(list, item(7)));
  EXPECT_EQ(3u, listGetCount(list));
  EXPECT_EQ(3u, listPushUnique(list, item(9)));
  EXPECT_EQ(4u, listGetCount(list));
  listFree(list);
}

// The diagnostics are part of the contract: programming errors print a line
// and yield a neutral value instead of stopping the program.
TEST(ItemList, BadAccessPrintsDiagnosticsAndChangesNothing) {
  List* list = listNew();
  testing::internal::CaptureStdout();
  EXPECT_EQ(nullptr, listGet(list, 0));
  EXPECT_EQ(nullptr, listGet(nullptr, 0));
  listPush(list, item(1));
  listSet(list, 5, item(2));
  listSet(nullptr, 0, item(2));
  EXPECT_EQ(0u, listGetCount(nullptr));
  EXPECT_EQ(
      "listGet() - invalid index (00000000) passed, 00000000 items in list\n"
      "listGet() - invalid list pointer\n"
      "listSet() - invalid index (00000005) passed, 00000001 items in list\n"
      "listSet() - invalid list pointer\n"
      "listGetCount() - invalid list pointer\n",
      testing::internal::GetCapturedStdout());
  EXPECT_EQ(item(1), listGet(list, 0));
  listSet(list, 0, nullptr);
  EXPECT_EQ(nullptr, listGet(list, 0));
  EXPECT_EQ(1u, listGetCount(list));
  listFree(list);
  listFree(nullptr);
}

int compareCalls = 0;
int compareValues(const void* a, const void* b) {
  compareCalls++;
  auto x = *static_cast<void* const*>(a), y = *static_cast<void* const*>(b);
  return x < y ? -1 : x > y;
}

TEST(ItemList, SortOrdersEntriesAndSkipsShortLists) {
  List* list = listNew();
  compareCalls = 0;
  listSort(list, compareValues);
  listPush(list, item(3));
  listSort(list, compareValues);
  EXPECT_EQ(0, compareCalls);
  listPush(list, item(1));
  listPush(list, item(2));
  listSort(list, compareValues);
  EXPECT_EQ(item(1), listGet(list, 0));
  EXPECT_EQ(item(2), listGet(list, 1));
  EXPECT_EQ(item(3), listGet(list, 2));
  listFree(list);
}

TEST(ItemList, FreeAllReleasesEntries) {
  List* list = listNew();
  listPush(list, std::malloc(16));
  listPush(list, nullptr);
  listPush(list, std::malloc(32));
  listFreeAll(list);  // the sanitizer build reports a leak if an entry is missed
  listFreeAll(nullptr);
}

}  // namespace
