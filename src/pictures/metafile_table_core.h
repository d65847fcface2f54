// The metafile record tables' lookup: rows sorted by record type, found by
// binary search. Pure: no platform headers.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>

namespace pix {

// Each row's type above the one before: the search needs the order, and a type
// listed twice would hide one of its rows.
template <typename Row, size_t N>
constexpr bool TypesAscend(const std::array<Row, N>& rows) {
  for (size_t i = 1; i < N; ++i)
    if (!(rows[i - 1].type < rows[i].type)) return false;
  return true;
}

// The row of `type`, or null when the table has none.
template <typename Row, size_t N, typename Type>
constexpr const Row* FindRecordRow(const std::array<Row, N>& rows, Type type) {
  auto it = std::lower_bound(rows.begin(), rows.end(), type,
                             [](const Row& row, Type t) { return row.type < t; });
  return it != rows.end() && it->type == type ? &*it : nullptr;
}

}  // namespace pix
