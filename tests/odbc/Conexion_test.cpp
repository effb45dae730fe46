// Connections, statements and result checks against the embedded engine.
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/Chk.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

namespace {

class Conexion : public ConServidor {
 protected:
  void TearDown() override { DelCnxOdbc(c); }
  CnxOdbc* Abre(const char* base = nullptr, const char* usr = nullptr, const char* pwd = nullptr) {
    return NvaCnxOdbc(entorno.servidor().c_str(), base, usr, pwd);
  }
  void AbreC() {
    c = Abre();
    ASSERT_NE(c, nullptr);
  }
  CnxOdbc* c = nullptr;
};

TEST_F(Conexion, DefaultsAndFailures) {
  AbreC();
  EXPECT_STREQ(c->nomBase, "master");
  EXPECT_STREQ(c->dsnAlterno, "master");
  ASSERT_EQ(SqlDirecto(c->hdbc, "CREATE LOGIN ana WITH PASSWORD = 'secreta'"), SQL_SUCCESS);
  CnxOdbc* ana = Abre(nullptr, "ana", "secreta");
  EXPECT_NE(ana, nullptr);
  DelCnxOdbc(ana);
  EXPECT_EQ(Abre(nullptr, "nadie", ""), nullptr);  // a wrong password, database or server: Grupo
  EXPECT_EQ(NvaCnxOdbc(nullptr, nullptr, nullptr, nullptr), nullptr);
  DelCnxOdbc(nullptr);
  // A connection text over the 200-byte buffer is never sent cut: cut right after "PWD=;" it
  // would connect to master in place of the missing database.
  const size_t kServidor = 199 - strlen("DRIVER={SQL Server};SERVER=") - strlen(";UID=sa;PWD=;");
  std::string largo = entorno.raiz() + "/";
  largo += std::string(kServidor - largo.size(), 's');
  ASSERT_EQ(mkdir(largo.c_str(), 0700), 0);
  EXPECT_FALSE(Existe(entorno.log()));
  EXPECT_EQ(NvaCnxOdbc(largo.c_str(), "nodb", nullptr, nullptr), nullptr);
  // ... and the record says so, naming the server but never the password.
  EXPECT_EQ(NvaCnxOdbc(largo.c_str(), "nodb", "sa", "clave-secreta"), nullptr);
  std::string l = entorno.LeeLog();
  EXPECT_EQ(Registros(l), 2) << l;
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 100--" + largo + "\r\nConnection text longer than "
                          "199 characters: not sent.\r\n")) << l;
  EXPECT_FALSE(Contiene(l, "clave-secreta")) << l;
}

TEST_F(Conexion, DataSourceRoute) {
  // A data source of the test's own, in a user ini file.
  std::string ini = entorno.raiz() + "/odbc.ini";
  EscribeTodo(ini, "[zorbprueba]\nDriver = SQL Server\nServer = " + entorno.servidor() +
                       "\nDatabase = master\n");
  setenv("ODBCINI", ini.c_str(), 1);
  c = NvaCnxOdbc("DSN-zorbprueba", "ignored", "sa", "");
  EXPECT_STREQ(c ? c->nomBase : "(no connection)", "ignored");
  // The prefix is case-sensitive: "dsn-..." is a server name, and no such server exists.
  EXPECT_EQ(NvaCnxOdbc("dsn-zorbprueba", nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(NvaCnxOdbc("DSN-nosuchsource", nullptr, nullptr, nullptr), nullptr);
  // Fallback: when the driver text fails, the database name is tried as a data source with sa.
  CnxOdbc* d = NvaCnxOdbc((entorno.raiz() + "/missing").c_str(), "zorbprueba", "x", "y");
  EXPECT_NE(d, nullptr) << "fallback through the data source named like the database";
  DelCnxOdbc(d);
  unsetenv("ODBCINI");
}

// IniTransaccion and FinTransaccion are the cursor tests' (Escritura, Procesos): a lock's
// commit and autocommit after it.
TEST_F(Conexion, ChecksIgnoreExpectedStatesAndLogTheRest) {
  AbreC();
  int ok = 0;
  SentTabla s(c, "NOHAY", 0, &ok, nullptr);
  ASSERT_EQ(ok, 1);
  EXPECT_STREQ(s.opcion, "");
  EXPECT_EQ(s.estFilas[0], 0) << "a rowset of 0 still has one status entry";
  s.ExecTexto("drop table ", "NOHAY");  // the suffix is appended
  EXPECT_EQ(s.ret, SQL_ERROR);
  EXPECT_EQ(ChkSent(&s, 115, "", "S0002"), 0);
  EXPECT_STREQ(s.sqlState, "S0002") << "ODBC 2 form of the state";
  EXPECT_FALSE(Existe(entorno.log()));
  EXPECT_EQ(ChkSent(&s, 115, ""), 1);
  std::string log = entorno.LeeLog();
  EXPECT_TRUE(Contiene(log, "\r\nError SQL 115-S0002-\r\n[ZORB][Engine]")) << log;
  EXPECT_TRUE(Contiene(log, "\r\nSentencia SQL: \r\ndrop table NOHAY\r\n"));

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
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "Error SQL 110-S0002-NOHAY\r\n"));
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

}  // namespace
