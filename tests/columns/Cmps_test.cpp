// Column buffers on their own (texts of every class, row round trips, dates, bounds), and moves
// inside a rowset filled by hand with the repair after a short backward fetch.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>

#include "columns/Cmp.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

namespace {

SQL_TIMESTAMP_STRUCT Ts(int anio, int mes, int dia) {
  SQL_TIMESTAMP_STRUCT t{};
  t.year = SQLSMALLINT(anio);
  t.month = SQLUSMALLINT(mes);
  t.day = SQLUSMALLINT(dia);
  return t;
}

// Per class: the initial text, the SQL type (single precision below 8 digits) and the element
// size. The bound array holds nFilas + 1 zeroed elements, nothing is addressable beyond them, and
// rows outside 0 .. nFilas - 1 are neither read nor written.
TEST(ColumnBuffers, ArraysAndRowsOutOfRange) {
  STR s(2, 5, 1, "S");
  LON l(2, 0, "L");
  FLO f7(2, 7, 1, "F7"), f8(2, 8, 1, "F8");
  NUM n(2, 10, 2, 1, "N");
  FEC d(2, 1, "D", 0);
  const struct { CMP* c; const char* texto; short tipoSql; int32_t lonElem; } casos[] = {
      {&s, "", SQL_CHAR, 6}, {&l, "0", SQL_INTEGER, 4}, {&f7, "0", SQL_REAL, 8},
      {&f8, "0", SQL_FLOAT, 8}, {&n, "0", SQL_NUMERIC, 8}, {&d, "  /  /  ", SQL_TIMESTAMP, 16}};
  for (const auto& k : casos) {
    SCOPED_TRACE(k.c->nombre);
    EXPECT_STREQ(k.c->Texto(), k.texto);
    EXPECT_EQ(k.c->TipoSql(), k.tipoSql);
    const int32_t le = k.c->LonElem();
    EXPECT_EQ(le, k.lonElem);
    char* base = static_cast<char*>(k.c->DirFila(0));
    EXPECT_EQ(static_cast<char*>(k.c->DirFila(2)) - base, 2 * le);
    EXPECT_EQ(k.c->DirFila(3), nullptr);
    EXPECT_EQ(k.c->DirFila(-1), nullptr);
    for (int i = 0; i < 3 * le; ++i) ASSERT_EQ(base[i], 0);
    memset(base, 0x5A, size_t(3 * le));
    k.c->PonTexto("11/11/2011");
    const std::string antes = k.c->Texto();
    for (long r : {-1L, 2L, 1000L}) {
      k.c->LeeFila(r);
      k.c->GrabaFila(r);
    }
    EXPECT_EQ(antes, k.c->Texto());
    for (int i = 0; i < 3 * le; ++i) ASSERT_EQ(base[i], 0x5A) << "byte " << i;
  }
}

TEST(ColumnBuffers, StrCutsBlanksOnReadAndPadsOnWrite) {
  STR s(2, 5, 1, "S");
  char* e = static_cast<char*>(s.DirFila(1));
  const struct { const char *elem, *texto; } lee[] = {
      {"ab   ", "ab"}, {"     ", " "}, {"abcde", "abcde"}, {" a b ", " a b"}, {"x\0\0\0\0", "x"}};
  for (const auto& k : lee) {
    memcpy(e, k.elem, 5);
    s.LeeFila(1);
    EXPECT_STREQ(s.Texto(), k.texto);
  }
  // Cut at lon; the element's last byte belongs to the driver and is never written.
  const struct { const char *entrada, *texto, *elem; } graba[] = {
      {"abcdefghij", "abcde", "abcdeX"}, {"ab", "ab", "ab   X"}, {"", "", "     X"}};
  for (const auto& k : graba) {
    memset(e, 'X', 6);
    s.PonTexto(k.entrada);
    EXPECT_STREQ(s.TextoSql(), k.texto);
    s.GrabaFila(1);
    EXPECT_EQ(std::string(e, 6), k.elem);
  }
}

TEST(ColumnBuffers, NumbersThroughTextAndRow) {
  const struct { const char *entrada, *texto; int32_t entero; double real; } casos[] = {
      {"12abc", "12", 12, 12.0}, {"", "0", 0, 0.0}, {"abc", "0", 0, 0.0}, {"2.5", "2.5", 2, 2.5},
      {"0.5", ".5", 0, 0.5}, {"-1234.5678", "-1234.5678", -1234, -1234.5678},
      {"2147483647", "2147483647", 2147483647, 2147483647.0}};
  LON l(2, 1, "L");
  FLO f(2, 53, 1, "F");
  NUM n(2, 12, 4, 1, "N");
  for (const auto& k : casos) {
    SCOPED_TRACE(k.entrada);
    l.PonTexto(k.entrada);
    EXPECT_STREQ(l.Texto(), k.texto);
    l.GrabaFila(1);
    EXPECT_EQ(l.datos[1], k.entero);
    l.LeeFila(1);
    EXPECT_EQ(atol(l.Texto()), k.entero);
    for (CMP* c : {static_cast<CMP*>(&f), static_cast<CMP*>(&n)}) {
      c->PonTexto(k.entrada);
      EXPECT_STREQ(c->TextoSql(), k.texto);
      c->GrabaFila(1);
      EXPECT_DOUBLE_EQ(*static_cast<double*>(c->DirFila(1)), k.real);
      c->PonTexto("9");
      c->LeeFila(1);
      EXPECT_STREQ(c->Texto(), k.texto);
    }
  }
  f.datos[0] = 1e15;  // no digits in the library's form: still a number
  f.LeeFila(0);
  EXPECT_STREQ(f.Texto(), "0");
}

TEST(ColumnBuffers, DateTextFromRow) {
  const struct { SQL_TIMESTAMP_STRUCT e; int orden; const char* texto; } casos[] = {
      {Ts(2009, 3, 5), 0, "05/03/2009"}, {Ts(2009, 3, 5), 1, "03/05/2009"},
      {Ts(2009, 3, 5), 2, "03/05/2009"}, {Ts(1900, 1, 1), 0, "  /  /  "},
      {Ts(1900, 1, 1), 1, "  /  /  "},   {Ts(1900, 1, 2), 0, "02/01/1900"},
      {Ts(95, 12, 25), 0, "25/12/95"},   {Ts(-5, 1, 2), 0, "02/01/-5"},
      {Ts(2009, 123, 5), 0, "05/12/2009"}};
  for (const auto& k : casos) {
    FEC d(2, 1, "D", k.orden);
    d.datos[1] = k.e;
    d.datos[1].hour = 13;
    d.LeeFila(1);
    EXPECT_STREQ(d.texto, k.texto) << k.e.year << "-" << k.e.month << "-" << k.e.day << " order "
                                   << k.orden;
  }
}

TEST(ColumnBuffers, DateRowFromText) {
  const struct { const char* texto; int orden, anio, mes, dia; } casos[] = {
      {"5/3/2009", 0, 2009, 3, 5}, {"5/3/2009", 1, 2009, 3, 5}, {"5/3/2009", 2, 2009, 5, 3},
      {"15", 0, 1900, 1, 15},      {"  /  /  ", 0, 1900, 1, 1}, {"", 2, 1900, 1, 1},
      {"5/3/95", 0, 95, 3, 5},     {"5/", 0, 1900, 1, 5},       {"5/3/", 0, 1900, 3, 5}};
  for (const auto& k : casos) {
    SCOPED_TRACE(std::string("'") + k.texto + "' order " + std::to_string(k.orden));
    FEC d(2, 1, "D", k.orden);
    d.datos[0].hour = 7;
    d.datos[0].fraction = 10;
    d.PonTexto(k.texto);
    d.GrabaFila(0);
    EXPECT_EQ(d.datos[0].year, k.anio);
    EXPECT_EQ(d.datos[0].month, k.mes);
    EXPECT_EQ(d.datos[0].day, k.dia);
    EXPECT_EQ(d.datos[0].hour, 7);  // the time of day stays
    EXPECT_EQ(d.datos[0].fraction, 10u);
  }
}

TEST(ColumnBuffers, BlankDatesAndLongTexts) {
  const struct { const char *texto, *vista, *sql; } casos[] = {
      {"", "  /  /  ", "1/1/1900"},          {"00/00/0000", "  /  /  ", "1/1/1900"},
      {"  /  / 99", "  /  /  ", "1/1/1900"}, {"00/00/", "00/00/", "00/00/"},
      {"05/03/2009", "05/03/2009", "05/03/2009"}};
  FEC d(1, 1, "D", 0);
  for (const auto& k : casos) {
    d.PonTexto(k.texto);
    EXPECT_STREQ(d.Texto(), k.vista) << "'" << k.texto << "'";
    EXPECT_STREQ(d.TextoSql(), k.sql) << "'" << k.texto << "'";
  }
  d.PonTexto("1234567890123456789");   // 19 characters: taken
  d.PonTexto("12345678901234567890");  // 20: refused
  EXPECT_STREQ(d.texto, "1234567890123456789");
}

// A statement without a connection still keeps a column list.
class Lista : public ::testing::Test {
 protected:
  CnxOdbc cnx{};
  int exito = -1;
  SentOdbc s{&cnx, 4, &exito, ""};
};

TEST_F(Lista, FactoryChoosesTheClassByType) {
  const struct { short tipo; SQLULEN tam; const std::type_info& clase; uint32_t l; } casos[] = {
      {SQL_NUMERIC, 10, typeid(NUM), 10}, {SQL_DECIMAL, 12, typeid(NUM), 12},
      {SQL_INTEGER, 10, typeid(LON), 0},  {SQL_FLOAT, 53, typeid(FLO), 53},
      {SQL_REAL, 24, typeid(FLO), 24},    {SQL_TIMESTAMP, 23, typeid(FEC), 0},
      {SQL_CHAR, 10, typeid(STR), 10},    {SQL_SMALLINT, 5, typeid(STR), 5},
      {SQL_DOUBLE, 15, typeid(STR), 15},  {SQL_VARCHAR, 30, typeid(STR), 30},
      {SQL_LONGVARCHAR, 2147483647, typeid(STR), kMaxLonStr}};
  EXPECT_EQ(s.NvoCmp(0, SQL_INTEGER, 10, 0, 0, "X", 0), nullptr);  // no list yet
  s.IniCmps(2);
  EXPECT_EQ(s.NvoCmp(-1, SQL_INTEGER, 10, 0, 0, "X", 0), nullptr);
  EXPECT_EQ(s.NvoCmp(2, SQL_INTEGER, 10, 0, 0, "X", 0), nullptr);
  for (const auto& k : casos) {
    SCOPED_TRACE(k.tipo);
    CMP* c = s.NvoCmp(1, k.tipo, k.tam, 2, 1, "COL", 2);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(s.cmps[1], c);
    EXPECT_EQ(typeid(*c), k.clase);
    EXPECT_EQ(c->lon, k.l);
    EXPECT_EQ(c->nDec, k.clase == typeid(NUM) ? 2 : -1);
    EXPECT_EQ(c->nFilas, 4);
    EXPECT_STREQ(c->nombre, "COL");
    if (auto* f = dynamic_cast<FEC*>(c)) {
      EXPECT_EQ(f->ordenFecha, 2);
    }
  }
  EXPECT_EQ(s.cmps[0], nullptr);
}

TEST_F(Lista, CargaFilaLoadsOneRowIntoEveryColumn) {
  s.tamLote = 10;
  s.IniCmps(2);
  auto* a = static_cast<STR*>(s.NvoCmp(0, SQL_CHAR, 6, 0, 1, "A", 0));
  auto* b = static_cast<FEC*>(s.NvoCmp(1, SQL_TIMESTAMP, 23, 3, 1, "B", 0));
  for (long r = 0; r < 10; ++r) {
    a->PonTexto(("fila" + std::to_string(r)).c_str());
    a->GrabaFila(r);
    b->datos[r] = Ts(2000 + int(r), 1, 2);
  }
  s.CargaFila(9);
  EXPECT_STREQ(a->Texto(), "fila9");
  EXPECT_STREQ(b->Texto(), "02/01/2009");
  s.CargaFila(10);  // beyond the rowset: the texts stay
  s.CargaFila(SQLULEN(-1));
  EXPECT_STREQ(a->Texto(), "fila9");
}

class Rowset : public ::testing::Test {
 protected:
  // `tam` rows of which `leidas` were fetched; row r holds ("rN", N * 10) with N = r.
  void Llena(int tam, int leidas) {
    s = std::make_unique<SentTabla>(&cnx, "T", tam, &exito, "");
    s->IniCmps(2);
    nom = static_cast<STR*>(s->NvoCmp(0, SQL_CHAR, 8, 0, 1, "C1", 0));
    num = static_cast<LON*>(s->NvoCmp(1, SQL_INTEGER, 10, 0, 1, "C2", 0));
    for (int r = 0; r < tam; ++r) Pon(r, r, r * 10);
    s->filasLeidas = SQLULEN(leidas);
  }
  void Pon(int r, int n, int v) {
    nom->PonTexto(("r" + std::to_string(n)).c_str());
    nom->GrabaFila(r);
    num->datos[r] = v;
  }
  void En(int r) {
    s->posLote = r;
    s->CargaFila(SQLULEN(r));
  }
  std::string Actual() { return std::string(nom->Texto()) + "," + num->Texto(); }

  CnxOdbc cnx{};
  int exito = -1;
  std::unique_ptr<SentTabla> s;
  STR* nom = nullptr;
  LON* num = nullptr;
};

TEST_F(Rowset, MovesStayInsideTheRowsFetched) {
  // `sig`: the SigFila steps that succeed from `desde`.
  const struct { int tam, leidas, desde, sig; } casos[] = {
      {10, 10, 0, 9}, {10, 3, 1, 1}, {1, 1, 0, 0}, {5, 0, 0, 0}};
  for (const auto& k : casos) {
    SCOPED_TRACE(std::to_string(k.tam) + "/" + std::to_string(k.leidas));
    Llena(k.tam, k.leidas);
    En(k.desde);
    for (int i = 1; i <= k.sig; ++i) {
      ASSERT_EQ(s->SigFila(), 0);
      const int r = k.desde + i;
      EXPECT_EQ(Actual(), "r" + std::to_string(r) + "," + std::to_string(r * 10));
    }
    const std::string fin = Actual();
    EXPECT_EQ(s->SigFila(), -1);
    EXPECT_EQ(s->posLote, k.desde + k.sig);
    EXPECT_EQ(Actual(), fin);
    for (int r = k.desde + k.sig - 1; r >= 0; --r) {
      ASSERT_EQ(s->AntFila(), 0);
      EXPECT_EQ(Actual(), "r" + std::to_string(r) + "," + std::to_string(r * 10));
    }
    EXPECT_EQ(s->AntFila(), -1);
    EXPECT_EQ(s->posLote, 0);
  }
}

// The driver went back to the first rowset (rows 0..9 fetched, or only 0..3) while the current
// record was `actual`: the cursor must stand on the row before it.
TEST_F(Rowset, RecolocaFilaStandsBeforeTheOldRecord) {
  // Rows fetched, the current record before; posLote and the current record afterwards.
  const struct { int leidas; std::string actual; int pos; std::string despues; } casos[] = {
      {10, "r7,70", 6, "r6,60"},  {10, "r9,90", 8, "r8,80"}, {10, "r1,10", 0, "r0,0"},
      {10, "r0,0", 0, "r0,0"},    {10, "r42,420", 9, "r9,90"},
      {10, "r4,99", 9, "r9,90"},  // same name, other number: not the record
      {4, "r8,80", 3, "r3,30"},   // rows 4..9 are stale: never matched
  };
  for (const auto& k : casos) {
    SCOPED_TRACE(k.actual);
    Llena(10, k.leidas);
    const size_t coma = k.actual.find(',');
    nom->PonTexto(k.actual.substr(0, coma).c_str());
    num->PonTexto(k.actual.substr(coma + 1).c_str());
    s->posLote = 5;
    EXPECT_EQ(s->RecolocaFila(), 0);
    EXPECT_EQ(s->posLote, k.pos);
    EXPECT_EQ(Actual(), k.despues);
  }
}

}  // namespace
