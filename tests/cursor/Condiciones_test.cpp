// The WHERE texts of reads by key: key conditions, the filter joined to them, and the SELECT.
#include <cstring>
#include <string>
#include <vector>

#include "Tabla.h"
#include "cursor/ArchSql.h"

namespace {

// The objects are made here, on a connection of this program's own library code.
class Condiciones : public ConBase {
 protected:
  void TearDown() override {
    DelCnxOdbc(propia);
    ConBase::TearDown();
  }
  void SetUp() override {
    ConBase::SetUp();
    propia = NvaCnxOdbc(srv(), "DATOS", "", "");
    ASSERT_NE(propia, nullptr);
    // T: texts; N: numbers; F: a date.
    Sql("CREATE TABLE T (C1 char(8), C2 char(8), C3 char(8)); CREATE INDEX T_indent ON T (C1); "
        "CREATE INDEX T_indent2 ON T (C1, C2); CREATE INDEX T_indent3 ON T (C1, C2, C3)");
    Sql("CREATE TABLE N (C1 dec(5,0), C2 dec(5,0), C3 char(4)); CREATE INDEX N_indent ON N (C1, "
        "C2)");
    Sql("CREATE TABLE F (C1 datetime, C2 dec(5,0)); CREATE INDEX F_indent ON F (C1)");
  }
  CnxOdbc* propia = nullptr;
};

struct Celda {
  int campo, clase;
  const char* valor;
};

// The condition written for a read of the given mode and key from the given record values.
std::string Condicion(ArchSql* a, int modo, int clave, std::vector<const char*> valores,
                      std::vector<Celda> filtro) {
  a->LimpiaFiltro();
  for (const Celda& c : filtro) a->PonFiltro(c.campo, c.clase, c.valor);
  for (size_t i = 0; i < valores.size(); ++i) a->PonTxtCmp(int(i), valores[i]);
  a->HostAReg();
  a->claveAct = clave;
  a->ArmaCondicion(modo);
  return a->condicion;
}

TEST_F(Condiciones, WorkedTextsOfKeysAndFilters) {
  struct Caso {
    const char* tabla;
    int modo, clave;
    std::vector<const char*> valores;
    std::vector<Celda> filtro;
    std::string texto;
  } casos[] = {
      {"T", 0, 0, {"x"}, {}, "C1='x'"},
      {"T", 1, 1, {"a", "b"}, {}, " ( C1>'a' OR C1='a' AND C2>='b' ) "},
      {"N", 2, 0, {"5", "7"}, {}, " ( C1<5 OR C1=5 AND C2<=7 ) "},
      {"T", 3, 1, {"a", "b"}, {}, "( C1>'a' OR C1='a' AND C2>'b' ) "},
      {"T", 5, 2, {"a", "x", "c"}, {{1, 1, "b"}, {1, 3, "b"}},
       "( C1>'a' OR C1='a' AND C3>'c' )  AND C2='b'"},
      {"T", 7, 0, {}, {{2, 1, "A"}, {2, 3, "M"}}, "C3>='A' AND C3<='M'"},
      {"T", 8, 0, {}, {{2, 1, "K"}, {2, 3, "K"}}, "C3='K'"},
      {"T", 1, 1, {"a", "b"}, {{2, 1, "K"}, {2, 3, "K"}},
       " ( C1>'a' OR C1='a' AND C2>='b' )  AND C3='K'"},
      {"T", 7, 0, {}, {}, ""},
      {"T", 1, 0, {"v"}, {}, " ( C1>='v' ) "},
      {"T", 3, 0, {"v"}, {}, "( C1>'v' ) "},
      {"T", 6, 0, {"v"}, {}, "( C1<'v' ) "},
      // Every part pinned: no key condition for at-or-after, the last part's for after.
      {"T", 1, 1, {"a", "x"}, {{0, 1, "a"}, {0, 3, "a"}, {1, 1, "b"}, {1, 3, "b"}},
       "C1='a' AND C2='b'"},
      {"T", 3, 1, {"a", "x"}, {{0, 1, "a"}, {0, 3, "a"}, {1, 1, "b"}, {1, 3, "b"}},
       "( C2>'x' )  AND C1='a' AND C2='b'"},
      // The other filter kinds; a number cell without text adds nothing, a text one compares ''.
      {"T", 7, 0, {}, {{0, 2, "b"}, {0, 4, "y"}, {1, 9, "q"}, {2, 11, "a%"}, {2, 1, ""}},
       "C1>'b' AND C1<'y' AND C2!='q' AND C3>='' AND C3 LIKE 'a%'"},
      {"N", 7, 0, {}, {{0, 1, ""}, {1, 4, "3.5"}}, "C2<3.5"},
      // Quotes are doubled in values and filters; a number cell is read as a number.
      {"T", 0, 0, {"O'Brien"}, {{1, 9, "it's"}}, "C1='O''Brien' AND C2!='it''s'"},
      {"N", 7, 0, {}, {{0, 1, "1 OR 1=1"}}, "C1>=1"},
      // Dates: blank as 1/1/1900, values day first with four-digit years (pivot 60).
      {"F", 0, 0, {"0"}, {}, "C1='1/1/1900'"},
      {"F", 0, 0, {"150385"}, {}, "C1='15/03/1985'"},
      {"F", 7, 0, {}, {{0, 1, "0"}, {0, 3, "530705"}, {0, 2, "520625"}},
       "C1>='1/1/1900' AND C1<='15/03/1985' AND C1>'15/03/2057'"},
  };
  for (const Caso& c : casos) {
    int estado = 0;
    ArchSql a(propia, c.tabla, &estado, 0, 0, "");
    ASSERT_EQ(estado, kArchAbierto);
    EXPECT_EQ(Condicion(&a, c.modo, c.clave, c.valores, c.filtro), c.texto)
        << c.tabla << " mode " << c.modo << " key " << c.clave;
  }
}

TEST_F(Condiciones, TheSelectOfAReadAndOfATableLock) {
  int estado = 0;
  ArchSql a(propia, "T", &estado, 0, 0, "");
  ASSERT_EQ(estado, kArchAbierto);
  a.PonTxtCmp(0, "a");
  a.PonTxtCmp(1, "b");
  EXPECT_EQ(a.Lee(3, 1, 0, 0), -1);
  EXPECT_STREQ(a.sent->sentencia,
               "SELECT * FROM T WITH(INDEX(T_indent2))  WHERE ( C1>'a' OR C1='a' AND C2>'b' )  "
               "ORDER BY C1,C2");
  EXPECT_EQ(a.Lee(8, 2, 0, 2), -1);
  EXPECT_EQ(a.enTrans, 1);
  EXPECT_STREQ(a.sent->sentencia,
               "SELECT * FROM T WITH(INDEX(T_indent3),TABLOCKX)  ORDER BY C1,C2,C3");
  a.Libera();
  EXPECT_EQ(a.enTrans, 0);
  EXPECT_EQ(a.Bloquea(), -1);
  EXPECT_EQ(a.enTrans, 1);
  EXPECT_STREQ(a.sent->sentencia, "SELECT * FROM T WITH(INDEX(T_indent),TABLOCKX)  ORDER BY C1");
  a.Libera();
  EXPECT_EQ(a.enTrans, 0);
  EXPECT_EQ(a.Lee(8, 2, 0, 2), -1);
  // Out of range: nothing runs.
  EXPECT_EQ(a.Lee(9, 0, 0, 0), -1);
  EXPECT_EQ(a.Lee(0, 3, 0, 0), -1);
  EXPECT_STREQ(a.sent->sentencia,
               "SELECT * FROM T WITH(INDEX(T_indent3),TABLOCKX)  ORDER BY C1,C2,C3");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

// A step that the driver keeps asking to repeat is tried 20 times, then left with one record.
TEST_F(Condiciones, RepeatsAreBoundedAndLogged) {
  int estado = 0;
  ArchSql a(propia, "T", &estado, 0, 0, "");
  ASSERT_EQ(estado, kArchAbierto);
  strcpy(a.sent->sqlState, "40001");
  int intentos = 0, otros = 0;
  while (OtroIntento(a.sent, 110, &intentos)) ++otros;
  EXPECT_EQ(intentos, 20);
  EXPECT_EQ(otros, 19);
  std::string log = entorno.LeeLog();
  EXPECT_EQ(Registros(log), 1) << log;
  EXPECT_TRUE(Contiene(log, "Error SQL 110-40001-T\r\nStep repeated 20 times")) << log;
}

}  // namespace
