#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/shellfolder_core.h"

namespace pix {
namespace {

// An item-id list from item payloads: each item gets its 16-bit count in front.
std::vector<uint8_t> Ids(const std::vector<std::string>& items) {
  std::vector<uint8_t> out;
  for (const std::string& s : items) {
    size_t n = s.size() + 2;
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.insert(out.end(), s.begin(), s.end());
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

TEST(ItemIdLists, CountsSizesPrefixesAndJoins) {
  std::vector<uint8_t> empty = Ids({}), three = Ids({"ab", std::string(300, 'x'), "c"});
  EXPECT_EQ(IdListItems(empty.data()), 0u);
  EXPECT_EQ(IdListSize(empty.data()), 2u);
  EXPECT_EQ(IdListItems(three.data()), 3u);
  EXPECT_EQ(IdListSize(three.data()), three.size());  // counts above 255 read whole
  EXPECT_EQ(IdListSize(nullptr), 2u);

  struct {
    size_t items;
    std::vector<uint8_t> expected;
  } prefixes[] = {{0, empty}, {1, Ids({"ab"})}, {2, Ids({"ab", std::string(300, 'x')})},
                  {3, three}, {99, three}};
  for (const auto& p : prefixes) {
    EXPECT_EQ(IdListPrefixBytes(three.data(), p.items), p.expected.size() - 2) << p.items;
    std::vector<uint8_t> out(p.expected.size(), 0xEE);
    IdListCopyPrefix(out.data(), three.data(), p.items);
    EXPECT_EQ(out, p.expected) << p.items;
  }

  std::vector<uint8_t> a = Ids({"ab"}), b = Ids({"cd", "e"});
  std::vector<uint8_t> joined(IdListSize(a.data()) + IdListSize(b.data()) - 2, 0xEE);
  IdListJoin(joined.data(), a.data(), b.data());
  EXPECT_EQ(joined, Ids({"ab", "cd", "e"}));
  std::vector<uint8_t> same(a.size());
  IdListJoin(same.data(), empty.data(), a.data());  // the desktop's id followed by a child's
  EXPECT_EQ(same, a);

  EXPECT_TRUE(IdListBytesEqual(empty.data(), Ids({}).data()));
  EXPECT_TRUE(IdListBytesEqual(three.data(), Ids({"ab", std::string(300, 'x'), "c"}).data()));
  EXPECT_FALSE(IdListBytesEqual(a.data(), Ids({"ac"}).data()));
  EXPECT_FALSE(IdListBytesEqual(a.data(), Ids({"ab", "c"}).data()));
}

TEST(DisplayNames, ClassIdsAreAskedAgainAndQuestionMarksBeforeADigitGo) {
  EXPECT_TRUE(IsClassIdName("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
  EXPECT_FALSE(IsClassIdName(":{20D04FE0}"));
  EXPECT_FALSE(IsClassIdName("C:\\::{x}"));
  struct {
    const char* in;
    const char* out;
  } names[] = {{"?1?2 Disk?", "12 Disk"}, {"?9", "9"}, {"?", "?"},        {"?a?1", "?a?1"},
               {"a?1?", "a?1?"},         {"", ""},   {"Photos", "Photos"}};
  for (const auto& n : names) EXPECT_EQ(CleanDisplayName(n.in), n.out) << n.in;
}

TEST(RootTexts, NamesPathsAndTheError) {
  EXPECT_EQ(RootFolderNumber("rfDesktop"), 0);
  EXPECT_EQ(RootFolderNumber("rfMyComputer"), 0x11);
  EXPECT_EQ(RootFolderNumber("rfPersonal"), 0x05);
  EXPECT_FALSE(RootFolderNumber("rfdesktop"));
  EXPECT_FALSE(RootFolderNumber("C:\\"));
  EXPECT_EQ(RootPathText("C:"), "C:\\");
  EXPECT_EQ(RootPathText("C:\\Photos"), "C:\\Photos");
  EXPECT_EQ(RootPathText(""), "");
  EXPECT_EQ(SettingPathError("Q:\\x"), "Error setting path: \"Q:\\x\"");
  EXPECT_EQ(ContainingFolder("C:\\Photos\\run.bat"), "C:\\Photos\\");
  EXPECT_EQ(ContainingFolder("C:\\run.bat"), "C:\\");
  EXPECT_EQ(ContainingFolder("My Computer"), "");
}

TEST(CompareResults, TheLowSixteenBitsSigned) {
  EXPECT_EQ(CompareResultOrder(0), 0);
  EXPECT_EQ(CompareResultOrder(0x0000FFFF), -1);
  EXPECT_EQ(CompareResultOrder(0x00000001), 1);
  EXPECT_EQ(CompareResultOrder(0x00018000), -32768);
  EXPECT_EQ(CompareResultOrder(static_cast<int32_t>(0x80004005)), 0x4005);  // a failure code
}

// A tree of numbered nodes: parent and level of each, children in order.
struct FakeTree {
  std::vector<int> parent, level;
  int Add(int p) {
    parent.push_back(p);
    level.push_back(p ? level[p - 1] + 1 : 0);
    return static_cast<int>(parent.size());
  }
  int FirstChild(int n) const {
    for (size_t i = 0; i < parent.size(); ++i)
      if (parent[i] == n) return static_cast<int>(i + 1);
    return 0;
  }
  int NextSibling(int n) const {
    for (size_t i = n; i < parent.size(); ++i)
      if (parent[i] == parent[n - 1]) return static_cast<int>(i + 1);
    return 0;
  }
  int Parent(int n) const { return parent[n - 1]; }
  int Level(int n) const { return level[n - 1]; }
};

TEST(TreeSearch, TheStartNodeItsDescendantsAndNothingAfterThem) {
  FakeTree t;
  int root = t.Add(0);       // 1
  int a = t.Add(root);       // 2
  int a1 = t.Add(a);         // 3
  int a1x = t.Add(a1);       // 4
  int b = t.Add(root);       // 5
  int b1 = t.Add(b);         // 6
  int second = t.Add(0);     // 7: a second top-level node
  std::vector<int> seen;
  auto find = [&](int start, int wanted) {
    seen.clear();
    return FindInSubtree(t, start, [&](int n) {
      seen.push_back(n);
      return n == wanted;
    });
  };
  EXPECT_EQ(find(root, b1), b1);
  EXPECT_EQ(seen, (std::vector<int>{root, a, a1, a1x, b, b1}));
  EXPECT_EQ(find(a, a), a);
  EXPECT_EQ(find(a, b), 0);  // b follows a's subtree at a's level
  EXPECT_EQ(seen, (std::vector<int>{a, a1, a1x}));
  EXPECT_EQ(find(a1x, b1), 0);  // a leaf: climbing out reaches b, not deeper
  EXPECT_EQ(find(b1, second), 0);  // the end of the tree's last branch
  EXPECT_EQ(find(root, second), 0);
  EXPECT_EQ(find(0, root), 0);
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

TEST(SortByRuns, SortsAnyOrderAndChecksARangeInOrderWithOnePass) {
  struct {
    std::vector<int> in;
    size_t maxCompares;  // 0: no bound checked
  } cases[] = {
      {{}, 0},
      {{5}, 0},
      {{1, 2, 3, 4, 5, 6, 7, 8}, 7},           // in order: n - 1
      {{1, 2, 3, 5, 4, 6, 7, 8}, 7 + 8},       // one pair swapped: a merge more
      {{8, 7, 6, 5, 4, 3, 2, 1}, 0},
      {{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5}, 0},
  };
  for (auto& c : cases) {
    std::vector<int> v = c.in, expected = c.in;
    std::sort(expected.begin(), expected.end());
    size_t compares = 0;
    SortByRuns(v.begin(), v.end(), [&](int a, int b) {
      ++compares;
      return a < b;
    });
    EXPECT_EQ(v, expected);
    if (c.maxCompares) EXPECT_LE(compares, c.maxCompares);
  }
  // Equal keys keep their order.
  std::vector<std::pair<int, char>> p = {{2, 'a'}, {1, 'b'}, {2, 'c'}, {1, 'd'}};
  SortByRuns(p.begin(), p.end(), [](auto& a, auto& b) { return a.first < b.first; });
  EXPECT_EQ(p, (std::vector<std::pair<int, char>>{{1, 'b'}, {1, 'd'}, {2, 'a'}, {2, 'c'}}));
  // A comparison that contradicts itself (a broken shell folder) must not run
  // out of the range: the sanitizers watch this one.
  std::vector<int> w(200);
  for (int i = 0; i < 200; ++i) w[i] = (i * 37) % 200;
  unsigned seed = 1;
  SortByRuns(w.begin(), w.end(), [&](int, int) { return ((seed = seed * 1103515245 + 12345) >> 16) & 1; });
  std::sort(w.begin(), w.end());
  for (int i = 0; i < 200; ++i) EXPECT_EQ(w[i], i);
}

TEST(SortByRuns, NamesIgnoringAsciiCaseGiveTheFirstOrder) {
  EXPECT_TRUE(LessIgnoringAsciiCase("apple", "Banana"));
  EXPECT_FALSE(LessIgnoringAsciiCase("Banana", "apple"));
  EXPECT_FALSE(LessIgnoringAsciiCase("ABC", "abc"));
  EXPECT_FALSE(LessIgnoringAsciiCase("abc", "ABC"));
  EXPECT_TRUE(LessIgnoringAsciiCase("ab", "abc"));
  EXPECT_TRUE(LessIgnoringAsciiCase("z", "\xD0\xA4"));  // bytes above ASCII come after
}

}  // namespace
}  // namespace pix
