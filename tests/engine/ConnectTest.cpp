// Connecting: driver texts, servers, logins, databases and the errors SQL Server's driver gives.
#include <sys/stat.h>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Connect : public ConServidor {};

// A database made by CREATE DATABASE and SQLite's companion files are private like master.db;
// databases run in WAL mode (bytes 18 and 19 of the file header are 2).
TEST_F(Connect, NewDatabasesArePrivateFilesInWalMode) {
  Session s(entorno.servidor());
  s.Ok("CREATE DATABASE Ventas");
  for (const char* f : {"/master.db-wal", "/ventas.db"}) {
    struct stat st;
    ASSERT_EQ(stat((entorno.servidor() + f).c_str(), &st), 0) << f;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << f;
  }
  EXPECT_EQ(LeeTodo(entorno.servidor() + "/ventas.db").substr(18, 2), std::string("\2\2"));
  Session again(entorno.servidor(), SQL_OV_ODBC3, "VENTAS");
  EXPECT_TRUE(again.conn.connected);
}

// Driver texts as the driver manager passes them, and the failures with SQL Server's texts.
TEST_F(Connect, ConnectionTextsAndFailures) {
  const std::string srv = entorno.servidor();
  const std::string noServer = "SQL Server does not exist or access denied.";
  const Caso cases[] = {
      {DriverText(srv, "sa", "wrong"), SQL_ERROR, "28000", 18456, "Login failed for user 'sa'."},
      {DriverText(srv, "nadie", ""), SQL_ERROR, "28000", 18456, "Login failed for user 'nadie'."},
      {DriverText(srv, "sa", "", "falta"), SQL_ERROR, "08004", 4060,
       "Cannot open database \"falta\" requested by the login. The login failed."},
      {DriverText("../servidor"), SQL_ERROR, "08001", 17, noServer},
      {DriverText("a/b"), SQL_ERROR, "08001", 17, noServer},
      {DriverText(entorno.raiz() + "/../" + entorno.raiz().substr(5) + "/servidor"), SQL_ERROR,
       "08001", 17, noServer},
      {DriverText(srv, "sa", "", "../master"), SQL_ERROR, "08004", 4060,
       "Cannot open database \"../master\" requested by the login. The login failed."},
      {"driver={SQL Server};server=" + srv + ";uid=sa;pwd=;database=master", SQL_SUCCESS},
      {"DRIVER={SQL Server};SERVER={" + srv + "};UID={sa};PWD={};DATABASE={MASTER}", SQL_SUCCESS},
      {"DRIVER={SQL Server}; SERVER = " + srv + " ;UID=sa;;PWD=", SQL_SUCCESS},
      // First occurrence wins.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID=sa;UID=otro", SQL_SUCCESS},
      // Unknown keywords connect with a warning.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID=sa;APP=x", SQL_SUCCESS_WITH_INFO, "01S00", -1},
      // Malformed texts, no server at all.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID", SQL_ERROR, "08001", -1},
      {"DRIVER={SQL Server};SERVER={" + srv + ";UID=sa", SQL_ERROR, "08001", -1},
      {"DRIVER={SQL Server};SERVER={" + srv + "}x;UID=sa", SQL_ERROR, "08001", -1},
      {"DRIVER={SQL Server};=x;SERVER=" + srv, SQL_ERROR, "08001", -1},
      {"DRIVER={SQL Server};UID=sa", SQL_ERROR, "08001", -1},
      {"DRIVER={SQL Server};SERVER=;UID=sa", SQL_ERROR, "08001", -1},
  };
  for (const Caso& c : cases) {
    OdbcEnv env;
    OdbcConn conn(env);
    EXPECT_EQ(Rc(conn.Connect(c.sql)), Rc(c.rc)) << c.sql << " " << conn.diag().message;
    Diag d = conn.diag();
    EXPECT_EQ(d.state, c.state) << c.sql;
    EXPECT_TRUE(c.native < 0 || d.native == c.native) << c.sql << " " << d.native;
    EXPECT_TRUE(c.message.empty() || d.message == "[ZORB][Engine]" + c.message)
        << c.sql << " " << d.message;
  }
  // A failed login does not initialise or change anything: sa still has the empty password.
  Session s(entorno.servidor());
  EXPECT_TRUE(s.conn.connected);
}

TEST_F(Connect, TextIsReadUpToTheGivenLengthOrTheFirstNul) {
  OdbcEnv env;
  const std::string text = DriverText(entorno.servidor());
  const std::string withDb = DriverText(entorno.servidor(), "sa", "", "falta");
  SQLCHAR out[16];
  SQLSMALLINT outLen = 0;
  auto connect = [&](const std::string& t, SQLSMALLINT length, SQLCHAR* o, SQLUSMALLINT mode) {
    OdbcConn conn(env);
    SQLRETURN rc = SQLDriverConnect(conn.h, nullptr, (SQLCHAR*)t.c_str(), length, o,
                                    o ? sizeof out : 0, o ? &outLen : nullptr, mode);
    conn.connected = SQL_SUCCEEDED(rc);
    return std::make_pair(Rc(rc), conn.diag().state);
  };
  // Length shorter than the text: the database part is cut off, so master is used.
  EXPECT_EQ(connect(withDb, SQLSMALLINT(withDb.size() - 15), nullptr, SQL_DRIVER_NOPROMPT),
            std::make_pair(Rc(SQL_SUCCESS), std::string()));
  // Only NOPROMPT completion.
  EXPECT_EQ(connect(text, SQL_NTS, nullptr, SQL_DRIVER_COMPLETE),
            std::make_pair(Rc(SQL_ERROR), std::string("HYC00")));
  // The completed text comes back, cut to the buffer with 01004.
  EXPECT_EQ(connect(text, SQL_NTS, out, SQL_DRIVER_NOPROMPT),
            std::make_pair(Rc(SQL_SUCCESS_WITH_INFO), std::string("01004")));
  EXPECT_GT(outLen, 15);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), std::string("DRIVER={SQL Ser"));
}

// Values holding ';', '{', '}', '=' or edge blanks travel braced, '}' doubled, both ways.
TEST_F(Connect, BracedValuesAreReadAndReturnedExactly) {
  {
    Session sa(entorno.servidor());
    sa.Ok("CREATE LOGIN [we;ird=] WITH PASSWORD = '{p;w}=d} '");
  }
  const std::string srv = entorno.servidor();
  const std::string text =
      "DRIVER={SQL Server};SERVER=" + srv + ";UID={we;ird=};PWD={{p;w}}=d}} };DATABASE=master";
  OdbcEnv env;
  for (int vuelta = 0; vuelta < 2; ++vuelta) {
    OdbcConn conn(env);
    SQLCHAR out[300] = {0};
    SQLSMALLINT outLen = 0;
    SQLRETURN rc = SQLDriverConnect(conn.h, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out,
                                    sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
    conn.connected = SQL_SUCCEEDED(rc);
    ASSERT_EQ(Rc(rc), Rc(SQL_SUCCESS)) << conn.diag().message;
    // The completed text connects again as it is.
    EXPECT_EQ(std::string((char*)out), text);
  }
  for (const std::string& wrong :
       {"DRIVER={SQL Server};SERVER=" + srv + ";UID={we;ird=};PWD={{p;w}}=d} }",
        "DRIVER={SQL Server};SERVER=" + srv + ";UID={we;ird=};PWD={{p;w}}=d}}}",
        "DRIVER={SQL Server};SERVER={" + srv + ";UID=sa}"}) {
    OdbcConn conn(env);
    EXPECT_EQ(conn.Connect(wrong), SQL_ERROR) << wrong;
  }
}

TEST_F(Connect, LoginsAreManagedBySaOnly) {
  Session sa(entorno.servidor());
  Comprueba(sa, {{"CREATE LOGIN pepe WITH PASSWORD = 'cl''ave', DEFAULT_DATABASE = master",
                  SQL_SUCCESS},
                 {"CREATE LOGIN PEPE WITH PASSWORD = 'x'", SQL_ERROR, "42000", 15025}});

  OdbcEnv env;
  {
    OdbcConn pepe(env);
    EXPECT_EQ(pepe.Connect(DriverText(entorno.servidor(), "pepe", "cl'ave")), SQL_SUCCESS)
        << pepe.diag().message;
    OdbcStmt st(pepe);
    for (const char* sql : {"CREATE LOGIN otro WITH PASSWORD = 'x'",
                            "ALTER LOGIN sa WITH PASSWORD = 'robada'", "DROP LOGIN sa"}) {
      EXPECT_EQ(st.Exec(sql), SQL_ERROR) << sql;
      EXPECT_EQ(st.diag().state, "42000") << sql;
      EXPECT_EQ(st.diag().native, 15247) << sql;
    }
    // No login reads or changes the stored logins: their salts and hashes stay inside.
    for (const char* sql : {"SELECT * FROM sys_logins", "select hash from master..sys_logins",
                            "UPDATE sys_logins SET hash = x'00'", "DELETE FROM sys_logins",
                            "DROP TABLE sys_logins"}) {
      EXPECT_EQ(st.Exec(sql), SQL_ERROR) << sql;
      EXPECT_EQ(sa.Exec(sql), SQL_ERROR) << sql;
    }
    Comprueba(sa, {{"drop table sys_logins", SQL_ERROR, "42S02", 3701,
                    "Cannot drop the table 'sys_logins', because it does not exist or you do not "
                    "have permission."},
                   {"DROP TABLE sqlite_master", SQL_ERROR, "42S02", 3701}});
    OdbcConn wrong(env);
    EXPECT_EQ(wrong.Connect(DriverText(entorno.servidor(), "pepe", "clave")), SQL_ERROR);
  }
  sa.Ok("ALTER LOGIN pepe WITH PASSWORD = 'nueva'");
  {
    OdbcConn old(env);
    EXPECT_EQ(old.Connect(DriverText(entorno.servidor(), "pepe", "cl'ave")), SQL_ERROR);
    OdbcConn changed(env);
    EXPECT_EQ(changed.Connect(DriverText(entorno.servidor(), "pepe", "nueva")), SQL_SUCCESS);
  }
  sa.Ok("DROP LOGIN pepe");
  {
    OdbcConn gone(env);
    EXPECT_EQ(gone.Connect(DriverText(entorno.servidor(), "pepe", "nueva")), SQL_ERROR);
    EXPECT_EQ(gone.diag().native, 18456);
  }
  Comprueba(sa, {{"DROP LOGIN pepe", SQL_ERROR, "42000", 15151},
                 {"ALTER LOGIN nadie WITH PASSWORD = 'x'", SQL_ERROR, "42000", 15151},
                 {"ALTER LOGIN sa WITH DEFAULT_LANGUAGE = us_english", SQL_SUCCESS},
                 {"ALTER LOGIN sa WITH DEFAULT_LANGUAGE = [Espa\xf1ol]", SQL_SUCCESS},
                 {"ALTER LOGIN sa WITH DEFAULT_LANGUAGE = Spanish", SQL_SUCCESS},
                 {"ALTER LOGIN sa WITH DEFAULT_LANGUAGE = klingon", SQL_ERROR, "42000", -1},
                 {"DROP LOGIN sa", SQL_ERROR}});
  // Logins live in master.db, not in plain text.
  std::string master = LeeTodo(entorno.servidor() + "/master.db");
  EXPECT_EQ(master.find("cl'ave"), std::string::npos);
}

TEST_F(Connect, ConnectionAttributes) {
  Session s(entorno.servidor());
  s.Ok("CREATE DATABASE otra");
  SQLHDBC h = s.conn.h;
  // Attributes the library sets, as it sets them; an unknown one is refused.
  for (auto [attr, value, length] : {std::tuple<SQLINTEGER, SQLULEN, SQLINTEGER>{
           SQL_ATTR_LOGIN_TIMEOUT, 5, 0}, {SQL_ATTR_TXN_ISOLATION, SQL_TXN_READ_COMMITTED, 0},
           {1204, 1, SQL_IS_INTEGER}, {SQL_ATTR_CONNECTION_TIMEOUT, 9, SQL_NTS}})
    EXPECT_EQ(SQLSetConnectAttr(h, attr, reinterpret_cast<SQLPOINTER>(value), length), SQL_SUCCESS)
        << attr;
  EXPECT_EQ(SQLSetConnectAttr(h, 1299, reinterpret_cast<SQLPOINTER>(4096), 0), SQL_ERROR);
  EXPECT_EQ(s.conn.diag().state, "HY092");
  // The current catalog works as USE.
  EXPECT_EQ(SQLSetConnectAttr(h, SQL_ATTR_CURRENT_CATALOG, (SQLPOINTER) "OTRA", SQL_NTS),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.conn.diag().native, 5701);
  char name[64] = {0};
  SQLINTEGER len = 0;
  EXPECT_EQ(SQLGetConnectAttr(h, SQL_ATTR_CURRENT_CATALOG, name, sizeof name, &len), SQL_SUCCESS);
  EXPECT_EQ(std::string(name), "otra");
  EXPECT_EQ(SQLSetConnectAttr(h, SQL_ATTR_CURRENT_CATALOG, const_cast<char*>("falta"), SQL_NTS),
            SQL_ERROR);
  EXPECT_EQ(s.conn.diag().state, "08004");
  // Enough of SQLGetInfo and SQLGetFunctions for general clients.
  char dbms[64] = {0};
  SQLSMALLINT l = 0;
  EXPECT_EQ(SQLGetInfo(h, SQL_DBMS_NAME, dbms, sizeof dbms, &l), SQL_SUCCESS);
  EXPECT_NE(std::string(dbms).find("SQL Server"), std::string::npos);
  SQLUSMALLINT supported = 0;
  EXPECT_EQ(SQLGetFunctions(h, SQL_API_SQLEXTENDEDFETCH, &supported), SQL_SUCCESS);
  EXPECT_EQ(supported, SQL_TRUE);
}

}  // namespace
