// Statements: the database statements the engine answers itself, pass-through SQL and results.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class Statements : public ConServidor {};

TEST_F(Statements, DatabaseStatementsAndTheirErrors) {
  Session s(entorno.servidor());
  struct Case {
    std::string sql;
    SQLRETURN rc;
    std::string state;
    SQLINTEGER native;
    std::string message;
  } cases[] = {
      {"CREATE DATABASE Datos ON (NAME = d, FILENAME = 'c:\\x.mdf') LOG ON (NAME = l) FOR LOAD",
       SQL_SUCCESS, "", 0, ""},
      {"create database DATOS", SQL_ERROR, "42000", 1801,
       "[ZORB][Engine]Database 'DATOS' already exists. Choose a different database name."},
      {"CREATE DATABASE master", SQL_ERROR, "42000", 1801, ""},
      {"USE datos", SQL_SUCCESS_WITH_INFO, "01000", 5701,
       "[ZORB][Engine]Changed database context to 'datos'."},
      {"DROP DATABASE Datos", SQL_ERROR, "42000", 3702, ""},
      {"USE [master]", SQL_SUCCESS_WITH_INFO, "01000", 5701,
       "[ZORB][Engine]Changed database context to 'master'."},
      {"USE nada", SQL_ERROR, "08004", 911,
       "[ZORB][Engine]Database 'nada' does not exist. Make sure that the name is entered correctly."},
      {"DROP DATABASE datos", SQL_SUCCESS, "", 0, ""},
      {"DROP DATABASE datos", SQL_ERROR, "42S02", 3701,
       "[ZORB][Engine]Cannot drop the database 'datos', because it does not exist or you do not "
       "have permission."},
      {"DROP DATABASE master", SQL_ERROR, "42000", 3708, ""},
      // Names that could reach outside the server folder are syntax errors.
      {"CREATE DATABASE [../fuera]", SQL_ERROR, "42000", 102, ""},
      {"CREATE DATABASE [a/b]", SQL_ERROR, "42000", 102, ""},
      {"USE [..]", SQL_ERROR, "42000", 102, ""},
      {"CREATE DATABASE 1abc", SQL_ERROR, "42000", 102, ""},
      {"CREATE DATABASE " + std::string(129, 'a'), SQL_ERROR, "42000", 102, ""},
  };
  for (const Case& c : cases) {
    SQLRETURN rc = s.Exec(c.sql);
    EXPECT_EQ(Rc(rc), Rc(c.rc)) << c.sql << " " << s.diag().message;
    if (c.state.empty()) continue;
    Diag d = s.diag();
    EXPECT_EQ(d.state, c.state) << c.sql;
    EXPECT_EQ(d.native, c.native) << c.sql;
    if (!c.message.empty()) {
      EXPECT_EQ(d.message, c.message) << c.sql;
    }
  }
  EXPECT_FALSE(Existe(entorno.servidor() + "/datos.db"));
  EXPECT_FALSE(Existe(entorno.raiz() + "/fuera.db"));
  // A 128-character name is allowed.
  s.Ok("CREATE DATABASE " + std::string(128, 'b'));
}

TEST_F(Statements, TablesPassThroughWithSqlServerErrors) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE t (C1 char(10) NOT NULL, C2 int NULL, C3 dec(12,2), C4 datetime)");
  struct Case {
    std::string sql, state;
    SQLINTEGER native;
    std::string message;
  } cases[] = {
      {"select * from nada", "42S02", 208, "[ZORB][Engine]Invalid object name 'nada'."},
      {"select * from [nada] where 1=1", "42S02", 208, "[ZORB][Engine]Invalid object name 'nada'."},
      {"insert into nada values (1)", "42S02", 208, "[ZORB][Engine]Invalid object name 'nada'."},
      {"drop table nada", "42S02", 3701,
       "[ZORB][Engine]Cannot drop the table 'nada', because it does not exist or you do not have "
       "permission."},
      {"CREATE TABLE T (x int)", "42S01", 2714,
       "[ZORB][Engine]There is already an object named 'T' in the database."},
      {"select nocol from t", "42S22", 207, "[ZORB][Engine]Invalid column name 'nocol'."},
      {"insert into t (C1) values (NULL)", "23000", 515, ""},
      {"select from where", "42000", 102, ""},
      {"insert into t values (1)", "21S01", 213, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(s.Exec(c.sql), SQL_ERROR) << c.sql;
    Diag d = s.diag();
    EXPECT_EQ(d.state, c.state) << c.sql << " " << d.message;
    EXPECT_EQ(d.native, c.native) << c.sql << " " << d.message;
    if (!c.message.empty()) {
      EXPECT_EQ(d.message, c.message) << c.sql;
    }
  }
}

TEST_F(Statements, LiteralsNamesAndCommentsAreReadAsTSql) {
  Session s(entorno.servidor());
  s.Ok("create table [Mi Tabla] (\"a\" varchar(40), b int) -- comment ; drop table x");
  // Quotes inside a literal stay data: nothing inside it runs.
  s.Ok("insert into [Mi Tabla] values ('x''); drop table [Mi Tabla]; --', 1)");
  s.Ok("insert [Mi Tabla] /* ; drop table [Mi Tabla] /* nested */ */ values (N'dos;', 2)");
  s.Ok("INSERT INTO dbo.[Mi Tabla] (a, b) VALUES ('--no comment', 3)");
  EXPECT_EQ(s.stmt->Query("SELECT a, b FROM [mi tabla] ORDER BY b"),
            (Rows{{"x'); drop table [Mi Tabla]; --", "1"}, {"dos;", "2"}, {"--no comment", "3"}}));
  // TOP becomes a limit; DELETE without FROM works.
  EXPECT_EQ(s.stmt->Query("SELECT TOP 2 b FROM [Mi Tabla] ORDER BY b DESC"), (Rows{{"3"}, {"2"}}));
  EXPECT_EQ(s.stmt->Query("SELECT TOP (1) b FROM [Mi Tabla] WHERE b !> 2 ORDER BY b"),
            (Rows{{"1"}}));
  s.Ok("DELETE [Mi Tabla] WHERE b = 1");
  SQLLEN count = 0;
  EXPECT_EQ(s.Exec("UPDATE [Mi Tabla] SET b = b + 10"), SQL_SUCCESS);
  EXPECT_EQ(SQLRowCount(s.stmt->h, &count), SQL_SUCCESS);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.Exec("SELECT * FROM [Mi Tabla]"), SQL_SUCCESS);
  EXPECT_EQ(SQLRowCount(s.stmt->h, &count), SQL_SUCCESS);
  EXPECT_EQ(count, -1);
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  // SELECT ... INTO makes a table.
  s.Ok("SELECT a, b INTO copia FROM [Mi Tabla] WHERE b > 12");
  EXPECT_EQ(s.stmt->Query("select b from copia"), (Rows{{"13"}}));
  // Several statements in one call; only the last returns rows.
  EXPECT_EQ(s.stmt->Query("create table n (v int); insert into n values (1); insert into n "
                          "values (2); select sum(v) from n"),
            (Rows{{"3"}}));
  EXPECT_EQ(s.Exec("select 1; select 2"), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "42000");
}

TEST_F(Statements, DescribeGivesSqlServerTypes) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE d (C1 char(10) NOT NULL, C2 varchar(30), C3 int, C4 smallint, "
       "C5 float, C6 real, C7 dec(12,2), C8 numeric(9,3), C9 datetime NOT NULL)");
  ASSERT_EQ(s.Exec("select C1, C2, C3, C4, C5, C6, C7, C8, C9, count(*), C3 + 1 as suma from d"),
            SQL_SUCCESS);
  struct Expect {
    std::string name;
    SQLSMALLINT type;
    SQLULEN size;
    SQLSMALLINT digits, nullable;
  } expected[] = {
      {"C1", SQL_CHAR, 10, 0, SQL_NO_NULLS},      {"C2", SQL_VARCHAR, 30, 0, SQL_NULLABLE},
      {"C3", SQL_INTEGER, 10, 0, SQL_NULLABLE},   {"C4", SQL_SMALLINT, 5, 0, SQL_NULLABLE},
      {"C5", SQL_FLOAT, 53, 0, SQL_NULLABLE},     {"C6", SQL_REAL, 24, 0, SQL_NULLABLE},
      {"C7", SQL_DECIMAL, 12, 2, SQL_NULLABLE},   {"C8", SQL_NUMERIC, 9, 3, SQL_NULLABLE},
      {"C9", SQL_TYPE_TIMESTAMP, 23, 3, SQL_NO_NULLS},
      {"", SQL_INTEGER, 10, 0, SQL_NULLABLE_UNKNOWN},
  };
  SQLSMALLINT cols = 0;
  EXPECT_EQ(SQLNumResultCols(s.stmt->h, &cols), SQL_SUCCESS);
  EXPECT_EQ(cols, 11);
  for (SQLUSMALLINT i = 0; i < 10; ++i) {
    char name[64];
    SQLSMALLINT nameLen, type, digits, nullable;
    SQLULEN size;
    ASSERT_EQ(SQLDescribeCol(s.stmt->h, SQLUSMALLINT(i + 1), reinterpret_cast<SQLCHAR*>(name),
                             sizeof name, &nameLen, &type, &size, &digits, &nullable),
              SQL_SUCCESS);
    EXPECT_EQ(std::string(name), expected[i].name) << i;
    EXPECT_EQ(type, expected[i].type) << i;
    EXPECT_EQ(size, expected[i].size) << i;
    EXPECT_EQ(digits, expected[i].digits) << i;
    EXPECT_EQ(nullable, expected[i].nullable) << i;
  }
  char label[32];
  SQLSMALLINT len = 0;
  EXPECT_EQ(SQLColAttribute(s.stmt->h, 11, SQL_DESC_LABEL, label, sizeof label, &len, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(std::string(label), "suma");
  SQLLEN n = 0;
  EXPECT_EQ(SQLColAttribute(s.stmt->h, 1, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &n),
            SQL_SUCCESS);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(SQLColAttribute(s.stmt->h, 0 + 12, SQL_DESC_TYPE, nullptr, 0, nullptr, &n), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "07009");
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  // An ODBC 2 application sees the ODBC 2 datetime type.
  Session old(entorno.servidor(), SQL_OV_ODBC2);
  ASSERT_EQ(old.Exec("select C9 from d"), SQL_SUCCESS);
  SQLSMALLINT type = 0;
  EXPECT_EQ(SQLDescribeCol(old.stmt->h, 1, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(type, SQL_TIMESTAMP);
}

// 25 rows in blocks of 10: 10, 10, 5 and then no data; statuses past the rows are NOROW.
TEST_F(Statements, BoundRowArraysFetchBlocks) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE r (C1 int NOT NULL, C2 varchar(12), C3 float)");
  for (int i = 1; i <= 25; ++i)
    s.Ok("INSERT INTO r VALUES (" + std::to_string(i) + ", " +
         (i % 7 == 0 ? std::string("NULL") : "'fila " + std::to_string(i) + "'") + ", " +
         std::to_string(i) + ".5)");
  for (bool extended : {false, true}) {
    SQLHSTMT h = s.stmt->h;
    SQLFreeStmt(h, SQL_UNBIND);
    const SQLULEN kRows = 10;
    SQLINTEGER c1[kRows];
    char c2[kRows][8];
    double c3[kRows];
    SQLLEN i1[kRows], i2[kRows], i3[kRows];
    SQLUSMALLINT status[kRows];
    SQLULEN fetched = 0;
    ASSERT_EQ(SQLSetStmtAttr(h, extended ? SQL_ROWSET_SIZE : SQL_ATTR_ROW_ARRAY_SIZE,
                             reinterpret_cast<SQLPOINTER>(kRows), SQL_NTS),
              SQL_SUCCESS);
    SQLULEN size = 0;
    SQLGetStmtAttr(h, extended ? SQL_ATTR_ROW_ARRAY_SIZE : SQL_ROWSET_SIZE, &size, 0, nullptr);
    EXPECT_EQ(size, kRows);
    if (!extended) {
      SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status, 0);
      SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    }
    SQLBindCol(h, 1, SQL_C_LONG, c1, 0, i1);
    SQLBindCol(h, 2, SQL_C_CHAR, c2, sizeof c2[0], i2);
    SQLBindCol(h, 3, SQL_C_DOUBLE, c3, 0, i3);
    ASSERT_EQ(s.Exec("SELECT C1, C2, C3 FROM r ORDER BY C1"), SQL_SUCCESS);
    int next = 1;
    std::vector<SQLULEN> blocks;
    for (;;) {
      std::memset(status, 0xEE, sizeof status);
      SQLRETURN rc = extended ? SQLExtendedFetch(h, SQL_FETCH_NEXT, 0, &fetched, status)
                              : SQLFetch(h);
      if (rc == SQL_NO_DATA) break;
      // "fila 10" and up do not fit in 8 bytes: cut with 01004.
      ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) << Rc(rc);
      blocks.push_back(fetched);
      for (SQLULEN r = 0; r < kRows; ++r) {
        if (r >= fetched) {
          EXPECT_EQ(status[r], SQL_ROW_NOROW) << r;
          continue;
        }
        EXPECT_EQ(c1[r], next);
        EXPECT_EQ(i1[r], SQLLEN(sizeof(SQLINTEGER)));
        EXPECT_DOUBLE_EQ(c3[r], next + 0.5);
        if (next % 7 == 0) {
          EXPECT_EQ(i2[r], SQL_NULL_DATA);
        } else {
          std::string full = "fila " + std::to_string(next);
          EXPECT_EQ(i2[r], SQLLEN(full.size()));
          EXPECT_EQ(std::string(c2[r]), full.substr(0, 7));
          EXPECT_EQ(status[r], full.size() > 7 ? SQL_ROW_SUCCESS_WITH_INFO : SQL_ROW_SUCCESS);
        }
        ++next;
      }
    }
    EXPECT_EQ(blocks, (std::vector<SQLULEN>{10, 10, 5}));
    EXPECT_EQ(next, 26);
    // After the end, everything is NOROW and nothing was fetched.
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(status[0], SQL_ROW_NOROW);
    SQLFreeStmt(h, SQL_CLOSE);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
  }
}

TEST_F(Statements, RowWiseBindingWithOffset) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE w (v int, t varchar(10))");
  s.Ok("INSERT INTO w VALUES (1, 'uno'); INSERT INTO w VALUES (2, NULL); "
       "INSERT INTO w VALUES (3, 'tres')");
  struct Fila {
    SQLINTEGER v;
    SQLLEN vi;
    char t[6];
    SQLLEN ti;
  } filas[6];
  std::memset(filas, 0, sizeof filas);
  SQLHSTMT h = s.stmt->h;
  SQLULEN offset = 2 * sizeof(Fila);  // the first two slots stay untouched
  SQLULEN fetched = 0;
  SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Fila)), 0);
  SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
  SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0);
  SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  SQLBindCol(h, 1, SQL_C_LONG, &filas[0].v, 0, &filas[0].vi);
  SQLBindCol(h, 2, SQL_C_CHAR, filas[0].t, sizeof filas[0].t, &filas[0].ti);
  ASSERT_EQ(s.Exec("SELECT v, t FROM w ORDER BY v"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(h), SQL_SUCCESS);
  EXPECT_EQ(fetched, 3u);
  EXPECT_EQ(filas[0].v, 0);
  EXPECT_EQ(filas[1].vi, 0);
  EXPECT_EQ(filas[2].v, 1);
  EXPECT_EQ(std::string(filas[2].t), "uno");
  EXPECT_EQ(filas[3].v, 2);
  EXPECT_EQ(filas[3].ti, SQL_NULL_DATA);
  EXPECT_EQ(filas[4].v, 3);
  EXPECT_EQ(filas[4].ti, 4);
  EXPECT_EQ(filas[5].v, 0);
  EXPECT_EQ(SQLFetch(h), SQL_NO_DATA);
}

TEST_F(Statements, GetDataInPartsAndConversions) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE g (C1 varchar(40), C2 int, C3 datetime, C4 dec(8,2), C5 varchar(5))");
  s.Ok("INSERT INTO g VALUES ('abcdefghijklmnopqrstuvwxyz', 70000, '2024-03-07 09:05:03.250', "
       "12.5, 'x12')");
  ASSERT_EQ(s.Exec("SELECT C1, C2, C3, C4, C5, NULL FROM g"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(s.stmt->h), SQL_SUCCESS);
  SQLHSTMT h = s.stmt->h;
  char part[11];
  SQLLEN ind = 0;
  std::string whole;
  SQLRETURN rc;
  std::vector<SQLLEN> lengths;
  while ((rc = SQLGetData(h, 1, SQL_C_CHAR, part, sizeof part, &ind)) != SQL_NO_DATA) {
    ASSERT_TRUE(SQL_SUCCEEDED(rc));
    if (rc == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(s.diag().state, "01004");
    }
    lengths.push_back(ind);
    whole += part;
  }
  EXPECT_EQ(whole, "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(lengths, (std::vector<SQLLEN>{26, 16, 6}));
  SQLSMALLINT small = 0;
  EXPECT_EQ(SQLGetData(h, 2, SQL_C_SSHORT, &small, 0, &ind), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "22003");
  SQLINTEGER big = 0;
  EXPECT_EQ(SQLGetData(h, 2, SQL_C_LONG, &big, 0, &ind), SQL_SUCCESS);
  EXPECT_EQ(big, 70000);
  SQL_TIMESTAMP_STRUCT ts{};
  EXPECT_EQ(SQLGetData(h, 3, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_SUCCESS);
  EXPECT_EQ(ts.year, 2024);
  EXPECT_EQ(ts.month, 3);
  EXPECT_EQ(ts.day, 7);
  EXPECT_EQ(ts.hour, 9);
  EXPECT_EQ(ts.second, 3);
  EXPECT_EQ(ts.fraction, 250000000u);
  char text[32];
  EXPECT_EQ(SQLGetData(h, 4, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
  EXPECT_EQ(std::string(text), "12.50");
  SQLINTEGER number = 0;
  EXPECT_EQ(SQLGetData(h, 5, SQL_C_LONG, &number, 0, &ind), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "22018");
  EXPECT_EQ(SQLGetData(h, 6, SQL_C_CHAR, text, sizeof text, nullptr), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "22002");
  std::memset(text, 'q', sizeof text);
  EXPECT_EQ(SQLGetData(h, 6, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
  EXPECT_EQ(ind, SQL_NULL_DATA);
  EXPECT_EQ(text[0], 'q');  // NULL leaves the buffer alone
  // A value already returned whole gives no more data.
  EXPECT_EQ(SQLGetData(h, 6, SQL_C_CHAR, text, sizeof text, &ind), SQL_NO_DATA);
  EXPECT_EQ(SQLGetData(h, 7, SQL_C_CHAR, text, sizeof text, &ind), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "07009");
}

TEST_F(Statements, StatementHandleStatesAndAttributes) {
  Session s(entorno.servidor());
  SQLHSTMT h = s.stmt->h;
  s.Ok("CREATE TABLE a (v int)");
  s.Ok("INSERT INTO a VALUES (1); INSERT INTO a VALUES (2); INSERT INTO a VALUES (3)");
  // A result still being read must be closed before the next statement.
  ASSERT_EQ(SQLExecDirect(h, (SQLCHAR*)"SELECT v FROM a", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(h), SQL_SUCCESS);
  EXPECT_EQ(SQLExecDirect(h, (SQLCHAR*)"SELECT v FROM a", SQL_NTS), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "24000");
  EXPECT_EQ(SQLCloseCursor(h), SQL_SUCCESS);
  EXPECT_EQ(SQLCloseCursor(h), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "24000");
  // Max rows, integer attributes through the pointer with any length.
  EXPECT_EQ(SQLSetStmtAttr(h, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(2), SQL_NTS),
            SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Query("SELECT v FROM a ORDER BY v"), (Rows{{"1"}, {"2"}}));
  SQLSetStmtAttr(h, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(0), SQL_IS_UINTEGER);
  EXPECT_EQ(SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE,
                           reinterpret_cast<SQLPOINTER>(SQL_CURSOR_DYNAMIC), SQL_NTS),
            SQL_SUCCESS);
  SQLULEN type = 0;
  SQLGetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
  EXPECT_EQ(type, SQLULEN(SQL_CURSOR_DYNAMIC));
  EXPECT_EQ(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(0), 0),
            SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY024");
  EXPECT_EQ(SQLSetStmtAttr(h, 9999, reinterpret_cast<SQLPOINTER>(1), 0), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY092");
  // Prepared statements with parameters.
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"SELECT v * 10 FROM a WHERE v = ? OR v = ?", SQL_NTS),
            SQL_SUCCESS);
  SQLSMALLINT params = 0;
  EXPECT_EQ(SQLNumParams(h, &params), SQL_SUCCESS);
  EXPECT_EQ(params, 2);
  // Described before it runs.
  SQLSMALLINT cols = 0;
  EXPECT_EQ(SQLNumResultCols(h, &cols), SQL_SUCCESS);
  EXPECT_EQ(cols, 1);
  SQLINTEGER p1 = 1;
  char p2[] = "3";
  SQLLEN nts = SQL_NTS;
  SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &p1, 0, nullptr);
  SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, p2, 0, &nts);
  ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"10"}, {"30"}}));
  p1 = 2;
  ASSERT_EQ(SQLExecute(h), SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"20"}, {"30"}}));
  // A parameter in a literal is text, not a marker.
  EXPECT_EQ(s.stmt->Query("SELECT '?' FROM a WHERE v = 1"), (Rows{{"?"}}));
  // Forward-only cursors refuse other orientations.
  SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
  ASSERT_EQ(s.Exec("SELECT v FROM a"), SQL_SUCCESS);
  EXPECT_EQ(SQLFetchScroll(h, SQL_FETCH_FIRST, 0), SQL_ERROR);
  EXPECT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
  SQLULEN rowNumber = 0;
  EXPECT_EQ(SQLGetStmtAttr(h, SQL_ATTR_ROW_NUMBER, &rowNumber, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(rowNumber, 1u);
}

}  // namespace
