// Catalogue results: what SQLTables, SQLColumns and SQLStatistics return, and the stored
// procedures sp_tables, sp_columns, sp_helpindex, sp_rename and sp_databases.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "cursor/Cursor.h"
#include "exec/Executor.h"

namespace engine::exec {

// Result column names: ODBC 3's, ODBC 2's (TABLE_QUALIFIER, SEQ_IN_INDEX...), or those of
// SQL Server's catalogue procedures.
enum class Naming { Odbc3, Odbc2, Procedure };

// An absent argument (a null pointer) restricts nothing.
using Arg = std::optional<std::string>;

// SQLTables: tables and views whose names match the pattern (% and _, \ escapes), of the listed
// types ("'TABLE','VIEW'"). The special forms list catalogues ("%" catalogue), schemas ("%"
// schema) or table types ("%" type) when the other arguments are empty.
std::unique_ptr<cursor::Cursor> TablesResult(Session& session, const Arg& catalog,
                                             const Arg& schema, const Arg& table,
                                             const Arg& types, Naming naming);
// SQLColumns: the columns of the matching tables, by table and position.
std::unique_ptr<cursor::Cursor> ColumnsResult(Session& session, const Arg& catalog,
                                              const Arg& schema, const Arg& table,
                                              const Arg& column, Naming naming);
// SQLStatistics: the table-statistics row, then one row per index column (unique indexes first,
// then by index name and position). ensure counts the rows for CARDINALITY.
std::unique_ptr<cursor::Cursor> StatisticsResult(Session& session, const Arg& catalog,
                                                 const Arg& schema, const std::string& table,
                                                 bool uniqueOnly, bool ensure, Naming naming);

// SQLPrimaryKeys: the primary key's columns in key order.
std::unique_ptr<cursor::Cursor> PrimaryKeysResult(Session& session, const Arg& catalog,
                                                  const Arg& schema, const std::string& table,
                                                  Naming naming);
// SQLSpecialColumns: for SQL_BEST_ROWID the primary key's columns, else those of the first
// unique index (by name) whose columns all refuse NULL when nullable is SQL_NO_NULLS; for
// SQL_ROWVER none (there are no row-version columns).
std::unique_ptr<cursor::Cursor> SpecialColumnsResult(Session& session, SQLUSMALLINT identifier,
                                                     const Arg& catalog, const Arg& schema,
                                                     const std::string& table,
                                                     SQLUSMALLINT nullable, Naming naming);
// SQLGetTypeInfo: the types CREATE TABLE accepts, ordered by DATA_TYPE; SQL_ALL_TYPES or one.
std::unique_ptr<cursor::Cursor> TypeInfoResult(SQLSMALLINT dataType, Naming naming);

// SQLForeignKeys and SQLProcedures: the engine keeps neither foreign keys nor user procedures,
// so their results have the columns and no rows.
std::unique_ptr<cursor::Cursor> ForeignKeysResult(Naming naming);
std::unique_ptr<cursor::Cursor> ProceduresResult(Naming naming);

// The catalogue procedures by lower-case name; null when unknown.
Procedure FindCatalogProcedure(const std::string& name);

// LIKE without regard to case: % any run, _ one character, escape before a literal % or _.
bool MatchesPattern(std::string_view text, std::string_view pattern, char escape);

}  // namespace engine::exec
