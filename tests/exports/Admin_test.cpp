// Creating and dropping databases and tables through the library's exports, as a host does.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Entorno.h"
#include "odbc/CnxOdbc.h"
#include "zorb/zorb.h"

namespace {

int Registros(const std::string& log) {
  int n = 0;
  for (size_t p = log.find("====\r\n"); p != std::string::npos; p = log.find("====\r\n", p + 1))
    ++n;
  return n;
}

// Looks at a database from outside the library's exports.
class Mirada {
 public:
  Mirada(const std::string& srv, const char* base)
      : cnx_(NvaCnxOdbc(srv.c_str(), base, "", "")) {}
  ~Mirada() { DelCnxOdbc(cnx_); }
  bool ok() const { return cnx_ != nullptr; }

  SQLRETURN Ejecuta(const std::string& sql,
                    std::vector<std::vector<std::string>>* filas = nullptr) {
    SQLHSTMT h = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, cnx_->hdbc, &h);
    SQLRETURN r = SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS);
    SQLSMALLINT nc = 0;
    if (filas && SQL_SUCCEEDED(r) && SQL_SUCCEEDED(SQLNumResultCols(h, &nc))) {
      while (SQL_SUCCEEDED(SQLFetch(h))) {
        std::vector<std::string> fila;
        for (SQLUSMALLINT c = 1; c <= nc; ++c) {
          char buf[256] = {};
          SQLLEN ind = 0;
          SQLGetData(h, c, SQL_C_CHAR, buf, sizeof buf, &ind);
          fila.push_back(ind >= 0 ? buf : "");
        }
        filas->push_back(fila);
      }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, h);
    return r;
  }
  bool Hay(const std::string& tabla) {
    return Ejecuta("SELECT COUNT(*) FROM " + tabla) != SQL_ERROR;
  }
  // (name, type) of every catalogue entry; false when the engine cannot list them.
  bool Catalogo(std::vector<std::pair<std::string, std::string>>* lista) {
    std::vector<std::vector<std::string>> filas;
    if (!SQL_SUCCEEDED(Ejecuta("sp_tables", &filas))) return false;
    lista->clear();
    for (const auto& f : filas)
      if (f.size() >= 4) lista->emplace_back(f[2], f[3]);
    std::sort(lista->begin(), lista->end());
    return true;
  }

 private:
  CnxOdbc* cnx_;
};

class Admin : public ConServidor {
 protected:
  const char* srv() const { return entorno.servidor().c_str(); }
  std::string log() const { return entorno.LeeLog(); }
  bool HayLog() const { return Existe(entorno.log()); }
  std::string noHay() const { return entorno.raiz() + "/no-such-server"; }
  // BASE1 with the tables A and B.
  void DosTablas() {
    ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
    Mirada m(entorno.servidor(), "BASE1");
    ASSERT_TRUE(m.ok());
    ASSERT_EQ(m.Ejecuta("create table A (C1 int NULL)"), SQL_SUCCESS);
    ASSERT_EQ(m.Ejecuta("create table B (C1 int NULL)"), SQL_SUCCESS);
  }
};

TEST_F(Admin, NvaBaseDCreatesOnceThenLogsOperation124) {
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
  EXPECT_TRUE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_TRUE(Mirada(entorno.servidor(), "BASE1").ok());
  EXPECT_FALSE(HayLog());

  EXPECT_EQ(NvaBaseD(srv(), "BASE1", "sa", ""), SQL_ERROR);
  std::string l = log();
  EXPECT_EQ(Registros(l), 1) << l;
  EXPECT_NE(l.find("\r\nError SQL 124-37000-BASE1\r\n"), std::string::npos) << l;
  const std::string fin = "\r\nSentencia SQL: \r\nCREATE DATABASE BASE1\r\n";
  ASSERT_GE(l.size(), fin.size());
  EXPECT_EQ(l.substr(l.size() - fin.size()), fin) << "the statement on its own line, last";
}

TEST_F(Admin, NoConnectionGivesZeroAndWritesNothing) {
  EXPECT_EQ(NvaBaseD(noHay().c_str(), "BASE1", nullptr, nullptr), 0);
  EXPECT_EQ(DelBaseD(noHay().c_str(), "BASE1", nullptr, nullptr), 0);
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", "sa", "wrong password"), 0);
  EXPECT_FALSE(Existe(entorno.servidor() + "/base1.db"));
  DropArcSQL(noHay().c_str(), "BASE1", nullptr, nullptr, "*");
  DropArcSQL(srv(), "NOHAY", nullptr, nullptr, "A");  // no such database: no connection
  EXPECT_FALSE(HayLog());
}

TEST_F(Admin, DelBaseDDropsAndLogsAMissingDatabase) {
  ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
  EXPECT_TRUE(SQL_SUCCEEDED(DelBaseD(srv(), "BASE1", nullptr, nullptr)));
  EXPECT_FALSE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_FALSE(HayLog());

  EXPECT_EQ(DelBaseD(srv(), "BASE1", nullptr, nullptr), SQL_ERROR);
  std::string l = log();
  EXPECT_EQ(Registros(l), 1) << l;
  EXPECT_NE(l.find("\r\nError SQL 125-S0002-BASE1\r\n"), std::string::npos) << l;
  EXPECT_NE(l.find("\r\nSentencia SQL: \r\nDROP DATABASE BASE1\r\n"), std::string::npos) << l;
}

TEST_F(Admin, DropArcSQLOneTableAndAgainWithoutARecord) {
  DosTablas();
  Mirada m(entorno.servidor(), "BASE1");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  EXPECT_FALSE(m.Hay("A"));
  EXPECT_TRUE(m.Hay("B"));
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  EXPECT_TRUE(m.Hay("B"));
  EXPECT_FALSE(HayLog()) << log();

  DropArcSQL(srv(), "BASE1", nullptr, nullptr, nullptr);
  EXPECT_TRUE(m.Hay("B")) << "a null name changes nothing";
  EXPECT_FALSE(HayLog()) << log();
}

TEST_F(Admin, DropArcSQLStarDropsEveryUserTableAndNothingElse) {
  DosTablas();
  Mirada m(entorno.servidor(), "BASE1");
  std::vector<std::pair<std::string, std::string>> antes, despues;
  if (!m.Catalogo(&antes)) GTEST_SKIP() << "engine cannot list its catalogue (sp_tables) yet";
  const bool conVista = m.Ejecuta("create view V as select C1 from A") == SQL_SUCCESS;
  ASSERT_TRUE(m.Catalogo(&antes));

  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(HayLog()) << log();
  ASSERT_TRUE(m.Catalogo(&despues));
  std::vector<std::pair<std::string, std::string>> quedan;
  for (const auto& e : antes)
    if (e.second != "TABLE") quedan.push_back(e);
  EXPECT_EQ(despues, quedan);
  EXPECT_FALSE(m.Hay("A"));
  EXPECT_FALSE(m.Hay("B"));
  if (conVista) {
    const auto vista = std::make_pair(std::string("V"), std::string("VIEW"));
    EXPECT_NE(std::find(despues.begin(), despues.end(), vista), despues.end());
  }

  // Again, on a database without user tables: nothing to drop, nothing logged.
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(HayLog()) << log();
  ASSERT_TRUE(m.Catalogo(&antes));
  EXPECT_EQ(antes, despues);
}

}  // namespace
