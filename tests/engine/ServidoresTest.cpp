// Servers: a folder is one only when it was made one; a connection anywhere else fails and
// creates nothing; first connections at once never see half a server.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "CreaServidor.h"
#include "Entorno.h"
#include "Odbc.h"
#include "Procesos.h"

namespace {

class Servers : public ConServidor {};

// Every path under a folder, sorted.
std::vector<std::string> Listado(const std::string& carpeta) {
  std::vector<std::string> todo;
  DIR* d = opendir(carpeta.c_str());
  if (!d) return todo;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    todo.push_back(carpeta + "/" + n);
    for (const std::string& h : Listado(carpeta + "/" + n)) todo.push_back(h);
  }
  closedir(d);
  std::sort(todo.begin(), todo.end());
  return todo;
}

TEST_F(Servers, OnlyAFolderMadeAServerIsOne) {
  const std::string raiz = entorno.raiz();
  mkdir((raiz + "/vacia").c_str(), 0700);
  mkdir((raiz + "/datos").c_str(), 0700);
  EscribeTodo(raiz + "/datos/ventas.db", "no es una base");
  const std::vector<std::string> antes = Listado(raiz);
  for (const std::string& srv : {raiz + "/vacia", raiz + "/datos", raiz + "/falta",
                                 std::string("sin-crear"), raiz + "/datos/ventas.db"}) {
    OdbcEnv env;
    OdbcConn conn(env);
    EXPECT_EQ(conn.Connect(DriverText(srv)), SQL_ERROR) << srv;
    Diag d = conn.diag();
    EXPECT_EQ(d.state + " " + std::to_string(d.native) + " " + d.message,
              "08001 17 [ZORB][Engine]SQL Server does not exist or access denied.")
        << srv;
  }
  // Texts that name no server folder are refused before anything is made.
  for (const std::string& srv : {raiz + "/a/../b", raiz + "/a/..", std::string("../fuera"),
                                 std::string("x/../../fuera"), std::string("a/b"),
                                 std::string()}) {
    std::string error;
    EXPECT_FALSE(CreaServidor(srv, &error)) << srv;
    EXPECT_EQ(error, "SQL Server does not exist or access denied.") << srv;
  }
  EXPECT_EQ(Listado(raiz), antes);

  // Made one explicitly, parents included; again changes nothing; private and complete.
  const std::string nuevo = raiz + "/x/y/srv";
  ASSERT_TRUE(CreaServidor(nuevo));
  ASSERT_TRUE(CreaServidor(nuevo));
  EXPECT_EQ(Listado(raiz + "/x"),
            (std::vector<std::string>{raiz + "/x/y", nuevo, nuevo + "/master.db"}));
  struct stat st;
  ASSERT_EQ(stat((nuevo + "/master.db").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  Session s(nuevo);
  EXPECT_TRUE(s.conn.connected);
}

// Creating and dropping databases is for sa and the members of dbcreator, made so by sa.
TEST_F(Servers, OnlySaAndDbcreatorsMakeDatabases) {
  const std::string srv = entorno.servidor();
  Session sa(srv);
  Comprueba(sa, {{"CREATE LOGIN ana WITH PASSWORD = 'a'", SQL_SUCCESS},
                 {"CREATE LOGIN cre WITH PASSWORD = 'c'", SQL_SUCCESS},
                 {"CREATE DATABASE tienda", SQL_SUCCESS}});
  const std::string denied = "CREATE DATABASE permission denied in database 'master'.";
  auto Como = [&](const std::string& login, const std::string& clave,
                  const std::vector<Caso>& casos) {
    Session s(srv, SQL_OV_ODBC3, "master", login, clave);
    Comprueba(s, casos);
  };
  const Caso noPermission{"ALTER SERVER ROLE dbcreator ADD MEMBER ana", SQL_ERROR, "42000", 15247};
  Como("ana", "a",
       {{"CREATE DATABASE nueva", SQL_ERROR, "42000", 262, denied},
        {"DROP DATABASE tienda", SQL_ERROR, "42000", 262},
        noPermission,
        {"INSERT INTO sys_role_members VALUES ('dbcreator', 'ana')", SQL_ERROR}});
  Comprueba(sa, {{"ALTER SERVER ROLE dbcreator ADD MEMBER cre", SQL_SUCCESS},
                 {"ALTER SERVER ROLE dbcreator ADD MEMBER CRE", SQL_SUCCESS},
                 {"ALTER SERVER ROLE sysadmin ADD MEMBER cre", SQL_ERROR, "42000", 15151},
                 {"ALTER SERVER ROLE dbcreator ADD MEMBER nadie", SQL_ERROR, "42000", 15151},
                 {"ALTER SERVER ROLE dbcreator ADD cre", SQL_ERROR, "42000", 102}});
  Como("cre", "c",
       {{"CREATE DATABASE nueva", SQL_SUCCESS}, {"DROP DATABASE nueva", SQL_SUCCESS},
        {"DROP DATABASE tienda", SQL_SUCCESS}, noPermission});
  Comprueba(sa, {{"ALTER SERVER ROLE dbcreator DROP MEMBER cre", SQL_SUCCESS},
                 {"CREATE DATABASE tienda", SQL_SUCCESS}});
  Como("cre", "c", {{"CREATE DATABASE otra", SQL_ERROR, "42000", 262, denied}});
  // A login dropped and made again does not keep the role.
  Comprueba(sa, {{"ALTER SERVER ROLE dbcreator ADD MEMBER ana", SQL_SUCCESS},
                 {"DROP LOGIN ana", SQL_SUCCESS},
                 {"CREATE LOGIN ana WITH PASSWORD = 'a'", SQL_SUCCESS}});
  Como("ana", "a", {{"CREATE DATABASE otra", SQL_ERROR, "42000", 262, denied}});
  EXPECT_FALSE(Existe(srv + "/otra.db"));
  EXPECT_FALSE(Existe(srv + "/nueva.db"));
}

// Eight processes make the same new server and connect to it at once: every one gets in.
TEST_F(Servers, EightFirstConnectionsAtOnce) {
  const std::string srv = entorno.raiz() + "/carrera";
  const int kProcesos = 8;
  std::vector<pid_t> hijos;
  for (int i = 0; i < kProcesos; ++i)
    hijos.push_back(Hijo([&] {
      int fallo = CreaServidor(srv) ? 0 : 1;
      OdbcEnv env;
      OdbcConn conn(env);
      return fallo | (SQL_SUCCEEDED(conn.Connect(DriverText(srv))) ? 0 : 2);
    }));
  EXPECT_EQ(Espera(hijos), std::vector<int>(kProcesos, 0));
  // No temporary file is left behind.
  for (const std::string& f : Listado(srv))
    EXPECT_EQ(f.find(".new-"), std::string::npos) << f;
}

}  // namespace
