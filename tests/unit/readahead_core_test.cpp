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

namespace pix {
namespace {

constexpr uint64_t kMB = uint64_t{1} << 20, kGB = uint64_t{1} << 30;

// One shown picture and pictures kept beside it, on a given machine.
struct BudgetCase {
  const char* what;
  uint64_t addressSpace, physical;
  bool wide;
  int64_t shownW, shownH;   // the shown picture (files of 1/10 of its pixels' bytes)
  int keptPictures;         // pictures of the same size kept beside it
  bool allowed;
};

const BudgetCase kBudgets[] = {
    // 150 megapixels on 2 GB: the next load needs the room, nothing is kept.
    {"150 MP, 2 GB, nothing", 2 * kGB, 8 * kGB, false, 15000, 10000, 0, false},
    {"150 MP, 2 GB, one", 2 * kGB, 8 * kGB, false, 15000, 10000, 1, false},
    // With 4 GB (large address aware on 64-bit Windows) one may stay.
    {"150 MP, 4 GB, one", 4 * kGB, 8 * kGB, false, 15000, 10000, 1, true},
    {"150 MP, 4 GB, two", 4 * kGB, 8 * kGB, false, 15000, 10000, 2, false},
    {"100 MP, 4 GB, one", 4 * kGB, 8 * kGB, false, 12000, 8334, 1, true},
    {"100 MP, 4 GB, two", 4 * kGB, 8 * kGB, false, 12000, 8334, 2, false},
    // Photos of 24 megapixels: both neighbours, on 2 GB as on 4.
    {"24 MP, 2 GB, two", 2 * kGB, 8 * kGB, false, 6000, 4000, 2, true},
    {"24 MP, 4 GB, two", 4 * kGB, 8 * kGB, false, 6000, 4000, 2, true},
    // 64 bits: the machine's memory bounds it.
    {"150 MP, 64-bit, 16 GB, two", 128 * 1024 * kGB, 16 * kGB, true, 15000, 10000, 2, true},
    {"150 MP, 64-bit, 2 GB, one", 128 * 1024 * kGB, 2 * kGB, true, 15000, 10000, 1, false},
};

TEST(ReadAheadCore, OneBudgetLeavesTheShownPicturesWorstCaseFree) {
  for (const BudgetCase& c : kBudgets) {
    uint64_t file = static_cast<uint64_t>(c.shownW * c.shownH * 3 / 10);
    TPictureCost cost = JPEGPictureCost(c.shownW, c.shownH, file);
    TMemoryBudget b = ReadAheadBudget(c.addressSpace, c.physical, c.wide);
    EXPECT_EQ(BudgetAllows(b, cost.peak, cost.kept * static_cast<uint64_t>(c.keptPictures)),
              c.allowed)
        << c.what;
  }
}

TEST(ReadAheadCore, APictureCostsItsPixelsAndBytesAndMoreAtItsPeak) {
  TPictureCost c = JPEGPictureCost(6000, 4000, 8 * kMB);
  EXPECT_EQ(c.kept, uint64_t{6000} * 3 * 4000 + 8 * kMB);
  EXPECT_GT(c.peak, c.kept);
  // Rows are padded to four bytes.
  EXPECT_EQ(JPEGPictureCost(3, 2, 0).kept, 24u);
  // The pixels of 65500 x 65500 need more than 32 bits.
  EXPECT_GT(JPEGPictureCost(65500, 65500, 0).kept, uint64_t{1} << 32);
}

}  // namespace
}  // namespace pix
