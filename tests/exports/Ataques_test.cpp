// What a hostile caller passes to the exports: names and connection values carrying statements
// or other connection keywords change nothing but what they name.
#include <string>

#include "Base1.h"

namespace {

class Ataques : public ConBase1 {
 protected:
  void SetUp() override {
    ConBase1::SetUp();
    Sql("create table A (C1 int NULL); create table B (C1 int NULL); insert A values (1)");
  }
  std::string Cuenta(const char* tabla) {
    return SqlValor(cnx->hdbc, std::string("SELECT COUNT(*) FROM ") + tabla);
  }
};

TEST_F(Ataques, NamesCarryingStatements) {
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A; DROP TABLE B");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A]; DROP TABLE B; --");
  // A database name with ';' parts, each with '=', reaches neither the connection nor USE.
  DropArcSQL(srv(), "BASE1;DELETE FROM A WHERE 1=1", nullptr, nullptr, "B");
  DropArcSQL(srv(), "BASE1;DATABASE=BASE1", nullptr, nullptr, "B");
  EXPECT_EQ(Cuenta("A"), "1");
  EXPECT_EQ(Cuenta("B"), "0");
  EXPECT_TRUE(Existe(entorno.servidor() + "/base1.db"));

  // A table whose name needs brackets is dropped by name, also from the catalogue's list.
  Sql("create table [C D] (C1 int NULL); create table [E]]F] (C1 int NULL)");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "C D");
  EXPECT_EQ(Cuenta("[C D]"), "<error>");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_EQ(Cuenta("[E]]F]"), "<error>");
  EXPECT_EQ(Cuenta("A"), "<error>");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Ataques, ConnectionValuesCarryingKeywords) {
  const std::string clave = "{a;b}=c}}d";
  Sql("USE master; CREATE LOGIN pepe WITH PASSWORD = '" + clave +
      "'; CREATE LOGIN raro WITH PASSWORD = ' x '");
  const std::string s = entorno.servidor();
  const struct {
    std::string servidor, base, usuario, clave;
    bool conecta;
  } casos[] = {
      {s, "BASE1", "pepe", clave, true},
      {s, "BASE1", "raro", " x ", true},
      {s, "BASE1", "raro", "x", false},
      {s, "BASE1", "pepe", "{a;b}=c}d", false},
      {s + ";DATABASE=master", "NOHAY", "sa", "", false},
      {s, "BASE1", "sa;PWD=", "wrong", false},
      {s, "BASE1", "pepe;PWD={" + clave + "}", "wrong", false},
      {s, "BASE1", "sa", "wrong;UID=sa;PWD=", false},
      {s, "NOHAY;DATABASE=BASE1", "sa", "", false},
      {s + "}", "BASE1", "sa", "", false},
  };
  for (const auto& c : casos) {
    CnxOdbc* cnx = NvaCnxOdbc(c.servidor.c_str(), c.base.c_str(), c.usuario.c_str(),
                              c.clave.c_str());
    EXPECT_EQ(cnx != nullptr, c.conecta) << c.servidor << " " << c.base << " " << c.usuario
                                         << " " << c.clave;
    DelCnxOdbc(cnx);
  }
}

}  // namespace
