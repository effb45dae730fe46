// Connecting: driver texts, servers, logins, databases and the errors SQL Server's driver gives.
#include <sys/stat.h>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Connect : public ConServidor {};

TEST_F(Connect, FirstConnectionInitialisesTheServerWithSaAndPrivateFiles) {
  std::string master = entorno.servidor() + "/master.db";
  ASSERT_FALSE(Existe(master));
  {
    Session s(entorno.servidor());
    ASSERT_TRUE(s.conn.connected);
    EXPECT_EQ(s.stmt->Query("select 1 as uno"), (std::vector<std::vector<std::string>>{{"1"}}));
    struct stat st;
    ASSERT_EQ(stat(master.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Companion files of SQLite share the database's permissions.
    std::string wal = master + "-wal";
    if (stat(wal.c_str(), &st) == 0) {
      EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    s.Ok("CREATE DATABASE Ventas");
    ASSERT_EQ(stat((entorno.servidor() + "/ventas.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  // A second connection finds the same server again.
  Session again(entorno.servidor(), SQL_OV_ODBC3, "VENTAS");
  EXPECT_TRUE(again.conn.connected);
}

// Driver texts as the driver manager passes them, and the failures with SQL Server's texts.
TEST_F(Connect, ConnectionTextsAndFailures) {
  { Session init(entorno.servidor()); }
  const std::string srv = entorno.servidor();
  const std::string noServer = "SQL Server does not exist or access denied.";
  struct Case {
    std::string text;
    SQLRETURN rc;
    std::string state;
    SQLINTEGER native;  // < 0: not checked
    std::string message;
  } cases[] = {
      {DriverText(srv, "sa", "wrong"), SQL_ERROR, "28000", 18456, "Login failed for user 'sa'."},
      {DriverText(srv, "nadie", ""), SQL_ERROR, "28000", 18456, "Login failed for user 'nadie'."},
      {DriverText(srv, "sa", "", "falta"), SQL_ERROR, "08004", 4060,
       "Cannot open database \"falta\" requested by the login. The login failed."},
      {DriverText(entorno.raiz() + "/no-existe"), SQL_ERROR, "08001", 17, noServer},
      {DriverText("../servidor"), SQL_ERROR, "08001", 17, noServer},
      {DriverText("a/b"), SQL_ERROR, "08001", 17, noServer},
      {DriverText(entorno.raiz() + "/../" + entorno.raiz().substr(5) + "/servidor"), SQL_ERROR,
       "08001", 17, noServer},
      {DriverText(srv, "sa", "", "../master"), SQL_ERROR, "08004", 4060,
       "Cannot open database \"../master\" requested by the login. The login failed."},
      {"driver={SQL Server};server=" + srv + ";uid=sa;pwd=;database=master", SQL_SUCCESS, "", 0, ""},
      {"DRIVER={SQL Server};SERVER={" + srv + "};UID={sa};PWD={};DATABASE={MASTER}", SQL_SUCCESS,
       "", 0, ""},
      {"DRIVER={SQL Server}; SERVER = " + srv + " ;UID=sa;;PWD=", SQL_SUCCESS, "", 0, ""},
      // First occurrence wins.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID=sa;UID=otro", SQL_SUCCESS, "", 0, ""},
      // Unknown keywords connect with a warning.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID=sa;APP=prueba", SQL_SUCCESS_WITH_INFO, "01S00",
       -1, ""},
      // Malformed texts, no server at all.
      {"DRIVER={SQL Server};SERVER=" + srv + ";UID", SQL_ERROR, "08001", -1, ""},
      {"DRIVER={SQL Server};SERVER={" + srv + ";UID=sa", SQL_ERROR, "08001", -1, ""},
      {"DRIVER={SQL Server};SERVER={" + srv + "}x;UID=sa", SQL_ERROR, "08001", -1, ""},
      {"DRIVER={SQL Server};=x;SERVER=" + srv, SQL_ERROR, "08001", -1, ""},
      {"DRIVER={SQL Server};UID=sa", SQL_ERROR, "08001", -1, ""},
      {"DRIVER={SQL Server};SERVER=;UID=sa", SQL_ERROR, "08001", -1, ""},
  };
  for (const Case& c : cases) {
    OdbcEnv env;
    OdbcConn conn(env);
    EXPECT_EQ(Rc(conn.Connect(c.text)), Rc(c.rc)) << c.text << " " << conn.diag().message;
    Diag d = conn.diag();
    EXPECT_EQ(d.state, c.state) << c.text;
    if (c.native >= 0) {
      EXPECT_EQ(d.native, c.native) << c.text;
    }
    if (!c.message.empty()) {
      EXPECT_EQ(d.message, "[ZORB][Engine]" + c.message) << c.text;
    }
  }
  // A failed login does not initialise or change anything: sa still has the empty password.
  Session s(entorno.servidor());
  EXPECT_TRUE(s.conn.connected);
}

TEST_F(Connect, TextIsReadUpToTheGivenLengthOrTheFirstNul) {
  { Session init(entorno.servidor()); }
  OdbcEnv env;
  std::string text = DriverText(entorno.servidor());
  {
    // Length shorter than the text: the database part is cut off, so master is used.
    OdbcConn conn(env);
    std::string withDb = DriverText(entorno.servidor(), "sa", "", "falta");
    SQLRETURN rc = SQLDriverConnect(conn.h, nullptr, (SQLCHAR*)withDb.c_str(),
                                    SQLSMALLINT(withDb.size() - 15), nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    conn.connected = SQL_SUCCEEDED(rc);
    EXPECT_EQ(rc, SQL_SUCCESS) << conn.diag().message;
  }
  {
    // Only NOPROMPT completion.
    OdbcConn conn(env);
    SQLRETURN rc = SQLDriverConnect(conn.h, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_COMPLETE);
    conn.connected = SQL_SUCCEEDED(rc);
    EXPECT_EQ(rc, SQL_ERROR);
    EXPECT_EQ(conn.diag().state, "HYC00");
  }
  {
    // The completed text comes back, cut to the buffer with 01004.
    OdbcConn conn(env);
    SQLCHAR out[16];
    SQLSMALLINT outLen = 0;
    SQLRETURN rc = SQLDriverConnect(conn.h, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out,
                                    sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
    conn.connected = SQL_SUCCEEDED(rc);
    EXPECT_EQ(rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(conn.diag().state, "01004");
    EXPECT_GT(outLen, 15);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), std::string("DRIVER={SQL Ser"));
  }
}

TEST_F(Connect, LoginsAreManagedBySaOnly) {
  Session sa(entorno.servidor());
  sa.Ok("CREATE LOGIN pepe WITH PASSWORD = 'cl''ave', DEFAULT_DATABASE = master");
  EXPECT_EQ(sa.Exec("CREATE LOGIN PEPE WITH PASSWORD = 'x'"), SQL_ERROR);
  EXPECT_EQ(sa.diag().native, 15025);

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
  EXPECT_EQ(sa.Exec("DROP LOGIN pepe"), SQL_ERROR);
  EXPECT_EQ(sa.diag().native, 15151);
  EXPECT_EQ(sa.Exec("ALTER LOGIN nadie WITH PASSWORD = 'x'"), SQL_ERROR);
  EXPECT_EQ(sa.diag().native, 15151);
  for (const char* language : {"us_english", "[Espa\xf1ol]", "Spanish"})
    sa.Ok(std::string("ALTER LOGIN sa WITH DEFAULT_LANGUAGE = ") + language);
  EXPECT_EQ(sa.Exec("ALTER LOGIN sa WITH DEFAULT_LANGUAGE = klingon"), SQL_ERROR);
  EXPECT_EQ(sa.diag().state, "42000");
  EXPECT_EQ(sa.Exec("DROP LOGIN sa"), SQL_ERROR);
  // Logins live in master.db, not in plain text.
  std::string master = LeeTodo(entorno.servidor() + "/master.db");
  EXPECT_EQ(master.find("cl'ave"), std::string::npos);
}

TEST_F(Connect, ConnectionAttributes) {
  Session s(entorno.servidor());
  s.Ok("CREATE DATABASE otra");
  SQLHDBC h = s.conn.h;
  EXPECT_EQ(SQLSetConnectAttr(h, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0),
            SQL_SUCCESS);
  EXPECT_EQ(SQLSetConnectAttr(h, SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_COMMITTED), 0),
            SQL_SUCCESS);
  EXPECT_EQ(SQLSetConnectAttr(h, 1204, reinterpret_cast<SQLPOINTER>(1), SQL_IS_INTEGER),
            SQL_SUCCESS);
  EXPECT_EQ(SQLSetConnectAttr(h, SQL_ATTR_CONNECTION_TIMEOUT, (SQLPOINTER)9, SQL_NTS), SQL_SUCCESS);
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
