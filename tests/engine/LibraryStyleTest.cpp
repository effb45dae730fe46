// The calls exactly as the library makes them: an ODBC 2 environment, attributes set before
// connecting, statement attributes passed with SQL_NTS, SQLExtendedFetch with the rowset size as
// offset, SQLError for diagnostics.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class LibraryStyle : public ConServidor {};

TEST_F(LibraryStyle, ConnectSelectAndFetchBlocksAsTheLibraryDoes) {
  { Session init(entorno.servidor()); init.Ok("CREATE DATABASE lib"); }
  SQLHENV env;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
  SQLHDBC dbc;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
  SQLSetConnectAttr(dbc, 1204, reinterpret_cast<SQLPOINTER>(1), SQL_IS_INTEGER);
  char text[200];
  std::memset(text, 0x7f, sizeof text);
  std::snprintf(text, sizeof text, "DRIVER={%s};SERVER=%s;UID=%s;PWD=%s;DATABASE=%s",
                "SQL Server", entorno.servidor().c_str(), "sa", "", "lib");
  SQLCHAR out[500];
  SQLSMALLINT outLen;
  ASSERT_EQ(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text), 200, out, 500,
                             &outLen, SQL_DRIVER_NOPROMPT),
            SQL_SUCCESS);
  SQLHSTMT st;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st), SQL_SUCCESS);
  auto exec = [&](const char* sql) {
    return SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
  };
  ASSERT_EQ(exec("USE lib"), SQL_SUCCESS_WITH_INFO);
  SQLCHAR state[6];
  SQLINTEGER native;
  SQLCHAR message[511];
  SQLSMALLINT len;
  ASSERT_EQ(SQLError(env, dbc, st, state, &native, message, 511, &len), SQL_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(state)), "01000");
  SQLFreeStmt(st, SQL_CLOSE);
  ASSERT_EQ(exec("CREATE TABLE T1 (C1 char(6) NOT NULL, C2 int)"), SQL_SUCCESS);
  for (int i = 0; i < 20; ++i) {
    std::string sql = "INSERT INTO T1 VALUES ('k" + std::to_string(100 + i) + "', " +
                      std::to_string(i) + ")";
    ASSERT_EQ(exec(sql.c_str()), SQL_SUCCESS);
  }
  // The SELECT builder: close, cursor type, concurrency, rowset size, all with SQL_NTS.
  const SQLULEN kLote = 15;
  SQLFreeStmt(st, SQL_CLOSE);
  EXPECT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(st, SQL_ATTR_CURSOR_TYPE,
                                           reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY),
                                           SQL_NTS)));
  EXPECT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(
      st, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), SQL_NTS)));
  EXPECT_TRUE(SQL_SUCCEEDED(
      SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kLote), SQL_NTS)));
  ASSERT_EQ(exec("SELECT * FROM T1 ORDER BY C1"), SQL_SUCCESS);
  SQLSMALLINT cols = 0;
  SQLNumResultCols(st, &cols);
  ASSERT_EQ(cols, 2);
  char c1[kLote][7];
  SQLINTEGER c2[kLote];
  SQLLEN i1[kLote], i2[kLote];
  SQLBindCol(st, 1, SQL_C_CHAR, c1, 7, i1);
  SQLBindCol(st, 2, SQL_C_LONG, c2, sizeof(SQLINTEGER), i2);
  SQLULEN filasLeidas = 0;
  SQLUSMALLINT estFilas[kLote + 1];
  ASSERT_EQ(SQLExtendedFetch(st, SQL_FETCH_NEXT, kLote, &filasLeidas, estFilas), SQL_SUCCESS);
  EXPECT_EQ(filasLeidas, kLote);
  EXPECT_EQ(std::string(c1[0]), "k100  ");  // char(6) is blank-padded
  EXPECT_EQ(c2[14], 14);
  ASSERT_EQ(SQLExtendedFetch(st, SQL_FETCH_NEXT, kLote, &filasLeidas, estFilas), SQL_SUCCESS);
  EXPECT_EQ(filasLeidas, 5u);
  EXPECT_EQ(std::string(c1[4]), "k119  ");
  EXPECT_EQ(estFilas[4], SQL_ROW_SUCCESS);
  EXPECT_EQ(estFilas[5], SQL_ROW_NOROW);
  EXPECT_EQ(SQLExtendedFetch(st, SQL_FETCH_NEXT, kLote, &filasLeidas, estFilas), SQL_NO_DATA);
  SQLFreeStmt(st, SQL_CLOSE);
  SQLFreeStmt(st, SQL_UNBIND);
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  // Databases run in WAL mode: bytes 18 and 19 of the file header are 2.
  std::string header = LeeTodo(entorno.servidor() + "/lib.db").substr(0, 20);
  ASSERT_EQ(header.size(), 20u);
  EXPECT_EQ(header[18], 2);
  EXPECT_EQ(header[19], 2);
}

}  // namespace
