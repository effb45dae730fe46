// numero, String and fecha: reading, rounding, edited texts, widths, kinds and codes; NumAStr
// against an independent decimal reference; the calendar against an independent civil-date
// computation, the serial, the typed numbers and texts and the two-digit window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "values/Campos.h"
#include "values/Fecha.h"
#include "values/Numeros.h"

namespace {

TEST(Numero, LecturaDeTexto) {
  const struct { const char* texto; double valor; } casos[] = {
      {"1,234.50", 1234.5}, {"  -12", -12}, {"1.2.3", 1.203}, {"abc", 0}, {"", 0}, {nullptr, 0},
      {"12-3", 123}, {"- 4.5", -4.5}, {"x-1", 1}, {".05", 0.05}, {"007", 7}, {" 1 2 ", 12}};
  for (const auto& c : casos) {
    numero n(99);
    n.PonTxt(c.texto, -1);
    EXPECT_DOUBLE_EQ(n.Num(), c.valor) << (c.texto ? c.texto : "(null)");
  }
}

TEST(Numero, DecimalesAnchoYEntero) {
  numero n(2.345);
  EXPECT_EQ(n.Tipo(), 2);
  EXPECT_EQ(n.Dec(), -1);
  n.PonDec(2);
  EXPECT_EQ(n.Num(), 2.35);
  n.PonNum(1.005001);  // the decimals stay and round every new value
  EXPECT_EQ(n.Num(), 1.01);
  n.PonTxt("3.14159", 9);
  EXPECT_EQ(n.Num(), 3.14);
  EXPECT_EQ(n.Lon(), 9);
  n.PonTxt("12.5", -1);  // a negative width keeps the one set
  EXPECT_EQ(n.Lon(), 9);
  n.PonLon(4, '*');
  EXPECT_EQ(n.Lon(), 4);
  // Decimals unset: 15 significant digits, and 0 for more than 15 integer digits.
  numero g(0);
  g.PonNum(1e15);
  EXPECT_EQ(g.Num(), 0);
  g.PonNum(123456789012345.6);
  EXPECT_EQ(g.Num(), 123456789012346);

  const struct { double v; int ent; } enteros[] = {
      {-2.9, -2}, {2.9, 2}, {0, 0}, {1e12, 2147483647}, {-1e12, -2147483647 - 1},
      {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto& c : enteros) EXPECT_EQ(numero(c.v).Ent(), c.ent) << c.v;
}

TEST(Numero, TextoEditado) {
  const struct { double v; int dec; const char* edt; } casos[] = {
      {1234567.891, 2, "1,234,567.89"}, {0.5, 2, "0.50"}, {5.001, 2, "5.00"}, {5.999, 2, "6.00"},
      {-0.001, 2, "-0.00"}, {1234.4, 0, "1,234"}, {1234.5, -1, "1,234.5"}, {999, -1, "999"},
      {-100000, 3, "-100,000.000"}, {-0.0, -1, "0"}, {0.25, -1, "0.25"}, {123.456, 5, "123.45600"},
      {1e14, 2, "100,000,000,000,000.00"}, {-2e17, 0, "-200,000,000,000,000,000"}};
  for (const auto& c : casos) {
    numero n(c.v);
    n.PonDec(c.dec);
    EXPECT_STREQ(n.TxtEdt(), c.edt) << c.v << " dec " << c.dec;
  }
  numero n(-1234.5);
  EXPECT_STREQ(n.Txt(), "-1234.5");
  EXPECT_STREQ(n.TxtMay(), "-1234.5");
  EXPECT_STREQ(n.TxtSin('5'), "-1234.5");
  EXPECT_STREQ(numero(HUGE_VAL).TxtEdt(), "");
}

TEST(String, TextoYAncho) {
  EXPECT_STREQ(String(nullptr, 0, 1).Txt(), "");
  String s("ab", 5, 1);
  EXPECT_STREQ(s.Txt(), "ab   ");
  s.PonTxt("", 5);  // empty: no padding, the width stays
  EXPECT_STREQ(s.Txt(), "");
  EXPECT_EQ(s.Largo(), 0);
  EXPECT_EQ(s.Lon(), 5);
  s.PonTxt("abcdefgh", 3);
  EXPECT_STREQ(s.Txt(), "abc");

  const struct { const char* texto; int n, relleno; const char* res; } lons[] = {
      {"abcdef", 2, ' ', "ab"}, {"7", 4, '0', "7000"}, {"ab", 0, ' ', ""}, {"ab", -1, ' ', "ab"},
      {"", 3, '.', "..."}};
  for (const auto& c : lons) {
    String t(c.texto, 0, 1);
    t.PonLon(c.n, c.relleno);
    EXPECT_STREQ(t.Txt(), c.res) << c.texto << " " << c.n;
    EXPECT_EQ(t.Lon(), c.n < 0 ? 2 : c.n);
  }
  EXPECT_STREQ(String("1.500", 0, 1).TxtSin('0'), "1.5");
  EXPECT_STREQ(String("000", 0, 1).TxtSin('0'), "");

  String m("a\xf1o \xa0\x82\xa1\xa2\xa3 \xe9z", 0, 1);
  EXPECT_STREQ(m.TxtMay(), "A\xd1O AEIOU \xe9Z");

  String num("12abc", 0, 1);
  EXPECT_EQ(num.Num(), 12);
  EXPECT_EQ(num.Ent(), 12);
  EXPECT_STREQ(String(2.5, 1).TxtEdt(), "2.5");
  EXPECT_STREQ(String(0.0, 1).Txt(), "0");
  num.PonNum(-0.25);
  num.PonDec(3);  // a text keeps its digits
  EXPECT_STREQ(num.Txt(), "-.25");
  EXPECT_EQ(num.Dec(), 3);
}

TEST(String, Clases) {
  const struct { const char* texto; int ancho, clase; const char* res; } casos[] = {
      {"si", 0, 7, "S"}, {"Si", 0, 7, "S"}, {"x", 0, 7, "N"}, {"", 0, 7, "N"},
      {"AB", 6, 6, "AB0001"}, {"AB-0000", 7, 6, "AB-0001"}, {"AB-12  ", 0, 6, "AB-12"},
      {"", 4, 6, ""}, {"7", 0, 6, "7"}, {"0", 0, 6, "1"}, {"abc", 0, 1, "abc"}};
  for (const auto& c : casos) {
    String s(c.texto, c.ancho, c.clase);
    EXPECT_STREQ(s.Txt(), c.res) << c.texto << " kind " << c.clase;
    EXPECT_EQ(s.Tipo(), c.clase);
  }
}

TEST(String, Codigos) {
  const struct { const char* texto; int prefijo, numero; } sep[] = {
      {"12345678901", 4, 5678901}, {"ABC", 3, 0}, {"FAC-0041", 4, 41}, {"", 0, 0}, {"a12", 0, 0},
      {"X-7", 2, 7}, {"A1B22", 3, 22}};
  for (const auto& c : sep) {
    int p = -1, l = -1;
    EXPECT_EQ(SepCod(c.texto, &p, &l), c.numero) << c.texto;
    EXPECT_EQ(p, c.prefijo) << c.texto;
    EXPECT_EQ(l, static_cast<int>(std::string(c.texto).size()));
  }
  const struct { const char* texto; int ancho, delta; const char* res; int lon; } sumas[] = {
      {"FAC-0041", 8, 1, "FAC-0042", 8}, {"A9", 0, 1, "A10", 3}, {"X-7", 0, 2, "X-9", 3},
      {"AB12", 4, 1000, "AB12", 4}, {"A10", 0, -1, "A9", 2}, {"A10", 3, -1, "A09", 3},
      {"Z", 0, 5, "Z5", 2}};
  for (const auto& c : sumas) {
    String s(c.texto, c.ancho, 1);
    EXPECT_STREQ(s.SumaCod(c.delta), c.res) << c.texto;
    EXPECT_EQ(s.Lon(), c.lon) << c.texto;
  }
  String vacio("", 0, 1);
  vacio.RehaceCod("", 0, 0);
  EXPECT_STREQ(vacio.Txt(), "");
  String corto("AB", 0, 1);
  corto.RehaceCod("AB", 5, 3);  // a prefix longer than the source is filled with zeros
  EXPECT_STREQ(corto.Txt(), "AB0003");
}

TEST(String, AgregaYBorra) {
  String s("abc", 0, 1);
  s.AgrTxt("de");
  EXPECT_STREQ(s.AgrEnt(-15), "abcde-15");
  EXPECT_STREQ(s.AgrTxt(nullptr), "abcde-15");
  // Nothing is appended once the text is over 50000 characters.
  for (int n : {50000, 50001}) {
    String largo(std::string(n, 'x').c_str(), 0, 1);
    largo.AgrTxt("y");
    EXPECT_EQ(largo.Largo(), 50001);
  }
  const struct { int pos, cuantos; const char* res; } borra[] = {
      {2, 3, "aef"}, {0, 1, "abcdef"}, {7, 1, "abcdef"}, {5, 10, "abcd"}, {6, 1, "abcde"},
      {1, 6, ""}, {3, 0, "abcdef"}};
  for (const auto& c : borra) {
    String t("abcdef", 0, 1);
    t.BorraTxt(c.pos, c.cuantos);
    EXPECT_STREQ(t.Txt(), c.res) << c.pos << " " << c.cuantos;
    EXPECT_EQ(t.Largo(), static_cast<int>(std::string(c.res).size()));
  }
}

std::string Txt(double x) {
  char buf[40];
  std::memset(buf, 'X', sizeof buf);
  EXPECT_EQ(NumAStr(x, buf), buf);
  // Never more than 17 bytes: everything after the terminator is untouched.
  size_t n = std::strlen(buf);
  EXPECT_LE(n, 16u) << x;
  for (size_t i = 17; i < sizeof buf; i++) EXPECT_EQ(buf[i], 'X') << x;
  return std::string(buf, n);
}

// Boundaries: the single-precision limit of "0" (1e-9), an integer part within 1e-9 below the
// next whole, a value just under the half at the last place, and magnitudes without digits.
const double kInf = std::numeric_limits<double>::infinity();

TEST(NumAStr, ValoresDeReferencia) {
  const struct { double x; const char* txt; } casos[] = {
      {0.0, "0"}, {-0.0, "0"}, {5e-10, "0"}, {9.9999997e-10, "0"}, {9.9999998e-10, ".000000001"},
      {-9.9e-10, "0"}, {-2e-9, "-.000000002"}, {1e-9, ".000000001"}, {-0.5, "-.5"}, {10, "10"},
      {0.1 + 0.2, ".3"}, {1.0 / 3, ".3333333333333"}, {2.0 / 3, ".6666666666667"},
      {123456789012.345678, "123456789012.35"}, {-99999999999999.0, "-99999999999999"},
      {12345678901234.5, "12345678901235"}, {2.99999999999995, "3"}, {4.9999999999999, "5"},
      {1e14, ""}, {-1e14, "-"}, {99999999999999.7, "100000000000000"},
      {-99999999999999.7, "-100000000000000"}, {-0.0000000012345678, "-.0000000012346"},
      {0.9999999999999, "1"}, {0.9999999989, ".9999999989"}, {0.99999999999996, "1"},
      {1.000049999999995e-9, ".0000000010001"}, {kInf, ""}, {-kInf, "-"},
      {std::nan(""), ""}, {std::numeric_limits<double>::denorm_min(), "0"}};
  for (const auto& c : casos) EXPECT_EQ(Txt(c.x), c.txt) << "x = " << c.x;
}

// The rules written independently on the exact decimal expansion (glibc printf): half up to 14
// significant digits (13 decimals below 1), the integer part raised within 1e-9 below a whole.
// The formatter's double scaling may be a few units of its last bit off, so a value that close to
// the half admits both roundings: the answer is the list of admissible texts.
std::vector<std::string> Referencia(double x) {
  if (std::isnan(x)) return {""};
  if (std::fabs(x) < 9.999999717180685e-10) return {"0"};
  std::string signo = x < 0 ? "-" : "";
  double a = std::fabs(x);
  if (a >= 1e14) return {signo};
  char dec[400];
  std::snprintf(dec, sizeof dec, "%.60f", a);
  std::string s(dec);
  size_t punto = s.find('.');
  std::string ent = s.substr(0, punto), fra = s.substr(punto + 1);
  int e = ent == "0" ? 0 : static_cast<int>(ent.size()) - 1;
  int n = 13 - e;
  int64_t q = std::stoll(ent + fra.substr(0, n));
  double t = std::stod("0." + fra.substr(n, 15));
  const double umbral = 0.4999999999;
  double qd = static_cast<double>(q);
  double margen = 4 * (std::nextafter(qd, 1e300) - qd);
  std::vector<int64_t> qs;
  if (t >= umbral - margen) qs.push_back(q + 1);
  if (t < umbral + margen) qs.push_back(q);
  int64_t unidad = 1;
  for (int i = 0; i < n; i++) unidad *= 10;
  auto texto = [&](int64_t i, int64_t f) {
    std::string r = signo + (i > 0 ? std::to_string(i) : "") + ".";
    if (f > 0) {
      std::string d = std::to_string(f);
      r += std::string(n - d.size(), '0') + d;
    }
    while (!r.empty() && r.back() == '0') r.pop_back();
    while (!r.empty() && r.back() == '.') r.pop_back();
    return r;
  };
  std::vector<std::string> res;
  for (int64_t qr : qs) {
    int64_t i = qr / unidad, f = qr % unidad;
    if (n >= 9) {
      int64_t lim = unidad - unidad / 1000000000;
      if (f >= lim) res.push_back(texto(i + 1, 0));
      if (f <= lim) res.push_back(texto(i, f));
    } else {
      res.push_back(texto(i, f));
    }
    // log10 of a value this close below 1e14 rounds to 14: the digits are lost.
    if (qr == 100000000000000LL) res.push_back(signo);
  }
  return res;
}

TEST(NumAStr, ContraReferenciaEnTodoElRango) {
  std::mt19937_64 gen(20240611);
  std::uniform_int_distribution<uint64_t> bits;
  std::uniform_real_distribution<double> mant(1.0, 10.0);
  std::uniform_int_distribution<int> expo(-11, 15), digitos(0, 16);
  int ambiguos = 0, total = 0;
  auto prueba = [&](double x, bool cuenta = false) {
    auto ref = Referencia(x);
    std::string t = Txt(x), lista;
    for (const auto& c : ref) lista += "[" + c + "] ";
    ASSERT_NE(std::find(ref.begin(), ref.end(), t), ref.end())
        << "x = " << x << " gives [" << t << "], admitted " << lista;
    if (cuenta) {
      if (ref.size() > 1) ambiguos++;
      total++;
    }
  };
  for (int k = 0; k < 100000; k++) {
    // Every bit pattern: the whole double range, NaN and infinities included.
    uint64_t b = bits(gen);
    double x;
    std::memcpy(&x, &b, sizeof x);
    prueba(x);
    // Magnitudes where digits are written.
    double y = mant(gen) * std::pow(10.0, expo(gen));
    prueba(k % 2 ? -y : y, true);
    // Short decimals, with ties and carries at the 14th digit.
    double z = std::floor(mant(gen) * 1e6) / std::pow(10.0, digitos(gen));
    prueba(z);
    prueba(std::nextafter(z, 0.0));
    prueba(std::nextafter(z, 1e300));
    // Halves and nines at the last written place.
    int ex = expo(gen) % 14;
    double base = std::floor(mant(gen) * 1e13) + (k % 3 == 0 ? 0.5 : 0.9999999999);
    prueba(base * std::pow(10.0, ex - 13));
    // Nines up to the last place and a half beyond it: the rest rounds to a whole unit.
    int e2 = k % 14;
    double ent = std::floor(mant(gen) * std::pow(10.0, e2));
    double uno = ent + 1 - 0.5 * std::pow(10.0, e2 - 13);
    prueba(uno);
    prueba(std::nextafter(uno, 0.0));
    prueba(std::nextafter(uno, 1e300));
    // Within 1e-9 below a whole number.
    double ent4 = std::floor(mant(gen) * 1000);
    prueba(ent4 + 0.999999999 + (k % 7) * 2e-10);
    // Tiny values, where the scaled value is exact enough to see the half at 1e-10.
    const double restos[] = {0.4999995, 0.49999999985, 0.49999999995, 0.5, 0.50000001};
    prueba((std::floor(mant(gen) * 1e5) + restos[k % 5]) * 1e-13);
  }
  // Of plain draws only a few percent fall near the half; everything else is checked exactly.
  EXPECT_LT(ambiguos, total / 20);
}

TEST(Redondea, ValoresDeReferencia) {
  const struct { double x; int dec, trunca, maxDig; double r; } casos[] = {
      {2.345, 2, 1, 14, 2.34}, {-2.345, 2, 0, 14, -2.35}, {-2.345, 2, 1, 14, -2.34},
      {0.5, 0, 0, 14, 1}, {0.49, 0, 0, 14, 0}, {-0.5, 0, 0, 14, -1},
      {123.456, -1, 0, 3, 123.5}, {123.456, -1, 0, 2, 123}, {0.123456, -1, 0, 3, 0.123},
      {1e-41, 2, 0, 14, 0}, {99.99, 1, 0, 14, 100}, {2.9999999999999996, -1, 0, 13, 3},
      {123456789012345.6, -1, 0, 14, 123456789012346}, {1e15, -1, 0, 14, 0},
      {1234.5, -3, 1, 3, 1235} /* truncation needs decimals */, {7.25, 40, 0, 14, 7.25},
      {1e300, 5, 0, 14, 1e300}, {1e308, 300, 0, 14, 1e308}, {-HUGE_VAL, 2, 0, 14, -HUGE_VAL}};
  for (const auto& c : casos)
    EXPECT_EQ(Redondea(c.x, c.dec, c.trunca, c.maxDig), c.r)
        << c.x << " " << c.dec << " " << c.trunca << " " << c.maxDig;
  // Too many integer digits: zero with the sign of the value.
  double z = Redondea(-123.456, -1, 0, 1);
  EXPECT_EQ(z, 0.0);
  EXPECT_TRUE(std::signbit(z));
  EXPECT_TRUE(std::isnan(Redondea(std::nan(""), 2, 0, 14)));
}

TEST(QuitaFinal, CaracteresFinales) {
  const struct { const char* antes; int c; const char* despues; } casos[] = {
      {"1.500", '0', "1.5"}, {"000", '0', ""}, {"", '0', ""}, {"100.", '0', "100."},
      {"a b ", ' ', "a b"}, {"x..", '.', "x"}, {"abc", 0, "abc"},
      {"ab\xfe\xfe", static_cast<signed char>('\xfe'), "ab"},
      {"ab\xfe", 0xfe, "ab\xfe"}};  // compared as a signed char: 0xFE is -2, not 254
  for (const auto& c : casos) {
    char buf[32];
    std::strcpy(buf, c.antes);
    QuitaFinal(buf, c.c);
    EXPECT_STREQ(buf, c.despues) << c.antes;
  }
  QuitaFinal(nullptr, '0');
}

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
