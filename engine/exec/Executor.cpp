#include "exec/Executor.h"

#include <sqlite3.h>

#include "common/Text.h"
#include "cursor/ForwardCursor.h"
#include "cursor/Open.h"
#include "exec/Catalogo.h"
#include "exec/DdlExec.h"
#include "types/Adapt.h"

namespace engine::exec {

namespace {

using tsql::Kind;

EngineError NoPermission() {
  return EngineError("42000", 15247, "User does not have permission to perform this action.");
}

// Databases are made and dropped by sa and the members of dbcreator.
void CheckDbCreator(Session& session, const char* verb) {
  if (session.IsSa() || store::Server::IsMember(*session.master(), "dbcreator",
                                                session.login().name))
    return;
  throw EngineError("42000", 262,
                    std::string(verb) + " DATABASE permission denied in database 'master'.");
}

// Runs one SQLite statement; returns a cursor when it yields rows and may.
std::unique_ptr<cursor::Cursor> RunSql(Session& session, const tsql::Statement& st, bool last,
                                       int firstParameter, const Options& options,
                                       SQLLEN& rowCount, std::vector<Notice>& notices) {
  auto db = st.kind == Kind::Query ? session.ForQuery() : session.current();
  session.BeginIfNeeded(*db);
  const char* verb = st.verb.c_str();
  // Column types: value checks, collations, date literals (types/Adapt.h).
  std::string sql = types::Adapt(db->handle(), session.dateFormat(), st);
  store::Stmt stmt(db->Prepare(sql, verb, st.name));
  int markers = sqlite3_bind_parameter_count(stmt.get());
  for (int i = 1; i <= markers; ++i) {
    if (!options.bind)
      throw EngineError("07002", 0, "COUNT field incorrect: parameters were not bound.");
    options.bind(stmt.get(), i, firstParameter + i - 1);
  }
  if (sqlite3_column_count(stmt.get()) > 0) {
    if (!last)
      throw EngineError("42000", 0,
                        "Only the last statement of a batch may return rows: '" + st.verb +
                            "' comes before the end.");
    // Forward-only, static or dynamic as requested and possible (cursor/Open.h).
    cursor::OpenRequest request{db, stmt.release(), sql, options.cursorType, options.maxRows,
                                st.verb, st.name, [&](sqlite3_stmt* s, int i) {
                                  options.bind(s, i, firstParameter + i - 1);
                                }};
    return cursor::Open(std::move(request), notices);
  }
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, verb, st.name);
  rowCount = st.kind == Kind::Dml ? SQLLEN(sqlite3_changes(db->handle())) : -1;
  return nullptr;
}

void CheckDateFormat(const std::string& f) {
  static const char* const kFormats[] = {"dmy", "mdy", "ymd", "ydm", "myd", "dym"};
  for (const char* k : kFormats)
    if (IEquals(f, k)) return;
  throw EngineError("42000", 2741, "SET DATEFORMAT date order '" + f + "' is invalid.");
}

}  // namespace

std::vector<cursor::Column> DescribePrepared(Session& session, const tsql::Batch& batch) {
  if (batch.statements.size() != 1 || batch.statements[0].kind != Kind::Query) return {};
  const tsql::Statement& st = batch.statements[0];
  try {
    auto db = session.ForQuery();
    store::Stmt stmt(db->Prepare(st.sql, st.verb.c_str(), st.name));
    return cursor::ForwardCursor::Describe(stmt.get(), false);
  } catch (const EngineError&) {
    return {};
  }
}

Procedure FindProcedure(const std::string& name) {
  // Catalogue procedures: sp_tables, sp_columns, sp_databases, sp_helpindex, sp_rename.
  return FindCatalogProcedure(name);
}

Outcome Execute(Session& session, const tsql::Batch& batch, const Options& options,
                std::vector<Notice>& notices) {
  Outcome out;
  int parameter = 1;
  for (size_t i = 0; i < batch.statements.size(); ++i) {
    const tsql::Statement& st = batch.statements[i];
    bool last = i + 1 == batch.statements.size();
    out.cursor.reset();
    out.rowCount = -1;
    switch (st.kind) {
      case Kind::Query:
      case Kind::Dml:
      case Kind::Ddl:
      case Kind::DropTable: {
        TableGuard guard(session, st);  // TABLOCKX, engine tables (exec/DdlExec.h)
        out.cursor = RunSql(session, st, last, parameter, options, out.rowCount, notices);
        break;
      }
      case Kind::SelectInto:
        out.rowCount = RunSelectInto(session, st, parameter, options);
        break;
      case Kind::Use:
        session.Use(st.name, notices);
        break;
      case Kind::CreateDatabase:
        CheckDbCreator(session, "CREATE");
        session.server().CreateDatabase(st.name);
        break;
      case Kind::DropDatabase:
        CheckDbCreator(session, "DROP");
        if (IEquals(st.name, session.databaseName()) && !IEquals(st.name, "master"))
          throw EngineError("42000", 3702,
                            "Cannot drop database \"" + st.name +
                                "\" because it is currently in use.");
        if (!IEquals(st.name, "master")) session.Forget(st.name);
        session.server().DropDatabase(st.name);
        break;
      case Kind::CreateLogin:
      case Kind::AlterLogin:
      case Kind::DropLogin: {
        if (!session.IsSa()) throw NoPermission();
        auto master = session.master();
        session.BeginIfNeeded(*master);
        if (st.kind == Kind::CreateLogin)
          store::Server::CreateLogin(*master, st.name, st.options);
        else if (st.kind == Kind::AlterLogin)
          store::Server::AlterLogin(*master, st.name, st.options);
        else
          store::Server::DropLogin(*master, st.name);
        break;
      }
      case Kind::ServerRole: {
        if (!session.IsSa()) throw NoPermission();
        auto master = session.master();
        session.BeginIfNeeded(*master);
        store::Server::AlterServerRole(*master, st.name, st.value, st.number != 0);
        break;
      }
      case Kind::SetDateFormat:
        CheckDateFormat(st.value);
        session.SetDateFormat(Lower(st.value));
        break;
      case Kind::SetLanguage:
        session.SetDateFormat(store::DateFormatOfLanguage(st.value));
        break;
      case Kind::SetLockTimeout:
        session.SetLockTimeout(long(st.number));
        break;
      case Kind::SetIgnored:
        break;
      case Kind::BeginTran:
        session.BeginExplicit();
        break;
      case Kind::CommitTran:
      case Kind::RollbackTran:
        if (session.autocommit() && !session.explicitTransaction()) {
          if (st.kind == Kind::CommitTran)
            throw EngineError("25000", 3902,
                              "The COMMIT TRANSACTION request has no corresponding BEGIN "
                              "TRANSACTION.");
          throw EngineError("25000", 3903,
                            "The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                            "TRANSACTION.");
        }
        session.EndTransaction(st.kind == Kind::CommitTran);
        break;
      case Kind::Procedure: {
        Procedure p = FindProcedure(Lower(st.name));
        if (!p)
          throw EngineError("42000", 2812, "Could not find stored procedure '" + st.name + "'.");
        Outcome o = p(session, st.args, options, notices);
        if (o.cursor && !last)
          throw EngineError("42000", 0,
                            "Only the last statement of a batch may return rows: '" + st.name +
                                "' comes before the end.");
        out = std::move(o);
        break;
      }
    }
    parameter += st.parameters;
  }
  return out;
}

}  // namespace engine::exec
