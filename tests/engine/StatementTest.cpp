// Statements: the database statements the engine answers itself, pass-through SQL and results.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Statements : public ConServidor {};

TEST_F(Statements, DatabaseAndTableStatementsAndTheirErrors) {
  Session s(entorno.servidor());
  const std::string noTable = "Cannot drop the table 'nada', because it does not exist or you do "
                              "not have permission.";
  Comprueba(s, {
      {"CREATE DATABASE Datos ON (NAME = d, FILENAME = 'c:\\x.mdf') LOG ON (NAME = l) FOR LOAD",
       SQL_SUCCESS},
      {"create database DATOS", SQL_ERROR, "42000", 1801,
       "Database 'DATOS' already exists. Choose a different database name."},
      {"CREATE DATABASE master", SQL_ERROR, "42000", 1801},
      {"USE datos", SQL_SUCCESS_WITH_INFO, "01000", 5701, "Changed database context to 'datos'."},
      {"DROP DATABASE Datos", SQL_ERROR, "42000", 3702},
      {"USE [master]", SQL_SUCCESS_WITH_INFO, "01000", 5701,
       "Changed database context to 'master'."},
      {"USE nada", SQL_ERROR, "08004", 911,
       "Database 'nada' does not exist. Make sure that the name is entered correctly."},
      {"DROP DATABASE datos", SQL_SUCCESS},
      {"DROP DATABASE datos", SQL_ERROR, "42S02", 3701,
       "Cannot drop the database 'datos', because it does not exist or you do not have "
       "permission."},
      {"DROP DATABASE master", SQL_ERROR, "42000", 3708},
      // Names that could reach outside the server folder are syntax errors.
      {"CREATE DATABASE [../fuera]", SQL_ERROR, "42000", 102},
      {"CREATE DATABASE [a/b]", SQL_ERROR, "42000", 102},
      {"USE [..]", SQL_ERROR, "42000", 102},
      {"CREATE DATABASE 1abc", SQL_ERROR, "42000", 102},
      {"CREATE DATABASE " + std::string(129, 'a'), SQL_ERROR, "42000", 102},
      {"CREATE DATABASE " + std::string(128, 'b'), SQL_SUCCESS},
      {"CREATE TABLE t (C1 char(10) NOT NULL, C2 int NULL, C3 dec(12,2), C4 datetime)",
       SQL_SUCCESS},
      {"select * from nada", SQL_ERROR, "42S02", 208, "Invalid object name 'nada'."},
      {"select * from [nada] where 1=1", SQL_ERROR, "42S02", 208, "Invalid object name 'nada'."},
      {"insert into nada values (1)", SQL_ERROR, "42S02", 208, "Invalid object name 'nada'."},
      {"drop table nada", SQL_ERROR, "42S02", 3701, noTable},
      {"CREATE TABLE T (x int)", SQL_ERROR, "42S01", 2714,
       "There is already an object named 'T' in the database."},
      {"select nocol from t", SQL_ERROR, "42S22", 207, "Invalid column name 'nocol'."},
      {"insert into t (C1) values (NULL)", SQL_ERROR, "23000", 515},
      {"select from where", SQL_ERROR, "42000", 102},
      {"insert into t values (1)", SQL_ERROR, "21S01", 213},
  });
  EXPECT_FALSE(Existe(entorno.servidor() + "/datos.db"));
  EXPECT_FALSE(Existe(entorno.raiz() + "/fuera.db"));
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
  // Several statements in one call; SQLMoreResults walks their results, and closing the
  // cursor discards the rest.
  EXPECT_EQ(s.stmt->Query("create table n (v int); insert into n values (1); insert into n "
                          "values (2); select sum(v) from n"),
            (Rows{{"3"}}));
  SQLINTEGER v = 0;
  for (int k : {1, 2}) {
    EXPECT_EQ(k == 1 ? s.Exec("select 1; select 2; select 3") : SQLMoreResults(s.stmt->h),
              SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(s.stmt->h), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(s.stmt->h, 1, SQL_C_SLONG, &v, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(v, k);
  }
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  EXPECT_EQ(SQLMoreResults(s.stmt->h), SQL_NO_DATA);
}

// 25 rows in blocks of 10 through SQLFetch: 10, 10, 5 and then no data, statuses past the rows
// NOROW. What each bound element gets (NULLs, cut texts) is the conversion tests' part.
TEST_F(Statements, BoundRowArraysFetchBlocks) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE r (C1 int NOT NULL)");
  for (int i = 1; i <= 25; ++i) s.Ok("INSERT INTO r VALUES (" + std::to_string(i) + ")");
  SQLHSTMT h = s.stmt->h;
  SQLINTEGER c1[10];
  SQLLEN i1[10];
  SQLUSMALLINT status[10];
  SQLULEN fetched = 0, size = 0;
  // Either name of the rowset size sets both.
  SetAttr(h, SQL_ROWSET_SIZE, 3);
  SQLGetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr);
  EXPECT_EQ(size, 3u);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 10);
  SQLGetStmtAttr(h, SQL_ROWSET_SIZE, &size, 0, nullptr);
  EXPECT_EQ(size, 10u);
  SetAttr(h, SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  SQLBindCol(h, 1, SQL_C_LONG, c1, 0, i1);
  ASSERT_EQ(s.Exec("SELECT C1 FROM r ORDER BY C1"), SQL_SUCCESS);
  std::vector<SQLULEN> blocks;
  for (int next = 1;; next += 10) {
    std::memset(status, 0xEE, sizeof status);
    SQLRETURN rc = SQLFetch(h);
    if (rc == SQL_NO_DATA) break;
    ASSERT_EQ(Rc(rc), Rc(SQL_SUCCESS));
    blocks.push_back(fetched);
    for (SQLULEN r = 0; r < 10; ++r) {
      EXPECT_EQ(status[r], r < fetched ? SQL_ROW_SUCCESS : SQL_ROW_NOROW) << next << " " << r;
      if (r < fetched) {
        EXPECT_EQ(c1[r], next + int(r));
      }
    }
  }
  EXPECT_EQ(blocks, (std::vector<SQLULEN>{10, 10, 5}));
  // After the end nothing was fetched and every status is NOROW.
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(status[0], SQL_ROW_NOROW);
}

// SQLGetData in parts and its own errors (conversions are those of bound columns).
TEST_F(Statements, GetDataInParts) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE g (C1 varchar(40), C2 int)");
  s.Ok("INSERT INTO g VALUES ('abcdefghijklmnopqrstuvwxyz', 70000)");
  ASSERT_EQ(s.Exec("SELECT C1, C2, NULL FROM g"), SQL_SUCCESS);
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
  char text[32];
  EXPECT_EQ(SQLGetData(h, 3, SQL_C_CHAR, text, sizeof text, nullptr), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "22002");
  std::memset(text, 'q', sizeof text);
  EXPECT_EQ(SQLGetData(h, 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS);
  EXPECT_EQ(ind, SQL_NULL_DATA);
  EXPECT_EQ(text[0], 'q');  // NULL leaves the buffer alone
  // A value already returned whole gives no more data.
  EXPECT_EQ(SQLGetData(h, 3, SQL_C_CHAR, text, sizeof text, &ind), SQL_NO_DATA);
  EXPECT_EQ(SQLGetData(h, 4, SQL_C_CHAR, text, sizeof text, &ind), SQL_ERROR);
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
  SetAttr(h, SQL_ATTR_MAX_ROWS, 2);
  EXPECT_EQ(s.stmt->Query("SELECT v FROM a ORDER BY v"), (Rows{{"1"}, {"2"}}));
  SetAttr(h, SQL_ATTR_MAX_ROWS, 0);
  EXPECT_EQ(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(0), 0),
            SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY024");
  EXPECT_EQ(SQLSetStmtAttr(h, 9999, reinterpret_cast<SQLPOINTER>(1), 0), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY092");
  // Prepared statements with parameters, described before they run.
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"SELECT v * 10 FROM a WHERE v = ? OR v = ?", SQL_NTS),
            SQL_SUCCESS);
  SQLSMALLINT params = 0, cols = 0;
  EXPECT_EQ(SQLNumParams(h, &params), SQL_SUCCESS);
  EXPECT_EQ(params, 2);
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
  // A forward-only cursor knows its row number too.
  ASSERT_EQ(s.Exec("SELECT v FROM a"), SQL_SUCCESS);
  EXPECT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
  SQLULEN rowNumber = 0;
  EXPECT_EQ(SQLGetStmtAttr(h, SQL_ATTR_ROW_NUMBER, &rowNumber, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(rowNumber, 1u);
}

}  // namespace
