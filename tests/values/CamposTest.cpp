// numero and String: reading, rounding, edited text, widths, kinds and codes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "values/Campos.h"

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
      {1234567.891, 2, "1,234,567.89"}, {0.5, 2, "0.50"}, {5, 2, "5.00"}, {5.001, 2, "5.00"},
      {5.999, 2, "6.00"}, {-1234.5, 2, "-1,234.50"}, {-0.001, 2, "-0.00"}, {1234.4, 0, "1,234"},
      {1234.5, -1, "1,234.5"}, {1234, -1, "1,234"}, {999, -1, "999"}, {-100000, 3, "-100,000.000"},
      {0, -1, "0"}, {-0.004, 2, "-0.00"}, {-0.0, -1, "0"}, {0.25, -1, "0.25"},
      {123.456, 5, "123.45600"}, {12.3456, 1, "12.3"}, {1e14, 2, "100,000,000,000,000.00"},
      {-2e17, 0, "-200,000,000,000,000,000"}};
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
  const struct { const char* texto; int c; const char* res; } sin[] = {
      {"1.500", '0', "1.5"}, {"000", '0', ""}, {"ab  ", ' ', "ab"}, {"a b", ' ', "a b"}};
  for (const auto& c : sin) EXPECT_STREQ(String(c.texto, 0, 1).TxtSin(c.c), c.res) << c.texto;

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
  EXPECT_STREQ(s.AgrTxt("de"), "abcde");
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

}  // namespace
