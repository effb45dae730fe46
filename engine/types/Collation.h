// The collation of char and varchar columns, as SQL Server's default Latin1 case-insensitive,
// accent-sensitive collation orders 8-bit (Windows-1252) texts: trailing blanks ignored, case
// ignored for ASCII and the accented letters, accented letters right after their base letter.
#pragma once
#include <cstddef>

namespace engine::types {

// The name columns declare it under (COLLATE ...).
extern const char kCollation[];

// <0, 0 or >0 as a sorts before, equal to or after b.
int CompareText(const unsigned char* a, size_t na, const unsigned char* b, size_t nb);

}  // namespace engine::types
