// SPDX-License-Identifier: MIT
// Where GlyphEdit's grid lies, which cell a pointer position hits and how
// small a tall grid's dots get: plain arithmetic, without GTK, so that the
// grid lines and the shrink are tested headless.
#pragma once

#include <cstdint>

// The grid in the widget's window: cells of `step` pixels (a dot's inner
// square of dotSize + 3 and one grid line), centred in the allocation.
// 64-bit, so that no matrix or allocation size overflows it.
struct GlyphGrid {
  int64_t left, top, step, width, height;
};

inline GlyphGrid glyphGridPlace(uint32_t cols, uint32_t rows, uint32_t dotSize, int64_t allocWidth,
                                int64_t allocHeight) {
  GlyphGrid g;
  g.step = int64_t(dotSize) + 4;
  g.width = int64_t(cols) * g.step;
  g.height = int64_t(rows) * g.step;
  g.left = allocWidth / 2 - g.width / 2;
  g.top = allocHeight / 2 - g.height / 2;
  return g;
}

// The cell (*x, *y) under a pointer position. A position on a grid line
// counts for the cell left of (or above) it, so the outer right and bottom
// lines belong to the last column and row, the outer left and top lines to
// no cell. Returns false outside the grid, far-off and NaN positions
// included.
inline bool glyphGridHit(const GlyphGrid& g, uint32_t cols, uint32_t rows, double px, double py, int32_t* x,
                         int32_t* y) {
  if (!(px > -1e9 && px < 1e9 && py > -1e9 && py < 1e9)) return false;
  const int64_t ix = int64_t(px), iy = int64_t(py);
  const int64_t left = g.left + 1, top = g.top + 1;
  if (ix < left || ix > left + g.width || iy < top || iy > top + g.height) return false;
  const int64_t col = (ix - left) / g.step, row = (iy - top) / g.step;
  if (col >= int64_t(cols) || row >= int64_t(rows)) return false;
  *x = int32_t(col);
  *y = int32_t(row);
  return true;
}

// The height a grid of rows asks for with dots of dotSize and borderY
// above and below.
inline int64_t glyphGridRequestHeight(uint32_t rows, uint32_t dotSize, uint32_t borderY) {
  return int64_t(rows) * (int64_t(dotSize) + 4) + 2 * int64_t(borderY);
}

// The dot size a size request settles on: a grid taller than half the
// screen gets smaller dots, one step at a time, until it is below half the
// screen or the dots are 2.
inline uint32_t glyphDotSizeFit(uint32_t rows, uint32_t dotSize, uint32_t borderY, int64_t screenHeight) {
  const int64_t half = screenHeight / 2;
  if (glyphGridRequestHeight(rows, dotSize, borderY) <= half) return dotSize;
  while (dotSize > 2) {
    dotSize--;
    if (glyphGridRequestHeight(rows, dotSize, borderY) < half) break;
  }
  return dotSize;
}
