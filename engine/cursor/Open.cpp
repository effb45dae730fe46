#include "cursor/Open.h"

#include "cursor/DynamicCursor.h"
#include "cursor/ForwardCursor.h"
#include "cursor/QueryShape.h"
#include "cursor/StaticCursor.h"
#include "store/Database.h"

namespace engine::cursor {

const char kCursorTypeChanged[] = "Cursor type changed.";

std::unique_ptr<Cursor> Open(OpenRequest r, std::vector<Notice>& notices) {
  store::Stmt stmt(r.stmt);
  if (r.cursorType == SQL_CURSOR_FORWARD_ONLY)
    return std::make_unique<ForwardCursor>(r.db, stmt.release(), r.maxRows, r.verb, r.table);
  if (r.cursorType == SQL_CURSOR_DYNAMIC && r.maxRows == 0) {
    if (auto shape = AnalyseQuery(r.sql, stmt.get())) {
      if (auto dynamic = DynamicCursor::TryOpen(r.db, stmt.get(), *shape, r.bind, r.verb, r.info)) {
        r.db->Give(stmt.release());  // the cursor runs queries of its own
        if (r.lockRows && r.db->locks()) dynamic->LockRows(r.db->locks());
        return dynamic;
      }
    }
  }
  if (r.cursorType != SQL_CURSOR_STATIC) notices.push_back({"01S02", 0, kCursorTypeChanged});
  return std::make_unique<StaticCursor>(r.db, stmt.release(), r.maxRows, r.verb, r.table);
}

}  // namespace engine::cursor
