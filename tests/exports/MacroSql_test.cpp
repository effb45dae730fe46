// Free SQL through the exported MacroSQL and DelMacroSQL, as a host uses them.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Entorno.h"
#include "zorb/host.h"
#include "zorb/zorb.h"

namespace {

// What the library handed to the result object; a cell as "fila,lote,columna,texto".
class Registro : public ResultadoSql {
 public:
  void AbreFila(int fila) override { abiertas.push_back(fila); }
  void PonCelda(int fila, int lote, int columna, const char* texto) override {
    celdas.push_back(std::to_string(fila) + "," + std::to_string(lote) + "," +
                     std::to_string(columna) + "," + (texto ? texto : "<null>"));
  }
  void Limpia() {
    abiertas.clear();
    celdas.clear();
  }
  std::vector<int> abiertas;
  std::vector<std::string> celdas;
};
using Celdas = std::vector<std::string>;

class Macro : public ConServidor {
 protected:
  void TearDown() override { DelMacroSQL(&cnx, &sent); }

  const char* srv() const { return entorno.servidor().c_str(); }
  int M(int op, const char* sql, int fila = 0, char* error = nullptr) {
    return MacroSQL(op, sql, fila, &res, &cnx, &sent, srv(), "master", "sa", "", error);
  }
  int M(int op, const std::string& sql, int fila = 0, char* error = nullptr) {
    return M(op, sql.c_str(), fila, error);
  }
  // Table t: (a, 1), (b, 2), (c, 3).
  void Tabla() {
    ASSERT_EQ(M(1, "CREATE TABLE t (C1 char(5) NOT NULL, C2 int NOT NULL)"), 1);
    for (const char* v : {"('a', 1)", "('b', 2)", "('c', 3)"})
      ASSERT_EQ(M(1, std::string("INSERT INTO t VALUES ") + v), 1);
    ASSERT_TRUE(res.abiertas.empty());
    ASSERT_TRUE(res.celdas.empty());
  }

  Registro res;
  CnxOdbc* cnx = nullptr;
  SentOdbc* sent = nullptr;
};

// The result object's slots sit where a host built with the same compiler family puts them:
// slot k (k >= 1) is vtable entry k + 1 after the two entries of the virtual destructor.
TEST(ResultadoSqlSlots, AbreFilaAndPonCeldaAtTheirSlots) {
  Registro r;
  void** vt = *reinterpret_cast<void***>(static_cast<ResultadoSql*>(&r));
  using Abre = void (*)(ResultadoSql*, int);
  using Pon = void (*)(ResultadoSql*, int, int, int, const char*);
  reinterpret_cast<Abre>(vt[2 + 1])(&r, 7);
  reinterpret_cast<Pon>(vt[11 + 1])(&r, 4, 5, 6, "x");
  EXPECT_EQ(r.abiertas, std::vector<int>{7});
  EXPECT_EQ(r.celdas, (Celdas{"4,5,6,x"}));
}

TEST_F(Macro, NothingRunsWithoutResultObjectOrServer) {
  const std::string nadie = entorno.raiz() + "/no-such-server";
  EXPECT_EQ(MacroSQL(1, "SELECT 1", 0, nullptr, &cnx, &sent, srv(), "master", "sa", "", nullptr),
            -2);
  EXPECT_EQ(MacroSQL(5, "SELECT 1", 0, &res, &cnx, &sent, nadie.c_str(), "master", "sa", "",
                     nullptr),
            -2);
  EXPECT_EQ(MacroSQL(1, "SELECT 1", 0, &res, nullptr, &sent, srv(), "master", "sa", "", nullptr),
            -2);
  EXPECT_EQ(cnx, nullptr);
  EXPECT_EQ(sent, nullptr);
  EXPECT_TRUE(res.abiertas.empty());
}

TEST_F(Macro, OperationThreeAndUnknownOnesGiveMinusOne) {
  for (int op : {3, 0, 6, -1, 100}) EXPECT_EQ(M(op, "SELECT 1"), -1) << op;
  EXPECT_TRUE(res.abiertas.empty());
  // The cells keep what they hold: the same connection and statement serve later calls.
  CnxOdbc* c = cnx;
  SentOdbc* s = sent;
  ASSERT_TRUE(c && s);
  EXPECT_EQ(M(5, "SELECT 1"), 1);
  EXPECT_EQ(cnx, c);
  EXPECT_EQ(sent, s);
}

TEST_F(Macro, ChangesReturnTheirCountAndDoubleQuotesAreSentAsSingleQuotes) {
  Tabla();
  EXPECT_EQ(M(1, "INSERT INTO t VALUES (\"d\", 4)"), 1);
  EXPECT_EQ(M(5, "SELECT C2 FROM t WHERE C1 = \"d\" OR C1 = \"b\" ORDER BY C2"), 2);
  EXPECT_EQ(res.celdas, (Celdas{"0,0,0,2", "0,1,0,4"}));
  res.Limpia();
  EXPECT_EQ(M(1, "UPDATE t SET C2 = C2 + 10"), 4);
  EXPECT_EQ(M(5, "UPDATE t SET C2 = C2 - 10 WHERE C2 > 11"), 3);
  EXPECT_EQ(M(1, "UPDATE t SET C2 = 0 WHERE C2 > 100"), 0);
  EXPECT_EQ(M(5, "DELETE FROM t"), 4);
  EXPECT_TRUE(res.abiertas.empty());
  EXPECT_TRUE(res.celdas.empty());
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Macro, FirstRowGoesToTheTargetRowAndNextRowsFollow) {
  Tabla();
  const struct { int fila, objetivo; } casos[] = {{0, 0}, {1, 0}, {5, 4}, {-3, 0}, {2, 1}};
  for (const auto& k : casos) {
    SCOPED_TRACE(k.fila);
    res.Limpia();
    EXPECT_EQ(M(1, "SELECT C1, C2 FROM t ORDER BY C2", k.fila), 1);
    EXPECT_EQ(res.abiertas, std::vector<int>{k.objetivo});
    const std::string f = std::to_string(k.objetivo) + ",0,";
    EXPECT_EQ(res.celdas, (Celdas{f + "0,a", f + "1,1"}));
    res.Limpia();
    for (int r : {1, 1, -1, -1}) EXPECT_EQ(M(2, nullptr, k.fila), r);  // -1 after the last row
    EXPECT_TRUE(res.abiertas.empty());
    EXPECT_EQ(res.celdas, (Celdas{f + "0,b", f + "1,2", f + "0,c", f + "1,3"}));
  }
}

TEST_F(Macro, OperationFiveDeliversEveryRow) {
  Tabla();
  EXPECT_EQ(M(5, "SELECT C2, C1 FROM t ORDER BY C2 DESC", 3), 3);
  EXPECT_EQ(res.abiertas, std::vector<int>{2});
  EXPECT_EQ(res.celdas,
            (Celdas{"2,0,0,3", "2,0,1,c", "2,1,0,2", "2,1,1,b", "2,2,0,1", "2,2,1,a"}));
  EXPECT_EQ(M(2, nullptr), -1);  // used up
  // An empty result still opens the target row.
  res.Limpia();
  EXPECT_EQ(M(1, "SELECT * FROM t WHERE C2 > 10", 4), 1);
  EXPECT_EQ(M(5, "SELECT * FROM t WHERE C2 > 10", 4), 0);
  EXPECT_EQ(res.abiertas, (std::vector<int>{3, 3}));
  EXPECT_TRUE(res.celdas.empty());
}

// The cells hold the column buffers' texts, dates day first.
TEST_F(Macro, CellsHoldTheDisplayTexts) {
  ASSERT_EQ(M(1, "CREATE TABLE k (C1 char(8), C2 datetime, C3 float, C4 datetime)"), 1);
  ASSERT_EQ(M(1, "INSERT INTO k VALUES ('x  y  ', '2009-03-05', 0.125, '1900-01-01')"), 1);
  EXPECT_EQ(M(5, "SELECT * FROM k"), 1);
  EXPECT_EQ(res.celdas,
            (Celdas{"0,0,0,x  y", "0,0,1,05/03/2009", "0,0,2,.125", "0,0,3,  /  /  "}));
}

TEST_F(Macro, FailedExecutionWritesTheErrorBufferOfOperationFive) {
  char error[400];
  memset(error, '#', sizeof error);
  EXPECT_EQ(M(5, "SELECT * FROM nada", 0, error), -1);
  ASSERT_NE(memchr(error, '\0', 299), nullptr) << "no terminator within 299 bytes";
  EXPECT_NE(std::string(error).find("Invalid object name 'nada'"), std::string::npos) << error;
  for (size_t i = 299; i < sizeof error; ++i) ASSERT_EQ(error[i], '#') << "byte " << i;

  // Operation 1 reports only the result; without a buffer operation 5 does the same.
  memset(error, '#', sizeof error);
  EXPECT_EQ(M(1, "SELECT * FROM nada", 0, error), -1);
  EXPECT_EQ(error[0], '#');
  EXPECT_EQ(M(5, "SELECT * FROM nada"), -1);
  EXPECT_EQ(M(5, "UPDATE nada SET C1 = 1"), -1);
  // An empty text runs nothing and leaves the error buffer alone.
  strcpy(error, "sin tocar");
  EXPECT_EQ(M(1, ""), -1);
  EXPECT_EQ(M(5, nullptr, 0, error), -1);
  EXPECT_STREQ(error, "sin tocar");
  EXPECT_TRUE(res.abiertas.empty());
  // MacroSQL keeps its failures out of the log.
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
  // The statement is usable again.
  EXPECT_EQ(M(5, "SELECT 7"), 1);
  EXPECT_EQ(res.celdas, (Celdas{"0,0,0,7"}));
}

TEST_F(Macro, TextOfMoreThan5999CharactersIsRefused) {
  std::string justo = "SELECT 5";
  justo.resize(5999, ' ');
  EXPECT_EQ(M(5, justo), 1);
  EXPECT_EQ(res.celdas, (Celdas{"0,0,0,5"}));
  EXPECT_FALSE(Existe(entorno.log()));

  res.Limpia();
  std::string largo = justo + " ";
  char error[300] = {};
  EXPECT_EQ(M(5, largo, 0, error), -1);
  EXPECT_EQ(M(1, largo + "more"), -1);
  EXPECT_TRUE(res.abiertas.empty());
  EXPECT_NE(std::string(error).find("5999"), std::string::npos) << error;
  const std::string log = entorno.LeeLog();
  EXPECT_NE(log.find("\r\nError SQL 211--\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nSentencia SQL: \r\nSELECT 5 "), std::string::npos) << log;

  // The refusal does not stick to the statement.
  EXPECT_EQ(M(5, "SELECT 6"), 1);
  EXPECT_EQ(res.celdas, (Celdas{"0,0,0,6"}));
}

TEST_F(Macro, OperationFourClosesAndDelMacroSqlReleasesTheCells) {
  CnxOdbc* c = nullptr;
  SentOdbc* s = nullptr;
  EXPECT_EQ(DelMacroSQL(&c, &s), 1);
  EXPECT_EQ(DelMacroSQL(nullptr, nullptr), 1);
  Tabla();
  EXPECT_EQ(M(1, "SELECT C1 FROM t ORDER BY C2"), 1);
  EXPECT_EQ(M(4, nullptr), 1);
  EXPECT_EQ(M(2, nullptr), -1);
  EXPECT_EQ(M(4, nullptr), 1);  // closing twice is harmless
  // A new execution replaces the result: this one has one row only.
  EXPECT_EQ(M(1, "SELECT C1, C2 FROM t ORDER BY C2"), 1);
  EXPECT_EQ(M(1, "SELECT C2 FROM t WHERE C2 = 3"), 1);
  EXPECT_EQ(M(2, nullptr), -1);

  EXPECT_EQ(DelMacroSQL(&cnx, &sent), 1);
  EXPECT_EQ(cnx, nullptr);
  EXPECT_EQ(sent, nullptr);
  // New cells are made on the next call, and the data is still there.
  res.Limpia();
  EXPECT_EQ(M(5, "SELECT COUNT(*) FROM t"), 1);
  EXPECT_NE(cnx, nullptr);
  EXPECT_EQ(res.celdas, (Celdas{"0,0,0,3"}));
}

}  // namespace
