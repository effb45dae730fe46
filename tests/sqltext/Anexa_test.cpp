// Appending to the statement text: numbers, quoted values, index names and the buffer's bound.
#include <climits>
#include <cstring>
#include <string>

#include "Entorno.h"
#include "sqltext/Sentencias.h"

namespace {

// A statement without a connection: the text buffer is all these tests need.
struct Suelta {
  CnxOdbc cnx{};
  int exito = 0;
  SentOdbc s{&cnx, 1, &exito, ""};
  std::string texto() const { return s.sentencia; }
};

TEST(Anexa, NumbersAndQuotedValues) {
  const struct { int32_t n; const char* t; } numeros[] = {
      {0, "0"}, {-1, "-1"}, {1000, "1000"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  Suelta x;
  for (const auto& c : numeros) {
    x.s.IniTexto("n=");
    EXPECT_TRUE(AnexaNum(&x.s, c.n));
    EXPECT_EQ(x.texto(), std::string("n=") + c.t);
  }
  // Inner quotes doubled, by AnexaValor in the statement and by DoblaComillas outside it.
  const struct { const char* valor; const char* sql; } valores[] = {
      {"O'Brien", "'O''Brien'"}, {"", "''"}, {nullptr, "''"}, {"'", "''''"},
      {"a''b", "'a''''b'"}, {"x' OR '1'='1", "'x'' OR ''1''=''1'"}};
  for (const auto& c : valores) {
    x.s.IniTexto("v=");
    EXPECT_TRUE(AnexaValor(&x.s, c.valor));
    EXPECT_EQ(x.texto(), std::string("v=") + c.sql);
    std::string d = "<";
    DoblaComillas(d, c.valor);
    std::string sql = c.sql;
    EXPECT_EQ(d, "<" + sql.substr(1, sql.size() - 2));
  }
}

TEST(Anexa, NothingAfterARefusalAndAQuotedValueFitsWholeOrNotAtAll) {
  Suelta x;
  const std::string base(5990, 'x');  // room for 9 more
  x.s.IniTexto(base.c_str());
  EXPECT_FALSE(AnexaTxt(&x.s, std::string(10, 'a').c_str()));
  // Nothing after a refused piece, however small: the text would be wrong.
  EXPECT_FALSE(AnexaTxt(&x.s, "b"));
  EXPECT_FALSE(AnexaNum(&x.s, 1));
  EXPECT_FALSE(AnexaValor(&x.s, ""));
  EXPECT_EQ(x.texto(), base);

  x.s.IniTexto(base.c_str());
  EXPECT_TRUE(AnexaValor(&x.s, "abc'de"));  // 'abc''de' is 9
  EXPECT_EQ(x.texto(), base + "'abc''de'");
  x.s.IniTexto(base.c_str());
  EXPECT_FALSE(AnexaValor(&x.s, "abc'def"));  // the doubled quote makes it 10
  EXPECT_TRUE(x.s.desborde);
  EXPECT_EQ(x.texto(), base);
}

TEST(NomIndice, FirstIndexHasNoNumberAndNamesAreBounded) {
  const struct { const char* tabla; int k; const char* nombre; } casos[] = {
      {"ARTIC", 0, "ARTIC_indent"}, {"ARTIC", 1, "ARTIC_indent2"}, {"T", 9, "T_indent10"}};
  for (const auto& c : casos) {
    char nombre[64];
    ASSERT_TRUE(NomIndice(c.tabla, c.k, nombre, sizeof nombre));
    EXPECT_STREQ(nombre, c.nombre);
  }
  char justo[13] = "?";
  EXPECT_TRUE(NomIndice("ARTIC", 0, justo, sizeof justo));
  EXPECT_STREQ(justo, "ARTIC_indent");
  EXPECT_FALSE(NomIndice("ARTIC", 1, justo, sizeof justo));
  EXPECT_STREQ(justo, "") << "refused, not cut";
}

}  // namespace
