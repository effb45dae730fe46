// Restructuring through the export, as a host calls it: the records survive in the new layout,
// leftovers of an interrupted run cost nothing, a copy that falls short changes nothing.
#include <string>
#include <vector>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/CnxOdbc.h"
#include "values/Fecha.h"
#include "zorb/zorb.h"

namespace {

// Field descriptors: width in the high byte; class 0 text, 2 number (decimals in bits 2-6), 3 date.
constexpr unsigned short Txt(int w) { return (unsigned short)(w << 8); }
constexpr unsigned short Dec(int p, int s) { return (unsigned short)(p << 8 | s << 2 | 2); }
constexpr unsigned short kFecha = 0x0803;

class Reestructura : public ConServidor {
 protected:
  void SetUp() override {
    ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
    cnx = NvaCnxOdbc(srv(), "BASE1", "", "");
    ASSERT_NE(cnx, nullptr);
  }
  void TearDown() override { DelCnxOdbc(cnx); }
  const char* srv() const { return entorno.servidor().c_str(); }
  void Sql(const std::string& sql) { ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(cnx->hdbc, sql))) << sql; }

  // CLIENTES (code, balance, date) keyed by code, with three records.
  void Clientes(const std::string& tabla = "CLIENTES") {
    Sql("create table " + tabla + " (C1 char(8) NULL, C2 dec(10,2) NULL, C3 datetime NULL)");
    Sql("create index " + tabla + "_indent on " + tabla + " (C1)");
    Sql("insert into " + tabla + " values ('b2', 2.25, '1999-12-31')");
    Sql("insert into " + tabla + " values ('a1', 1.5, '2020-01-15')");
    Sql("insert into " + tabla + " values ('O''c3', -7, '2000-01-01')");
  }
  void Ajusta(const std::vector<unsigned short>& campos, const std::vector<int>& claves,
              const char* tabla = "CLIENTES", int campoFecha = 0, int primerDia = 0) {
    int cabecera[8] = {};
    cabecera[5] = int(campos.size());
    AjtCmpsSQL(srv(), "BASE1", tabla, campos.data(), claves.empty() ? nullptr : claves.data(),
               cabecera, nullptr, nullptr, 0, campoFecha, primerDia);
  }
  // Every row in C1 order, cells without trailing blanks, joined by "|", rows by ";".
  std::string Filas(const std::string& tabla = "CLIENTES") {
    ::Filas f;
    if (!SQL_SUCCEEDED(SqlDirecto(cnx->hdbc, "select * from " + tabla + " order by C1", &f)))
      return "<error>";
    std::string r;
    for (auto& fila : f) {
      for (size_t c = 0; c < fila.size(); ++c) {
        std::string v = fila[c];
        while (!v.empty() && v.back() == ' ') v.pop_back();
        r += (c ? "|" : "") + v;
      }
      r += ";";
    }
    return r;
  }
  std::string Indices(const std::string& tabla = "CLIENTES") {
    ::Filas f;
    SqlDirecto(cnx->hdbc, "sp_helpindex " + tabla, &f);
    std::string r;
    for (const auto& fila : f) r += fila[0] + ":" + fila[2] + " ";
    return r;
  }
  std::string Tablas() {
    ::Filas f;
    SqlDirecto(cnx->hdbc, "sp_tables", &f);
    std::string r;
    for (const auto& fila : f)
      if (fila[3] == "TABLE") r += fila[2] + " ";
    return r;
  }
  CnxOdbc* cnx = nullptr;
};

const std::vector<unsigned short> kViejo = {Txt(8), Dec(10, 2), kFecha};

TEST_F(Reestructura, LayoutsMoreFewerAndOtherKeysKeepEveryRecord) {
  struct Caso {
    const char* nombre;
    std::vector<unsigned short> campos;
    std::vector<int> claves;
    std::string filas, indices;
  } casos[] = {
      {"one text field more, two keys", {Txt(8), Dec(10, 2), kFecha, Txt(5)}, {2, 1, 1, 2, 3, 1},
       "a1|1.50|2020-01-15 00:00:00.000|;b2|2.25|1999-12-31 00:00:00.000|;"
       "O'c3|-7.00|2000-01-01 00:00:00.000|;",
       "CLIENTES_indent:C1 CLIENTES_indent2:C3, C1 "},
      {"one field less, no key list", {Txt(8), Dec(10, 2)}, {}, "a1|1.50;b2|2.25;O'c3|-7.00;",
       "CLIENTES_indent:C1 "},
      {"a number field more", {Txt(8), Dec(10, 2), kFecha, Dec(5, 0)}, {1, 1, 2},
       "a1|1.50|2020-01-15 00:00:00.000|0;b2|2.25|1999-12-31 00:00:00.000|0;"
       "O'c3|-7.00|2000-01-01 00:00:00.000|0;",
       "CLIENTES_indent:C2 "},
  };
  for (const auto& c : casos) {
    Clientes();
    Ajusta(c.campos, c.claves);
    EXPECT_EQ(Filas(), c.filas) << c.nombre;
    EXPECT_EQ(Indices(), c.indices) << c.nombre;
    EXPECT_EQ(Tablas(), "CLIENTES ") << c.nombre;
    Sql("drop table CLIENTES");
  }
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, RecordsBeforeTheFirstDayAreLeftOut) {
  Clientes();
  Ajusta(kViejo, {1, 1, 1}, "CLIENTES", 2, DiaDMA(1, 1, 2000));
  EXPECT_EQ(Filas(), "a1|1.50|2020-01-15 00:00:00.000;O'c3|-7.00|2000-01-01 00:00:00.000;");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, MissingTableIsCreatedEmpty) {
  Ajusta({Txt(4), kFecha}, {2, 1, 2, 2, 2, 1}, "NUEVA");
  EXPECT_EQ(Filas("NUEVA"), "");
  EXPECT_EQ(Indices("NUEVA"), "NUEVA_indent:C2 NUEVA_indent2:C2, C1 ");
  EXPECT_EQ(Tablas(), "NUEVA ");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, LeftoverCopyIsDroppedWhenTheTableExists) {
  Clientes();
  Clientes("TEMP_CLIENTES");  // a half-made copy: its records are not the table's
  Sql("delete from TEMP_CLIENTES where C1 = 'a1'");
  Sql("insert into TEMP_CLIENTES values ('zz', 0, NULL)");
  Ajusta({Txt(8), Dec(10, 2)}, {});
  EXPECT_EQ(Filas(), "a1|1.50;b2|2.25;O'c3|-7.00;");
  EXPECT_EQ(Tablas(), "CLIENTES ");
}

TEST_F(Reestructura, LeftoverCopyBecomesTheTableWhenTheTableIsMissing) {
  Clientes("TEMP_CLIENTES");
  Sql("drop index TEMP_CLIENTES.TEMP_CLIENTES_indent");
  Sql("create index TEMP_CLIENTES_indent on TEMP_CLIENTES (C2)");
  Ajusta({Txt(8), Dec(10, 2)}, {});
  EXPECT_EQ(Filas(), "a1|1.50;b2|2.25;O'c3|-7.00;");
  EXPECT_EQ(Indices(), "CLIENTES_indent:C1 ");
  EXPECT_EQ(Tablas(), "CLIENTES ");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, CopyThatFallsShortChangesNothing) {
  struct Caso {
    const char* nombre;
    std::vector<unsigned short> campos;
    std::vector<int> claves;
    std::string causa;
  } casos[] = {
      // 12345.67 has too many digits for the new number: its INSERT fails.
      {"a value that does not fit", {Txt(8), Dec(3, 0)}, {1, 1, 1},
       "3 of the 4 records to carry over reached TEMP_CLIENTES"},
      {"a key on a field that does not exist", {Txt(8)}, {1, 1, 9},
       "TEMP_CLIENTES could not be created"},
  };
  Clientes();
  Sql("insert into CLIENTES values ('d4', 12345.67, NULL)");
  const std::string antes = Filas(), indices = Indices();
  for (const auto& c : casos) {
    Ajusta(c.campos, c.claves);
    EXPECT_EQ(Filas(), antes) << c.nombre;
    EXPECT_EQ(Indices(), indices) << c.nombre;
    EXPECT_EQ(Tablas(), "CLIENTES ") << c.nombre;
    EXPECT_TRUE(Contiene(entorno.LeeLog(), "Error SQL 218--CLIENTES\r\nRestructuring stopped: "))
        << c.nombre << entorno.LeeLog();
    EXPECT_TRUE(Contiene(entorno.LeeLog(), c.causa)) << c.nombre << entorno.LeeLog();
  }
}

TEST_F(Reestructura, TableWithoutKeyOrNameOrConnectionIsLeftAlone) {
  Sql("create table SINCLAVE (C1 char(4) NULL)");
  Sql("insert into SINCLAVE values ('x')");
  Ajusta({Txt(4), Txt(2)}, {}, "SINCLAVE");
  EXPECT_EQ(Filas("SINCLAVE"), "x;");
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "0 of the 1 records of the table could be read"));
  Ajusta({Txt(4)}, {}, "SINCLAVE; drop table SINCLAVE");
  EXPECT_EQ(Filas("SINCLAVE"), "x;");
  int cabecera[8] = {0, 0, 0, 0, 0, 1};
  unsigned short campo = Txt(4);
  AjtCmpsSQL(srv(), "NOHAY", "SINCLAVE", &campo, nullptr, cabecera, nullptr, nullptr, 0, 0, 0);
  EXPECT_EQ(Tablas(), "SINCLAVE ");
}

}  // namespace
