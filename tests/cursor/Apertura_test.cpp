// Data files through the exports, as a host uses them: opening, creation, keys, field access and
// the renderings of fields.
#include <string>
#include <vector>

#include "Tabla.h"

namespace {

std::vector<int> Clave(Arch* a, int k) {
  const int* c = a->DaClave(k);
  if (!c) return {};
  return std::vector<int>(c, c + 1 + c[0]);
}

using ConArch = ConBase;

TEST_F(ConArch, MissingTableIsCreatedWithItsKeysAndReopened) {
  int falta = 0;
  Arch* a = Abre("T", &falta);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(falta, 1);
  Cabecera c{};
  c.nCampos = 4;
  const unsigned short campos[] = {0x1E00, 0x0A02, 0x00FE, 0x0803};
  const int claves[] = {2, 1, 1, 2, 2, 3};
  EXPECT_EQ(a->CreaArch(&c, campos, claves), 1);
  EXPECT_EQ((std::vector<int>{a->NumCmps(), a->NumClaves(), a->EnReg()}),
            (std::vector<int>{4, 2, -1}));
  DelArchSQL(a);
  Filas idx;
  ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(hdbc(), "sp_helpindex T", &idx)));
  ASSERT_EQ(idx.size(), 2u);
  EXPECT_EQ((std::vector<std::string>{idx[0][0], idx[0][2], idx[1][0], idx[1][2]}),
            (std::vector<std::string>{"T_indent", "C1", "T_indent2", "C2, C3"}));

  // Reopened: the columns as the descriptors made them (the keys read back from the indexes are
  // the next test's).
  a = Abre("T", &falta);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(falta, 0);
  EXPECT_EQ(
      (std::vector<int>{a->NumCmps(), a->TipoCmp(0), a->TipoCmp(1), a->TipoCmp(2), a->TipoCmp(3),
                        a->LonCmp(0), a->LonCmp(1), a->LonCmp(3), a->DecCmp(1), a->DecCmp(2),
                        a->TotClaves(), a->EnReg(), a->NumRegs(0, 0), a->NumRegs(0, 1)}),
      (std::vector<int>{4, 1, 2, 2, 3, 30, 10, 8, 0, -1, 3, -1, 0, 0}));
  DelArchSQL(a);

  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(ConArch, NoConnectionNoDatabaseAndNullGiveNoObject) {
  int falta = -1;
  EXPECT_EQ(NvoArchSQL(nullptr, "T", &falta, 0, 0, ""), nullptr);
  EXPECT_EQ(falta, 0);
  DelArchSQL(nullptr);
  for (const char* nombre : {"", "T; DROP TABLE X", "T WHERE 1=1", "[T]"}) {
    EXPECT_EQ(NvoArchSQL(cnx, nombre, &falta, 0, 0, ""), nullptr) << nombre;
    EXPECT_EQ(falta, 0);
  }

  // A database that cannot be opened gives no connection; one that cannot be selected (the
  // connection names a database the server does not have) gives no object.
  EXPECT_EQ(mOdbc(grupo, srv(), "NOHAY", "sa", ""), nullptr);
  char* nombre = cnx->nomBase;
  char nohay[] = "NOHAY";
  cnx->nomBase = nohay;
  falta = -1;
  Arch* a = NvoArchSQL(cnx, "T", &falta, 0, 0, "");
  cnx->nomBase = nombre;
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(falta, 0);
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

// A key whose ORDER BY list would not fit, or a filter too long for the statement, is refused
// and logged, never cut.
TEST_F(ConArch, TextsThatDoNotFitAreRefused) {
  int falta = 0;
  Arch* a = Abre("W", &falta);
  ASSERT_NE(a, nullptr);
  std::vector<unsigned short> campos(130, Texto(1));
  std::vector<int> claves = {1, 130};
  for (int i = 1; i <= 130; ++i) claves.push_back(i);
  Cabecera c{};
  c.nCampos = 130;
  a->CreaArch(&c, campos.data(), claves.data());
  EXPECT_EQ(a->Lee(7, 0, 0, 0), -1);
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "Column list of key 1 longer than 511 characters"));
  DelArchSQL(a);

  Sql("CREATE TABLE F (C1 char(4)); CREATE INDEX F_indent ON F (C1); INSERT INTO F VALUES ('a')");
  a = Abre("F");
  ASSERT_NE(a, nullptr);
  a->PonFiltro(0, 1, std::string(6000, 'x').c_str());
  EXPECT_EQ(a->Lee(7, 0, 0, 0), -1);
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "longer than 5999 characters: not executed"));
  a->LimpiaFiltro();
  EXPECT_EQ(a->Lee(7, 0, 0, 0), 1);
  DelArchSQL(a);
}

// Keys come from the indexes named after the table, whatever else the table has.
TEST_F(ConArch, KeysAreReadFromTheIndexesNamedAfterTheTable) {
  struct Caso {
    const char* sql;
    std::vector<std::vector<int>> claves;
    int enReg;
    const char* primero;
  } casos[] = {
      {"CREATE TABLE T (C1 char(4), C2 char(4), C3 char(4)); "
       "CREATE INDEX T_indent ON T (C1); CREATE INDEX T_indent2 ON T (C3, C2); "
       "INSERT INTO T VALUES ('b', 'x', 'a'); INSERT INTO T VALUES ('a', 'y', 'b')",
       {{1, 1}, {2, 3, 2}},
       1,
       "a"},
      // A primary key and an index of another name are not keys; nor a column not named C<n>.
      {"CREATE TABLE T (C1 char(4) NOT NULL PRIMARY KEY, C2 char(4), X char(4)); "
       "CREATE INDEX otro ON T (C2); CREATE INDEX T_indent ON T (X, C2); "
       "INSERT INTO T VALUES ('b', 'x', 'a'); INSERT INTO T VALUES ('a', 'y', 'b')",
       {{1, 2}},
       1,
       "b"},
      {"CREATE TABLE T (C1 char(4)); CREATE INDEX T_indent ON T (C1)", {{1, 1}}, -1, ""},
      {"CREATE TABLE T (C1 char(4)); INSERT INTO T VALUES ('a')", {}, -1, ""},
  };
  for (const Caso& c : casos) {
    Sql(c.sql);
    int falta = -1;
    Arch* a = Abre("T", &falta);
    ASSERT_NE(a, nullptr) << c.sql;
    EXPECT_EQ(falta, 0);
    ASSERT_EQ(a->NumClaves(), int(c.claves.size())) << c.sql;
    for (size_t k = 0; k < c.claves.size(); ++k) EXPECT_EQ(Clave(a, int(k)), c.claves[k]) << c.sql;
    EXPECT_EQ(a->DaClave(int(c.claves.size())), nullptr) << c.sql;
    EXPECT_EQ(a->EnReg(), c.enReg) << c.sql;
    if (c.enReg == 1) {
      EXPECT_STREQ(a->TxtCmp(0, 0), c.primero) << c.sql;
    }
    DelArchSQL(a);
    Sql("DROP TABLE T");
  }
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

// Field setters, getters and renderings on one record.
TEST_F(ConArch, FieldsAreSetReadAndRendered) {
  Sql("CREATE TABLE T (C1 char(10), C2 dec(4,0), C3 dec(5,0), C4 datetime, C5 dec(20,2), "
      "C6 varchar(800), C7 dec(8,2), C8 int); CREATE INDEX T_indent ON T (C1); "
      "INSERT INTO T VALUES ('  ', 1234, 1234, '15/03/1985', 1, 'x', 2, 3)");
  Arch* a = Abre("T");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->EnReg(), 1);
  const std::string marca = "\xFE\xFE\xFEULT", largo(800, 'q');
  enum Lectura { kTxt, kEdt, kPln, kMay };
  struct Caso {
    std::string pon;  // set first with PonTxtCmp unless empty
    int campo;
    Lectura lee;
    std::string esperado;
  } casos[] = {{"", -1, kEdt, ""},
               {"", -1, kPln, ""},
               {"", 0, kMay, ""},
               {"", 99, kTxt, ""},
               // Numbers of width 4 without separator, of width 5 with it; blank texts; dates.
               {"", 1, kEdt, "1234"},
               {"", 2, kEdt, "1,234"},
               {"", 0, kPln, ""},
               {"", 0, kEdt, " "},
               {"", 3, kEdt, "15/03/85"},
               {"", 3, kPln, "530705"},
               {"020399", 3, kEdt, "02/03/99"},
               {marca + "x", 0, kPln, ""},
               {"\xA0"
                "bc",
                5, kMay, "ABC"},
               {largo, 5, kPln, largo},
               // The null marker: nines as wide as the number (at most 15), the highest date.
               {marca, 6, kTxt, "99999999"},
               {marca, 4, kTxt, std::string(15, '9')},
               {marca, 3, kTxt, "748382"}};
  for (const Caso& c : casos) {
    if (!c.pon.empty()) a->PonTxtCmp(c.campo, c.pon.c_str());
    const char* t = c.lee == kTxt   ? a->TxtCmp(c.campo, 0)
                    : c.lee == kEdt ? a->TxtEdtCmp(c.campo)
                    : c.lee == kPln ? a->TxtPlnCmp(c.campo)
                                    : a->TxtMayCmp(c.campo);
    EXPECT_EQ(t, c.esperado) << c.campo << " " << c.lee;
  }
  a->PonNumCmp(6, 2.5);
  EXPECT_STREQ(a->TxtCmp(6, 0), "2.5");
  // Kinds, widths and decimals (out of range: 0), the class, the reserved slots.
  EXPECT_EQ((std::vector<int>{a->TipoCmp(-1), a->LonCmp(99), a->DecCmp(8), a->TipoCmp(7),
                              a->DecCmp(6), a->DecCmp(7), a->EsNumCmp(3), a->EsNumCmp(0),
                              a->ClaseArch(), a->TotClaves(), a->Reserva06(), a->Reserva10(),
                              a->Reserva25(), a->Reserva48(), a->Reserva49()}),
            (std::vector<int>{0, 0, 0, 2, 2, -1, 1, 0, 5, 2, 0, 0, 0, 1, 0}));
  EXPECT_STREQ(a->NomArch(), "T");
  EXPECT_STREQ(a->Reserva45(1, 2), "");
  a->LimpiaReg();
  EXPECT_STREQ(a->TxtCmp(0, 0), "");
  EXPECT_EQ(a->NumCmp(2), 0.0);

  int n = -1, t[6] = {-1, -1, -1, -1, -1, -1};
  a->AgrTerna(4, 5, 6);
  a->DaTerna(-1, &n, nullptr, nullptr);
  a->DaTerna(0, t, t + 1, t + 2);
  a->DaTerna(1, t + 3, t + 4, t + 5);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(std::vector<int>(t, t + 6), (std::vector<int>{4, 5, 6, 0, 0, 0}));

  // The filter matrix: the host's own cells, saved and restored.
  a->PonFiltro(2, 1, "7");
  a->GuardaFiltro();
  a->LimpiaFiltro();
  EXPECT_EQ(a->DaFiltro()->Existe(2, 1), 0);
  a->RecuperaFiltro();
  EXPECT_STREQ(a->DaFiltro()->Elem(2, 1), "7");
  DelArchSQL(a);
}

}  // namespace
