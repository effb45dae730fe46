// Moves inside a fetched rowset and the repair after a short backward fetch, on rowsets filled
// by hand.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "columns/Cmp.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

namespace {

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
