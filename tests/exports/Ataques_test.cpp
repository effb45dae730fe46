// What a hostile caller passes to the exports: names and connection values carrying statements
// or other connection keywords change nothing but what they name.
#include <string>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/CnxOdbc.h"
#include "zorb/zorb.h"

namespace {

class Ataques : public ConServidor {
 protected:
  void SetUp() override {
    ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
    b1 = NvaCnxOdbc(srv(), "BASE1", "", "");
    ASSERT_NE(b1, nullptr);
    for (const char* sql : {"create table A (C1 int NULL)", "create table B (C1 int NULL)",
                            "insert A values (1)"})
      ASSERT_EQ(SqlDirecto(b1->hdbc, sql), SQL_SUCCESS) << sql;
  }
  void TearDown() override { DelCnxOdbc(b1); }
  const char* srv() const { return entorno.servidor().c_str(); }
  std::string Cuenta(const char* tabla) {
    return SqlValor(b1->hdbc, std::string("SELECT COUNT(*) FROM ") + tabla);
  }
  bool Base(const char* nombre) { return Existe(entorno.servidor() + "/" + nombre + ".db"); }

  CnxOdbc* b1 = nullptr;
};

TEST_F(Ataques, NamesCarryingStatements) {
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A; DROP TABLE B");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "A]; DROP TABLE B; --");
  EXPECT_EQ(NvaBaseD(srv(), "ZZ; DROP DATABASE BASE1", nullptr, nullptr), SQL_ERROR);
  EXPECT_EQ(DelBaseD(srv(), "ZZ; DROP DATABASE BASE1", nullptr, nullptr), SQL_ERROR);
  // A database name with ';' parts, each with '=', reaches neither the connection nor USE.
  DropArcSQL(srv(), "BASE1;DELETE FROM A WHERE 1=1", nullptr, nullptr, "B");
  DropArcSQL(srv(), "BASE1;DATABASE=BASE1", nullptr, nullptr, "B");
  EXPECT_EQ(Cuenta("A"), "1");
  EXPECT_EQ(Cuenta("B"), "0");
  EXPECT_TRUE(Base("base1"));
  EXPECT_FALSE(Base("zz"));

  // A table whose name needs brackets is dropped by name, also from the catalogue's list.
  ASSERT_EQ(SqlDirecto(b1->hdbc, "create table [C D] (C1 int NULL)"), SQL_SUCCESS);
  ASSERT_EQ(SqlDirecto(b1->hdbc, "create table [E]]F] (C1 int NULL)"), SQL_SUCCESS);
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "C D");
  EXPECT_EQ(Cuenta("[C D]"), "<error>");
  DropArcSQL(srv(), "BASE1", nullptr, nullptr, "*");
  EXPECT_EQ(Cuenta("[E]]F]"), "<error>");
  EXPECT_EQ(Cuenta("A"), "<error>");
  // Only the two refused database names are logged, each as the one name it is.
  std::string l = entorno.LeeLog();
  EXPECT_EQ(Registros(l), 2) << l;
  EXPECT_TRUE(Contiene(l, "\r\nCREATE DATABASE [ZZ; DROP DATABASE BASE1]\r\n")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nDROP DATABASE [ZZ; DROP DATABASE BASE1]\r\n")) << l;
}

TEST_F(Ataques, ConnectionValuesCarryingKeywords) {
  ASSERT_EQ(SqlDirecto(b1->hdbc, "USE master"), SQL_SUCCESS_WITH_INFO);
  const std::string clave = "{a;b}=c}}d";
  ASSERT_EQ(SqlDirecto(b1->hdbc, "CREATE LOGIN pepe WITH PASSWORD = '" + clave + "'"),
            SQL_SUCCESS);
  ASSERT_EQ(SqlDirecto(b1->hdbc, "CREATE LOGIN raro WITH PASSWORD = ' x '"), SQL_SUCCESS);
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
