// Connections, statements and result checks against the embedded engine.
#include <cstdlib>
#include <cstring>
#include <string>

#include "Entorno.h"
#include "odbc/Chk.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

namespace {

class Conexion : public ConServidor {
 protected:
  CnxOdbc* Abre(const char* base = nullptr, const char* usr = nullptr, const char* pwd = nullptr) {
    return NvaCnxOdbc(entorno.servidor().c_str(), base, usr, pwd);
  }
  // Runs a text on a fresh statement; returns its SQLRETURN.
  SQLRETURN Ejecuta(CnxOdbc* c, const char* texto) {
    int ok = 0;
    SentOdbc s(c, 1, &ok, "");
    EXPECT_EQ(ok, 1);
    return s.ExecTexto(texto, nullptr);
  }
  // The single integer a query returns, or -999.
  long Cuenta(CnxOdbc* c, const char* texto) {
    int ok = 0;
    SentOdbc s(c, 1, &ok, "");
    if (!SQL_SUCCEEDED(s.ExecTexto(texto, nullptr))) return -999;
    SQLINTEGER v = -999;
    SQLLEN ind = 0;
    s.BindCol(1, SQL_C_LONG, &v, 0, &ind);
    if (!SQL_SUCCEEDED(s.Fetch())) return -999;
    return v;
  }
  void Comprueba(CnxOdbc* c);
  void Envuelve(CnxOdbc* c);
};

TEST_F(Conexion, DefaultsGiveMasterAndKeepBothNames) {
  for (const char* base : {static_cast<const char*>(nullptr), ""}) {
    CnxOdbc* c = Abre(base, "", nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->nomBase, "master");
    EXPECT_STREQ(c->dsnAlterno, "master");
    EXPECT_NE(c->hdbc, nullptr);
    DelCnxOdbc(c);
  }
  DelCnxOdbc(nullptr);
}

TEST_F(Conexion, FailuresGiveNull) {
  CnxOdbc* c = Abre();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Ejecuta(c, "CREATE LOGIN ana WITH PASSWORD = 'secreta'"), SQL_SUCCESS);
  DelCnxOdbc(c);
  c = Abre(nullptr, "ana", "secreta");
  EXPECT_NE(c, nullptr);
  DelCnxOdbc(c);
  EXPECT_EQ(Abre(nullptr, "ana", "otra"), nullptr);
  EXPECT_EQ(Abre(nullptr, "nadie", ""), nullptr);
  EXPECT_EQ(Abre("nodb"), nullptr);
  EXPECT_EQ(NvaCnxOdbc((entorno.raiz() + "/missing").c_str(), nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(NvaCnxOdbc(nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Conexion, DataSourceRoute) {
  // A data source of the test's own, in a user ini file.
  std::string ini = entorno.raiz() + "/odbc.ini";
  EscribeTodo(ini, "[zorbprueba]\nDriver = SQL Server\nServer = " + entorno.servidor() +
                       "\nDatabase = master\n");
  setenv("ODBCINI", ini.c_str(), 1);
  CnxOdbc* c = NvaCnxOdbc("DSN-zorbprueba", "ignored", "sa", "");
  EXPECT_NE(c, nullptr);
  if (c) {
    EXPECT_STREQ(c->nomBase, "ignored");
  }
  DelCnxOdbc(c);
  // The prefix is case-sensitive: "dsn-..." is a server name, and no such server exists.
  EXPECT_EQ(NvaCnxOdbc("dsn-zorbprueba", nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(NvaCnxOdbc("DSN-nosuchsource", nullptr, nullptr, nullptr), nullptr);
  // Fallback: when the driver text fails, the database name is tried as a data source with sa.
  c = NvaCnxOdbc((entorno.raiz() + "/missing").c_str(), "zorbprueba", "x", "y");
  EXPECT_NE(c, nullptr) << "fallback through the data source named like the database";
  DelCnxOdbc(c);
  unsetenv("ODBCINI");
}

TEST_F(Conexion, TransactionsCommitAtTheEnd) {
  CnxOdbc* a = Abre();
  CnxOdbc* b = Abre();
  ASSERT_TRUE(a && b);
  ASSERT_EQ(Ejecuta(a, "create table T (C1 int)"), SQL_SUCCESS);
  EXPECT_EQ(IniTransaccion(a), SQL_SUCCESS);
  EXPECT_EQ(Ejecuta(a, "insert T values (1)"), SQL_SUCCESS);
  EXPECT_EQ(Cuenta(a, "select count(*) from T"), 1);
  EXPECT_EQ(Cuenta(b, "select count(*) from T"), 0) << "not committed yet";
  EXPECT_EQ(FinTransaccion(a), SQL_SUCCESS);
  EXPECT_EQ(Cuenta(b, "select count(*) from T"), 1);
  EXPECT_STREQ(a->sqlState, "");
  // Ending a transaction that was never begun still switches autocommit on.
  EXPECT_EQ(FinTransaccion(b), SQL_SUCCESS);
  EXPECT_EQ(Ejecuta(b, "insert T values (2)"), SQL_SUCCESS);
  EXPECT_EQ(Cuenta(a, "select count(*) from T"), 2);
  DelCnxOdbc(a);
  DelCnxOdbc(b);
}

TEST_F(Conexion, ChecksIgnoreExpectedStatesAndLogTheRest) {
  CnxOdbc* c = Abre();
  ASSERT_NE(c, nullptr);
  Comprueba(c);
  DelCnxOdbc(c);
}

void Conexion::Comprueba(CnxOdbc* c) {
  int ok = 0;
  SentTabla s(c, "NOHAY", 1, &ok, "");
  ASSERT_EQ(ok, 1);
  s.ExecTexto("drop table ", "NOHAY");
  EXPECT_EQ(s.ret, SQL_ERROR);
  EXPECT_EQ(ChkSent(&s, 115, "", "S0002"), 0);
  EXPECT_STREQ(s.sqlState, "S0002") << "ODBC 2 form of the state";
  EXPECT_FALSE(Existe(entorno.log()));

  EXPECT_EQ(ChkSent(&s, 115, ""), 1);
  std::string log = entorno.LeeLog();
  EXPECT_NE(log.find("\r\nError SQL 115-S0002-\r\n[ZORB][Engine]"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nSentencia SQL: \r\ndrop table NOHAY\r\n"), std::string::npos);

  // A warning whose state is ignored keeps its state and message in the object.
  s.ExecTexto("USE master", nullptr);
  EXPECT_EQ(s.ret, SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(ChkSent(&s, 114, "", "08004", "01000"), 0);
  EXPECT_STREQ(s.sqlState, "01000");
  EXPECT_NE(strstr(s.mensaje, "Changed database context to 'master'."), nullptr);

  // ClasificaErr: the repeat states ask for a repeat and are never logged.
  int repetir = 7;
  EXPECT_EQ(ClasificaErr(&s, 110, &repetir), 0);
  EXPECT_EQ(repetir, 0);
  s.ExecTexto("select * from ", "NOHAY");
  EXPECT_EQ(ClasificaErr(&s, 110, &repetir, "S0002"), 0);
  EXPECT_EQ(repetir, 1);
  EXPECT_EQ(ClasificaErr(&s, 110, &repetir), 1);
  EXPECT_NE(entorno.LeeLog().find("Error SQL 110-S0002-NOHAY\r\n"), std::string::npos);
  s.ExecTexto("select 1", nullptr);
  EXPECT_EQ(ClasificaErr(&s, 110, &repetir), 0);
  EXPECT_EQ(repetir, 1);
  s.Cierra();

  // LeeDiag reads whatever the last call left.
  s.ExecTexto("select * from ", "NOHAY");
  const char* m = LeeDiag(&s);
  ASSERT_NE(m, nullptr);
  EXPECT_NE(strstr(m, "Invalid object name 'NOHAY'."), nullptr);
  s.ExecTexto("select 1", nullptr);
  EXPECT_EQ(LeeDiag(&s), nullptr);
  s.Cierra();
}

TEST_F(Conexion, WrappersReportTheirCalls) {
  CnxOdbc* c = Abre();
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(Ejecuta(c, "create table T (C1 int, C2 char(4))"), SQL_SUCCESS);
  Envuelve(c);
  DelCnxOdbc(c);
}

void Conexion::Envuelve(CnxOdbc* c) {
  int ok = 0;
  SentOdbc s(c, 0, &ok, nullptr);
  ASSERT_EQ(ok, 1);
  EXPECT_STREQ(s.opcion, "");
  EXPECT_EQ(s.estFilas[0], 0) << "a rowset of 0 still has one status entry";
  EXPECT_EQ(s.ExecTexto("insert T values (1,'a'); insert T values (2,'b')", nullptr), SQL_SUCCESS);
  EXPECT_EQ(s.ExecTexto("update T set C2 = 'z'", " where C1 >= 1"), SQL_SUCCESS);
  EXPECT_STREQ(s.sentencia, "update T set C2 = 'z' where C1 >= 1");
  SQLLEN n = 0;
  EXPECT_EQ(s.RowCount(&n), SQL_SUCCESS);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(s.ExecTexto("select C1, C2 from T order by C1", nullptr), SQL_SUCCESS);
  SQLSMALLINT cols = 0;
  EXPECT_EQ(s.NumResultCols(&cols), SQL_SUCCESS);
  EXPECT_EQ(cols, 2);
  SQLINTEGER v = 0;
  SQLLEN ind = 0;
  EXPECT_EQ(s.BindCol(1, SQL_C_LONG, &v, 0, &ind), SQL_SUCCESS);
  EXPECT_EQ(s.Fetch(), SQL_SUCCESS);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(s.Fetch(), SQL_SUCCESS);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(s.Fetch(), SQL_NO_DATA);
  EXPECT_EQ(s.ret, SQL_NO_DATA);
  EXPECT_EQ(s.Desliga(), SQL_SUCCESS);
  EXPECT_EQ(s.Cierra(), SQL_SUCCESS);
}

}  // namespace
