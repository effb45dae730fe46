// Thin ODBC helpers for the engine tests: they talk to the driver only through the driver
// manager, as an application does.
#pragma once
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <tuple>
#include <vector>

using Rows = std::vector<std::vector<std::string>>;

struct Diag {
  std::string state;
  SQLINTEGER native = 0;
  std::string message;
};

// All records of a handle, and the first one (empty state when none).
std::vector<Diag> AllDiags(SQLSMALLINT type, SQLHANDLE handle);
Diag FirstDiag(SQLSMALLINT type, SQLHANDLE handle);

// "DRIVER={SQL Server};SERVER=...;UID=...;PWD=...;DATABASE=..." as the library writes it.
std::string DriverText(const std::string& server, const std::string& user = "sa",
                       const std::string& password = "", const std::string& database = "master");

class OdbcEnv {
 public:
  explicit OdbcEnv(SQLINTEGER version = SQL_OV_ODBC3);
  ~OdbcEnv();
  SQLHENV h = SQL_NULL_HENV;
};

class OdbcConn {
 public:
  explicit OdbcConn(OdbcEnv& env);
  ~OdbcConn();
  // SQLDriverConnect with the text in a 200-byte buffer and length 200, as the library does.
  SQLRETURN Connect(const std::string& text);
  Diag diag() const { return FirstDiag(SQL_HANDLE_DBC, h); }
  SQLHDBC h = SQL_NULL_HDBC;
  bool connected = false;
};

class OdbcStmt {
 public:
  explicit OdbcStmt(OdbcConn& conn);
  ~OdbcStmt();
  SQLRETURN Exec(const std::string& sql);
  Diag diag() const { return FirstDiag(SQL_HANDLE_STMT, h); }
  // Every row of the current result as texts (NULL as "<null>"), fetched with SQLFetch and
  // SQLGetData; closes the cursor afterwards.
  std::vector<std::vector<std::string>> Rows();
  // Runs a query and returns its rows; fails the test when it does not succeed.
  std::vector<std::vector<std::string>> Query(const std::string& sql);
  SQLHSTMT h = SQL_NULL_HSTMT;
};

// A connected session (sa unless told) on a server folder, with one statement.
struct Session {
  explicit Session(const std::string& server, SQLINTEGER version = SQL_OV_ODBC3,
                   const std::string& database = "master", const std::string& user = "sa",
                   const std::string& password = "");
  OdbcEnv env;
  OdbcConn conn;
  OdbcStmt* stmt = nullptr;
  ~Session();
  // Runs sql and fails the test unless it succeeds.
  void Ok(const std::string& sql);
  SQLRETURN Exec(const std::string& sql) { return stmt->Exec(sql); }
  Diag diag() const { return stmt->diag(); }
};

std::string Rc(SQLRETURN rc);  // readable return code for messages

// Integer statement attribute, passed in the pointer.
void SetAttr(SQLHSTMT h, SQLINTEGER attr, SQLULEN value);

// Result column names, as SQLDescribeCol gives them.
std::vector<std::string> ColumnNames(SQLHSTMT h);
// The given columns (0-based) of every row.
Rows Pick(const Rows& rows, const std::vector<size_t>& columns);

// Type, size, decimal digits and nullability of a result column, as SQLDescribeCol gives them.
using Described = std::tuple<SQLSMALLINT, SQLULEN, SQLSMALLINT, SQLSMALLINT>;
Described Describe(SQLHSTMT h, SQLUSMALLINT column);

// A statement and its outcome. native < 0: not checked.
struct Caso {
  Caso(std::string q, SQLRETURN r, std::string st = "", SQLINTEGER n = 0, std::string m = "")
      : sql(std::move(q)), rc(r), state(std::move(st)), native(n), message(std::move(m)) {}
  std::string sql;
  SQLRETURN rc;
  std::string state;    // empty: no diagnostic checked
  SQLINTEGER native = 0;
  std::string message;  // without the "[ZORB][Engine]" prefix; empty: not checked
};

// Runs every case in order on the session's statement and checks its outcome; every record of
// a failure carries the engine's prefix.
void Comprueba(Session& s, const std::vector<Caso>& casos);

// A statement and its rows (none for one without a result), or the native error it fails with
// while running or while its rows are read.
struct Consulta {
  std::string sql;
  Rows rows;
  long native = 0;
};
void Consultas(Session& s, const std::vector<Consulta>& consultas);

// Runs a text that may be anything: it must end in a proper return code, and a failure in a
// five-character state and a prefixed message. True when it did not fail.
bool RunsCleanly(Session& s, const std::string& sql);

void Autocommit(Session& s, bool on);
SQLRETURN EndTran(Session& s, bool commit);
