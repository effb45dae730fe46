#include "exec/DdlExec.h"

#include <sqlite3.h>

#include "common/Text.h"
#include "cursor/ForwardCursor.h"
#include "store/Catalogo.h"
#include "types/Adapt.h"
#include "types/Operators.h"

namespace engine::exec {

namespace {

void Bind(sqlite3_stmt* stmt, int firstParameter, const Options& options) {
  int markers = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= markers; ++i) {
    if (!options.bind)
      throw EngineError("07002", 0, "COUNT field incorrect: parameters were not bound.");
    options.bind(stmt, i, firstParameter + i - 1);
  }
}

std::string Bracket(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

// The declaration of a new column for a result column.
std::string Declaration(const cursor::Column& c) {
  if (!c.declared.empty()) return c.declared;
  // A computed column: the type of its value.
  switch (c.type.type) {
    case SQL_INTEGER: return "int";
    case SQL_FLOAT: return "float";
    case SQL_VARBINARY: return "varbinary(8000)";
    default: return "varchar(8000)";
  }
}

}  // namespace

TableGuard::TableGuard(Session& session, const tsql::Statement& st) {
  if (st.kind == tsql::Kind::DropTable &&
      store::IsInternalTable(session.databaseName(), st.name))
    throw EngineError("42S02", 3701,
                      "Cannot drop the table '" + st.name +
                          "', because it does not exist or you do not have permission.");
  if (st.kind != tsql::Kind::Query || st.lockTable.empty()) return;
  auto db = session.current();
  if (session.autocommit() && !session.explicitTransaction() && !db->InTransaction()) {
    holder_ = store::Database::Open(db->path(), db->name(), session.lockTimeoutMs());
    holder_->Exec("BEGIN IMMEDIATE");
    return;
  }
  // Inside a transaction: its write lock, waited for and held until it ends.
  session.BeginIfNeeded(*db, true);
}

SQLLEN RunSelectInto(Session& session, const tsql::Statement& st, int firstParameter,
                     const Options& options) {
  auto db = session.current();
  session.BeginIfNeeded(*db, true);
  if (store::NameInUse(*db, st.name))
    throw EngineError("42S01", 2714,
                      "There is already an object named '" + st.name + "' in the database.");
  // Statements made here go through the column types' adaptation as any other (types/Adapt.h).
  const std::string& dateFormat = session.dateFormat();
  std::vector<cursor::Column> columns;
  {
    // Operators and conversions as T-SQL means them (types/Operators.h); computed columns get
    // the types SQL Server gives their expressions.
    std::vector<std::string> types;
    std::string sql = types::AdaptText(
        db->handle(), dateFormat, types::RewriteOperators(db->handle(), dateFormat, st.sql, &types));
    store::Stmt probe(db->Prepare(sql, "SELECT", ""));
    Bind(probe.get(), firstParameter, options);
    int rc = sqlite3_step(probe.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, "SELECT", "");
    columns = cursor::ForwardCursor::Describe(probe.get(), rc == SQLITE_ROW);
    if (types.size() == columns.size())
      for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].declared.empty() && !types[i].empty()) {
          columns[i].declared = types[i];
          columns[i].type = convert::DescribeDeclared(types[i]);
        }
  }
  // The table is made by the T-SQL translator, so it gets what any CREATE TABLE gets.
  std::string create = "CREATE TABLE " + Bracket(st.name) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    const cursor::Column& c = columns[i];
    if (c.name.empty())
      throw EngineError("42000", 1038,
                        "An object or column name is missing or empty. For SELECT INTO "
                        "statements, verify each column has a name. For other statements, look "
                        "for empty alias names. Aliases defined as \"\" or [] are not allowed. "
                        "Change the alias to a valid name.");
    if (i) create += ", ";
    create += Bracket(c.name) + " " + Declaration(c) +
              (c.nullable == SQL_NO_NULLS ? " NOT NULL" : " NULL");
  }
  create += ")";
  tsql::Batch made = tsql::Translate(create);
  if (made.statements.size() != 1) throw SyntaxError(st.name);
  store::Savepoint sp(*db);
  {
    store::Stmt c(db->Prepare(types::Adapt(db->handle(), dateFormat, made.statements[0]),
                              "CREATE", st.name));
    int rc = sqlite3_step(c.get());
    if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, "CREATE", st.name);
  }
  SQLLEN rows;
  {
    std::string sql = "INSERT INTO " + QuoteName(st.name) + " " +
                      types::RewriteOperators(db->handle(), dateFormat, st.sql);
    store::Stmt insert(db->Prepare(types::AdaptText(db->handle(), dateFormat, sql), "INSERT",
                                   st.name));
    Bind(insert.get(), firstParameter, options);
    int rc;
    while ((rc = sqlite3_step(insert.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) store::ThrowSqlite(db->handle(), rc, "INSERT", st.name);
    rows = SQLLEN(sqlite3_changes(db->handle()));
  }
  sp.Release();
  return rows;
}

}  // namespace engine::exec
