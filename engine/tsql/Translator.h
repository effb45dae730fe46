// Turns T-SQL text into a batch of statements for the executor: the forms the engine handles
// itself (USE, databases, logins, SET options, transactions, procedures) and SQLite text for
// everything else. String literals are re-quoted from their decoded value, so no text inside a
// literal is ever read as SQL.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tsql/Lexer.h"

namespace engine::exec {
struct TextPlan;
}

namespace engine::tsql {

enum class Kind {
  Query,           // SELECT or another statement that may return rows: sql
  Dml,             // INSERT, UPDATE, DELETE: sql, table; counts rows
  Ddl,             // CREATE/DROP/ALTER of tables, indexes, views: sql, table
  DropTable,       // sql, table (a missing table has its own message)
  SelectInto,      // sql: the SELECT; name: the new table (exec/DdlExec.h)
  Use,             // name
  CreateDatabase,  // name
  DropDatabase,    // name
  CreateLogin,     // name, options
  AlterLogin,      // name, options
  DropLogin,       // name
  ServerRole,      // ALTER SERVER ROLE name ADD|DROP MEMBER value; number: 1 add, 0 drop
  SetDateFormat,   // value: dmy, mdy, ymd, ydm, myd, dym
  SetLanguage,     // value
  SetLockTimeout,  // number
  SetIgnored,      // SET options accepted without effect
  BeginTran,
  CommitTran,
  RollbackTran,
  Procedure,       // name, args (EXEC name ... or a bare sp_ name)
};

struct LoginOption {
  std::string name;   // upper case: PASSWORD, DEFAULT_DATABASE, DEFAULT_LANGUAGE, ...
  std::string value;  // the string or name given
};

struct Statement {
  Kind kind = Kind::Query;
  std::string verb;    // first word, upper case (SELECT, INSERT, ...)
  std::string sql;     // SQLite text (Query, Dml, Ddl, DropTable)
  std::string name;    // database, login or procedure name; table of DropTable
  std::string value;   // SET value
  long long number = 0;
  std::vector<LoginOption> options;
  std::vector<Token> args;  // procedure arguments as tokens
  int parameters = 0;       // ? markers in this statement
  std::string lockTable;    // a query's table hinted WITH (TABLOCKX) (tsql/Ddl.h)
  std::shared_ptr<const exec::TextPlan> plan;  // a query's kept plan (exec/TextCache.h)
};

struct Batch {
  std::vector<Statement> statements;
  int parameters = 0;
};

// Throws EngineError (42000 and the like) for text it cannot read or does not accept.
Batch Translate(std::string_view text);

// Database and login name rules: letters, digits and _, starting with a letter or _, 1 to 128.
bool IsValidDatabaseName(std::string_view name);

}  // namespace engine::tsql
