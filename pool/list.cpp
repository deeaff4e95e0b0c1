// SPDX-License-Identifier: MIT
// The item list.
#include "pool/list.h"

#include <cstdio>
#include <cstdlib>

namespace {
constexpr uint32_t LIST_GROW = 1024;
}

List* listNew() {
  auto* list = static_cast<List*>(std::calloc(1, sizeof(List)));
  list->items = static_cast<void**>(std::calloc(LIST_GROW, sizeof(void*)));
  list->spare = LIST_GROW;
  return list;
}

uint32_t listPush(List* list, void* item) {
  if (list->spare == 0) {
    list->items = static_cast<void**>(
        std::realloc(list->items, (size_t(list->count) + LIST_GROW) * sizeof(void*)));
    list->spare = LIST_GROW;
  }
  uint32_t index = list->count;
  list->items[index] = item;
  list->count++;
  list->spare--;
  return index;
}

uint32_t listPushUnique(List* list, void* item) {
  for (uint32_t i = 0; i < list->count; i++)
    if (list->items[i] == item) return i;
  return listPush(list, item);
}

void* listGet(const List* list, uint32_t index) {
  if (!list) {
    std::puts("listGet() - invalid list pointer");
    return nullptr;
  }
  if (index >= list->count) {
    std::printf("listGet() - invalid index (%08x) passed, %08x items in list\n", index,
                list->count);
    return nullptr;
  }
  return list->items[index];
}

void listSet(List* list, uint32_t index, void* item) {
  if (!list) {
    std::puts("listSet() - invalid list pointer");
    return;
  }
  if (index >= list->count) {
    std::printf("listSet() - invalid index (%08x) passed, %08x items in list\n", index,
                list->count);
    return;
  }
  list->items[index] = item;
}

uint32_t listGetCount(const List* list) {
  if (!list) {
    std::puts("listGetCount() - invalid list pointer");
    return 0;
  }
  return list->count;
}

void listSort(List* list, int (*compare)(const void*, const void*)) {
  if (!list || list->count < 2) return;
  std::qsort(list->items, list->count, sizeof(void*), compare);
}

void listFree(List* list) {
  if (!list) return;
  std::free(list->items);
  std::free(list);
}

void listFreeAll(List* list) {
  if (!list) return;
  for (uint32_t i = 0; i < list->count; i++) std::free(list->items[i]);
  listFree(list);
}
