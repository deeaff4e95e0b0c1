// SPDX-License-Identifier: MIT
// The item list: an ordered, growable array of untyped pointers, used by the
// shell, the editor pages and the body codecs. Access is bounds-checked; a
// bad index prints a diagnostic line on standard output and yields a neutral
// value instead of stopping the program.
#pragma once

#include <cstdint>

struct List {
  uint32_t count;  // entries in use, indices 0 .. count-1
  uint32_t spare;  // allocated slots beyond count that are still free
  void** items;    // count + spare slots
};

// Returns a new empty list with 1024 zero-filled slots. Release with listFree
// or listFreeAll.
List* listNew();

// Appends item (null is a valid entry) and returns its index. When no slot is
// free the array grows by 1024 slots. Requires: list is not null.
uint32_t listPush(List* list, void* item);

// Returns the index of the first entry equal to item (by pointer value), or
// pushes it when absent. Linear in the count: callers that treat a growing
// list as a set keep their own hash index beside it.
uint32_t listPushUnique(List* list, void* item);

// Returns the entry at index, or null (with a diagnostic line) for a null list
// or an index not below the count.
void* listGet(const List* list, uint32_t index);

// Replaces the entry at index; a null list or a bad index changes nothing and
// prints a diagnostic line.
void listSet(List* list, uint32_t index, void* item);

// Returns the count; 0 (with a diagnostic line) for a null list.
uint32_t listGetCount(const List* list);

// Sorts in place with qsort; the comparator receives pointers to two entries.
// Lists of 0 or 1 entries are left alone and the comparator is not called.
void listSort(List* list, int (*compare)(const void*, const void*));

// Releases the array and the record, not the entries. Null is ignored.
void listFree(List* list);

// Releases every entry with free, in index order, then the list itself.
void listFreeAll(List* list);
