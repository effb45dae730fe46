// unixODBC's isql and data sources against the engine, with registration files of the test's
// own (a named server under a DataRoot of its own).
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "CreaServidor.h"
#include "Entorno.h"
#include "Odbc.h"

namespace {

class DataSources : public ConServidor {
 protected:
  void SetUp() override {
    etc = entorno.raiz() + "/etc";
    root = entorno.raiz() + "/servers";
    mkdir(etc.c_str(), 0700);
    mkdir(root.c_str(), 0700);
    ASSERT_TRUE(CreaServidor(root + "/nombrado"));
    EscribeTodo(etc + "/odbcinst.ini", "[SQL Server]\nDriver = " ZORB_LIB_DIR
                                       "/libzorbengine.so\nDataRoot = " + root + "\n");
    EscribeTodo(etc + "/odbc.ini",
                "[porNombre]\nDriver = SQL Server\nServer = nombrado\nDatabase = master\n\n"
                "[porRuta]\nDriver = SQL Server\nServer = " + entorno.servidor() +
                    "\nDatabase = tienda\n\n"
                    "[fuera]\nDriver = SQL Server\nServer = ../nombrado\n\n"
                    "[sinBase]\nDriver = SQL Server\nServer = nombrado\nDatabase = falta\n");
  }
  // Runs isql on a data source with the given input; returns what it printed.
  std::string Isql(const std::string& dsn, const std::string& password, const std::string& input) {
    std::string in = entorno.raiz() + "/input.sql";
    EscribeTodo(in, input);
    // A sanitizer build's driver needs its runtime loaded first, also in isql.
#ifdef ZORB_PRELOAD
    std::string pre = "LD_PRELOAD='" ZORB_PRELOAD "' ASAN_OPTIONS=detect_leaks=0 ";
#else
    std::string pre;
#endif
    std::string cmd = pre + "ODBCSYSINI='" + etc + "' ODBCINI='" + etc + "/odbc.ini' isql -v -b " +
                      dsn + " sa '" + password + "' < '" + in + "' 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
  }
  std::string etc, root;
};

TEST_F(DataSources, IsqlConnectsToANamedServerAndRunsASelect) {
  std::string out = Isql("porNombre", "",
                         "CREATE TABLE fruta (nombre varchar(20), kilos int)\n"
                         "INSERT INTO fruta VALUES ('manzana', 12)\n"
                         "INSERT INTO fruta VALUES ('pera', 7)\n"
                         "SELECT nombre, kilos FROM fruta ORDER BY kilos\n");
  EXPECT_NE(out.find("pera"), std::string::npos) << out;
  EXPECT_NE(out.find("manzana"), std::string::npos) << out;
  EXPECT_LT(out.find("pera"), out.find("manzana")) << out;
  EXPECT_NE(out.find("12"), std::string::npos) << out;
  // The named server is the one under the DataRoot.
  std::string master = LeeTodo(root + "/nombrado/master.db");
  EXPECT_NE(master.find("manzana"), std::string::npos) << "fruta is in another server";
}

TEST_F(DataSources, IsqlReportsConnectionErrors) {
  std::string out = Isql("porNombre", "mala", "SELECT 1\n");
  EXPECT_NE(out.find("28000"), std::string::npos) << out;
  EXPECT_NE(out.find("[ZORB][Engine]Login failed for user 'sa'."), std::string::npos) << out;
  out = Isql("fuera", "", "SELECT 1\n");
  EXPECT_NE(out.find("08001"), std::string::npos) << out;
  out = Isql("sinBase", "", "SELECT 1\n");
  EXPECT_NE(out.find("08004"), std::string::npos) << out;
  out = Isql("porNombre", "", "SELECT * FROM nada\n");
  EXPECT_NE(out.find("Invalid object name 'nada'."), std::string::npos) << out;
}

TEST_F(DataSources, SqlConnectReadsServerAndDatabaseOfTheDataSource) {
  {
    Session s(entorno.servidor());
    s.Ok("CREATE DATABASE tienda");
  }
  // The user data source file of this test; the driver manager reads it by name.
  setenv("ODBCINI", (etc + "/odbc.ini").c_str(), 1);
  OdbcEnv env;
  OdbcConn conn(env);
  SQLRETURN rc = SQLConnect(conn.h, (SQLCHAR*)"porRuta", SQL_NTS, (SQLCHAR*)"sa", SQL_NTS,
                            (SQLCHAR*)"", SQL_NTS);
  conn.connected = SQL_SUCCEEDED(rc);
  unsetenv("ODBCINI");
  ASSERT_EQ(rc, SQL_SUCCESS) << conn.diag().state << " " << conn.diag().message;
  char name[64] = {0};
  SQLINTEGER len = 0;
  SQLGetConnectAttr(conn.h, SQL_ATTR_CURRENT_CATALOG, name, sizeof name, &len);
  EXPECT_EQ(std::string(name), "tienda");
}

}  // namespace
