// Names written into statements: a plain name as it is, anything else as one bracketed name, so
// that no name a caller passes can add a statement or a clause.
#include <functional>
#include <string>
#include <vector>

#include "ConPrueba.h"
#include "columns/Cmp.h"

namespace {

TEST(AnexaNombre, PlainNamesStayAndOthersAreBracketed) {
  const struct { const char* nombre; int partes; const char* sql; } casos[] = {
      {"ARTIC", 3, "ARTIC"},
      {"_T1", 1, "_T1"},
      {"dbo.ARTIC", 3, "dbo.ARTIC"},
      {"dbo.ARTIC", 1, "[dbo.ARTIC]"},
      {"[mi tabla]", 1, "[mi tabla]"},
      {"BASE.[a]]b].T", 3, "BASE.[a]]b].T"},
      {"a.b.c.d", 3, "[a.b.c.d]"},
      {"a..b", 3, "[a..b]"},
      {"1A", 1, "[1A]"},
      {"A B", 1, "[A B]"},
      {"O'Brien", 1, "[O'Brien]"},
      {"keepme; DROP TABLE victim", 3, "[keepme; DROP TABLE victim]"},
      {"a]b", 1, "[a]]b]"},
      {"[a];DROP TABLE x;--]", 1, "[[a]];DROP TABLE x;--]]]"},
      {"[a", 1, "[[a]"},
      {"\xd1U", 1, "[\xd1U]"},
      {"", 1, ""},
      {"ARTIC", 0, "ARTIC"},
      {"[x]", 0, "[[x]]]"},
      {"a.b", 0, "[a.b]"},
  };
  CnxOdbc cnx{};
  int exito = 0;
  SentOdbc s(&cnx, 1, &exito, "");
  for (const auto& c : casos) {
    s.IniTexto("n=");
    EXPECT_TRUE(AnexaNombre(&s, c.nombre, c.partes));
    EXPECT_EQ(std::string(s.sentencia), std::string("n=") + c.sql) << c.nombre;
  }
  // A bracketed name fits whole or not at all.
  const std::string base(5990, 'x');
  s.IniTexto(base.c_str());
  EXPECT_FALSE(AnexaNombre(&s, "a]]]]]b", 1));  // [a]]]]]]]]]]b] is 14
  EXPECT_EQ(std::string(s.sentencia), base);
}

// Every builder against the engine with hostile names: the texts carry them as single names and
// the table VICTIMA and the database PRUEBA survive all of them.
class Nombres : public ConPrueba {
 protected:
  void SetUp() override {
    ConPrueba::SetUp();
    ASSERT_EQ(SqlDirecto(cnx->hdbc, "create table VICTIMA (C1 int NULL); insert VICTIMA values (1)"),
              SQL_SUCCESS);
  }
};

TEST_F(Nombres, NoBuilderRunsWhatANameCarries) {
  const char* t = "X;DROP TABLE VICTIMA";
  const int32_t una[] = {1, 1};
  const struct {
    std::function<void()> corre;
    const char* esperado;
  } casos[] = {
      {[&] { BorraTabla(s, t); }, "drop table [X;DROP TABLE VICTIMA]"},
      {[&] {
         ArmaSelect(s, 1, t, "*", SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC, 1, nullptr,
                    "Y]];DROP TABLE VICTIMA", nullptr, nullptr, nullptr, nullptr, 1, nullptr, 0,
                    0);
       },
       "SELECT * INTO [Y]]]];DROP TABLE VICTIMA] FROM [X;DROP TABLE VICTIMA]"
       " WITH(INDEX([X;DROP TABLE VICTIMA_indent2]),TABLOCKX) "},
      {[&] {
         s->IniCmps(1);
         s->NvoCmp(0, SQL_INTEGER, 10, 0, 1, "C1 int);DROP TABLE VICTIMA;--", 0);
         s->cmps[0]->PonTexto("5");
         InsertaFila(s, "VICTIMA;DELETE FROM VICTIMA");
       },
       "insert [VICTIMA;DELETE FROM VICTIMA] values (5)"},
      {[&] { CreaTabla(s, "T]"); }, "create table [T]]] ([C1 int);DROP TABLE VICTIMA;--] int NULL)"},
      {[&] { CreaIndice(s, "T]", "I;DROP TABLE VICTIMA", una, 0, 0); },
       "create index [I;DROP TABLE VICTIMA] on [T]]] ([C1 int);DROP TABLE VICTIMA;--])"},
      {[&] {
         char* propio = cnx->nomBase;
         cnx->nomBase = CopiaTxt("PRUEBA;DROP TABLE VICTIMA");
         UsaBase(s);
         delete[] cnx->nomBase;
         cnx->nomBase = propio;
       },
       "USE [PRUEBA;DROP TABLE VICTIMA]"},
      {[&] { Renombra(s, "VICTIMA','X'; DROP TABLE VICTIMA --", "Y'", 0, "INDEX"); },
       "sp_rename 'VICTIMA'',''X''; DROP TABLE VICTIMA --','Y''','INDEX'"},
  };
  for (const auto& c : casos) {
    c.corre();
    EXPECT_EQ(std::string(s->sentencia), c.esperado);
    EXPECT_EQ(SqlValor(cnx->hdbc, "SELECT COUNT(*) FROM VICTIMA"), "1") << c.esperado;
  }
  // The database statements build on a statement of their own: their texts are in the log.
  EXPECT_EQ(NvaBase(m, "ZZ;DROP DATABASE PRUEBA", "D;DROP DATABASE PRUEBA", 1, 0, 0, 0),
            SQL_ERROR);
  EXPECT_EQ(BorraBase(m, "PRUEBA;DROP DATABASE PRUEBA"), SQL_ERROR);
  std::string l = entorno.LeeLog();
  EXPECT_TRUE(Contiene(l, "\r\nCREATE DATABASE [ZZ;DROP DATABASE PRUEBA] ON [D;DROP DATABASE "
                          "PRUEBA] = 1\r\n")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nDROP DATABASE [PRUEBA;DROP DATABASE PRUEBA]\r\n")) << l;
  EXPECT_TRUE(Existe(entorno.servidor() + "/prueba.db"));
  EXPECT_FALSE(Existe(entorno.servidor() + "/zz.db"));
}

}  // namespace
