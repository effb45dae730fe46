// The calls exactly as the library makes them: an ODBC 2 environment, attributes set before
// connecting, statement attributes passed with SQL_NTS, SQLExtendedFetch with the rowset size as
// offset, SQLError for diagnostics.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class LibraryStyle : public ConServidor {};

TEST_F(LibraryStyle, ConnectSelectAndFetchBlocksAsTheLibraryDoes) {
  { Session init(entorno.servidor()); init.Ok("CREATE DATABASE lib"); }
  OdbcEnv env(SQL_OV_ODBC2);
  OdbcConn dbc(env);
  SQLSetConnectAttr(dbc.h, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
  SQLSetConnectAttr(dbc.h, 1204, reinterpret_cast<SQLPOINTER>(1), SQL_IS_INTEGER);
  ASSERT_EQ(dbc.Connect(DriverText(entorno.servidor(), "sa", "", "lib")), SQL_SUCCESS);
  OdbcStmt st(dbc);
  ASSERT_EQ(st.Exec("USE lib"), SQL_SUCCESS_WITH_INFO);
  SQLCHAR state[6];
  SQLINTEGER native;
  SQLCHAR message[511];
  SQLSMALLINT len;
  ASSERT_EQ(SQLError(env.h, dbc.h, st.h, state, &native, message, 511, &len), SQL_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(state)), "01000");
  ASSERT_EQ(st.Exec("CREATE TABLE T1 (C1 char(6) NOT NULL, C2 int)"), SQL_SUCCESS);
  for (int i = 0; i < 20; ++i)
    ASSERT_EQ(st.Exec("INSERT INTO T1 VALUES ('k" + std::to_string(100 + i) + "', " +
                      std::to_string(i) + ")"),
              SQL_SUCCESS);
  // The SELECT builder: close, cursor type, concurrency, rowset size, all with SQL_NTS.
  const SQLULEN kLote = 15;
  SQLFreeStmt(st.h, SQL_CLOSE);
  SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
  SetAttr(st.h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_READ_ONLY);
  SetAttr(st.h, SQL_ATTR_ROW_ARRAY_SIZE, kLote);
  ASSERT_EQ(st.Exec("SELECT * FROM T1 ORDER BY C1"), SQL_SUCCESS);
  char c1[kLote][7];
  SQLINTEGER c2[kLote];
  SQLLEN i1[kLote], i2[kLote];
  SQLBindCol(st.h, 1, SQL_C_CHAR, c1, 7, i1);
  SQLBindCol(st.h, 2, SQL_C_LONG, c2, sizeof(SQLINTEGER), i2);
  SQLULEN leidas = 0;
  SQLUSMALLINT estados[kLote + 1];
  ASSERT_EQ(SQLExtendedFetch(st.h, SQL_FETCH_NEXT, kLote, &leidas, estados), SQL_SUCCESS);
  EXPECT_EQ(leidas, kLote);
  EXPECT_EQ(std::string(c1[0]), "k100  ");  // char(6) is blank-padded
  EXPECT_EQ(c2[14], 14);
  ASSERT_EQ(SQLExtendedFetch(st.h, SQL_FETCH_NEXT, kLote, &leidas, estados), SQL_SUCCESS);
  EXPECT_EQ(leidas, 5u);
  EXPECT_EQ(std::string(c1[4]), "k119  ");
  EXPECT_EQ(estados[4], SQL_ROW_SUCCESS);
  EXPECT_EQ(estados[5], SQL_ROW_NOROW);
  EXPECT_EQ(SQLExtendedFetch(st.h, SQL_FETCH_NEXT, kLote, &leidas, estados), SQL_NO_DATA);
  // Databases run in WAL mode: bytes 18 and 19 of the file header are 2.
  std::string header = LeeTodo(entorno.servidor() + "/lib.db").substr(0, 20);
  ASSERT_EQ(header.size(), 20u);
  EXPECT_EQ(header[18], 2);
  EXPECT_EQ(header[19], 2);
}

}  // namespace
