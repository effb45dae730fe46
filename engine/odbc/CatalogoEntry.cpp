// Catalogue functions: SQLTables, SQLColumns, SQLStatistics, SQLPrimaryKeys, SQLSpecialColumns,
// SQLGetTypeInfo. Each replaces the statement's result with rows built from the catalogue
// (exec/Catalogo.h).
#include "exec/Catalogo.h"
#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace {

exec::Arg ArgOf(SQLCHAR* text, SQLSMALLINT length) {
  if (!text) return std::nullopt;
  if (length < 0 && length != SQL_NTS)
    throw EngineError("HY090", 0, "Invalid string or buffer length.");
  return InString(text, length);
}

exec::Naming NamingOf(const Stmt& s) {
  return s.dbc->odbc2() ? exec::Naming::Odbc2 : exec::Naming::Odbc3;
}

// Runs a catalogue function on a statement: the same rules for an open result as an execution.
template <class F>
SQLRETURN Catalog(SQLHSTMT stmt, F&& build) {
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    if (!s.dbc->session) throw EngineError("08003", 0, "Connection not open.");
    if (s.cursor) {
      if (!s.cursorAtEnd) throw EngineError("24000", 0, "Invalid cursor state.");
      s.CloseCursor();
    }
    s.rowCount = -1;
    s.prepared = false;
    s.preparedColumns.clear();
    s.cursor = build(s, *s.dbc->session);
    s.cursorAtEnd = false;
    return SQL_SUCCESS;
  });
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLTables(SQLHSTMT stmt, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                            SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                            SQLSMALLINT tableLength, SQLCHAR* types, SQLSMALLINT typesLength) {
  return Catalog(stmt, [&](Stmt& s, exec::Session& session) {
    return exec::TablesResult(session, ArgOf(catalog, catalogLength), ArgOf(schema, schemaLength),
                              ArgOf(table, tableLength), ArgOf(types, typesLength), NamingOf(s));
  });
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT stmt, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                             SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                             SQLSMALLINT tableLength, SQLCHAR* column, SQLSMALLINT columnLength) {
  return Catalog(stmt, [&](Stmt& s, exec::Session& session) {
    return exec::ColumnsResult(session, ArgOf(catalog, catalogLength),
                               ArgOf(schema, schemaLength), ArgOf(table, tableLength),
                               ArgOf(column, columnLength), NamingOf(s));
  });
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT stmt, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                                SQLSMALLINT tableLength, SQLUSMALLINT unique,
                                SQLUSMALLINT reserved) {
  return Catalog(stmt, [&](Stmt& s, exec::Session& session) {
    if (!table) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    if (unique != SQL_INDEX_UNIQUE && unique != SQL_INDEX_ALL)
      throw EngineError("HY100", 0, "Uniqueness option type out of range.");
    if (reserved != SQL_QUICK && reserved != SQL_ENSURE)
      throw EngineError("HY101", 0, "Accuracy option type out of range.");
    return exec::StatisticsResult(session, ArgOf(catalog, catalogLength),
                                  ArgOf(schema, schemaLength), *ArgOf(table, tableLength),
                                  unique == SQL_INDEX_UNIQUE, reserved == SQL_ENSURE,
                                  NamingOf(s));
  });
}

}  // extern "C"

extern "C" {

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT stmt, SQLCHAR* catalog, SQLSMALLINT catalogLength,
                                 SQLCHAR* schema, SQLSMALLINT schemaLength, SQLCHAR* table,
                                 SQLSMALLINT tableLength) {
  return Catalog(stmt, [&](Stmt& s, exec::Session& session) {
    if (!table) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    return exec::PrimaryKeysResult(session, ArgOf(catalog, catalogLength),
                                   ArgOf(schema, schemaLength), *ArgOf(table, tableLength),
                                   NamingOf(s));
  });
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT stmt, SQLUSMALLINT identifier, SQLCHAR* catalog,
                                    SQLSMALLINT catalogLength, SQLCHAR* schema,
                                    SQLSMALLINT schemaLength, SQLCHAR* table,
                                    SQLSMALLINT tableLength, SQLUSMALLINT scope,
                                    SQLUSMALLINT nullable) {
  return Catalog(stmt, [&](Stmt& s, exec::Session& session) {
    if (!table) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    if (identifier != SQL_BEST_ROWID && identifier != SQL_ROWVER)
      throw EngineError("HY097", 0, "Column type out of range.");
    if (scope != SQL_SCOPE_CURROW && scope != SQL_SCOPE_TRANSACTION &&
        scope != SQL_SCOPE_SESSION)
      throw EngineError("HY098", 0, "Scope type out of range.");
    if (nullable != SQL_NO_NULLS && nullable != SQL_NULLABLE)
      throw EngineError("HY099", 0, "Nullable type out of range.");
    return exec::SpecialColumnsResult(session, identifier, ArgOf(catalog, catalogLength),
                                      ArgOf(schema, schemaLength), *ArgOf(table, tableLength),
                                      nullable, NamingOf(s));
  });
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT stmt, SQLSMALLINT dataType) {
  return Catalog(stmt, [&](Stmt& s, exec::Session&) {
    return exec::TypeInfoResult(dataType, NamingOf(s));
  });
}

}  // extern "C"

extern "C" {

SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT stmt, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                 SQLCHAR* pkTable, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                 SQLSMALLINT, SQLCHAR* fkTable, SQLSMALLINT) {
  return Catalog(stmt, [&](Stmt& s, exec::Session&) {
    if (!pkTable && !fkTable) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    return exec::ForeignKeysResult(NamingOf(s));
  });
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT stmt, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                SQLCHAR*, SQLSMALLINT) {
  return Catalog(stmt, [&](Stmt& s, exec::Session&) { return exec::ProceduresResult(NamingOf(s)); });
}

}  // extern "C"
