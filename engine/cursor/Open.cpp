#include "cursor/Open.h"

#include <mutex>
#include <unordered_map>

#include "cursor/DynamicCursor.h"
#include "cursor/ForwardCursor.h"
#include "cursor/QueryShape.h"
#include "cursor/StaticCursor.h"
#include "store/Database.h"

namespace engine::cursor {

const char kCursorTypeChanged[] = "Cursor type changed.";
const char kOptionValueChanged[] = "Option value changed.";

namespace {

// Shapes by query text. Only texts that carry their table's schema version ("/*version*/
// SELECT ...", exec/Executor.cpp) are kept: the same text then always has the same shape.
std::optional<QueryShape> ShapeOf(const std::string& sql, sqlite3_stmt* stmt) {
  static std::mutex m;
  static std::unordered_map<std::string, std::optional<QueryShape>> shapes;
  bool keep = sql.compare(0, 2, "/*") == 0;
  if (keep) {
    std::lock_guard<std::mutex> l(m);
    auto it = shapes.find(sql);
    if (it != shapes.end()) return it->second;
  }
  std::optional<QueryShape> shape = AnalyseQuery(sql, stmt);
  if (keep) {
    std::lock_guard<std::mutex> l(m);
    if (shapes.size() > 1024) shapes.clear();
    shapes.emplace(sql, shape);
  }
  return shape;
}

}  // namespace

std::unique_ptr<Cursor> Open(OpenRequest r, std::vector<Notice>& notices) {
  store::Stmt stmt(r.stmt);
  // Only a dynamic cursor locks rows: any other serves SQL_CONCUR_LOCK as read-only.
  auto unlocked = [&] {
    if (r.lockRows) notices.push_back({"01S02", 0, kOptionValueChanged});
  };
  if (r.cursorType == SQL_CURSOR_FORWARD_ONLY) {
    unlocked();
    return std::make_unique<ForwardCursor>(r.db, stmt.release(), r.maxRows, r.verb, r.table);
  }
  if (r.cursorType == SQL_CURSOR_DYNAMIC && r.maxRows == 0) {
    if (auto shape = ShapeOf(r.sql, stmt.get())) {
      if (auto dynamic = DynamicCursor::TryOpen(r.db, stmt.get(), *shape, r.bind, r.verb, r.info)) {
        r.db->Give(stmt.release());  // the cursor runs queries of its own
        if (r.lockRows && r.db->locks()) dynamic->LockRows(r.db->locks());
        return dynamic;
      }
    }
  }
  if (r.cursorType != SQL_CURSOR_STATIC) notices.push_back({"01S02", 0, kCursorTypeChanged});
  unlocked();
  return std::make_unique<StaticCursor>(r.db, stmt.release(), r.maxRows, r.verb, r.table);
}

}  // namespace engine::cursor
