// ODBC's cursor positioning rules (SQLFetchScroll): where a fetch of an orientation and offset
// puts the rowset of a result of known length.
#pragma once
#include <string>

#include "odbc/Api.h"

namespace engine::cursor {

enum class Place { BeforeStart, AfterEnd, Rowset };

struct Position {
  Place place = Place::BeforeStart;
  SQLLEN start = 0;  // 1-based first row of the rowset when place is Rowset
};

struct Landing {
  Position to;
  bool beforeFirst = false;  // 01S06: the first rowset was returned instead
};

// previousSize is the rowset size of the previous fetch, size the one of this fetch, rows the
// number of rows of the result. Throws HY106 for an orientation the engine does not serve.
Landing Resolve(const Position& current, size_t previousSize, size_t size, SQLLEN rows,
                SQLSMALLINT orientation, SQLLEN offset);

// Texts of the notices and errors of fetching.
extern const char kBeforeFirstState[];    // 01S06
extern const char kBeforeFirstMessage[];
[[noreturn]] void ThrowBadOrientation(SQLSMALLINT orientation);

}  // namespace engine::cursor
