// The statement builders: appending to the text (numbers, quoted values, index names, the
// buffer's bound), and against the engine the exact texts, what runs, and what the log says.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "ConPrueba.h"
#include "columns/Cmp.h"
#include "odbc/Chk.h"

namespace {

class Sentencias : public ConPrueba {
 protected:
  std::string texto() const { return s->sentencia; }
  std::string log() const { return entorno.LeeLog(); }
  bool hayLog() const { return Existe(entorno.log()); }
  SQLRETURN Directo(const std::string& sql, std::string* diag = nullptr) {
    return SqlDirecto(cnx->hdbc, sql, nullptr, diag);
  }
  std::string Valor(const std::string& sql) { return SqlValor(cnx->hdbc, sql); }

  // The columns of kCreaClientes.
  void Columnas() {
    s->IniCmps(5);
    s->NvoCmp(0, SQL_CHAR, 30, 0, 1, "NOMBRE", 0);
    s->NvoCmp(1, SQL_INTEGER, 10, 0, 0, "CANT", 0);
    s->NvoCmp(2, SQL_DECIMAL, 12, 2, 1, "PRECIO", 0);
    s->NvoCmp(3, SQL_FLOAT, 53, 0, 1, "PESO", 0);
    s->NvoCmp(4, SQL_TIMESTAMP, 23, 3, 1, "ALTA", 0);
  }
  void Valores(std::vector<const char*> v) {
    for (int i = 0; i < 5; ++i) s->cmps[i]->PonTexto(v[i]);
  }
  // ARTIC (C1 char(10), C2 int) with the given rows.
  void Artic(std::vector<const char*> filas) {
    ASSERT_EQ(Directo("create table ARTIC (C1 char(10) NULL, C2 int NULL)"), SQL_SUCCESS);
    for (const char* v : filas)
      ASSERT_EQ(Directo(std::string("insert ARTIC values ") + v), SQL_SUCCESS);
  }
};

const char kCreaClientes[] =
    "create table CLIENTES (NOMBRE char(30) NULL,CANT int NOT NULL,PRECIO dec(12,2) NULL,"
    "PESO float(53) NULL,ALTA datetime NULL)";

TEST_F(Sentencias, CreaTablaWritesEveryColumnAndLogsADuplicate) {
  Columnas();
  EXPECT_EQ(CreaTabla(s, "CLIENTES"), SQL_SUCCESS);
  EXPECT_EQ(texto(), kCreaClientes);
  EXPECT_FALSE(hayLog());

  EXPECT_EQ(CreaTabla(s, "CLIENTES"), SQL_ERROR);
  std::string l = log();
  EXPECT_EQ(Registros(l), 1);
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 101-S0001-\r\n")) << l;
  EXPECT_TRUE(Contiene(l, std::string("\r\nSentencia SQL: \r\n") + kCreaClientes + "\r\n")) << l;

  // Without columns the last character removed is the "(".
  s->IniCmps(0);
  EXPECT_EQ(CreaTabla(s, "VACIA"), SQL_ERROR);
  EXPECT_EQ(texto(), "create table VACIA )");
  EXPECT_EQ(Registros(log()), 2);
}

TEST_F(Sentencias, InsertaFilaDoublesQuotesAndTheValueComesBack) {
  Columnas();
  ASSERT_EQ(CreaTabla(s, "CLIENTES"), SQL_SUCCESS);
  Valores({"O'Brien", "7", "12.5", "0.25", "05/03/2009"});
  EXPECT_EQ(InsertaFila(s, "CLIENTES"), SQL_SUCCESS);
  EXPECT_EQ(texto(), "insert CLIENTES values ('O''Brien',7,12.5,.25,'05/03/2009')");
  Valores({"x'); drop table CLIENTES; --", "8", "1", "1", "  /  /  "});
  EXPECT_EQ(InsertaFila(s, "CLIENTES"), SQL_SUCCESS);
  EXPECT_FALSE(hayLog());
  EXPECT_EQ(Valor("SELECT NOMBRE FROM CLIENTES WHERE CANT = 7"), "O'Brien");
  EXPECT_EQ(Valor("SELECT CANT FROM CLIENTES WHERE NOMBRE = 'x''); drop table CLIENTES; --'"), "8");
}

TEST_F(Sentencias, InsertaFilaFailures) {
  // No columns: -1, nothing built, nothing run, nothing logged.
  s->IniTexto("anterior");
  EXPECT_EQ(InsertaFila(s, "CLIENTES"), SQL_ERROR);
  EXPECT_EQ(texto(), "anterior");
  EXPECT_FALSE(hayLog());

  // A missing table is logged with the table as context and the fresh texts of the buffers.
  Columnas();
  const std::string fila = "insert NOHAY values ('',0,0,0,'1/1/1900')";
  EXPECT_EQ(InsertaFila(s, "NOHAY"), SQL_ERROR);
  EXPECT_EQ(texto(), fila);
  std::string l = log();
  EXPECT_EQ(Registros(l), 1);
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 105-S0002-NOHAY\r\n")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nSentencia SQL: \r\n" + fila + "\r\n"));

  // A row too long for the statement is refused before the engine sees it, and logged.
  ASSERT_EQ(CreaTabla(s, "CLIENTES"), SQL_SUCCESS);
  s->IniCmps(1);
  s->NvoCmp(0, SQL_CHAR, 6000, 0, 1, "NOMBRE", 0);
  s->cmps[0]->PonTexto(std::string(5980, 'a').c_str());
  EXPECT_EQ(InsertaFila(s, "CLIENTES"), SQL_ERROR);
  EXPECT_TRUE(s->desborde);
  l = log();
  EXPECT_EQ(Registros(l), 2);
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 105--CLIENTES\r\nStatement text longer than 5999")) << l;
  EXPECT_EQ(Valor("SELECT COUNT(*) FROM CLIENTES"), "0");

  // A number out of range (11 integer digits for dec(12,2)): "22003" is expected, not logged.
  Columnas();
  Valores({"a", "1", "12345678901", "1", ""});
  EXPECT_EQ(InsertaFila(s, "CLIENTES"), SQL_ERROR);
  EXPECT_STREQ(s->sqlState, "22003");
  EXPECT_EQ(Registros(log()), 2) << log();
}

TEST_F(Sentencias, ArmaSelectTexts) {
  Artic({});
  const struct {
    int indice, exclusivo, cuantificador, forBrowse;
    const char *alterna, *into, *where, *groupBy, *having, *orderBy, *compute, *esperado;
  } casos[] = {
      {0, 1, 0, 0, nullptr, nullptr, "C1 >= 'A'", nullptr, nullptr, "C1", nullptr,
       "SELECT * FROM ARTIC WITH(INDEX(ARTIC_indent),TABLOCKX)  WHERE C1 >= 'A' ORDER BY C1"},
      {2, 0, 0, 0, nullptr, nullptr, "C2 = 1", nullptr, nullptr, "C2", nullptr,
       "SELECT * FROM ARTIC WITH(INDEX(ARTIC_indent3))  WHERE C2 = 1 ORDER BY C2"},
      {-1, 1, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
       "SELECT * FROM ARTIC WITH(TABLOCKX) "},
      {-1, 0, 0, 0, nullptr, nullptr, "", "", "", "", "", "SELECT * FROM ARTIC"},
      {-1, 0, 1, 0, nullptr, "COPIA", nullptr, nullptr, nullptr, nullptr, nullptr,
       "SELECT ALL * INTO COPIA FROM ARTIC"},
      {-1, 0, 2, 1, "C1, COUNT(*)", nullptr, "C2 > 0", "C1", "COUNT(*) > 1", "C1", "COUNT(C1)",
       "SELECT DISTINCT C1, COUNT(*) FROM ARTIC WHERE C2 > 0 GROUP BY C1 HAVING COUNT(*) > 1"
       " ORDER BY C1 COMPUTE COUNT(C1) FOR BROWSE"},
  };
  for (const auto& c : casos) {
    ArmaSelect(s, 10, "ARTIC", "*", SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC, c.exclusivo, c.alterna,
               c.into, c.where, c.groupBy, c.having, c.orderBy, c.indice, c.compute,
               c.cuantificador, c.forBrowse);
    EXPECT_EQ(texto(), c.esperado);
  }
  // Closing and the three attributes succeed; the execution is the caller's to check.
  EXPECT_FALSE(hayLog()) << log();
}

// Hinted texts run in the cursor tests (Condiciones, Navegacion).
TEST_F(Sentencias, ArmaSelectPreparesABlockCursor) {
  Artic({"('c', 3)", "('a', 1)", "('b', 2)", "('d', 4)"});
  ASSERT_EQ(ArmaSelect(s, 10, "ARTIC", "*", SQL_CONCUR_LOCK, SQL_CURSOR_DYNAMIC, 0, nullptr,
                       nullptr, "C2 > 1", nullptr, nullptr, "C2 DESC", -1, nullptr, 0, 0),
            SQL_SUCCESS);
  EXPECT_EQ(s->tamLote, 10);
  const SQLULEN atributos[][2] = {{SQL_ATTR_ROW_ARRAY_SIZE, 10},
                                   {SQL_ATTR_CONCURRENCY, SQL_CONCUR_LOCK},
                                   {SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC}};
  for (const auto& a : atributos) {
    SQLULEN v = 0;
    SQLGetStmtAttr(s->hstmt, SQLINTEGER(a[0]), &v, 0, nullptr);
    EXPECT_EQ(v, a[1]) << a[0];
  }
  s->DescribeCmps(0);
  s->EnlazaCmps();
  ASSERT_TRUE(SQL_SUCCEEDED(s->ExtendedFetch(SQL_FETCH_NEXT, 0, &s->filasLeidas, s->estFilas)));
  std::string filas;
  for (SQLULEN f = 0; f < s->filasLeidas; ++f) {
    s->CargaFila(f);
    filas += std::string(s->cmps[0]->Texto()) + s->cmps[1]->Texto() + ";";
  }
  EXPECT_EQ(filas, "d4;c3;b2;");
  EXPECT_FALSE(hayLog()) << log();
}

TEST_F(Sentencias, ArmaSelectRefusesATooLongText) {
  std::string where(6000, 'x');
  EXPECT_EQ(ArmaSelect(s, 1, "ARTIC", "*", SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC, 0, nullptr,
                       nullptr, where.c_str(), nullptr, nullptr, nullptr, -1, nullptr, 0, 0),
            SQL_ERROR);
  EXPECT_TRUE(s->desborde);
  EXPECT_EQ(texto(), "SELECT * FROM ARTIC WHERE ") << "stops before the piece that does not fit";
  EXPECT_FALSE(hayLog()) << "the caller checks the execution";
  EXPECT_EQ(ChkSent(s, 110, "ARTIC", "S0002"), 1);
  std::string l = log();
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 110--ARTIC\r\nStatement text longer than 5999")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nSentencia SQL: \r\nSELECT * FROM ARTIC WHERE \r\n")) << l;
}

TEST_F(Sentencias, CreaIndiceTextsAndRefusals) {
  Columnas();
  ASSERT_EQ(CreaTabla(s, "CLIENTES"), SQL_SUCCESS);
  const struct {
    int unico, agrupado;
    std::vector<int32_t> claves;
    const char *nombre, *esperado;
  } casos[] = {
      {1, 2, {2, 1, 2}, "CLIENTES_indent",
       "create unique nonclustered index CLIENTES_indent on CLIENTES (NOMBRE,CANT)"},
      {0, 1, {1, 3}, "CLIENTES_indent2",
       "create clustered index CLIENTES_indent2 on CLIENTES (PRECIO)"},
      {0, 0, {3, 5, 4, 1}, "CLIENTES_indent3",
       "create index CLIENTES_indent3 on CLIENTES (ALTA,PESO,NOMBRE)"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(CreaIndice(s, "CLIENTES", c.nombre, c.claves.data(), c.unico, c.agrupado),
              SQL_SUCCESS) << c.nombre;
    EXPECT_EQ(texto(), c.esperado);
  }
  int registros = 0;

  // Refused key lists: nothing runs, and the record says why.
  const std::vector<int32_t> malas[] = {{0}, {1, 6}, {2, 1, 0}};
  for (const auto& m : malas) {
    EXPECT_EQ(CreaIndice(s, "CLIENTES", "MALO", m.data(), 0, 0), SQL_ERROR);
    EXPECT_TRUE(Contiene(log(), "\r\nError SQL 111--CLIENTES\r\nIndex key list")) << log();
    EXPECT_EQ(Registros(log()), ++registros);
  }
  EXPECT_EQ(CreaIndice(s, "CLIENTES", "MALO", nullptr, 0, 0), SQL_ERROR);
  EXPECT_EQ(texto(), "create index MALO on CLIENTES");
  EXPECT_EQ(Registros(log()), ++registros);

  const int32_t una[] = {1, 1};
  EXPECT_EQ(CreaIndice(s, "CLIENTES", "CLIENTES_indent", una, 0, 0), SQL_ERROR);
  EXPECT_TRUE(Contiene(log(), "\r\nError SQL 111-S0011-CLIENTES\r\n")) << log();
}

TEST_F(Sentencias, UsaBaseAndBorraTabla) {
  EXPECT_TRUE(SQL_SUCCEEDED(UsaBase(s)));
  EXPECT_EQ(texto(), "USE PRUEBA");
  CnxOdbc* sinBase = NvaCnxOdbc(srv(), "", nullptr, nullptr);
  ASSERT_NE(sinBase, nullptr);
  {
    int ok = 0;
    SentOdbc m(sinBase, 0, &ok, "");
    EXPECT_TRUE(SQL_SUCCEEDED(UsaBase(&m)));
    EXPECT_STREQ(m.sentencia, "USE master");
  }
  DelCnxOdbc(sinBase);

  EXPECT_EQ(BorraTabla(s, "NOHAY"), SQL_ERROR);
  EXPECT_EQ(texto(), "drop table NOHAY");
  EXPECT_FALSE(hayLog()) << "USE's notice and a missing table are expected";
  ASSERT_EQ(Directo("create table T1 (C1 int NULL)"), SQL_SUCCESS);
  EXPECT_EQ(BorraTabla(s, "T1"), SQL_SUCCESS);
  EXPECT_EQ(Valor("SELECT COUNT(*) FROM T1"), "<error>");
  EXPECT_FALSE(hayLog());
}

TEST_F(Sentencias, NvaBasePlacementAndBorraBase) {
  EXPECT_TRUE(SQL_SUCCEEDED(NvaBase(m, "NUEVA", nullptr, 0, 0, 0, 0)));
  EXPECT_TRUE(Existe(entorno.servidor() + "/nueva.db"));
  EXPECT_FALSE(hayLog());

  // The database exists now, so each text comes back in the log.
  const struct { const char* disp; int datos, log, carga; const char* resto; } casos[] = {
      {nullptr, 10, 5, 1, ""}, {"D", 0, 0, 0, " ON D"}, {"D", 10, 0, 0, " ON D = 10"},
      {"D", 0, 5, 0, " ON D LOG ON D = 5"}, {"D", 10, 5, 1, " ON D = 10 LOG ON D = 5 FOR LOAD"}};
  int n = 0;
  for (const auto& c : casos) {
    EXPECT_EQ(NvaBase(m, "NUEVA", c.disp, c.datos, 99, c.log, c.carga), SQL_ERROR);
    std::string l = log();
    EXPECT_EQ(Registros(l), ++n);
    std::string ultimo = l.substr(l.rfind("====\r\n"));
    EXPECT_TRUE(Contiene(ultimo, "\r\nError SQL 124-37000-NUEVA\r\n")) << ultimo;
    EXPECT_TRUE(Contiene(ultimo, "already exists")) << "the clauses are accepted: " << ultimo;
    EXPECT_TRUE(Contiene(ultimo, std::string("\r\nSentencia SQL: \r\nCREATE DATABASE NUEVA") +
                                     c.resto + "\r\n"))
        << ultimo;
  }

  EXPECT_TRUE(SQL_SUCCEEDED(BorraBase(m, "NUEVA")));
  EXPECT_FALSE(Existe(entorno.servidor() + "/nueva.db"));
  EXPECT_EQ(Registros(log()), n);
  EXPECT_EQ(BorraBase(m, "NUEVA"), SQL_ERROR);
  std::string l = log();
  EXPECT_EQ(Registros(l), n + 1);
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 125-S0002-NUEVA\r\n")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nSentencia SQL: \r\nDROP DATABASE NUEVA\r\n")) << l;
}

TEST_F(Sentencias, RenombraTextsAndTheSyntaxErrorFlag) {
  EXPECT_EQ(Renombra(s, "NOHAY", "OTRO", 0, nullptr), SQL_ERROR);
  EXPECT_EQ(texto(), "sp_rename 'NOHAY','OTRO'");
  EXPECT_EQ(Renombra(s, "ARTIC.NOHAY", "OTRO", 0, "INDEX"), SQL_ERROR);
  EXPECT_EQ(texto(), "sp_rename 'ARTIC.NOHAY','OTRO','INDEX'");
  std::string l = log();
  EXPECT_EQ(Registros(l), 2);
  EXPECT_TRUE(Contiene(l, "\r\nError SQL 102-37000-\r\n")) << l;
  EXPECT_TRUE(Contiene(l, "\r\nSentencia SQL: \r\nsp_rename 'ARTIC.NOHAY','OTRO','INDEX'\r\n"));

  EXPECT_EQ(Renombra(s, "ARTIC.NOHAY", "OTRO", 1, "INDEX"), SQL_ERROR);
  EXPECT_EQ(Registros(log()), 2) << "\"37000\" accepted when asked";

  ASSERT_EQ(Directo("create table VIEJA (C1 int NULL)"), SQL_SUCCESS);
  EXPECT_EQ(Renombra(s, "VIEJA", "NUEVA", 0, nullptr), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(Registros(log()), 2) << "the caution notice (01000) is not logged";
  EXPECT_EQ(Valor("SELECT COUNT(*) FROM NUEVA"), "0");
}

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
