// Creating and dropping databases and tables through the library's exports, as a host does.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Base1.h"

namespace {

using Catalogo = std::vector<std::pair<std::string, std::string>>;

class Admin : public ConServidor {
 protected:
  const char* srv() const { return entorno.servidor().c_str(); }
  std::string noHay() const { return entorno.raiz() + "/no-such-server"; }
};

// BASE1 with the tables A and B.
class Tablas : public ConBase1 {
 protected:
  void SetUp() override {
    ConBase1::SetUp();
    Sql("create table A (C1 int NULL); create table B (C1 int NULL)");
  }
  bool Hay(const char* tabla) {
    return SqlDirecto(cnx->hdbc, std::string("SELECT COUNT(*) FROM ") + tabla) != SQL_ERROR;
  }
  // (name, type) of every catalogue entry.
  Catalogo Lista() {
    Filas filas;
    EXPECT_EQ(SqlDirecto(cnx->hdbc, "sp_tables", &filas), SQL_SUCCESS);
    Catalogo lista;
    for (const auto& f : filas) lista.emplace_back(f.at(2), f.at(3));
    std::sort(lista.begin(), lista.end());
    return lista;
  }
};

// The records of the failures are the statement builders' (sqltext): one each here.
TEST_F(Admin, DatabasesAreCreatedAndDroppedOnceThenLogged) {
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
  EXPECT_TRUE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_FALSE(Existe(entorno.log()));
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", "sa", ""), SQL_ERROR);
  EXPECT_TRUE(SQL_SUCCEEDED(DelBaseD(srv(), "BASE1", nullptr, nullptr)));
  EXPECT_FALSE(Existe(entorno.servidor() + "/base1.db"));
  EXPECT_EQ(DelBaseD(srv(), "BASE1", nullptr, nullptr), SQL_ERROR);
  EXPECT_EQ(Registros(entorno.LeeLog()), 2) << entorno.LeeLog();
}

TEST_F(Admin, NoConnectionGivesZeroAndWritesNothing) {
  EXPECT_EQ(NvaBaseD(noHay().c_str(), "BASE1", nullptr, nullptr), 0);
  EXPECT_EQ(DelBaseD(noHay().c_str(), "BASE1", nullptr, nullptr), 0);
  EXPECT_EQ(NvaBaseD(srv(), "BASE1", "sa", "wrong password"), 0);
  EXPECT_FALSE(Existe(entorno.servidor() + "/base1.db"));
  DropArcSQL(noHay().c_str(), "BASE1", nullptr, nullptr, "*");
  DropArcSQL(srv(), "NOHAY", nullptr, nullptr, "A");  // no such database: no connection
  EXPECT_FALSE(Existe(entorno.log()));
}

TEST_F(Tablas, DropArcSQLOneTableAndAgainWithoutARecord) {
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  EXPECT_FALSE(Hay("A"));
  EXPECT_TRUE(Hay("B"));
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, nullptr);
  EXPECT_TRUE(Hay("B")) << "a null name changes nothing";
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Tablas, DropArcSQLStarDropsEveryUserTableAndNothingElse) {
  Sql("create view V as select C1 from A");
  Catalogo quedan;
  for (const auto& e : Lista())
    if (e.second != "TABLE") quedan.push_back(e);
  ASSERT_NE(std::find(quedan.begin(), quedan.end(), Catalogo::value_type("V", "VIEW")),
            quedan.end());

  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
  const Catalogo despues = Lista();
  EXPECT_EQ(despues, quedan);
  EXPECT_FALSE(Hay("A") || Hay("B"));

  // Again, on a database without user tables: nothing to drop, nothing logged.
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
  EXPECT_EQ(Lista(), despues);
}

}  // namespace
