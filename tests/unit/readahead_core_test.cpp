#include <gtest/gtest.h>

#include "pictures/readahead_core.h"

namespace pix {
namespace {

struct NeighbourCase {
  int count, index, previous;
  bool wrap;
  int first, second;
};

const NeighbourCase kNeighbours[] = {
    // Forward steps read the next entry first, backward ones the entry before.
    {5, 2, 1, false, 3, 1},
    {5, 2, 3, false, 1, 3},
    {5, 2, -1, false, 3, 1},  // nothing shown before: forward first
    {5, 2, 0, false, 3, 1},   // a jump: forward first
    {5, 2, 2, false, 3, 1},   // the same entry again
    // The ends of a list have one neighbour; a ring goes round.
    {5, 4, 3, false, 3, -1},
    {5, 0, 1, false, 1, -1},
    {5, 4, 3, true, 0, 3},
    {5, 0, 4, true, 1, 4},  // Right from the last entry to the first
    {5, 4, 0, true, 3, 0},  // Left from the first entry to the last
    // Tiny lists: nothing, or the one other entry once.
    {1, 0, -1, true, -1, -1},
    {2, 0, 1, true, 1, -1},
    {2, 1, 0, false, 0, -1},
    {0, 0, -1, true, -1, -1},
    {5, 7, 1, false, -1, -1},
};

TEST(ReadAheadCore, NeighboursInTheDirectionOfTheStepFirst) {
  for (const NeighbourCase& c : kNeighbours) {
    TNeighbours n = ReadAheadNeighbours(c.count, c.index, c.previous, c.wrap);
    EXPECT_EQ(n.first, c.first) << c.count << " " << c.index << " " << c.previous << " " << c.wrap;
    EXPECT_EQ(n.second, c.second) << c.count << " " << c.index << " " << c.previous << " "
                                  << c.wrap;
  }
}

TEST(ReadAheadCore, ThirtyTwoBitsReadAheadUpTo48Megapixels) {
  EXPECT_TRUE(ReadAheadFits(8000, 6000, false));
  EXPECT_FALSE(ReadAheadFits(8000, 6001, false));
  EXPECT_TRUE(ReadAheadFits(20000, 20000, true));
  EXPECT_FALSE(ReadAheadFits(0, 100, true));
  EXPECT_FALSE(ReadAheadFits(65500, 65500, false));
}

}  // namespace
}  // namespace pix
