// Number formatting: the worked values, and NumAStr against an independent decimal reference.
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

#include "values/Numeros.h"

namespace {

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

// Among them: the limit of "0" is 1e-9 in single precision (9.9999998e-10 is above it); an integer
// part within 1e-9 below the next whole becomes that whole (4.9999999999999); a value just under
// the half at the last place still rounds up (1.000049999999995e-9).
const double kInf = std::numeric_limits<double>::infinity();

TEST(NumAStr, ValoresDeReferencia) {
  const struct { double x; const char* txt; } casos[] = {
      {0.0, "0"}, {-0.0, "0"}, {5e-10, "0"}, {9.9999997e-10, "0"}, {9.9999998e-10, ".000000001"},
      {-9.9e-10, "0"}, {2e-9, ".000000002"}, {-2e-9, "-.000000002"}, {1e-9, ".000000001"},
      {0.5, ".5"}, {-0.5, "-.5"}, {7, "7"}, {10, "10"}, {100, "100"}, {2.5, "2.5"},
      {-1234.5678, "-1234.5678"}, {1234567.891, "1234567.891"}, {0.000123, ".000123"},
      {0.1 + 0.2, ".3"}, {1.0 / 3, ".3333333333333"}, {2.0 / 3, ".6666666666667"},
      {3.14159265358979, "3.1415926535898"}, {123456789012.345678, "123456789012.35"},
      {99999999999999.0, "99999999999999"}, {-99999999999999.0, "-99999999999999"},
      {12345678901234.5, "12345678901235"}, {2.99999999999995, "3"}, {4.9999999999999, "5"},
      {1e14, ""}, {-1e14, "-"}, {1e300, ""}, {-1e300, "-"}, {99999999999999.7, "100000000000000"},
      {-99999999999999.7, "-100000000000000"}, {-0.0000000012345678, "-.0000000012346"},
      {0.9999999999999, "1"}, {0.9999999989, ".9999999989"},
      {1.000049999999995e-9, ".0000000010001"}, {0.999999998, ".999999998"},
      {0.99999999999996, "1"}, {1000000, "1000000"}, {-1234567.8901234, "-1234567.8901234"},
      {-0.1234567890123, "-.1234567890123"}, {kInf, ""}, {-kInf, "-"},
      {std::numeric_limits<double>::quiet_NaN(), ""},
      {std::numeric_limits<double>::denorm_min(), "0"}};
  for (const auto& c : casos) EXPECT_EQ(Txt(c.x), c.txt) << "x = " << c.x;
}

// The rules written independently: the exact decimal expansion of the value (glibc printf is
// exact), rounded half up to 14 significant digits (13 decimals below 1), the integer part raised
// when the rounded value lies within 1e-9 below a whole number. The formatter works in double
// precision, where the scaled value can be off by a few units of its own last bit (up to 1/64 of
// the last written place): a value whose next digits lie that close to the half admits both
// roundings. The answer is the list of admissible texts.
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
      {2.345, 2, 0, 14, 2.35}, {2.345, 2, 1, 14, 2.34}, {-2.345, 2, 0, 14, -2.35},
      {-2.345, 2, 1, 14, -2.34}, {0.5, 0, 0, 14, 1}, {0.49, 0, 0, 14, 0}, {-0.5, 0, 0, 14, -1},
      {123.456, -1, 0, 3, 123.5}, {123.456, -1, 0, 1, 0}, {123.456, -1, 0, 2, 123},
      {0.123456, -1, 0, 3, 0.123}, {1e-41, 2, 0, 14, 0}, {99.99, 1, 0, 14, 100},
      {2.9999999999999996, -1, 0, 13, 3}, {123456789012345.6, -1, 0, 14, 123456789012346},
      {1e15, -1, 0, 14, 0},
      {1234.5, -3, 1, 3, 1235},  // the truncate flag counts only with decimals
      {7.25, 40, 0, 14, 7.25},   // finer than a double: unchanged
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

}  // namespace
