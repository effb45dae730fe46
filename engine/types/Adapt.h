// Fits a translated statement to the column types before it runs: CREATE TABLE keeps the
// declared types in their plain form and gives character columns the engine's collation;
// INSERT and UPDATE convert and check every value by its column's type; a quoted literal (or a
// parameter) compared with a datetime column is read by the connection's date format.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "tsql/Translator.h"

struct sqlite3;

namespace engine::types {

// The SQLite text to run for st on db. Throws EngineError for a date literal that is not a date
// (22007/241) or out of range (22008/242).
// T-SQL operators and conversions are rewritten first (types/Operators.h); resultTypes, when
// given, receives the SQL Server types of a SELECT's items.
std::string Adapt(sqlite3* db, std::string_view dateFormat, const tsql::Statement& st,
                  std::vector<std::string>* resultTypes = nullptr);

// The same for bare SQLite text (a statement the translator made).
std::string AdaptText(sqlite3* db, std::string_view dateFormat, const std::string& sql);

}  // namespace engine::types
