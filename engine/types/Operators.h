// T-SQL expressions whose meaning differs from SQLite's, rewritten by the operands' SQL Server
// types before a statement runs: + - * / % become zorb_op calls (concatenation, datetime
// arithmetic, integer overflow and division by zero as SQL Server raises them), CAST and CONVERT
// become zorb_cast calls (SQL Server's rules and styles), the datepart of DATEADD, DATEDIFF and
// DATEPART becomes a literal, and the date functions get the connection's date format.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace engine::types {

// The rewritten text. resultTypes, when given, receives the declared type of each item of a
// SELECT's list as SQL Server types it ("int", "decimal(38,2)", "varchar(8)"...; empty when
// unknown), so that a computed column is described by its type, not by its first value.
std::string RewriteOperators(sqlite3* db, std::string_view dateFormat, const std::string& sql,
                             std::vector<std::string>* resultTypes = nullptr);

}  // namespace engine::types
