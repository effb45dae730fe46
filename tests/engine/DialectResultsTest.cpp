// Results SQL Server documents: exact decimal quotients and comparisons with its precision and
// scale rules, decimals of 38 digits stored, ordered and summed exactly, the one-row check of sub-selects of every shape (512), and @@ROWCOUNT after
// queries and after the statements that reset it.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class DialectResults : public ConServidor {};

TEST_F(DialectResults, DecimalQuotientsAndComparisonsAreExact) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE d (k int, a decimal(10,1), b decimal(10,1), m dec(12,2), "
       "w decimal(38,20))");
  s.Ok("INSERT INTO d VALUES (1, 0.1, 0.2, 10.00, 1), (2, 0.3, 0.1, 20.01, 2), "
       "(3, 0.2, 0.1, 30.00, 3)");
  Consultas(s, {
      {"SELECT CAST(1 AS decimal(38,10)) / 3", {{"0.3333333333"}}},
      {"SELECT 10.0 / 3, 2.0 / 3, -2.0 / 3", {{"3.333333", "0.666667", "-0.666667"}}},
      {"SELECT 10.5 % 3, -7.25 % 2, CAST('12345678901234567890.5' AS decimal(38,1)) % 7",
       {{"1.5", "-1.25", "1.5"}}},
      {"SELECT CAST(1 AS decimal(38,20)) / 3", {{"0.33333333333333333333"}}},
      {"SELECT CAST(10 AS decimal(38,0)) / 4", {{"2.500000"}}},
      // 0.5 is decimal(1,1): its leading zero is no digit.
      {"SELECT CAST(1 AS decimal(10,4)) / 0.5, CAST(10 AS decimal(5,2)) / CAST(3 AS decimal(5,2))",
       {{"2.000000", "3.33333333"}}},
      // The two products of SQL Server's page on precision and scale.
      {"SELECT CAST(0.0000009000 AS decimal(30,20)) * CAST(1.0000000000 AS decimal(30,20))",
       {{"0.00000090000000000"}}},
      {"SELECT CAST(0.0000009000 AS decimal(30,10)) * CAST(1.0000000000 AS decimal(30,10))",
       {{"0.000001"}}},
      {"SELECT CAST(1 AS decimal(38,10)) + CAST(1 AS decimal(38,10))", {{"2.0000000000"}}},
      {"SELECT SUM(m) / COUNT(*) FROM d", {{"20.003333"}}},
      // Results of decimal expressions add up as decimals (sum(x, 1)).
      {"SELECT SUM(w / 3 + 0.1), AVG(m / 7), SUM(DISTINCT a) FROM d",
       {{"2.30000000000000000000", "2.857619", "0.6"}}},
      {"SELECT SUM(m) OVER (), AVG(a) OVER () FROM d WHERE k = 1", {{"10.00", "0.100000"}}},
      {"SELECT k FROM d WHERE a + b = 0.3 ORDER BY k", {{"1"}, {"3"}}},
      {"SELECT k FROM d WHERE a * b >= 0.03 ORDER BY k", {{"2"}}},
      {"SELECT k FROM d WHERE w / 3 = 0.33333333333333333333", {{"1"}}},
      {"SELECT k FROM d WHERE w / 3 > 0.6666666666666666666 ORDER BY k", {{"2"}, {"3"}}},
      // Rounded to the product's 18 decimals: 1, as SQL Server's rules make it.
      {"SELECT CAST(1 AS decimal(38,20)) / 3 * 3, "
       "CASE WHEN CAST(1 AS decimal(38,20)) / 3 * 3 < 1 THEN 'y' ELSE 'n' END",
       {{"1.000000000000000000", "n"}}},
      {"SELECT k FROM d WHERE m / 2 <> 5 ORDER BY k", {{"2"}, {"3"}}},
      {"SELECT k FROM d WHERE w / 3 BETWEEN 0.33333333333333333333 AND 1 ORDER BY k",
       {{"1"}, {"2"}, {"3"}}},
      {"SELECT k FROM d WHERE w / 3 NOT BETWEEN 0.33333333333333333334 AND NULL", {{"1"}}},
      {"SELECT k FROM d WHERE w / 3 IN (1, 0.66666666666666666667) ORDER BY k", {{"2"}, {"3"}}},
      {"SELECT k FROM d WHERE w / 3 NOT IN (1, NULL)", {}},
      {"SELECT CAST('99999999999999999999999999999999999999' AS decimal(38,0)) * 10", {}, 8115},
      {"SELECT m / 0.0 FROM d", {}, 8134},
  });
  s.Ok("UPDATE d SET m = m / 3 WHERE k = 1");
  s.Ok("CREATE TABLE w (k int, v dec(38,2))");
  s.Ok("INSERT INTO w VALUES (1, 12345678901234567.89), (2, -5), "
       "(3, 99999999999999999999999999999999999.99), (4, 0.015)");
  const char* kMax = "99999999999999999999999999999999999.99";
  Consultas(s, {
      {"SELECT m FROM d WHERE k = 1", {{"3.33"}}},
      {"SELECT v FROM w ORDER BY v", {{"-5.00"}, {"0.02"}, {"12345678901234567.89"}, {kMax}}},
      {"SELECT k FROM w WHERE v = 12345678901234567.89", {{"1"}}},
      {"SELECT k FROM w WHERE v IN (-5, 0.02) ORDER BY k", {{"2"}, {"4"}}},
      {"SELECT k FROM w WHERE v BETWEEN 0 AND 12345678901234567.89 ORDER BY k", {{"1"}, {"4"}}},
      {"SELECT SUM(v) FROM w WHERE k < 3", {{"12345678901234562.89"}}},
      {"SELECT SUM(v) FROM w", {{"100000000000000000012345678901234562.90"}}},
      {"SELECT AVG(k), AVG(v) FROM w WHERE k < 3", {{"1", "6172839450617281.445000"}}},
      {"SELECT v + 0.01, v * 2 FROM w WHERE k = 1", {{"12345678901234567.90", "24691357802469135.78"}}},
      {"SELECT MAX(v), MIN(v) FROM w", {{kMax, "-5.00"}}},
      {"INSERT INTO w VALUES (5, 1234567890123456789012345678901234567.8)", {}, 8115},
  });
}

// A sub-select used as a value gives one row at most (512), whatever its shape; one that
// cannot give more never fails.
TEST_F(DialectResults, SubSelectsOfEveryShapeGiveOneRow) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE c (id int, g int, name varchar(10))");
  s.Ok("INSERT INTO c VALUES (1, 1, 'uno'), (2, 1, 'dos'), (3, 2, 'tres')");
  Consultas(s, {
      {"SELECT (SELECT TOP 1 name FROM c ORDER BY id DESC)", {{"tres"}}},
      {"SELECT (SELECT MAX(id) FROM c), (SELECT COUNT(*) FROM c WHERE g = 1)", {{"3", "2"}}},
      {"SELECT (SELECT DISTINCT g FROM c WHERE id < 3)", {{"1"}}},
      {"SELECT (SELECT g FROM c WHERE id = 1 UNION SELECT 1)", {{"1"}}},
      {"SELECT (SELECT COUNT(*) FROM c GROUP BY g HAVING g = 2)", {{"1"}}},
      {"SELECT id, (SELECT MAX(b.id) AS hi FROM c b WHERE b.g = c.g GROUP BY b.g) FROM c "
       "ORDER BY id", {{"1", "2"}, {"2", "2"}, {"3", "3"}}},
      {"SELECT (SELECT TOP 2 name FROM c WHERE id = 3)", {{"tres"}}},
      {"SELECT (SELECT name FROM c WHERE id = 9)", {{"<null>"}}},
      {"SELECT name FROM c WHERE id = (SELECT id FROM c WHERE name = 'uno')", {{"uno"}}},
      // IN, EXISTS and FROM take any number of rows.
      {"SELECT COUNT(*) FROM c WHERE id IN (SELECT id FROM c)", {{"3"}}},
      {"SELECT COUNT(*) FROM c WHERE EXISTS (SELECT id FROM c)", {{"3"}}},
      {"SELECT COUNT(*) FROM (SELECT id FROM c) x", {{"3"}}},
      {"SELECT name FROM c WHERE id = (SELECT id FROM c)", {}, 512},
      // Correlated: the third row gives one, the second two.
      {"SELECT id, (SELECT name FROM c b WHERE b.g = c.g) FROM c ORDER BY id DESC", {}, 512},
      {"SELECT (SELECT COUNT(*) FROM c GROUP BY g)", {}, 512},
      {"SELECT (SELECT DISTINCT g FROM c)", {}, 512},
      {"SELECT (SELECT TOP 2 name FROM c)", {}, 512},
      {"SELECT (SELECT 1 UNION SELECT 2)", {}, 512},
      {"SELECT name FROM c WHERE id = (SELECT MAX(id) FROM c GROUP BY g)", {}, 512},
  });
  s.Ok("INSERT INTO c SELECT TOP 1 id + 10, g, name FROM c ORDER BY id DESC");
  EXPECT_EQ(s.stmt->Query("SELECT MAX(id), COUNT(*) FROM c"), (Rows{{"13", "4"}}));
}

// Every row of each result of a batch, walked with SQLMoreResults.
std::vector<Rows> Results(Session& s, const std::string& sql) {
  std::vector<Rows> out;
  EXPECT_TRUE(SQL_SUCCEEDED(s.Exec(sql))) << sql << ": " << s.diag().message;
  do {
    Rows rows;
    SQLSMALLINT n = 0;
    SQLNumResultCols(s.stmt->h, &n);
    while (n > 0 && SQL_SUCCEEDED(SQLFetch(s.stmt->h))) {
      char buf[64];
      SQLLEN ind;
      SQLGetData(s.stmt->h, 1, SQL_C_CHAR, buf, sizeof buf, &ind);
      rows.push_back({buf});
    }
    out.push_back(rows);
  } while (SQL_SUCCEEDED(SQLMoreResults(s.stmt->h)));
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  return out;
}

// @@ROWCOUNT after a query is the number of rows it returned; USE, SET, BEGIN and COMMIT
// TRANSACTION set it to 0.
TEST_F(DialectResults, RowCountFollowsQueries) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE r (id int)");
  s.Ok("INSERT INTO r VALUES (1), (2), (3), (4)");
  struct Step {
    const char* sql;
    std::vector<Rows> results;
  } steps[] = {
      {"SELECT id FROM r WHERE id < 4; SELECT @@ROWCOUNT", {{{"1"}, {"2"}, {"3"}}, {{"3"}}}},
      {"SELECT @@ROWCOUNT", {{{"1"}}}},
      {"SELECT id FROM r", {{{"1"}, {"2"}, {"3"}, {"4"}}}},
      {"SELECT @@ROWCOUNT", {{{"4"}}}},
      {"SELECT id FROM r WHERE id > 9; SELECT @@ROWCOUNT", {{}, {{"0"}}}},
      {"SELECT 'x'; SET DATEFORMAT dmy; SELECT @@ROWCOUNT", {{{"x"}}, {{"0"}}}},
      {"UPDATE r SET id = id WHERE id > 1; USE master; SELECT @@ROWCOUNT", {{{"0"}}}},
      {"UPDATE r SET id = id; SELECT @@ROWCOUNT", {{{"4"}}}},
  };
  for (const Step& st : steps) EXPECT_EQ(Results(s, st.sql), st.results) << st.sql;
  // A result left unread counts all its rows once the application moves past it.
  ASSERT_TRUE(SQL_SUCCEEDED(s.Exec("SELECT id FROM r; SELECT @@ROWCOUNT")));
  ASSERT_TRUE(SQL_SUCCEEDED(SQLMoreResults(s.stmt->h)));
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"4"}}));
}

}  // namespace
