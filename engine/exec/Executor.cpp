#include "exec/Executor.h"

#include <sqlite3.h>

#include <cstring>

#include "common/Text.h"
#include "cursor/ForwardCursor.h"
#include "cursor/Open.h"
#include "exec/Catalogo.h"
#include "exec/DdlExec.h"
#include "exec/PlanCache.h"
#include "exec/TextCache.h"
#include "exec/RowLocks.h"
#include "exec/ViewDml.h"
#include "types/Adapt.h"
#include "types/Schema.h"

namespace engine::exec {

namespace {

using tsql::Kind;

EngineError NoPermission() {
  return EngineError("42000", 15247, "User does not have permission to perform this action.");
}

// A computed column is described by the type SQL Server gives its expression, whatever its
// first value (a NULL, or no row at all, says nothing).
void ApplyResultTypes(const std::vector<cursor::Column>& described,
                      const std::vector<std::string>& types) {
  if (types.size() != described.size()) return;
  auto& cols = const_cast<std::vector<cursor::Column>&>(described);
  for (size_t i = 0; i < cols.size(); ++i)
    if (cols[i].declared.empty() && !types[i].empty()) {
      cols[i].declared = types[i];
      cols[i].type = convert::DescribeDeclared(types[i]);
    }
}

// After an INSERT into a table with an IDENTITY column: its value in the last row inserted.
void LastIdentity(Session& session, store::Database& db, const std::string& table) {
  auto info = types::FindTable(db.handle(), table);
  if (!info || info->identity.empty()) return;
  std::string sql = "SELECT " + QuoteName(info->identity) + " FROM " + QuoteName(info->name) +
                    " WHERE rowid = ?";
  sqlite3_stmt* q = nullptr;
  if (sqlite3_prepare_v2(db.handle(), sql.c_str(), int(sql.size()), &q, nullptr) == SQLITE_OK &&
      sqlite3_bind_int64(q, 1, sqlite3_last_insert_rowid(db.handle())) == SQLITE_OK &&
      sqlite3_step(q) == SQLITE_ROW) {
    session.counters.hasIdentity = true;
    session.counters.identity = sqlite3_column_int64(q, 0);
  }
  sqlite3_finalize(q);
}

// A statement taken from the database's kept ones, given back unless a cursor took it.
struct Taken {
  store::Database* db;
  sqlite3_stmt* s;
  ~Taken() {
    if (s) db->Give(s);
  }
  sqlite3_stmt* get() const { return s; }
  sqlite3_stmt* release() {
    sqlite3_stmt* r = s;
    s = nullptr;
    return r;
  }
};

// Takes a statement (prepared once per text, store::Database::Take). SQLite's own wording for
// views and sub-selects becomes SQL Server's.
sqlite3_stmt* PrepareWrite(store::Database& db, const std::string& sql, const tsql::Statement& st) {
  try {
    return db.Take(sql, st.verb.c_str(), st.name);
  } catch (const EngineError& e) {
    if (e.native() != 0) throw;
    std::string m = e.what();
    auto has = [&](const char* text) { return m.find(text) != std::string::npos; };
    // The name SQLite quotes after "prefix" up to the end or " already exists".
    auto named = [&](const char* prefix, const char* suffix) {
      size_t at = m.find(prefix);
      if (at == std::string::npos) return std::string();
      at += std::strlen(prefix);
      size_t end = *suffix ? m.find(suffix, at) : m.size();
      std::string name = m.substr(at, end == std::string::npos ? std::string::npos : end - at);
      while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
      return name;
    };
    if (st.kind == Kind::Dml && has("because it is a view"))
      throw EngineError("42000", 4403,
                        "Cannot update the view or function '" + st.name +
                            "' because it contains aggregates, or a DISTINCT or GROUP BY clause, "
                            "or PARTITION BY clause.");
    if (has("sub-select returns"))
      throw EngineError("42000", 116,
                        "Only one expression can be specified in the select list when the "
                        "subquery is not introduced with EXISTS.");
    if (has("view ") && has(" already exists"))
      throw EngineError("42S01", 2714, "There is already an object named '" +
                                           named("view ", " already exists") +
                                           "' in the database.");
    if (has("no such view: "))
      throw EngineError("42S02", 3701, "Cannot drop the view '" + named("no such view: ", "") +
                                           "', because it does not exist or you do not have "
                                           "permission.");
    throw;
  }
}

// A new view must read: one that names what does not exist is not made.
void CheckNewView(Session& session, const std::string& view) {
  auto db = session.current();
  std::string sql = "SELECT * FROM " + QuoteName(view);
  try {
    store::Stmt probe(db->Prepare(sql, "SELECT", view));
  } catch (const EngineError&) {
    db->Exec(("DROP VIEW " + QuoteName(view)).c_str());
    throw;
  }
}

// Databases are made and dropped by sa and the members of dbcreator.
void CheckDbCreator(Session& session, const char* verb) {
  if (session.IsSa() || store::Server::IsMember(*session.master(), "dbcreator",
                                                session.login().name))
    return;
  throw EngineError("42000", 262,
                    std::string(verb) + " DATABASE permission denied in database 'master'.");
}

// A translated statement made ready for SQLite: its text, item types, parameterized literals
// and (for a query) its main table.
struct Planned {
  std::string sql;
  std::vector<std::string> resultTypes;
  Parameterized p;
  std::shared_ptr<const types::TableInfo> info;
};

Planned PlanSql(Session& session, store::Database& db, const tsql::Statement& st) {
  Planned out;
  // Column types: value checks, collations, date literals, operators (types/Adapt.h).
  out.sql = types::Adapt(db.handle(), session.dateFormat(), st, &out.resultTypes);
  // A query's or a write's literals are bound, so that its text, prepared once, serves every
  // key value.
  if (st.kind == Kind::Query || st.kind == Kind::Dml) {
    out.p = Parameterize(out.sql);
    out.sql = out.p.sql;
  }
  // Kept statements of a query carry its table's schema version: a table changed by any
  // connection gets statements prepared for its new form.
  std::string table = st.name.empty() ? out.p.table : st.name;
  if (st.kind == Kind::Query && !table.empty()) {
    out.info = types::FindTable(db.handle(), table);
    if (out.info) out.sql = "/*" + std::to_string(out.info->version) + "*/ " + out.sql;
  }
  return out;
}

// Results read as they are fetched run on a handle of their own, so that this connection's
// writes never wait for them; a dynamic cursor lets its statement go before any other runs on
// its handle, and runs beside the connection's writes, whose commits then keep its pages.
std::shared_ptr<store::Database> HandleFor(Session& session, const tsql::Statement& st,
                                           SQLULEN cursorType) {
  return st.kind != Kind::Query || cursorType == SQL_CURSOR_DYNAMIC ? session.current()
                                                                     : session.ForQuery();
}

// Runs one SQLite statement; returns a cursor when it yields rows.
std::unique_ptr<cursor::Cursor> RunSql(Session& session, const tsql::Statement& given,
                                       int firstParameter, const Options& options,
                                       SQLLEN& rowCount, std::vector<Notice>& notices) {
  auto db = HandleFor(session, given, options.cursorType);
  db->Claim(nullptr);  // a cursor's held snapshot would be this statement's too
  types::TableMemo tables(db->handle());
  session.BeginIfNeeded(*db, given.kind != Kind::Query);
  // A plan kept for the text's form (exec/TextCache.h) serves while its tables keep their
  // schema; otherwise the text is translated again.
  const TextPlan* plan = given.plan.get();
  const KeptText* kept = plan && plan->kept && TextCache::Fits(*plan->kept, *db)
                             ? plan->kept.get()
                             : nullptr;
  tsql::Statement again;
  if (plan && plan->kept && !kept) {
    session.texts.Drop(*plan);
    tsql::Batch b = tsql::Translate(plan->text);
    if (b.statements.size() == 1) again = std::move(b.statements[0]);
  }
  const tsql::Statement& st = plan && plan->kept && !kept ? again : given;
  const char* verb = st.verb.c_str();
  std::vector<std::string> resultTypes;
  std::string sql;
  Parameterized p;
  std::shared_ptr<const types::TableInfo> info;
  if (kept) {
    sql = kept->sql;
    resultTypes = kept->resultTypes;
    p.firstLiteral = kept->firstLiteral;
    p.literals = plan->literals;
    p.table = kept->table;
    // The tables are as the plan read them (TextCache::Fits).
    const std::string& table = st.name.empty() ? p.table : st.name;
    for (const auto& [name, read] : kept->tables)
      if (!table.empty() && name == table) info = read;
  } else {
    Planned made = PlanSql(session, *db, st);
    sql = std::move(made.sql);
    resultTypes = std::move(made.resultTypes);
    p = std::move(made.p);
    info = std::move(made.info);
  }
  Taken stmt{db.get(), PrepareWrite(*db, sql, st)};
  int markers = sqlite3_bind_parameter_count(stmt.get());
  int own = p.literals.empty() ? markers : p.firstLiteral - 1;
  for (int i = 1; i <= own; ++i) {
    if (!options.bind)
      throw EngineError("07002", 0, "COUNT field incorrect: parameters were not bound.");
    options.bind(stmt.get(), i, firstParameter + i - 1);
  }
  for (size_t i = 0; i < p.literals.size(); ++i) p.literals[i].BindTo(stmt.get(), p.firstLiteral + int(i));
  if (plan && !kept && (st.kind == Kind::Query || st.kind == Kind::Dml)) {
    FirstRun run{&st, st.parameters, &resultTypes, &p, sql, tables.read()};
    if (plan->own)
      TextCache::Own(*plan, run);
    else if (plan->learn)
      session.texts.Learn(*plan, run, db->handle(), session.dateFormat());
  }
  // DDL never returns rows (SQLite's ALTER TABLE ... ADD with a CHECK has result columns).
  if (st.kind != Kind::Ddl && sqlite3_column_count(stmt.get()) > 0) {
    // Forward-only, static or dynamic as requested and possible (cursor/Open.h).
    cursor::OpenRequest request{db, stmt.release(), sql, options.cursorType, options.maxRows,
                                st.verb, st.name, [&](sqlite3_stmt* s, int i) {
                                  if (i <= own)
                                    options.bind(s, i, firstParameter + i - 1);
                                  else
                                    p.literals[size_t(i - p.firstLiteral)].BindTo(s, i);
                                },
                                options.concurrency == SQL_CONCUR_LOCK, std::move(info)};
    auto cursor = cursor::Open(std::move(request), notices);
    ApplyResultTypes(cursor->columns(), resultTypes);
    return cursor;
  }
  sqlite3_int64 before = sqlite3_total_changes64(db->handle());
  // A write committed on its own leaves kept plans valid (store::Database::OwnWrite).
  store::Database::WriteWatch watch(*db);
  if (st.kind == Kind::Dml && (st.verb == "UPDATE" || st.verb == "DELETE")) {
    // The rows it changes must not be locked by another connection (exec/RowLocks.h).
    rowCount = RunLockingRows(*db, stmt.get(), verb, st.name);
  } else {
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, verb, st.name);
    rowCount = st.kind == Kind::Dml ? SQLLEN(sqlite3_changes(db->handle())) : -1;
  }
  // Through a view the rows are written by its triggers (exec/ViewDml.h).
  if (rowCount == 0) rowCount = SQLLEN(sqlite3_total_changes64(db->handle()) - before);
  if (st.kind == Kind::Dml && rowCount > 0) watch.Wrote();
  if (st.kind == Kind::Dml) {
    session.counters.rowCount = rowCount;
    if (st.verb == "INSERT" && rowCount > 0) LastIdentity(session, *db, st.name);
  }
  return nullptr;
}

void CheckDateFormat(const std::string& f) {
  static const char* const kFormats[] = {"dmy", "mdy", "ymd", "ydm", "myd", "dym"};
  for (const char* k : kFormats)
    if (IEquals(f, k)) return;
  throw EngineError("42000", 2741, "SET DATEFORMAT date order '" + f + "' is invalid.");
}

}  // namespace

Outcome ExecuteBatch(Session& session, const tsql::Batch& batch, const Options& options,
                     std::vector<Notice>& notices, size_t from);

std::vector<cursor::Column> DescribePrepared(Session& session, const tsql::Batch& batch,
                                             SQLULEN cursorType) {
  if (batch.statements.size() != 1) return {};
  const tsql::Statement& st = batch.statements[0];
  bool query = st.kind == Kind::Query;
  if (!query && !st.plan) return {};
  try {
    auto db = HandleFor(session, st, cursorType);
    types::TableMemo tables(db->handle());
    Planned made = PlanSql(session, *db, st);
    // Prepared once: the statement goes back to the handle's kept ones for the first run, which
    // uses the plan made here.
    Taken stmt{db.get(), db->Take(made.sql, st.verb.c_str(), st.name)};
    if (st.plan)
      TextCache::Own(*st.plan, {&st, st.parameters, &made.resultTypes, &made.p, made.sql,
                                tables.read()});
    if (!query) return {};
    auto cols = cursor::ForwardCursor::Describe(stmt.get(), false);
    ApplyResultTypes(cols, made.resultTypes);
    return cols;
  } catch (const EngineError&) {
    return {};
  }
}

Procedure FindProcedure(const std::string& name) {
  // Catalogue procedures: sp_tables, sp_columns, sp_databases, sp_helpindex, sp_rename.
  return FindCatalogProcedure(name);
}

Outcome Execute(Session& session, const tsql::Batch& batch, const Options& options,
                std::vector<Notice>& notices, size_t from) {
  try {
    return ExecuteBatch(session, batch, options, notices, from);
  } catch (const EngineError& e) {
    // A deadlock's victim loses its whole transaction.
    if (e.state() == "40001") session.RollbackAfterDeadlock();
    throw;
  }
}

Outcome ExecuteBatch(Session& session, const tsql::Batch& batch, const Options& options,
                     std::vector<Notice>& notices, size_t from) {
  Outcome out;
  types::CountersScope counters(&session.counters);  // @@ROWCOUNT, @@IDENTITY
  int parameter = 1;
  for (size_t i = 0; i < from && i < batch.statements.size(); ++i)
    parameter += batch.statements[i].parameters;
  for (size_t i = from; i < batch.statements.size(); ++i) {
    const tsql::Statement& st = batch.statements[i];
    bool last = i + 1 == batch.statements.size();
    out.cursor.reset();
    out.rowCount = -1;
    // Anything but a query or a write may change a schema, even when it fails part way.
    struct Epochs {
      Session* session;
      ~Epochs() {
        if (session) session->NewEpochs();
      }
    } epochs{st.kind == Kind::Query || st.kind == Kind::Dml ? nullptr : &session};
    switch (st.kind) {
      case Kind::Query:
      case Kind::Dml:
      case Kind::Ddl:
      case Kind::DropTable: {
        TableGuard guard(session, st);  // TABLOCKX, engine tables (exec/DdlExec.h)
        struct Altering {
          store::Database* db;
          ~Altering() {
            if (db) db->SetAltering(false);
          }
        } altering{st.kind == Kind::Ddl && st.verb == "ALTER" && !store::CallsAlterFunction(st.sql)
                       ? session.current().get()
                       : nullptr};
        if (altering.db) altering.db->SetAltering(true);
        out.cursor = RunSql(session, st, parameter, options, out.rowCount, notices);
        if (st.kind == Kind::Ddl) {
          std::string view = CreatedView(st.sql);  // writable when simple (exec/ViewDml.h)
          if (!view.empty()) {
            CheckNewView(session, view);
            MakeViewWritable(*session.current(), view, session.dateFormat());
          }
        }
        break;
      }
      case Kind::SelectInto:
        out.rowCount = RunSelectInto(session, st, parameter, options);
        break;
      case Kind::Use:
        session.counters.rowCount = 0;  // USE, SET, BEGIN and COMMIT set @@ROWCOUNT to 0
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
        session.BeginIfNeeded(*master, true);
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
        session.BeginIfNeeded(*master, true);
        store::Server::AlterServerRole(*master, st.name, st.value, st.number != 0);
        break;
      }
      case Kind::SetDateFormat:
        session.counters.rowCount = 0;
        CheckDateFormat(st.value);
        session.SetDateFormat(Lower(st.value));
        break;
      case Kind::SetLanguage:
        session.counters.rowCount = 0;
        session.SetDateFormat(store::DateFormatOfLanguage(st.value));
        break;
      case Kind::SetLockTimeout:
        session.counters.rowCount = 0;
        session.SetLockTimeout(long(st.number));
        break;
      case Kind::SetIgnored:
        session.counters.rowCount = 0;
        break;
      case Kind::BeginTran:
        session.counters.rowCount = 0;
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
        if (st.kind == Kind::CommitTran) session.counters.rowCount = 0;
        session.EndTransaction(st.kind == Kind::CommitTran);
        break;
      case Kind::Procedure: {
        Procedure p = FindProcedure(Lower(st.name));
        if (!p)
          throw EngineError("42000", 2812, "Could not find stored procedure '" + st.name + "'.");
        out = p(session, st.args, options, notices);
        break;
      }
    }
    parameter += st.parameters;
    // A result ends this part of the batch; the rest runs when the application asks for the
    // next result.
    if (out.cursor && !last) {
      out.next = i + 1;
      return out;
    }
  }
  out.next = batch.statements.size();
  return out;
}

}  // namespace engine::exec
