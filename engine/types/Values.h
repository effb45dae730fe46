// Values written into columns: converted and checked by the column's type as SQL Server does
// (char padding, lengths, integer ranges, decimal rounding and overflow, datetime texts by the
// connection's date format), with SQL Server's states and numbers.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "common/Error.h"
#include "cursor/Value.h"
#include "types/TypeDecl.h"

struct sqlite3;
struct sqlite3_value;

namespace engine::types {

// The value a column of type t stores for v; NULL stays NULL. Throws EngineError: 22001/8152
// (text too long), 22003/8115 or 220 (number out of range), 22018/245 (not a number), 22007/241
// and 22008/242 (not a date, date out of range).
cursor::Value ConvertForColumn(const cursor::Value& v, const TypeDecl& t,
                               std::string_view dateFormat);

// A function argument as an engine value (text and blobs copied).
cursor::Value FromSqlite(sqlite3_value* v);

// Registers the collation and the conversion function on a connection.
void Register(sqlite3* db);

// SQL text that converts expr for a column of type t when the statement runs.
std::string ConvertCall(const std::string& expr, const TypeDecl& t, std::string_view dateFormat);

// Errors raised inside SQLite functions travel in the statement's error message.
std::string EncodeError(const EngineError& e);
std::optional<EngineError> DecodeError(const std::string& message);

}  // namespace engine::types
