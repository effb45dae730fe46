// Diagnostics: records, fields, SQLError, clearing, and the ODBC 2 forms of SQLSTATEs.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class Diagnostics : public ConServidor {};

std::string ErrorState(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLINTEGER* native = nullptr) {
  SQLCHAR state[6] = {0};
  SQLCHAR message[512];
  SQLINTEGER n = 0;
  SQLSMALLINT len = 0;
  SQLRETURN rc = SQLError(env, dbc, stmt, state, &n, message, sizeof message, &len);
  if (native) *native = n;
  return rc == SQL_NO_DATA ? std::string("none") : std::string(reinterpret_cast<char*>(state));
}

TEST_F(Diagnostics, OdbcTwoApplicationsSeeOdbcTwoStates) {
  {
    Session init(entorno.servidor());
    init.Ok("CREATE TABLE t (a int)");
  }
  struct Case {
    std::string sql, v3, v2;
  } cases[] = {
      {"select * from nada", "42S02", "S0002"},
      {"drop table nada", "42S02", "S0002"},
      {"select from where", "42000", "37000"},
      {"create table t (b int)", "42S01", "S0001"},
      {"use nada", "08004", "08004"},
      {"select x from t", "42S22", "S0022"},
      {"exec sp_nada", "42000", "37000"},
  };
  for (SQLINTEGER version : {SQL_OV_ODBC3, SQL_OV_ODBC2}) {
    Session s(entorno.servidor(), version);
    for (const Case& c : cases) {
      EXPECT_EQ(s.Exec(c.sql), SQL_ERROR) << c.sql;
      const std::string& want = version == SQL_OV_ODBC2 ? c.v2 : c.v3;
      EXPECT_EQ(s.diag().state, want) << c.sql;
      SQLINTEGER native = 0;
      EXPECT_EQ(ErrorState(s.env.h, s.conn.h, s.stmt->h, &native), want) << c.sql;
      EXPECT_EQ(native, s.diag().native);
    }
    // Connection errors too.
    OdbcConn bad(s.env);
    EXPECT_EQ(bad.Connect(DriverText(entorno.servidor(), "sa", "", "nada")), SQL_ERROR);
    EXPECT_EQ(ErrorState(s.env.h, bad.h, SQL_NULL_HSTMT), "08004");
    // A warning: USE's context change.
    EXPECT_EQ(s.Exec("USE master"), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(s.diag().state, "01000");
    EXPECT_EQ(s.diag().native, 5701);
  }
}

TEST_F(Diagnostics, RecordsAreClearedByTheNextCallAndReadRepeatedly) {
  Session s(entorno.servidor());
  SQLHSTMT h = s.stmt->h;
  ASSERT_EQ(s.Exec("select * from nada"), SQL_ERROR);
  // Reading does not clear.
  EXPECT_EQ(s.diag().state, "42S02");
  EXPECT_EQ(s.diag().state, "42S02");
  SQLINTEGER count = 0;
  EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 0, SQL_DIAG_NUMBER, &count, 0, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(count, 1);
  SQLINTEGER native = 0;
  EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 1, SQL_DIAG_NATIVE, &native, 0, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(native, 208);
  char text[256];
  SQLSMALLINT len = 0;
  EXPECT_EQ(SQLGetDiagField(SQL_HANDLE_STMT, h, 1, SQL_DIAG_MESSAGE_TEXT, text, sizeof text, &len),
            SQL_SUCCESS);
  EXPECT_EQ(std::string(text), "[ZORB][Engine]Invalid object name 'nada'.");
  // A short buffer cuts the message and says so.
  SQLCHAR state[6];
  SQLCHAR small[10];
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h, 1, state, &native, small, sizeof small, &len),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(small)), "[ZORB][En");
  EXPECT_EQ(len, SQLSMALLINT(std::string("[ZORB][Engine]Invalid object name 'nada'.").size()));
  EXPECT_EQ(SQLGetDiagRec(SQL_HANDLE_STMT, h, 2, state, &native, small, sizeof small, &len),
            SQL_NO_DATA);
  // The next call on the handle clears them.
  ASSERT_EQ(s.Exec("select 1"), SQL_SUCCESS);
  EXPECT_EQ(s.diag().state, "");
  SQLFreeStmt(h, SQL_CLOSE);
  // SQLError hands each record out once.
  ASSERT_EQ(s.Exec("select * from nada"), SQL_ERROR);
  EXPECT_EQ(ErrorState(SQL_NULL_HENV, SQL_NULL_HDBC, h), "42S02");
  EXPECT_EQ(ErrorState(SQL_NULL_HENV, SQL_NULL_HDBC, h), "none");
}

}  // namespace
