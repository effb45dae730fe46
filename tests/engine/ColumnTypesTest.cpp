// Column types: values converted and checked by the declared type with SQL Server's states and
// numbers, char padding, the collation of character columns, date literals read by the login's
// date format, and the declared types described back.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

const char kTable[] =
    "CREATE TABLE v (c char(5), vc varchar(5), i int, si smallint, ti tinyint, bi bigint, b bit, "
    "f float, r real, d dec(6,2), n numeric(5), dt datetime, tx text, nn int NOT NULL DEFAULT 0)";

class ColumnTypes : public ConServidor {};

// What a column stores for a literal: the value read back as text.
TEST_F(ColumnTypes, ValuesAreConvertedByTheColumnType) {
  Session s(entorno.servidor());
  s.Ok(kTable);
  struct Case {
    std::string column, value, stored;
  } cases[] = {
      {"c", "'ab'", "ab   "},
      {"c", "'abcde   '", "abcde"},  // blanks past the length go silently
      {"c", "12.50", "12.50"},       // a number literal keeps its digits as text
      {"c", "''", "     "}, {"vc", "'ab '", "ab "}, {"vc", "'abc      '", "abc  "},
      {"i", "2.9", "2"}, {"i", "-2.9", "-2"}, {"i", "' 42 '", "42"}, {"i", "''", "0"},
      {"i", "-2147483648", "-2147483648"}, {"si", "-32768", "-32768"}, {"ti", "255", "255"},
      {"bi", "9223372036854775807", "9223372036854775807"},
      {"b", "5", "1"}, {"b", "'true'", "1"}, {"b", "0.0", "0"},
      {"f", "'1.5'", "1.5"}, {"f", "''", "0"}, {"r", "0.25", "0.25"},
      {"d", "12.345", "12.35"}, {"d", "-0.005", "-0.01"}, {"d", "9999.994", "9999.99"},
      {"d", "2.675", "2.68"},  // decimal rounding of the literal, not of a binary double
      {"d", "'1e2'", "100.00"}, {"d", "7", "7.00"}, {"n", "'12345.5'", "12346"},
      {"dt", "'20090305'", "2009-03-05 00:00:00.000"},
      {"dt", "'2009-03-05T10:11:12.3456'", "2009-03-05 10:11:12.347"},  // 1/300 s
      {"dt", "'5/3/09 10:11 PM'", "2009-03-05 22:11:00.000"},
      {"dt", "'1.2.1950'", "1950-02-01 00:00:00.000"},
      {"dt", "'29/02/2000 12:00 AM'", "2000-02-29 00:00:00.000"},
      {"dt", "''", "1900-01-01 00:00:00.000"}, {"dt", "1.5", "1900-01-02 12:00:00.000"},
      {"dt", "'23:59:59'", "1900-01-01 23:59:59.000"},
      {"dt", "'9999-12-31 23:59:59.997'", "9999-12-31 23:59:59.997"}, {"tx", "123", "123"},
  };
  for (const Case& c : cases) {
    std::string insert = "INSERT INTO v (" + c.column + ") VALUES (" + c.value + ")";
    ASSERT_EQ(s.Exec(insert), SQL_SUCCESS) << insert << " " << s.diag().message;
    EXPECT_EQ(s.stmt->Query("SELECT " + c.column + " FROM v"), (Rows{{c.stored}})) << insert;
    // UPDATE assignments convert the same way.
    s.Ok("UPDATE v SET " + c.column + " = NULL");
    s.Ok("UPDATE v SET " + c.column + " = " + c.value);
    EXPECT_EQ(s.stmt->Query("SELECT " + c.column + " FROM v"), (Rows{{c.stored}})) << c.value;
    s.Ok("DELETE FROM v");
  }
}

TEST_F(ColumnTypes, ChecksFailWithSqlServerStatesAndNumbers) {
  Session s(entorno.servidor());
  s.Ok(kTable);
  s.Ok("CREATE UNIQUE INDEX v_c ON v (c)");
  s.Ok("INSERT INTO v (c, i) VALUES ('abc', 1)");
  Comprueba(s, {
      {"INSERT INTO v (c) VALUES ('abcdef')", SQL_ERROR, "22001", 8152,
       "String or binary data would be truncated."},
      {"INSERT INTO v (vc) VALUES ('abc  x')", SQL_ERROR, "22001", 8152},
      {"UPDATE v SET vc = 'toolong'", SQL_ERROR, "22001", 8152},
      {"INSERT INTO v (i) VALUES (2147483648)", SQL_ERROR, "22003", 8115,
       "Arithmetic overflow error converting expression to data type int."},
      {"INSERT INTO v (i) VALUES ('99999999999999999999')", SQL_ERROR, "22003", 8115},
      {"INSERT INTO v (ti) VALUES (256)", SQL_ERROR, "22003", 220,
       "Arithmetic overflow error for data type tinyint, value = 256."},
      {"INSERT INTO v (ti) VALUES (-1)", SQL_ERROR, "22003", 220},
      {"INSERT INTO v (si) VALUES (32768)", SQL_ERROR, "22003", 220},
      {"INSERT INTO v (d) VALUES (10000)", SQL_ERROR, "22003", 8115,
       "Arithmetic overflow error converting numeric to data type numeric."},
      {"INSERT INTO v (d) VALUES (9999.995)", SQL_ERROR, "22003", 8115},
      {"INSERT INTO v (i) VALUES ('abc')", SQL_ERROR, "22018", 245,
       "Conversion failed when converting the varchar value 'abc' to data type int."},
      {"INSERT INTO v (i) VALUES ('2.5')", SQL_ERROR, "22018", 245},
      {"INSERT INTO v (d) VALUES ('12,5')", SQL_ERROR, "22018", 245},
      {"INSERT INTO v (f) VALUES ('x1')", SQL_ERROR, "22018", 245},
      {"INSERT INTO v (b) VALUES ('si')", SQL_ERROR, "22018", 245},
      {"INSERT INTO v (dt) VALUES ('hola')", SQL_ERROR, "22007", 241,
       "Conversion failed when converting date and/or time from character string."},
      {"INSERT INTO v (dt) VALUES ('2009-03-05 25:00')", SQL_ERROR, "22007", 241},
      {"INSERT INTO v (dt) VALUES ('01/01/1752')", SQL_ERROR, "22008", 242,
       "The conversion of a varchar data type to a datetime data type resulted in an "
       "out-of-range value."},
      {"INSERT INTO v (dt) VALUES ('31/04/2009')", SQL_ERROR, "22008", 242},
      {"INSERT INTO v (dt) VALUES ('29/02/2100')", SQL_ERROR, "22008", 242},
      {"SELECT * FROM v WHERE dt > '32/13/2009'", SQL_ERROR, "22008", 242},
      {"SELECT * FROM v WHERE dt IN ('01/01/2009', 'x')", SQL_ERROR, "22007", 241},
      {"INSERT INTO v (c, nn) VALUES ('x', NULL)", SQL_ERROR, "23000", 515},
      {"UPDATE v SET nn = NULL", SQL_ERROR, "23000", 515},
      {"INSERT INTO v (c) VALUES ('ABC  ')", SQL_ERROR, "23000", 2601},
      {"INSERT INTO v (c, i) SELECT c, 'x' FROM v", SQL_ERROR, "22018", 245},
  });
  // Nothing of the failed statements stayed.
  EXPECT_EQ(s.stmt->Query("SELECT c, i, dt FROM v"), (Rows{{"abc  ", "1", "<null>"}}));
}

// Values that arrive as parameters and through INSERT ... SELECT are checked the same way.
TEST_F(ColumnTypes, ParametersAndInsertSelectAreChecked) {
  Session s(entorno.servidor());
  s.Ok(kTable);
  SQLHSTMT h = s.stmt->h;
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"INSERT INTO v (c, d, dt) VALUES (?, ?, ?)", SQL_NTS),
            SQL_SUCCESS);
  char c[16], d[16], dt[32];
  SQLLEN nts = SQL_NTS;
  SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 5, 0, c, 0, &nts);
  SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 6, 2, d, 0, &nts);
  SQLBindParameter(h, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 20, 0, dt, 0, &nts);
  struct Case {
    const char *c, *d, *dt, *state;
  } cases[] = {
      {"k1", "1.005", "05/03/2009", ""},
      {"k2", "-3", "2009-12-31 08:00", ""},
      {"k34567", "1", "01/01/2000", "22001"},
      {"k4", "123456", "01/01/2000", "22003"},
      {"k5", "1", "13/13/2009", "22008"},
  };
  for (const Case& x : cases) {
    std::strcpy(c, x.c);
    std::strcpy(d, x.d);
    std::strcpy(dt, x.dt);
    SQLRETURN rc = SQLExecute(h);
    if (*x.state) {
      EXPECT_EQ(rc, SQL_ERROR) << x.c;
      EXPECT_EQ(s.diag().state, x.state) << x.c;
    } else {
      EXPECT_EQ(rc, SQL_SUCCESS) << x.c << " " << s.diag().message;
    }
  }
  EXPECT_EQ(s.stmt->Query("SELECT c, d, dt FROM v ORDER BY c"),
            (Rows{{"k1   ", "1.01", "2009-03-05 00:00:00.000"},
                  {"k2   ", "-3.00", "2009-12-31 08:00:00.000"}}));
  // A comparison with a parameter reads it by the date format too.
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"SELECT c FROM v WHERE dt < ?", SQL_NTS), SQL_SUCCESS);
  std::strcpy(dt, "1/6/2009");
  SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 20, 0, dt, 0, &nts);
  ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"k1   "}}));
  SQLFreeStmt(h, SQL_RESET_PARAMS);
  // INSERT ... SELECT converts every column of the source.
  s.Ok("CREATE TABLE w (c char(8), d dec(8,1), dt datetime)");
  s.Ok("INSERT INTO w SELECT c, d, '31/12/2010' FROM v");
  s.Ok("INSERT INTO w (dt, c) SELECT dt, 'x' FROM v WHERE c = 'k2'");
  EXPECT_EQ(s.stmt->Query("SELECT c, d, dt FROM w ORDER BY c"),
            (Rows{{"k1      ", "1.0", "2010-12-31 00:00:00.000"},
                  {"k2      ", "-3.0", "2010-12-31 00:00:00.000"},
                  {"x       ", "<null>", "2009-12-31 08:00:00.000"}}));
}

// The login's date format reads literals in INSERT values, UPDATE assignments and comparisons;
// SET DATEFORMAT changes it for the connection, ALTER LOGIN ... DEFAULT_LANGUAGE for the login.
TEST_F(ColumnTypes, DateLiteralsFollowTheDateFormat) {
  {
    Session s(entorno.servidor());
    Consultas(s, {
        {"CREATE TABLE f (id int, dt datetime)", {}},
        {"INSERT INTO f VALUES (1, '05/03/2009')", {}},
        {"INSERT INTO f VALUES (2, '5-4-09 13:30')", {}},
        {"SELECT id FROM f WHERE dt = '5.3.2009'", {{"1"}}},
        {"SELECT id FROM f WHERE '01/04/2009' < dt ORDER BY id", {{"2"}}},
        {"SELECT id FROM f WHERE dt BETWEEN '1/3/2009' AND '31/3/2009'", {{"1"}}},
        {"SELECT id FROM f WHERE dt NOT IN ('05/03/2009', '06/03/2009')", {{"2"}}},
        {"SET DATEFORMAT mdy", {}},
        {"INSERT INTO f VALUES (3, '05/03/2009')", {}},
        {"SELECT dt FROM f WHERE id = 3", {{"2009-05-03 00:00:00.000"}}},
        {"SELECT id FROM f WHERE dt = '3/5/2009'", {{"1"}}},
        {"UPDATE f SET dt = '12/31/2009' WHERE dt = '05/03/2009'", {}},
        {"SET DATEFORMAT ymd", {}},
        {"SELECT id FROM f WHERE dt = '09/12/31'", {{"3"}}},
        // yyyymmdd and yyyy-mm-dd read the same whatever the format.
        {"SELECT id FROM f WHERE dt = '20091231' OR dt = '2009-03-05' ORDER BY id", {{"1"}, {"3"}}},
    });
    s.Ok("ALTER LOGIN sa WITH DEFAULT_LANGUAGE = us_english");
  }
  {
    // A new connection of the login reads month first.
    Session s(entorno.servidor());
    EXPECT_EQ(s.stmt->Query("SELECT id FROM f WHERE dt = '03/05/2009'"), (Rows{{"1"}}));
    s.Ok("ALTER LOGIN sa WITH DEFAULT_LANGUAGE = Spanish");
  }
  Session s(entorno.servidor());
  EXPECT_EQ(s.stmt->Query("SELECT id FROM f WHERE dt = '05/03/2009'"), (Rows{{"1"}}));
}

// Character columns compare and sort case-insensitively (ASCII and the accented letters of
// Windows-1252), accent-sensitively, ignoring trailing blanks, accented letters right after
// their base letter; the same holds in unique indexes.
TEST_F(ColumnTypes, CollationOrdersAndCompares) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE w (id int, t varchar(10), c char(6))");
  // \xE1 a-acute, \xC1 A-acute, \xF1 n-tilde, \xD1 N-tilde, \xE9 e-acute, \xC9 E-acute.
  const char* words[] = {"oz", "nu", "\xD1u", "abd", "\xE1" "bc", "Abc  ", "b", "ABD",
                         "\xF1z", "abc", "a", "_x", "\xC1" "BC", "e\xE9", "E\xC9", "ea"};
  int id = 0;
  for (const char* w : words) {
    std::string v = std::string("'") + w + "'";
    s.Ok("INSERT INTO w VALUES (" + std::to_string(++id) + ", " + v + ", " + v + ")");
  }
  std::vector<std::string> expected = {"12", "11", "6",  "10", "4", "8", "5",  "13",
                                       "7",  "16", "14", "15", "2", "3", "9", "1"};
  for (const char* column : {"t", "c"}) {
    Rows rows = s.stmt->Query(std::string("SELECT id FROM w ORDER BY ") + column + ", id");
    std::vector<std::string> order;
    for (const auto& r : rows) order.push_back(r[0]);
    EXPECT_EQ(order, expected) << column;
  }
  struct Case {
    std::string where;
    Rows ids;
  } cases[] = {
      {"t = 'ABC'", {{"6"}, {"10"}}},             // case and trailing blanks ignored
      {"c = 'abc    '", {{"6"}, {"10"}}},
      {"t = '\xC1" "bc'", {{"5"}, {"13"}}},         // accents count, case does not
      {"t = 'ee'", {}},
      {"t = 'E\xE9'", {{"14"}, {"15"}}},
      {"t > 'b' AND t < 'o'", {{"2"}, {"3"}, {"9"}, {"14"}, {"15"}, {"16"}}},
      {"t LIKE 'ab%'", {{"4"}, {"6"}, {"8"}, {"10"}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(s.stmt->Query("SELECT id FROM w WHERE " + c.where + " ORDER BY id"), c.ids)
        << c.where;
  // GROUP BY puts equal texts together.
  EXPECT_EQ(s.stmt->Query("SELECT count(*) FROM w GROUP BY t HAVING count(*) > 1 ORDER BY 1"),
            (Rows{{"2"}, {"2"}, {"2"}, {"2"}}));
  s.Ok("CREATE TABLE u (k char(4) NOT NULL)");
  s.Ok("CREATE UNIQUE INDEX u_k ON u (k)");
  s.Ok("INSERT INTO u VALUES ('\xF1o')");
  s.Ok("INSERT INTO u VALUES ('no')");  // another key: the accent counts
  for (const char* dup : {"'\xD1O'", "'\xF1o  '", "'NO '"}) {
    EXPECT_EQ(s.Exec(std::string("INSERT INTO u VALUES (") + dup + ")"), SQL_ERROR) << dup;
    EXPECT_EQ(s.diag().native, 2601) << dup;
  }
}

// Declared types come back as SQL Server describes them, however the CREATE TABLE spaced them,
// from forward-only and dynamic cursors alike.
TEST_F(ColumnTypes, DeclaredTypesAreDescribed) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE x (a char ( 10 ) NOT NULL, b tinyint, c bigint NOT NULL, d bit, "
       "e float(10), f numeric(5), g DECIMAL ( 9 , 3 ), h text, i datetime NULL, j VARCHAR(7), "
       "k int, l smallint, m float, n real, o numeric(9,3), p datetime NOT NULL)");
  const std::vector<Described> expected = {
      {SQL_CHAR, 10, 0, SQL_NO_NULLS},          {SQL_TINYINT, 3, 0, SQL_NULLABLE},
      {SQL_BIGINT, 19, 0, SQL_NO_NULLS},        {SQL_BIT, 1, 0, SQL_NULLABLE},
      {SQL_REAL, 24, 0, SQL_NULLABLE},          {SQL_NUMERIC, 5, 0, SQL_NULLABLE},
      {SQL_DECIMAL, 9, 3, SQL_NULLABLE},        {SQL_LONGVARCHAR, 2147483647, 0, SQL_NULLABLE},
      {SQL_TYPE_TIMESTAMP, 23, 3, SQL_NULLABLE}, {SQL_VARCHAR, 7, 0, SQL_NULLABLE},
      {SQL_INTEGER, 10, 0, SQL_NULLABLE},       {SQL_SMALLINT, 5, 0, SQL_NULLABLE},
      {SQL_FLOAT, 53, 0, SQL_NULLABLE},         {SQL_REAL, 24, 0, SQL_NULLABLE},
      {SQL_NUMERIC, 9, 3, SQL_NULLABLE},        {SQL_TYPE_TIMESTAMP, 23, 3, SQL_NO_NULLS},
  };
  SQLHSTMT h = s.stmt->h;
  for (SQLULEN cursor : {SQLULEN(SQL_CURSOR_FORWARD_ONLY), SQLULEN(SQL_CURSOR_DYNAMIC)}) {
    SetAttr(h, SQL_ATTR_CURSOR_TYPE, cursor);
    ASSERT_EQ(s.Exec("SELECT * FROM x"), SQL_SUCCESS);
    for (SQLUSMALLINT i = 0; i < expected.size(); ++i)
      EXPECT_EQ(Describe(h, SQLUSMALLINT(i + 1)), expected[i]) << i << " cursor " << cursor;
    SQLFreeStmt(h, SQL_CLOSE);
  }
  // A computed column has no name and the type SQL Server gives its expression (int * 2.5 is a
  // decimal); an alias is its label.
  s.Ok("INSERT INTO x (a, c, p) VALUES ('k', 1, '20090305')");
  ASSERT_EQ(s.Exec("SELECT c * 2.5, a, k + 1 AS suma FROM x ORDER BY a"), SQL_SUCCESS);
  char name[16] = "?";
  SQLSMALLINT nameLength = -1, type = 0;
  ASSERT_EQ(SQLDescribeCol(h, 1, (SQLCHAR*)name, sizeof name, &nameLength, &type, nullptr,
                           nullptr, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(std::string(name), "");
  EXPECT_EQ(nameLength, 0);
  EXPECT_EQ(type, SQL_DECIMAL);
  char label[32];
  EXPECT_EQ(SQLColAttribute(h, 3, SQL_DESC_LABEL, label, sizeof label, nullptr, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(std::string(label), "suma");
  SQLLEN n = 0;
  EXPECT_EQ(SQLColAttribute(h, 2, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &n), SQL_SUCCESS);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(SQLColAttribute(h, 4, SQL_DESC_TYPE, nullptr, 0, nullptr, &n), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "07009");
  // An aggregate's nullability is unknown.
  SQLFreeStmt(h, SQL_CLOSE);
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
  ASSERT_EQ(s.Exec("SELECT count(*) FROM x"), SQL_SUCCESS);
  EXPECT_EQ(Describe(h, 1), Described(SQL_INTEGER, 10, 0, SQL_NULLABLE_UNKNOWN));
  // An ODBC 2 application sees the ODBC 2 datetime type.
  Session old(entorno.servidor(), SQL_OV_ODBC2);
  ASSERT_EQ(old.Exec("select p from x"), SQL_SUCCESS);
  EXPECT_EQ(std::get<0>(Describe(old.stmt->h, 1)), SQL_TIMESTAMP);
}

}  // namespace
