// Restructuring through the export, as a host calls it: the records survive in the new layout,
// leftovers of an interrupted run cost nothing, a copy that falls short changes nothing.
#include <string>
#include <vector>

#include "Base1.h"
#include "values/Fecha.h"

namespace {

// Field descriptors: width in the high byte; class 0 text, 2 number (decimals in bits 2-6), 3 date.
constexpr unsigned short Txt(int w) { return (unsigned short)(w << 8); }
constexpr unsigned short Dec(int p, int s) { return (unsigned short)(p << 8 | s << 2 | 2); }
constexpr unsigned short kFecha = 0x0803;
using Campos = std::vector<unsigned short>;
using Claves = std::vector<int>;

class Reestructura : public ConBase1 {
 protected:
  // Code, balance and date, keyed by code, three records.
  void Clientes(const std::string& t = "CLIENTES") {
    Sql("create table " + t + " (C1 char(8) NULL, C2 dec(10,2) NULL, C3 datetime NULL); "
        "create index " + t + "_indent on " + t + " (C1); "
        "insert into " + t + " values ('b2', 2.25, '1999-12-31'); "
        "insert into " + t + " values ('a1', 1.5, '2020-01-15'); "
        "insert into " + t + " values ('O''c3', -7, '2000-01-01')");
  }
  void Ajusta(const Campos& campos, const Claves& claves, const char* tabla = "CLIENTES",
              int campoFecha = 0, int primerDia = 0) {
    int cabecera[8] = {0, 0, 0, 0, 0, int(campos.size())};
    AjtCmpsSQL(srv(), "BASE1", tabla, campos.data(), claves.empty() ? nullptr : claves.data(),
               cabecera, nullptr, nullptr, 0, campoFecha, primerDia);
  }
  // Rows in C1 order, cells without trailing blanks, "|" between cells, ";" after each row;
  // then the indexes and the user tables.
  std::string Estado(const std::string& t = "CLIENTES") {
    Filas f, ind, tablas;
    SqlDirecto(cnx->hdbc, "select * from " + t + " order by C1", &f);
    SqlDirecto(cnx->hdbc, "sp_helpindex " + t, &ind);
    SqlDirecto(cnx->hdbc, "sp_tables", &tablas);
    std::string r;
    for (auto& fila : f) {
      for (size_t c = 0; c < fila.size(); ++c)
        r += (c ? "|" : "") + fila[c].substr(0, fila[c].find_last_not_of(' ') + 1);
      r += ";";
    }
    for (const auto& i : ind) r += " " + i[0] + ":" + i[2];
    for (const auto& i : tablas) r += i[3] == "TABLE" ? " [" + i[2] + "]" : "";
    return r;
  }
};

const std::string kFilas2 = "a1|1.50;b2|2.25;O'c3|-7.00;";

TEST_F(Reestructura, NewLayoutsKeepEveryRecord) {
  struct {
    Campos campos;
    Claves claves;
    int campoFecha, primerDia;
    std::string estado;
  } casos[] = {
      {{Txt(8), Dec(10, 2), kFecha, Txt(5)}, {2, 1, 1, 2, 3, 1}, 0, 0,
       "a1|1.50|2020-01-15 00:00:00.000|;b2|2.25|1999-12-31 00:00:00.000|;"
       "O'c3|-7.00|2000-01-01 00:00:00.000|; CLIENTES_indent:C1 CLIENTES_indent2:C3, C1 "
       "[CLIENTES]"},
      {{Txt(8), Dec(10, 2)}, {}, 0, 0, kFilas2 + " CLIENTES_indent:C1 [CLIENTES]"},
      {{Txt(8), Dec(10, 2), kFecha, Dec(5, 0)}, {1, 1, 2}, 0, 0,
       "a1|1.50|2020-01-15 00:00:00.000|0;b2|2.25|1999-12-31 00:00:00.000|0;"
       "O'c3|-7.00|2000-01-01 00:00:00.000|0; CLIENTES_indent:C2 [CLIENTES]"},
      // Field 2 (C3) before 1 January 2000 is left out; the first day itself is kept.
      {{Txt(8), Dec(10, 2)}, {}, 2, DiaDMA(1, 1, 2000),
       "a1|1.50;O'c3|-7.00; CLIENTES_indent:C1 [CLIENTES]"},
  };
  for (const auto& c : casos) {
    Clientes();
    Ajusta(c.campos, c.claves, "CLIENTES", c.campoFecha, c.primerDia);
    EXPECT_EQ(Estado(), c.estado);
    Sql("drop table CLIENTES");
  }
  Ajusta({Txt(4), kFecha}, {2, 1, 2, 2, 2, 1}, "NUEVA");  // missing: made empty
  EXPECT_EQ(Estado("NUEVA"), " NUEVA_indent:C2 NUEVA_indent2:C2, C1 [NUEVA]");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, LeftoverCopyIsDroppedOrBecomesTheMissingTable) {
  Clientes();
  Clientes("TEMP_CLIENTES");  // half made: its records are not the table's
  Sql("delete from TEMP_CLIENTES where C1 = 'a1'");
  Ajusta({Txt(8), Dec(10, 2)}, {});
  EXPECT_EQ(Estado(), kFilas2 + " CLIENTES_indent:C1 [CLIENTES]");

  Sql("drop table CLIENTES");  // the copy of a run killed after the drop holds the only data
  Clientes("TEMP_CLIENTES");
  Sql("drop index TEMP_CLIENTES.TEMP_CLIENTES_indent; "
      "create index TEMP_CLIENTES_indent on TEMP_CLIENTES (C2)");
  Ajusta({Txt(8), Dec(10, 2)}, {1, 1, 2});
  EXPECT_EQ(Estado(), kFilas2 + " CLIENTES_indent:C2 [CLIENTES]");
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

TEST_F(Reestructura, CopyThatFallsShortChangesNothing) {
  struct {
    const char* tabla;
    Campos campos;
    Claves claves;
    std::string causa;
  } casos[] = {
      // 12345.67 has too many digits for the new number: its INSERT fails.
      {"CLIENTES", {Txt(8), Dec(3, 0)}, {1, 1, 1}, "3 of the 4 records to carry over reached"},
      {"CLIENTES", {Txt(8)}, {1, 1, 9}, "TEMP_CLIENTES could not be created"},
      {"SINCLAVE", {Txt(4)}, {}, "0 of the 1 records of the table could be read"},
      {"SINCLAVE; drop table SINCLAVE", {Txt(4)}, {}, "not a plain name"},
  };
  Clientes();
  Sql("insert into CLIENTES values ('d4', 12345.67, NULL); "
      "create table SINCLAVE (C1 char(4) NULL); insert into SINCLAVE values ('x')");
  const std::string antes = Estado(), sinClave = Estado("SINCLAVE");
  for (const auto& c : casos) {
    Ajusta(c.campos, c.claves, c.tabla);
    EXPECT_EQ(Estado(), antes) << c.causa;
    EXPECT_EQ(Estado("SINCLAVE"), sinClave) << c.causa;
    EXPECT_TRUE(Contiene(entorno.LeeLog(), "\r\nRestructuring ")) << entorno.LeeLog();
    EXPECT_TRUE(Contiene(entorno.LeeLog(), c.causa)) << entorno.LeeLog();
  }
  int cabecera[8] = {0, 0, 0, 0, 0, 1};
  unsigned short campo = Txt(4);
  AjtCmpsSQL(srv(), "NOHAY", "CLIENTES", &campo, nullptr, cabecera, nullptr, nullptr, 0, 0, 0);
  EXPECT_EQ(Estado(), antes);
}

}  // namespace
