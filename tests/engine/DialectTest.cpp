// T-SQL expressions with the results SQL Server documents for them: concatenation and datetime
// arithmetic, integer overflow and division by zero, CAST and CONVERT with their styles, the
// common functions on NULL and blanks, and the types results are described with.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class Dialect : public ConServidor {};

struct Case {
  const char* expression;
  const char* result;  // text of the one value ("<null>" for NULL); null when it fails
  long native = 0;     // the error's number when it fails
};

void Check(Session& s, const std::vector<Case>& cases) {
  std::vector<Consulta> queries;
  for (const Case& c : cases)
    queries.push_back({std::string("SELECT ") + c.expression + " FROM one",
                       c.result ? Rows{{c.result}} : Rows{}, c.native});
  Consultas(s, queries);
}

struct Fixture {
  explicit Fixture(const std::string& server) : s(server) {
    s.Ok("CREATE TABLE one (i int, big bigint, s varchar(10), ch char(4), d dec(12,2), "
         "dt datetime, n int)");
    s.Ok("INSERT INTO one VALUES (7, 5000000000, 'ab', 'xy', 1234.50, "
         "'2024-01-31 10:05:00', NULL)");
  }
  Session s;
};

TEST_F(Dialect, OperatorsFollowTheOperandTypes) {
  Fixture f(entorno.servidor());
  Check(f.s, {
      {"'ab' + 'cd'", "abcd"},
      {"'1' + '2'", "12"},
      {"s + 'cd'", "abcd"},
      {"ch + '|'", "xy  |"},  // char keeps its blanks
      {"s + NULL", "<null>"},
      {"'1' + 2", "3"},
      {"i + '5'", "12"},
      {"'ab' + 1", nullptr, 245},
      {"'ab' - 'a'", nullptr, 402},
      {"dt + 1", "2024-02-01 10:05:00.000"},
      {"dt - 1.5", "2024-01-29 22:05:00.000"},
      {"dt * 2", nullptr, 8117},
      {"2147483647 + 1", nullptr, 8115},
      {"i * 2147483647", nullptr, 8115},
      {"big + 1", "5000000001"},
      {"CAST(2147483647 AS bigint) + 1", "2147483648"},
      {"1 / 0", nullptr, 8134},
      {"i % 0", nullptr, 8134},
      {"7 / 2", "3"},
      {"-7 / 2", "-3"},
      {"i % 3", "1"},
      {"10 - 2 * 3", "4"},
      {"(10 - 2) * 3", "24"},
      {"d + 0.005", "1234.505"},
      {"n + 1", "<null>"},
  });
}

TEST_F(Dialect, CastAndConvertStyles) {
  Fixture f(entorno.servidor());
  f.s.Ok("SET DATEFORMAT dmy");
  Check(f.s, {
      {"CAST('2024-01-01' AS datetime)", "2024-01-01 00:00:00.000"},
      {"CAST('31/01/2024' AS datetime)", "2024-01-31 00:00:00.000"},
      {"CAST('31/02/2024' AS datetime)", nullptr, 242},
      {"CAST('soon' AS datetime)", nullptr, 241},
      {"CAST('12abc' AS int)", nullptr, 245},
      {"CAST('1.5' AS int)", nullptr, 245},
      {"CAST(' 12 ' AS int)", "12"},
      {"CAST('' AS int)", "0"},
      {"CAST(1.9 AS int)", "1"},
      {"CAST(123.456 AS dec(5,2))", "123.46"},
      {"CAST(12345.6 AS dec(5,2))", nullptr, 8115},
      {"CAST('abcdef' AS char(3))", "abc"},
      {"CAST(12 AS varchar)", "12"},
      {"CAST(d AS varchar(10))", "1234.50"},
      {"CAST(d AS varchar(5))", nullptr, 8115},
      {"CAST(123 AS char(2))", "* "},
      {"CAST(CAST(123456789 AS float) AS varchar)", "1.23457e+008"},
      {"CAST(CAST(0.5 AS float) AS varchar)", "0.5"},
      {"CAST(NULL AS int)", "<null>"},
      {"CONVERT(varchar, dt, 101)", "01/31/2024"},
      {"CONVERT(varchar, dt, 103)", "31/01/2024"},
      {"CONVERT(varchar, dt, 112)", "20240131"},
      {"CONVERT(varchar, dt, 120)", "2024-01-31 10:05:00"},
      {"CONVERT(varchar, dt, 121)", "2024-01-31 10:05:00.000"},
      {"CONVERT(varchar(8), dt, 121)", "2024-01-"},
      {"CONVERT(varchar, dt)", "Jan 31 2024 10:05AM"},
      {"CONVERT(varchar, dt, 7777)", nullptr, 281},
      {"CONVERT(datetime, '01/02/2024', 101)", "2024-01-02 00:00:00.000"},
      {"CONVERT(datetime, '01/02/2024', 103)", "2024-02-01 00:00:00.000"},
      {"CONVERT(datetime, '20240131', 112)", "2024-01-31 00:00:00.000"},
      {"CONVERT(int, '42')", "42"},
      // datetime keeps 1/300 s.
      {"CAST('2024-01-31 10:00:00.001' AS datetime)", "2024-01-31 10:00:00.000"},
      {"CAST('2024-01-31 10:00:00.002' AS datetime)", "2024-01-31 10:00:00.003"},
      {"CAST('2024-01-31 10:00:00.005' AS datetime)", "2024-01-31 10:00:00.007"},
      {"CAST('2024-12-31 23:59:59.999' AS datetime)", "2025-01-01 00:00:00.000"},
      {"DATEADD(ms, 2, '2024-01-31')", "2024-01-31 00:00:00.003"},
  });
}

TEST_F(Dialect, LikeFollowsTheCollation) {
  Fixture f(entorno.servidor());
  Check(f.s, {
      {"CASE WHEN '\xc1lvaro' LIKE '\xe1%' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'alvaro' LIKE '\xe1%' THEN 1 ELSE 0 END", "0"},
      {"CASE WHEN 'ab' LIKE 'A_' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'b_c' LIKE 'b[_]c' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'bxc' LIKE 'b[_]c' THEN 1 ELSE 0 END", "0"},
      {"CASE WHEN '\xc1' LIKE '[a-b]' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'c' LIKE '[^a-b]' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'a%b' LIKE 'a!%b' ESCAPE '!' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'axb' LIKE 'a!%b' ESCAPE '!' THEN 1 ELSE 0 END", "0"},
      {"CASE WHEN n LIKE '%' THEN 1 ELSE 0 END", "0"},
  });
}

TEST_F(Dialect, FunctionsOnNullAndBlanks) {
  Fixture f(entorno.servidor());
  Check(f.s, {
      {"LEN('abc  ')", "3"},
      {"LEN('  a')", "3"},
      {"LEN('')", "0"},
      {"LEN(n)", "<null>"},
      {"LEN(ch)", "2"},
      {"LEFT('abcdef', 2)", "ab"},
      {"RIGHT('abcdef', 2)", "ef"},
      {"LEFT('ab', 5)", "ab"},
      {"LEFT('ab', -1)", nullptr, 536},
      {"LEFT(n, 1)", "<null>"},
      {"SUBSTRING('abcdef', 2, 3)", "bcd"},
      {"SUBSTRING('abcdef', 0, 3)", "ab"},
      {"SUBSTRING('abc', 5, 2)", ""},
      {"SUBSTRING('abc', 1, -1)", nullptr, 537},
      {"CHARINDEX('b', 'abcb')", "2"},
      {"CHARINDEX('B', 'abcb', 3)", "4"},
      {"CHARINDEX('z', 'abc')", "0"},
      {"CHARINDEX(NULL, 'abc')", "<null>"},
      {"LTRIM('  a ')", "a "},
      {"RTRIM(' a  ')", " a"},
      {"UPPER('\xe0" "bc')", "\xc0" "BC"},
      {"LOWER('\xc0" "B')", "\xe0" "b"},
      {"REPLACE('aBcb', 'b', 'x')", "axcx"},
      {"REPLACE(NULL, 'b', 'x')", "<null>"},
      {"ROUND(123.456, 2)", "123.460"},
      {"ROUND(123.456, -1)", "120.000"},
      {"ROUND(125, -1)", "130"},
      {"ROUND(-2.5, 0)", "-3.0"},
      {"ROUND(123.456, 1, 1)", "123.400"},
      {"ABS(-5)", "5"},
      {"CEILING(1.2)", "2"},
      {"FLOOR(-1.2)", "-2"},
      {"STR(123.45, 6, 1)", " 123.5"},
      {"STR(123.45)", "       123"},
      {"STR(12345678901)", "**********"},
      {"STR()", nullptr, 174},
      {"DATEADD(day, 1)", nullptr, 174},
      {"ISNULL(n, 5)", "5"},
      {"ISNULL(i, 5)", "7"},
      {"COALESCE(n, NULL, 3)", "3"},
      {"DATEADD(day, 1, '2024-01-31')", "2024-02-01 00:00:00.000"},
      {"DATEADD(month, 1, '2024-01-31')", "2024-02-29 00:00:00.000"},
      {"DATEADD(yy, -1, '2024-02-29')", "2023-02-28 00:00:00.000"},
      {"DATEADD(mi, 90, dt)", "2024-01-31 11:35:00.000"},
      {"DATEADD(day, n, dt)", "<null>"},
      {"DATEADD(fortnight, 1, dt)", nullptr, 155},
      {"DATEDIFF(day, '2024-01-01', '2024-03-01')", "60"},
      {"DATEDIFF(month, '2024-01-31', '2024-02-01')", "1"},
      {"DATEDIFF(year, '2023-12-31', '2024-01-01')", "1"},
      {"DATEDIFF(week, '2024-01-06', '2024-01-07')", "1"},
      {"DATEDIFF(hour, dt, '2024-02-01')", "14"},
      {"DATEPART(weekday, '2024-01-07')", "1"},
      {"DATEPART(dayofyear, '2024-12-31')", "366"},
      {"DATEPART(week, '2024-01-07')", "2"},
      {"DATEPART(quarter, dt)", "1"},
      {"YEAR(dt)", "2024"},
      {"MONTH('2024-05-06')", "5"},
      {"DAY(dt)", "31"},
      {"YEAR(n)", "<null>"},
      {"LEN(NEWID())", "36"},
      {"CASE WHEN NEWID() LIKE '________-____-4___-____-____________' THEN 1 ELSE 0 END", "1"},
  });
}

// Computed columns are described by SQL Server's type rules, not by their first value.
TEST_F(Dialect, ResultTypesComeFromTheExpression) {
  Fixture f(entorno.servidor());
  f.s.Ok("INSERT INTO one (i, d) VALUES (NULL, 291257.90)");
  f.s.Ok("INSERT INTO one (i, d) VALUES (NULL, -1234.30)");
  struct Described {
    const char* query;
    SQLSMALLINT type;
    SQLULEN size;
    SQLSMALLINT scale;
    const char* first;  // the first row's value
  } cases[] = {
      {"SELECT i + 1 FROM one ORDER BY i", SQL_INTEGER, 10, 0, "<null>"},
      {"SELECT i + 1 FROM one WHERE 1 = 0", SQL_INTEGER, 10, 0, nullptr},
      {"SELECT SUM(d) FROM one", SQL_DECIMAL, 38, 2, "291258.10"},
      {"SELECT d * 2 FROM one WHERE i = 7", SQL_DECIMAL, 14, 2, "2469.00"},
      {"SELECT s + 'cd' FROM one ORDER BY i", SQL_VARCHAR, 12, 0, "<null>"},
      {"SELECT GETDATE() FROM one WHERE 1 = 0", SQL_TYPE_TIMESTAMP, 23, 3, nullptr},
      {"SELECT LEN(s) AS n FROM one WHERE 1 = 0", SQL_INTEGER, 10, 0, nullptr},
      {"SELECT CAST(n AS dec(9,3)) FROM one", SQL_DECIMAL, 9, 3, "<null>"},
      {"SELECT CASE WHEN i IS NULL THEN NULL ELSE d END FROM one ORDER BY i", SQL_DECIMAL, 12, 2,
       "<null>"},
      {"SELECT CASE WHEN i > 0 THEN 'ab' ELSE s END FROM one WHERE 1 = 0", SQL_VARCHAR, 10, 0,
       nullptr},
      {"SELECT NULLIF(i, 7) / 2 FROM one ORDER BY i DESC", SQL_INTEGER, 10, 0, "<null>"},
  };
  for (const Described& c : cases) {
    ASSERT_EQ(f.s.Exec(c.query), SQL_SUCCESS) << c.query;
    auto [type, size, scale, nullable] = Describe(f.s.stmt->h, 1);
    EXPECT_EQ(std::tie(type, size, scale), std::tie(c.type, c.size, c.scale)) << c.query;
    Rows rows = f.s.stmt->Rows();  // the first value, "-" for no row
    EXPECT_EQ(rows.empty() ? "-" : rows[0][0], c.first ? c.first : "-") << c.query;
  }
}

// Statements and what follows them: IDENTITY values, @@IDENTITY, SCOPE_IDENTITY(), @@ROWCOUNT,
// and integer literals beyond their column's range.
TEST_F(Dialect, IdentityRowCountAndRanges) {
  Fixture f(entorno.servidor());
  Session& s = f.s;
  s.Ok("CREATE TABLE idt (id int IDENTITY(10, 5) NOT NULL, v varchar(5))");
  Consultas(s, {
      {"SELECT @@IDENTITY, SCOPE_IDENTITY()", {{"<null>", "<null>"}}},
      {"INSERT INTO idt (v) VALUES ('a')", {}},
      {"INSERT INTO idt VALUES ('b'), ('c')", {}},
      {"SELECT @@IDENTITY, SCOPE_IDENTITY(), @@ROWCOUNT", {{"20", "20", "2"}}},
      {"INSERT INTO idt (v) SELECT s FROM one", {}},
      {"SELECT MAX(id), COUNT(*) FROM idt", {{"25", "4"}}},
      {"INSERT INTO idt (id, v) VALUES (1, 'x')", {}, 544},
      {"INSERT INTO one (big) VALUES (-9223372036854775809)", {}, 8115},
      {"INSERT INTO one (big) VALUES (-9223372036854775808)", {}},
  });
  EXPECT_EQ(s.stmt->Query("SELECT MIN(big) FROM one"), (Rows{{"-9223372036854775808"}}));
}

// sp_rename of a view, and arguments given by name.
TEST_F(Dialect, RenameViewsAndNamedArguments) {
  Fixture f(entorno.servidor());
  Session& s = f.s;
  s.Ok("CREATE VIEW vv AS SELECT i, s FROM one WHERE i = 7");
  EXPECT_EQ(s.Exec("EXEC sp_rename 'vv', 'ww'"), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.diag().native, 15477);
  EXPECT_EQ(s.stmt->Query("SELECT i, s FROM ww"), (Rows{{"7", "ab"}}));
  EXPECT_EQ(s.Exec("EXEC sp_rename @objname = 'one.s', @newname = 'texto', @objtype = 'COLUMN'"),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.stmt->Query("SELECT texto FROM ww"), (Rows{{"ab"}}));
  Consultas(s, {{"SELECT * FROM vv", {}, 208},
                {"EXEC sp_rename @objname = 'ww', @nombre = 'x'", {}, 8145},
                {"EXEC sp_rename @objname = 'ww', 'x'", {}, 119},
                {"EXEC sp_rename @newname = 'x'", {}, 201},
                {"EXEC sp_rename 'ww', 'one'", {}, 15335}});
}

// INSERT, UPDATE and DELETE through a simple view write its table, checked by the table's
// types; a view with aggregates refuses them.
TEST_F(Dialect, SimpleViewsTakeWrites) {
  Fixture f(entorno.servidor());
  Session& s = f.s;
  s.Ok("CREATE VIEW vv AS SELECT i AS num, s FROM one WHERE i IS NOT NULL");
  s.Ok("CREATE VIEW agg AS SELECT COUNT(*) AS n FROM one");
  for (const char* sql : {"INSERT INTO vv (num, s) VALUES (5, 'new')",
                          "UPDATE vv SET s = 'upd' WHERE num = 5", "DELETE FROM vv WHERE num = 7"}) {
    EXPECT_EQ(s.Exec(sql), SQL_SUCCESS) << sql;
    SQLLEN count = -1;
    SQLRowCount(s.stmt->h, &count);
    EXPECT_EQ(count, 1) << sql;  // the one row changed
  }
  // Views and sub-selects fail with SQL Server's numbers.
  Consultas(s, {{"INSERT INTO vv VALUES (6, 'much too long')", {}, 8152},
                {"UPDATE agg SET n = 1", {}, 4403},
                {"CREATE VIEW vv AS SELECT i FROM one", {}, 2714},
                {"DROP VIEW nada", {}, 3701},
                {"CREATE VIEW v2 AS SELECT x FROM nada", {}, 208},
                {"SELECT (SELECT i, s FROM one) FROM one", {}, 116},
                {"SELECT * FROM v2", {}, 208}});  // the failed view was not kept
  EXPECT_EQ(s.stmt->Query("SELECT i, s FROM one"), (Rows{{"5", "upd"}}));
}

}  // namespace
