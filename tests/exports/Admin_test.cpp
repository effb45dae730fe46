// Creating and dropping databases and tables through the library's exports, as a host does.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/CnxOdbc.h"
#include "zorb/zorb.h"

namespace {

using Catalogo = std::vector<std::pair<std::string, std::string>>;

class Admin : public ConServidor {
 protected:
  void TearDown() override { DelCnxOdbc(base1); }
  const char* srv() const { return entorno.servidor().c_str(); }
  std::string log() const { return entorno.LeeLog(); }
  bool HayLog() const { return Existe(entorno.log()); }
  std::string noHay() const { return entorno.raiz() + "/no-such-server"; }
  // BASE1 with the tables A and B, and a connection of its own to look at it.
  void DosTablas() {
    ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
    base1 = NvaCnxOdbc(srv(), "BASE1", "", "");
    ASSERT_NE(base1, nullptr);
    ASSERT_EQ(SqlDirecto(base1->hdbc, "create table A (C1 int NULL)"), SQL_SUCCESS);
    ASSERT_EQ(SqlDirecto(base1->hdbc, "create table B (C1 int NULL)"), SQL_SUCCESS);
  }
  bool Hay(const char* tabla) {
    return SqlDirecto(base1->hdbc, std::string("SELECT COUNT(*) FROM ") + tabla) != SQL_ERROR;
  }
  // (name, type) of every catalogue entry; false when the engine cannot list them.
  bool Lista(Catalogo* lista) {
    Filas filas;
    if (!SQL_SUCCEEDED(SqlDirecto(base1->hdbc, "sp_tables", &filas))) return false;
    lista->clear();
    for (const auto& f : filas)
      if (f.size() >= 4) lista->emplace_back(f[2], f[3]);
    std::sort(lista->begin(), lista->end());
    return true;
  }

  CnxOdbc* base1 = nullptr;
};

TEST_F(Admin, DatabasesAreCreatedAndDroppedOnceThenLogged) {
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
  EXPECT_TRUE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_FALSE(HayLog());
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", "sa", ""), SQL_ERROR);
  std::string l = log();
  EXPECT_EQ(Registros(l), 1) << l;
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 124-37000-BASE1\r\n")) << l;

  EXPECT_TRUE(SQL_SUCCEEDED(DelBaseD(srv(), "BASE1", nullptr, nullptr)));
  EXPECT_FALSE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_EQ(DelBaseD(srv(), "BASE1", nullptr, nullptr), SQL_ERROR);
  l = log();
  EXPECT_EQ(Registros(l), 2) << l;
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 125-S0002-BASE1\r\n")) << l;
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

TEST_F(Admin, DropArcSQLOneTableAndAgainWithoutARecord) {
  DosTablas();
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  EXPECT_FALSE(Hay("A"));
  EXPECT_TRUE(Hay("B"));
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, nullptr);
  EXPECT_TRUE(Hay("B")) << "a null name changes nothing";
  EXPECT_FALSE(HayLog()) << log();
}

TEST_F(Admin, DropArcSQLStarDropsEveryUserTableAndNothingElse) {
  DosTablas();
  Catalogo antes, despues, quedan;
  if (!Lista(&antes)) GTEST_SKIP() << "engine cannot list its catalogue (sp_tables) yet";
  const bool conVista =
      SqlDirecto(base1->hdbc, "create view V as select C1 from A") == SQL_SUCCESS;
  ASSERT_TRUE(Lista(&antes));

  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(HayLog()) << log();
  ASSERT_TRUE(Lista(&despues));
  for (const auto& e : antes)
    if (e.second != "TABLE") quedan.push_back(e);
  EXPECT_EQ(despues, quedan);
  EXPECT_FALSE(Hay("A") || Hay("B"));
  if (conVista) {
    EXPECT_NE(std::find(despues.begin(), despues.end(), Catalogo::value_type("V", "VIEW")),
              despues.end());
  }

  // Again, on a database without user tables: nothing to drop, nothing logged.
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(HayLog()) << log();
  ASSERT_TRUE(Lista(&antes));
  EXPECT_EQ(antes, despues);
}

}  // namespace
