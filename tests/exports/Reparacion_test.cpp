// Index names left by an interrupted restructuring, repaired through the export as a host does.
#include <string>

#include "Base1.h"

namespace {

class Reparacion : public ConBase1 {
 protected:
  // "name:keys" of every index of the table, in the catalogue's order.
  std::string Indices(const std::string& tabla) {
    Filas f;
    SqlDirecto(cnx->hdbc, "sp_helpindex " + tabla, &f);
    std::string r;
    for (const auto& fila : f) r += fila[0] + ":" + fila[2] + " ";
    return r;
  }
};

TEST_F(Reparacion, PrefixedIndexesGetTheirNamesBackOthersStay) {
  Sql("create table CLIENTES (C1 char(10) NULL, C2 int NULL)");
  Sql("create index TEMP_CLIENTES_indent on CLIENTES (C1)");
  Sql("create index TEMP_CLIENTES_indent2 on CLIENTES (C2, C1)");
  Sql("create index X on CLIENTES (C2)");
  Sql("create table SININDICES (C1 int NULL)");
  Sql("create table OTRA (C1 int NULL)");
  Sql("create index OTRA_indent on OTRA (C1)");
  Sql("create index TEMP_OTRA_indent2 on OTRA (C1)");
  Sql("create index OTRA_indent2 on OTRA (C1)");  // the final name is taken: stays as it is

  const std::string otraAntes = Indices("OTRA");
  CorrigeIndices(srv(), "BASE1", nullptr, nullptr);
  EXPECT_EQ(Indices("CLIENTES"), "CLIENTES_indent:C1 CLIENTES_indent2:C2, C1 X:C2 ");
  EXPECT_EQ(Indices("OTRA"), otraAntes);
  EXPECT_EQ(Indices("SININDICES"), "");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();

  // Again: nothing left to rename, nothing changes, nothing is logged.
  CorrigeIndices(srv(), "BASE1", "sa", "");
  EXPECT_EQ(Indices("CLIENTES"), "CLIENTES_indent:C1 CLIENTES_indent2:C2, C1 X:C2 ");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reparacion, NoConnectionDoesNothing) {
  Sql("create table T (C1 int NULL)");
  Sql("create index TEMP_T_indent on T (C1)");
  CorrigeIndices(srv(), "NOHAY", nullptr, nullptr);
  CorrigeIndices(srv(), "BASE1", "sa", "wrong password");
  EXPECT_EQ(Indices("T"), "TEMP_T_indent:C1 ");
  EXPECT_FALSE(Existe(entorno.log()));
}

}  // namespace
