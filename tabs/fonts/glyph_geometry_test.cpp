// SPDX-License-Identifier: MIT
#include "tabs/fonts/glyph_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// 4 x 3 cells of dots of 5 (9 pixels apart) centred in 100 x 50: the grid
// is 36 x 27 with its outer left line at x = 32 and its top line at y = 12.
const GlyphGrid GRID = glyphGridPlace(4, 3, 5, 100, 50);

std::string hit(double x, double y) {
  int32_t col = -1, row = -1;
  if (!glyphGridHit(GRID, 4, 3, x, y, &col, &row)) return "none";
  return std::to_string(col) + "," + std::to_string(row);
}

TEST(GlyphGeometry, GridLinesBelongToTheCellLeftOfAndAboveThem) {
  EXPECT_EQ("0,0", hit(32 + 9, 12 + 9));    // inner lines
  EXPECT_EQ("1,1", hit(32 + 10, 12 + 10));  // just past them
  EXPECT_EQ("3,2", hit(32 + 36, 12 + 27));  // the outer right and bottom lines
  EXPECT_EQ("none", hit(32, 12 + 5));       // the outer left line
  EXPECT_EQ("none", hit(32 + 37, 12 + 5));  // a pixel past the right line
  EXPECT_EQ("0,0", hit(33.9, 13.9));        // positions are truncated
  EXPECT_EQ("none", hit(NAN, 20));
  EXPECT_EQ("none", hit(20, 1e12));
}

TEST(GlyphGeometry, TallGridsGetSmallerDotsToFitHalfTheScreen) {
  EXPECT_EQ(2u, glyphDotSizeFit(255, 10, 7, 768));  // 255 rows never fit: the smallest dots
  EXPECT_EQ(5u, glyphDotSizeFit(16, 5, 7, 768));    // 16 x 9 + 14 fits: kept
  // 40 rows, borders of 4: dots of 5 make 368, below 384; dots of 6 make 408.
  EXPECT_EQ(5u, glyphDotSizeFit(40, 10, 4, 768));
  EXPECT_EQ(6u, glyphDotSizeFit(40, 6, 4, 816));   // 408 is half of 816: it fits
  EXPECT_EQ(5u, glyphDotSizeFit(40, 10, 4, 816));  // but a shrink goes on until below half
  EXPECT_EQ(8 * 14 + 2 * 3, glyphGridRequestHeight(8, 10, 3));
}

}  // namespace
