// Runs a translated batch on a session: engine statements directly, SQLite text through the
// current database. Only the last statement may return rows; it becomes the cursor.
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
};

Outcome Execute(Session& session, const tsql::Batch& batch, const Options& options,
                std::vector<Notice>& notices);

// The columns a prepared batch will return, without running it: known for a batch of one
// query; empty otherwise (and when the query cannot be prepared yet).
std::vector<cursor::Column> DescribePrepared(Session& session, const tsql::Batch& batch);

// Stored procedures (sp_...) the engine serves; null when unknown.
using Procedure = Outcome (*)(Session&, const std::vector<tsql::Token>& args, const Options&,
                              std::vector<Notice>&);
Procedure FindProcedure(const std::string& name);

}  // namespace engine::exec
