// Bookmarks (SQL_ATTR_USE_BOOKMARKS): column 0 of a scrollable result. A dynamic cursor's
// bookmark is the table row's rowid, so it finds the row wherever it has moved to and knows
// when it is gone; a static cursor's is the row's number in its result, which never changes.
// Forward-only results have none.
#pragma once
#include <vector>

#include "odbc/Handles.h"

namespace engine::odbc {

// How column 0 is described; 07009 when bookmarks are off or the result is forward-only.
const cursor::Column& BookmarkColumn(const Stmt& s);
// SQLBindCol of column 0 (07009 when bookmarks are off, HY003 for a type no bookmark takes).
void BindBookmark(Stmt& s, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                  SQLLEN* indicator);
// SQLGetData of column 0 for the current row.
SQLRETURN GetBookmark(Stmt& s, SQLSMALLINT cType, SQLPOINTER data, SQLLEN bufferLength,
                      SQLLEN* indicator);
// Fills the bound column 0 of rows first..first+count-1 of the rowset.
void FillBookmarks(Stmt& s, size_t first, size_t count);
// The bookmark in row i of the bound column 0 (SQLBulkOperations); false when none is bound.
bool BoundBookmark(const Stmt& s, size_t row, int64_t& bookmark);
// Writes a bookmark into row i of the bound column 0.
void SetBoundBookmark(Stmt& s, size_t row, int64_t bookmark);
// SQL_FETCH_BOOKMARK: the rowset that starts offset rows from the row of the bookmark at
// SQL_ATTR_FETCH_BOOKMARK_PTR (or the given one: SQLExtendedFetch's, ODBC 2).
SQLRETURN FetchByBookmark(Stmt& s, const SQLLEN* given, SQLLEN offset, size_t size,
                          std::vector<Notice>& notices);

}  // namespace engine::odbc
