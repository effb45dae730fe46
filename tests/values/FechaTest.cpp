// Dates: the calendar against an independent civil-date computation, the serial, the typed
// numbers and texts, the two-digit window and the edited text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "values/Fecha.h"

namespace {

// Civil date of a count of days from 1970-01-01 (era arithmetic, independent of the library).
void Civil(long long z, int* d, int* m, int* a) {
  z += 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *a = static_cast<int>(yoe + era * 400 + (*m <= 2 ? 1 : 0));
}

// Day 1 is 1 January of year 1, which is 719162 days before 1970-01-01.
const long long kDia1 = -719162;

std::string Dma(int d, int m, int a) {
  return std::to_string(d) + "/" + std::to_string(m) + "/" + std::to_string(a);
}
std::string De(const fecha& f) {
  int d, m, a;
  f.SacaDMA(&d, &m, &a);
  return Dma(d, m, a);
}
#define EXPECT_DMA(f, d, m, a) EXPECT_EQ(De(f), Dma(d, m, a))

TEST(Calendario, CadaDiaHasta800000) {
  for (int n = 1; n <= 800000; n++) {
    int cd, cm, ca, d, m, a;
    Civil(n - 1 + kDia1, &cd, &cm, &ca);
    SacaDMA(n, &d, &m, &a);
    ASSERT_TRUE(d == cd && m == cm && a == ca) << n << ": " << Dma(d, m, a) << " instead of "
                                               << Dma(cd, cm, ca);
    ASSERT_EQ(DiaDMA(cd, cm, ca), n);
  }
}

TEST(Calendario, MesFueraDeRangoTieneTreintaYUnDias) {
  for (int m : {0, 13, -1}) EXPECT_EQ(DiasMes(m, 2024), 31) << m;
}

TEST(Fecha, FormasDeLaMismaFecha) {
  fecha porTexto("19/05/10", 1), porNumero(190510.0, 1), serial(539769.0, 1), crudo(733911.0, 1);
  for (fecha* f : {&porTexto, &porNumero, &serial, &crudo}) {
    EXPECT_EQ(f->Dia(), 733911);
    EXPECT_STREQ(f->TxtEdt(), "19/05/10");
    EXPECT_EQ(f->Num(), 539769);
    EXPECT_EQ(f->Ent(), 192510);
    EXPECT_STREQ(f->Txt(), "539769");
    EXPECT_STREQ(f->TxtMay(), "539769");
    EXPECT_STREQ(f->TxtSin(' '), "539769");
  }
  fecha fin(539780.2, 1);  // day 31 is 30.2 in the serial
  EXPECT_DMA(fin, 31, 5, 2010);
  EXPECT_EQ(fin.Num(), 539780.2);
  EXPECT_STREQ(fin.Txt(), "539780.2");
  fin.PonLon(3, ' ');  // kind, width and decimals are fixed
  fin.PonDec(4);
  EXPECT_EQ(fin.Tipo(), 3);
  EXPECT_EQ(fin.Lon(), 8);
  EXPECT_EQ(fin.Dec(), 0);

  fecha mes(51910.0, 2), mesTxt("05/19/10", 2);
  EXPECT_DMA(mes, 19, 5, 2010);
  EXPECT_STREQ(mes.TxtEdt(), "05/19/10");
  EXPECT_EQ(mes.Ent(), 53910);
  EXPECT_EQ(mesTxt.Dia(), 733911);
  EXPECT_EQ(DiaNum(539769), 733911);
  EXPECT_EQ(DiaNum(0), 0);
}

// By range of the number; d = 0 for an empty date.
TEST(Fecha, Rangos) {
  const struct { double v; int orden, d, m, a; } casos[] = {
      {310210, 1, 28, 2, 2010}, {290200, 1, 29, 2, 2000}, {290201, 1, 28, 2, 2001},
      {10150, 1, 1, 1, 1950}, {311249, 1, 31, 12, 2049}, {748382, 1, 31, 12, 2049},
      {650000.5, 1, 21, 8, 1780}, {650001, 1, 22, 8, 1780}, {748382.5, 1, 0, 0, 0},
      {19052010, 1, 0, 0, 0}, {0, 1, 0, 0, 0}, {518031, 1, 1, 1, 1950}, {554030.2, 1, 31, 12, 2049},
      {554031, 1, 1, 1, 1950}, {500001, 1, 1, 12, 1999}, {123199, 2, 31, 12, 1999},
      {10100, 2, 1, 1, 2000}, {311399, 1, 31, 12, 1999}};
  for (const auto& c : casos) {
    fecha f(c.v, c.orden);
    if (c.d == 0) {
      EXPECT_EQ(f.Dia(), 0) << c.v;
    } else {
      EXPECT_DMA(f, c.d, c.m, c.a);
    }
  }
  EXPECT_EQ(fecha(650000.5, 1).Dia(), 650000);
  // Empty dates, from numbers and texts.
  for (fecha f : {fecha(std::numeric_limits<double>::quiet_NaN(), 1), fecha("", 1),
                  fecha(nullptr, 2), fecha("19/05/2010", 1)}) {
    EXPECT_EQ(f.Dia(), 0);
    EXPECT_STREQ(f.TxtEdt(), "  /  /  ");
    EXPECT_EQ(f.Num() + f.Ent(), 0);
    EXPECT_STREQ(f.Txt(), "0");
  }
  // Nonsense typed numbers still land on some valid date.
  for (double v : {-1e300, -2.0, -123456.0, 499999.0, 490000.0})
    EXPECT_EQ(std::strlen(fecha(v, 1).TxtEdt()), 8u) << v;
}

TEST(Fecha, HoyYPartesDeHoy) {
  struct { int d, m, a; } h[2];
  HoyDMA(&h[0].d, &h[0].m, &h[0].a);
  fecha hoy(-1.0, 1), dia(15.0, 1), diaMes(1505.0, 1), mes(7.0, 2), mesDia(715.0, 2);
  HoyDMA(&h[1].d, &h[1].m, &h[1].a);
  for (const auto& c : h) {
    fecha esperado(0.0, 1);
    esperado.PonDMA(c.d, c.m, c.a);
    if (hoy.Dia() != esperado.Dia()) continue;  // the day changed in between
    EXPECT_DMA(dia, 15, c.m, c.a);
    EXPECT_DMA(diaMes, 15, 5, c.a);
    EXPECT_DMA(mes, c.d > DiasMes(7, c.a) ? DiasMes(7, c.a) : c.d, 7, c.a);
    EXPECT_DMA(mesDia, 15, 7, c.a);
    return;
  }
  FAIL() << "PonNum(-1) is not today";
}

TEST(Fecha, PonDMAYVentana) {
  const struct { int d, m, a, rd, rm, ra; } casos[] = {
      {19, 5, 10, 19, 5, 2010}, {31, 2, 10, 28, 2, 2010}, {0, 13, 75, 1, 12, 1975},
      {1, 1, 0, 1, 1, 2000}, {1, 1, 49, 1, 1, 2049}, {1, 1, 50, 1, 1, 1950}, {1, 1, 99, 1, 1, 1999},
      {1, 1, 100, 1, 1, 2000}, {1, 1, 999, 1, 1, 2899}, {1, 1, 1000, 1, 1, 1000},
      {5, 3, 1850, 5, 3, 1850}, {31, 4, 2024, 30, 4, 2024}, {31, 0, 2024, 31, 1, 2024},
      {40, -3, 2024, 31, 1, 2024}, {29, 2, 1900, 28, 2, 1900}};
  fecha f(0.0, 1);
  for (const auto& c : casos) {
    f.PonDMA(c.d, c.m, c.a);
    EXPECT_DMA(f, c.rd, c.rm, c.ra);
  }
  // The edited text shows the last two digits of any year.
  f.PonDMA(5, 3, 1850);
  EXPECT_STREQ(f.TxtEdt(), "05/03/50");
  f.PonDMA(5, 3, 2150);
  EXPECT_STREQ(f.TxtEdt(), "05/03/50");
}

TEST(Fecha, SerialIdaYVuelta) {
  // Every day of the window survives Num -> PonNum and Txt -> PonTxt.
  int desde = DiaDMA(1, 1, 1950), hasta = DiaDMA(31, 12, 2049);
  for (int n = desde; n <= hasta; n++) {
    fecha f(0.0, 1);
    f.PonDia(n);
    ASSERT_EQ(fecha(f.Num(), 1).Dia(), n) << f.Num();
    ASSERT_EQ(fecha(f.Txt(), 1).Dia(), n) << f.Txt();
    ASSERT_EQ(fecha(f.TxtEdt(), 1).Dia(), n) << f.TxtEdt();
  }
  fecha viejo(0.0, 1);
  viejo.PonDMA(3, 6, 1949);
  EXPECT_DMA(fecha(viejo.Num(), 1), 3, 6, 2049);
}

}  // namespace
