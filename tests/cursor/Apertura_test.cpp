// Data files through the exports, as a host uses them: opening, creation, keys, field access and
// the renderings of fields.
#include <cstring>
#include <functional>
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
  EXPECT_EQ(a->EnReg(), -1);
  Cabecera c{};
  c.nCampos = 4;
  const unsigned short campos[] = {0x1E00, 0x0A02, 0x00FE, 0x0803};
  const int claves[] = {2, 1, 1, 2, 2, 3};
  EXPECT_EQ(a->CreaArch(&c, campos, claves), 1);
  EXPECT_EQ(a->NumCmps(), 4);
  EXPECT_EQ(a->NumClaves(), 2);
  EXPECT_EQ(a->EnReg(), -1);
  DelArchSQL(a);

  Filas idx;
  ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(hdbc(), "sp_helpindex T", &idx)));
  ASSERT_EQ(idx.size(), 2u);
  EXPECT_EQ(idx[0][0], "T_indent");
  EXPECT_EQ(idx[0][2], "C1");
  EXPECT_EQ(idx[1][0], "T_indent2");
  EXPECT_EQ(idx[1][2], "C2, C3");

  // Reopened: the columns as the descriptors made them, the keys read back from the indexes.
  a = Abre("T", &falta);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(falta, 0);
  EXPECT_EQ(a->NumCmps(), 4);
  const int tipos[] = {1, 2, 2, 3}, decs[] = {0, 0, -1, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a->TipoCmp(i), tipos[i]) << i;
    EXPECT_EQ(a->DecCmp(i), decs[i]) << i;
  }
  EXPECT_EQ(a->LonCmp(0), 30);
  EXPECT_EQ(a->LonCmp(1), 10);
  EXPECT_EQ(a->LonCmp(3), 8);
  EXPECT_EQ(Clave(a, 0), (std::vector<int>{1, 1}));
  EXPECT_EQ(Clave(a, 1), (std::vector<int>{2, 2, 3}));
  EXPECT_EQ(a->DaClave(2), nullptr);
  EXPECT_EQ(a->TotClaves(), 3);
  EXPECT_EQ(a->EnReg(), -1);
  EXPECT_EQ(a->NumRegs(0, 0), 0);
  EXPECT_EQ(a->NumRegs(0, 1), 0);
  DelArchSQL(a);

  Sql("INSERT INTO T VALUES ('b', 2, 0.5, '02/03/1999')");
  Sql("INSERT INTO T VALUES ('a', 1, 1.5, '01/01/1900')");
  a = Abre("T");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->EnReg(), 1);
  EXPECT_STREQ(a->TxtCmp(0, 0), "a");
  EXPECT_STREQ(a->TxtCmp(3, 0), "0");  // the blank date
  EXPECT_EQ(a->NumRegs(0, 0), 1);
  EXPECT_EQ(a->NumRegs(0, 1), 2);
  EXPECT_EQ(a->Lee(5, 0, 0, 0), 1);
  EXPECT_STREQ(a->TxtCmp(0, 0), "b");
  EXPECT_STREQ(a->TxtEdtCmp(3), "02/03/99");
  EXPECT_EQ(a->Lee(5, 0, 0, 0), -1);
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
       {{1, 1}, {2, 3, 2}}, 1, "a"},
      // A primary key and an index of another name are not keys; nor a column not named C<n>.
      {"CREATE TABLE T (C1 char(4) NOT NULL PRIMARY KEY, C2 char(4), X char(4)); "
       "CREATE INDEX otro ON T (C2); CREATE INDEX T_indent ON T (X, C2); "
       "INSERT INTO T VALUES ('b', 'x', 'a'); INSERT INTO T VALUES ('a', 'y', 'b')",
       {{1, 2}}, 1, "b"},
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
  const std::string marca = "\xFE\xFE\xFEULT";
  const std::string largo(800, 'q');
  using Paso = std::function<std::string(Arch*)>;
  struct Caso {
    const char* nombre;
    Paso paso;
    std::string esperado;
  } casos[] = {
      {"edited -1", [](Arch* x) { return x->TxtEdtCmp(-1); }, ""},
      {"plain -1", [](Arch* x) { return x->TxtPlnCmp(-1); }, ""},
      {"upper 0", [](Arch* x) { return x->TxtMayCmp(0); }, ""},
      {"width 4 no separator", [](Arch* x) { return x->TxtEdtCmp(1); }, "1234"},
      {"width 5 separator", [](Arch* x) { return x->TxtEdtCmp(2); }, "1,234"},
      {"blank text plain", [](Arch* x) { return x->TxtPlnCmp(0); }, ""},
      {"blank text edited", [](Arch* x) { return x->TxtEdtCmp(0); }, " "},
      {"date edited", [](Arch* x) { return x->TxtEdtCmp(3); }, "15/03/85"},
      {"date plain is its serial", [](Arch* x) { return x->TxtPlnCmp(3); }, "530705"},
      {"marker plain",
       [&](Arch* x) { x->PonTxtCmp(0, (marca + "x").c_str()); return x->TxtPlnCmp(0); }, ""},
      {"upper accented",
       [](Arch* x) { x->PonTxtCmp(5, "\xA0" "bc"); return std::string(x->TxtMayCmp(5)); },
       "ABC"},
      {"800 characters plain",
       [&](Arch* x) { x->PonTxtCmp(5, largo.c_str()); return x->TxtPlnCmp(5); }, largo},
      {"marker on dec(8,2)", [&](Arch* x) { x->PonTxtCmp(6, marca.c_str()); return x->TxtCmp(6, 0); },
       "99999999"},
      {"marker on dec(20,2)", [&](Arch* x) { x->PonTxtCmp(4, marca.c_str()); return x->TxtCmp(4, 0); },
       std::string(15, '9')},
      {"marker on a date", [&](Arch* x) { x->PonTxtCmp(3, marca.c_str()); return x->TxtCmp(3, 0); },
       "748382"},
      {"number set", [](Arch* x) { x->PonNumCmp(6, 2.5); return x->TxtCmp(6, 0); }, "2.5"},
      {"date set from day-month-year",
       [](Arch* x) { x->PonTxtCmp(3, "020399"); return x->TxtEdtCmp(3); }, "02/03/99"},
      {"field out of range", [](Arch* x) { return x->TxtCmp(99, 0); }, ""},
      {"kinds and widths out of range",
       [](Arch* x) {
         return std::to_string(x->TipoCmp(-1)) + std::to_string(x->LonCmp(99)) +
                std::to_string(x->DecCmp(8));
       },
       "000"},
      {"kinds, decimals of dec and int",
       [](Arch* x) {
         return std::to_string(x->TipoCmp(7)) + std::to_string(x->DecCmp(6)) + "," +
                std::to_string(x->DecCmp(7)) + "," + std::to_string(x->EsNumCmp(3)) +
                std::to_string(x->EsNumCmp(0));
       },
       "22,-1,10"},
      {"class, name, reserved",
       [](Arch* x) {
         return std::to_string(x->ClaseArch()) + x->NomArch() + x->Reserva45(1, 2) +
                std::to_string(x->Reserva48()) + std::to_string(x->Reserva49()) +
                std::to_string(x->Reserva06() + x->Reserva10() + x->Reserva25());
       },
       "5T100"},
      {"cleared record",
       [](Arch* x) {
         x->LimpiaReg();
         return x->TxtCmp(0, 0) + std::string("|") + std::to_string(x->NumCmp(2));
       },
       "|0.000000"},
      {"triples",
       [](Arch* x) {
         int n = -1, a = -1, b = -1, c = -1, d = -1, e = -1, f = -1;
         x->AgrTerna(4, 5, 6);
         x->DaTerna(-1, &n, nullptr, nullptr);
         x->DaTerna(0, &a, &b, &c);
         x->DaTerna(1, &d, &e, &f);
         return std::to_string(n) + ":" + std::to_string(a) + std::to_string(b) +
                std::to_string(c) + std::to_string(d) + std::to_string(e) + std::to_string(f);
       },
       "1:456000"},
  };
  for (const Caso& c : casos) EXPECT_EQ(c.paso(a), c.esperado) << c.nombre;

  // Filter matrix: the host's own cells, saved and restored.
  a->PonFiltro(2, 1, "7");
  a->GuardaFiltro();
  a->LimpiaFiltro();
  EXPECT_EQ(a->DaFiltro()->Existe(2, 1), 0);
  a->RecuperaFiltro();
  EXPECT_STREQ(a->DaFiltro()->Elem(2, 1), "7");
  DelArchSQL(a);
}

}  // namespace
