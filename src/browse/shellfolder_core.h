// The folder tree's logic that needs no platform: item-id lists as bytes, the
// display-name rules, the root names, the order a folder's comparison gives,
// and the walk that searches the tree for a folder.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace pix {

// Item-id lists: a run of items, each starting with a 16-bit little-endian byte
// count that includes the count itself, closed by a zero count.
size_t IdListItems(const uint8_t* id);
// Bytes of the whole list, the closing count included (the counts + 2).
size_t IdListSize(const uint8_t* id);
// Bytes of the first `items` items, without a closing count.
size_t IdListPrefixBytes(const uint8_t* id, size_t items);
// Writes the first `items` items of `id` and a closing count to `out`, which
// holds IdListPrefixBytes(id, items) + 2 bytes.
void IdListCopyPrefix(uint8_t* out, const uint8_t* id, size_t items);
// Writes `a` followed by `b` to `out`, which holds IdListSize(a) + IdListSize(b) - 2 bytes.
void IdListJoin(uint8_t* out, const uint8_t* a, const uint8_t* b);
// Byte-for-byte equal lists (which certainly name the same item).
bool IdListBytesEqual(const uint8_t* a, const uint8_t* b);

// Virtual folders name themselves by class id ("::{...}"): such a name is asked
// again with the normal naming flag.
bool IsClassIdName(const std::string& name);
bool IsClassIdName(std::wstring_view name);
// A name of two or more characters that starts with "?" and a digit loses every "?".
std::string CleanDisplayName(std::string name);
std::wstring CleanDisplayName(std::wstring name);

// The special-folder number of a root name ("rfDesktop" is 0), if it is one.
std::optional<int> RootFolderNumber(const std::string& name);
// A root given as a path: a bare drive ("C:") gets its "\".
std::string RootPathText(const std::string& text);
// The message of a root name or path the shell can't resolve.
std::string SettingPathError(const std::string& text);

// The order of two items from a folder's comparison result: its low 16 bits,
// signed (negative: the first comes first).
inline int CompareResultOrder(int32_t result) {
  return static_cast<int16_t>(static_cast<uint32_t>(result) & 0xFFFF);
}

// The folder an item's path lies in: up to and including its last "\" ("" without one).
std::string ContainingFolder(const std::string& path);

// Letter case ignored for ASCII letters only: a cheap first order of names,
// in UTF-8 or UTF-16 (any other unit after the ASCII ones, by its value).
template <class Ch>
bool LessIgnoringAsciiCase(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b) {
  using Unit = std::make_unsigned_t<Ch>;
  auto lower = [](Ch c) { return static_cast<Unit>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    Unit x = lower(a[i]), y = lower(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}
inline bool LessIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return LessIgnoringAsciiCase<char>(a, b);
}

// Sorts by `less`, merging the runs already in order pairwise: a range in order
// costs n - 1 comparisons, one nearly in order little more, any other n log n at
// most. Equal elements keep their order.
template <class It, class Less>
void SortByRuns(It first, It last, Less less) {
  if (last - first < 2) return;
  std::vector<It> bounds{first};  // where each run starts, then `last`
  for (It i = first + 1; i != last; ++i)
    if (less(*i, *(i - 1))) bounds.push_back(i);
  bounds.push_back(last);
  while (bounds.size() > 2) {
    std::vector<It> merged{bounds[0]};
    size_t k = 0, runs = bounds.size() - 1;
    for (; k + 2 <= runs; k += 2) {
      std::inplace_merge(bounds[k], bounds[k + 1], bounds[k + 2], less);
      merged.push_back(bounds[k + 2]);
    }
    if (k < runs) merged.push_back(bounds[runs]);
    bounds.swap(merged);
  }
}

// Searches a tree from `start` in depth-first display order (the node, its
// descendants, then what follows) for the first node `same` accepts, stopping
// at the first node after `start` that is not deeper than it. Tree gives
// FirstChild, NextSibling, Parent (a null Node for none) and Level.
template <class Tree, class Node, class Same>
Node FindInSubtree(const Tree& tree, Node start, Same same) {
  if (!start) return Node{};
  int level = tree.Level(start);
  Node n = start;
  while (n) {
    if (same(n)) return n;
    Node next = tree.FirstChild(n);
    while (!next && n) {
      next = tree.NextSibling(n);
      if (!next) n = tree.Parent(n);
    }
    if (!next || tree.Level(next) <= level) return Node{};
    n = next;
  }
  return Node{};
}

// Whether `node` is `branch` or lies below it.
template <class Tree, class Node>
bool Within(const Tree& tree, Node node, Node branch) {
  for (; node; node = tree.Parent(node))
    if (node == branch) return true;
  return false;
}

// Calls `fn` on every node below `node`, parents before their children.
template <class Tree, class Node, class Fn>
void EachBelow(const Tree& tree, Node node, Fn fn) {
  for (Node n = tree.FirstChild(node); n;) {
    fn(n);
    Node next = tree.FirstChild(n);
    for (; !next && n && n != node; n = tree.Parent(n)) next = tree.NextSibling(n);
    n = next;
  }
}

}  // namespace pix
