// Runs a translated batch on a session: engine statements directly, SQLite text through the
// current database. A statement that returns rows ends the run: its cursor is the result, and
// the rest of the batch runs when the application moves to the next result.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "cursor/Cursor.h"
#include "exec/Session.h"
#include "tsql/Translator.h"

namespace engine::exec {

struct Options {
  SQLULEN maxRows = 0;
  SQLULEN cursorType = SQL_CURSOR_FORWARD_ONLY;
  SQLULEN concurrency = SQL_CONCUR_READ_ONLY;
  // Binds the batch's parameter number (1-based, counted over the whole batch) to the SQLite
  // statement's parameter index.
  std::function<void(sqlite3_stmt*, int index, int batchParameter)> bind;
};

struct Outcome {
  std::unique_ptr<cursor::Cursor> cursor;  // null when the last statement returns no rows
  SQLLEN rowCount = -1;                    // rows changed by the last INSERT/UPDATE/DELETE
  size_t next = 0;  // the statement to run for the next result; the batch's size at its end
};

// Runs the batch's statements from `from` on, up to the first that returns rows.
Outcome Execute(Session& session, const tsql::Batch& batch, const Options& options,
                std::vector<Notice>& notices, size_t from = 0);

// The columns a prepared batch will return, without running it: known for a batch of one
// query; empty otherwise (and when the query cannot be prepared yet). A statement that keeps a
// plan gets it here, prepared on the handle its runs will use (by the cursor type).
std::vector<cursor::Column> DescribePrepared(Session& session, const tsql::Batch& batch,
                                             SQLULEN cursorType);

// Stored procedures (sp_...) the engine serves; null when unknown.
using Procedure = Outcome (*)(Session&, const std::vector<tsql::Token>& args, const Options&,
                              std::vector<Notice>&);
Procedure FindProcedure(const std::string& name);

}  // namespace engine::exec
