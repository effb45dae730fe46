// The rowset as the application sees it, shared by the fetches and SQLSetPos.
#pragma once
#include "convert/FromC.h"
#include "odbc/Handles.h"

namespace engine::odbc {

// Converts rows first..first+count-1 of the rowset into the bound columns; posts a record per
// truncated or failed value and marks the row's status.
void FillBound(Stmt& s, size_t first, size_t count, bool& anyError, bool& anyInfo);

}  // namespace engine::odbc
