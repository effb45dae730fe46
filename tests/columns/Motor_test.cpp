// Result sets against the embedded engine: describe, bind, block fetches and moves.
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "Entorno.h"
#include "Sql.h"
#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

namespace {

class ConMotor : public ConServidor {
 protected:
  void SetUp() override {
    cnx = NvaCnxOdbc(entorno.servidor().c_str(), "master", "sa", "");
    ASSERT_NE(cnx, nullptr) << "no connection to the engine at " << entorno.servidor();
  }
  void TearDown() override {
    s.reset();
    DelCnxOdbc(cnx);
  }

  // Runs a statement that must succeed.
  void Ejecuta(const std::string& sql) {
    std::string diag;
    ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(cnx->hdbc, sql, nullptr, &diag))) << sql << ": " << diag;
  }
  // Table `numeros` with C1 = "nN" and C2 = N for N in 0 .. n-1.
  void Numeros(int n) {
    Ejecuta("CREATE TABLE numeros (C1 char(6) NOT NULL, C2 int NOT NULL)");
    for (int i = 0; i < n; ++i) {
      const std::string k = std::to_string(i);
      Ejecuta("INSERT INTO numeros VALUES ('n" + k + "', " + k + ")");
    }
  }

  // A table statement with a rowset of `tam` rows over the query, described and bound.
  void Abre(const std::string& sql, int tam, SQLULEN cursor = SQL_CURSOR_FORWARD_ONLY,
            int orden = 0) {
    int ok = 0;
    s = std::make_unique<SentTabla>(cnx, "numeros", tam, &ok, "");
    ASSERT_EQ(ok, 1);
    if (cursor != SQL_CURSOR_FORWARD_ONLY) s->PonAtributo(SQL_ATTR_CURSOR_TYPE, cursor);
    ASSERT_TRUE(SQL_SUCCEEDED(s->PonAtributo(SQL_ATTR_ROW_ARRAY_SIZE, SQLULEN(tam))));
    SQLRETURN r = s->ExecTexto(sql.c_str(), nullptr);
    if (!SQL_SUCCEEDED(r)) LeeDiag(s.get());
    ASSERT_TRUE(SQL_SUCCEEDED(r)) << sql << ": " << s->sqlState << " " << s->mensaje;
    s->DescribeCmps(orden);
    s->EnlazaCmps();
  }

  std::string Texto(int c) { return s->cmps[c]->Texto(); }

  CnxOdbc* cnx = nullptr;
  std::unique_ptr<SentTabla> s;
};

TEST_F(ConMotor, FetchesTextsOfEveryKind) {
  Ejecuta(
      "CREATE TABLE tipos (C1 char(10) NOT NULL, C2 int, C3 dec(10,2), C4 float,"
      " C5 datetime, C6 varchar(20), C7 smallint)");
  Ejecuta("INSERT INTO tipos VALUES ('abc', 42, 12.5, 0.25, '2009-03-05', 'xy', 7)");
  Ejecuta("INSERT INTO tipos VALUES ('  ', -7, -0.01, -1234.5678, '1900-01-01', '', -3)");
  Ejecuta(
      "INSERT INTO tipos VALUES ('zzzzzzzzzz', 2147483647, 99999999.99, 1e-5,"
      " '2011-12-31 13:45:10', 'a b ', 0)");
  const std::vector<std::vector<std::string>> filas = {
      {"abc", "42", "12.5", ".25", "05/03/2009", "xy", "7"},
      {" ", "-7", "-.01", "-1234.5678", "  /  /  ", "", "-3"},
      {"zzzzzzzzzz", "2147483647", "99999999.99", ".00001", "31/12/2011", "a b", "0"}};
  const struct { const std::type_info& clase; uint32_t lon; short nDec; } desc[] = {
      {typeid(STR), 10, -1}, {typeid(LON), 0, -1}, {typeid(NUM), 10, 2}, {typeid(FLO), 53, -1},
      {typeid(FEC), 0, -1}, {typeid(STR), 20, -1}, {typeid(STR), 5, -1}};
  for (int orden : {0, 1}) {
    SCOPED_TRACE(orden);
    Abre("SELECT * FROM tipos ORDER BY C2 DESC", 10, SQL_CURSOR_FORWARD_ONLY, orden);
    ASSERT_EQ(s->nCmps, 7);
    for (int c = 0; c < 7; ++c) {
      EXPECT_EQ(typeid(*s->cmps[c]), desc[c].clase) << c;
      EXPECT_EQ(s->cmps[c]->lon, desc[c].lon) << c;
      EXPECT_EQ(s->cmps[c]->nDec, desc[c].nDec) << c;
      EXPECT_EQ(s->cmps[c]->nulo, c == 0 ? 0 : 1) << c;
      EXPECT_EQ(s->cmps[c]->nFilas, 10);
      EXPECT_EQ(std::string(s->cmps[c]->nombre), "C" + std::to_string(c + 1));
    }
    int repetir = -1;
    ASSERT_EQ(s->SigLote(&repetir), SQL_SUCCESS) << s->sqlState << " " << s->mensaje;
    EXPECT_EQ(repetir, 1);
    ASSERT_EQ(s->filasLeidas, 3u);
    const size_t porC2Desc[] = {2, 0, 1};
    for (int i = 0; i < 3; ++i) {
      std::vector<std::string> vistas;
      for (int c = 0; c < s->nCmps; ++c) vistas.push_back(Texto(c));
      std::vector<std::string> esp = filas[porC2Desc[i]];
      if (orden == 1 && esp[4][0] != ' ')  // month first
        esp[4] = esp[4].substr(3, 3) + esp[4].substr(0, 3) + esp[4].substr(6);
      EXPECT_EQ(vistas, esp) << "row " << i;
      EXPECT_STREQ(s->cmps[4]->TextoSql(), i == 2 ? "1/1/1900" : esp[4].c_str());
      EXPECT_EQ(s->SigFila(), i < 2 ? 0 : -1);
    }
  }
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(ConMotor, ForwardBlocksCoverEveryRowOnce) {
  Numeros(8);
  Abre("SELECT * FROM numeros ORDER BY C2", 3);
  std::vector<std::string> vistos;
  std::vector<SQLULEN> bloques;
  int repetir = -1;
  while (s->SigLote(&repetir) == SQL_SUCCESS) {
    bloques.push_back(s->filasLeidas);
    EXPECT_EQ(s->posLote, 0);
    do vistos.push_back(Texto(0) + "=" + Texto(1));
    while (s->SigFila() == 0);
  }
  EXPECT_EQ(s->ret, SQL_NO_DATA);
  EXPECT_EQ(bloques, (std::vector<SQLULEN>{3, 3, 2}));
  ASSERT_EQ(vistos.size(), 8u);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(vistos[i], "n" + std::to_string(i) + "=" + std::to_string(i));
  // The end of the result leaves the last row loaded, and nothing in the log.
  EXPECT_EQ(Texto(0), "n7");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(ConMotor, EachDescriptionReplacesTheList) {
  Numeros(2);
  Abre("SELECT C1, C2 FROM numeros ORDER BY C2", 2);
  ASSERT_EQ(s->nCmps, 2);
  auto Reabre = [&](const char* sql) {
    s->Desliga();
    s->Cierra();
    ASSERT_TRUE(SQL_SUCCEEDED(s->ExecTexto(sql, nullptr))) << sql;
    s->DescribeCmps(0);
    s->EnlazaCmps();
  };
  Reabre("SELECT C2 FROM numeros ORDER BY C2 DESC");
  ASSERT_EQ(s->nCmps, 1);
  EXPECT_EQ(typeid(*s->cmps[0]), typeid(LON));
  int repetir = -1;
  ASSERT_EQ(s->SigLote(&repetir), SQL_SUCCESS);
  EXPECT_EQ(Texto(0), "1");
  // A statement without a result set describes no columns; binding and loading do nothing.
  Reabre("UPDATE numeros SET C2 = 5");
  EXPECT_EQ(s->nCmps, 0);
  EXPECT_NE(s->cmps, nullptr);
  s->CargaFila(0);
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(ConMotor, FailuresAreLoggedWithTheirOperation) {
  Numeros(2);
  // Describing a handle that has no statement: the column count fails (103).
  int ok = 0;
  s = std::make_unique<SentTabla>(cnx, "numeros", 2, &ok, "");
  s->DescribeCmps(0);
  EXPECT_EQ(s->nCmps, 0);
  std::string log = entorno.LeeLog();
  EXPECT_NE(log.find("\r\nError SQL 103-"), std::string::npos) << log;

  // A block fetch on a closed cursor: logged as 118 with the table as context, no repeat.
  Abre("SELECT * FROM numeros", 2);
  s->Cierra();
  int repetir = -1;
  EXPECT_EQ(s->SigLote(&repetir), SQL_ERROR);
  EXPECT_EQ(repetir, 1);
  log = entorno.LeeLog();
  const std::string linea = std::string("\r\nError SQL 118-") + s->sqlState + "-numeros\r\n";
  EXPECT_STRNE(s->sqlState, "");
  EXPECT_NE(log.find(linea), std::string::npos) << log;
  EXPECT_NE(log.find("Sentencia SQL: \r\nSELECT * FROM numeros\r\n"), std::string::npos) << log;
}

// Scrollable cursors: FIRST, LAST and PRIOR. The short PRIOR that answers 01S06 is the cursor
// tests' (Navegacion) and the rowset tests' (RecolocaFila).
TEST_F(ConMotor, FirstAndLastOfAShortResult) {
  Numeros(3);
  Abre("SELECT * FROM numeros ORDER BY C2", 10, SQL_CURSOR_DYNAMIC);
  int repetir = -1;
  ASSERT_EQ(s->UltLote(&repetir), SQL_SUCCESS) << s->sqlState << " " << s->mensaje;
  EXPECT_EQ(s->filasLeidas, 3u);
  EXPECT_EQ(s->posLote, 2);
  EXPECT_EQ(Texto(0), "n2");
  ASSERT_EQ(s->PrimLote(&repetir), SQL_SUCCESS);
  EXPECT_EQ(s->posLote, 0);
  EXPECT_EQ(Texto(0), "n0");
  EXPECT_EQ(s->SigFila(), 0);
  EXPECT_EQ(Texto(0), "n1");
  // Before the first rowset there is nothing: no data, texts kept.
  EXPECT_EQ(s->AntLote(&repetir), SQL_NO_DATA);
  EXPECT_EQ(s->posLote, 1);
  EXPECT_EQ(Texto(0), "n1");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

}  // namespace
