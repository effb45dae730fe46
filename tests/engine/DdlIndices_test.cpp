// Index statements, table hints, COMPUTE/FOR BROWSE, DROP TABLE and SELECT ... INTO.
#include <random>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Ddl : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE datos");
  }
  // T: C1 ascending in T_indent, C3 descending in T_indent2; the two orders differ.
  static void Tabla(Session& s) {
    s.Ok("CREATE TABLE T (C1 varchar(10) NOT NULL, C2 int NULL, C3 dec(12,2) NULL)");
    s.Ok("CREATE UNIQUE CLUSTERED INDEX T_indent ON T (C1)");
    s.Ok("CREATE INDEX T_indent2 ON T (C3 DESC, C2)");
    s.Ok("INSERT INTO T VALUES ('b', 2, 30); INSERT INTO T VALUES ('a', 1, 10); "
         "INSERT INTO T VALUES ('c', 3, 20)");
  }
};

TEST_F(Ddl, IndexStatementsAndTheirErrors) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("CREATE TABLE T (C1 char(10) NOT NULL, C2 int NULL)");
  s.Ok("CREATE TABLE U (C1 char(10) NOT NULL)");
  Comprueba(s, {
      {"CREATE UNIQUE CLUSTERED INDEX T_indent ON T (C1)", SQL_SUCCESS},
      {"create index t_INDENT on T (C2)", SQL_ERROR, "42S11", 1913,
       "The operation failed because an index or statistics with name 't_INDENT' already exists "
       "on table 'T'."},
      // Index names belong to their table: U may have one of the same name.
      {"CREATE INDEX T_indent ON U (C1)", SQL_SUCCESS},
      {"CREATE NONCLUSTERED INDEX [i 2] ON dbo.T (C2 DESC, C1 ASC) WITH FILLFACTOR = 80 ON "
       "[PRIMARY]",
       SQL_SUCCESS, ""},
      {"CREATE UNIQUE NONCLUSTERED INDEX i3 ON T (C2) INCLUDE (C1)", SQL_SUCCESS},
      {"CREATE INDEX i ON nada (C1)", SQL_ERROR, "42S02", 208, "Invalid object name 'nada'."},
      {"CREATE INDEX i ON T (C1, c1)", SQL_ERROR, "42000", 1909,
       "Cannot use duplicate column names in index. Column name 'c1' listed more than once."},
      {"CREATE INDEX i ON T (nocol)", SQL_ERROR, "42S22", 207, "Invalid column name 'nocol'."},
      {"CREATE INDEX ON T (C1)", SQL_ERROR, "42000", 102},
      {"CREATE INDEX i ON T ()", SQL_ERROR, "42000", 102},
      {"CREATE INDEX i ON T (C1) WHERE C1 > 'a'", SQL_ERROR, "42000", 102},
      {"DROP INDEX T.[i 2]", SQL_SUCCESS},
      {"DROP INDEX T.[i 2]", SQL_ERROR, "42S12", 3703,
       "Cannot drop the index 'T.i 2', because it does not exist or you do not have permission."},
      {"DROP INDEX i3 ON dbo.T", SQL_SUCCESS},
      {"DROP INDEX dbo.U.T_indent", SQL_SUCCESS},
      // T's index of that name is still there.
      {"CREATE INDEX T_indent ON T (C2)", SQL_ERROR, "42S11", 1913},
      {"DROP INDEX T", SQL_ERROR, "42000", 102},
      // Index names have no '.': index c of table [a.b] is never index b.c of table a.
      {"CREATE TABLE [a.b] (c int); CREATE INDEX c ON [a.b] (c); CREATE TABLE a (x int)",
       SQL_SUCCESS},
      {"CREATE INDEX [b.c] ON a (x)", SQL_ERROR, "42000", 102},
      {"DROP INDEX a.[b.c]", SQL_ERROR, "42000", 102},
      {"SELECT * FROM a WITH (INDEX([b.c]))", SQL_ERROR, "42000", 102},
      {"CREATE INDEX c ON [a.b] (c)", SQL_ERROR, "42S11", 1913},
      {"DROP INDEX [a.b].c", SQL_SUCCESS},
      {"drop table T", SQL_SUCCESS},
      {"select * from T", SQL_ERROR, "42S02", 208, "Invalid object name 'T'."},
      // Its indexes went with it.
      {"CREATE TABLE T (C1 int); CREATE INDEX T_indent ON T (C1)", SQL_SUCCESS},
  });
}

TEST_F(Ddl, TableHintsAndRefusedClauses) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Tabla(s);
  Comprueba(s, {
      // The library's forms, two blanks before WHERE included.
      {"SELECT * FROM T WITH(INDEX(T_indent),TABLOCKX)  WHERE C1>'a' ORDER BY C1", SQL_SUCCESS},
      {"SELECT * FROM T WITH(TABLOCKX)  WHERE C1='a'", SQL_SUCCESS},
      {"SELECT * FROM T WITH(INDEX(T_indent2))  WHERE ( C1>'a' OR C1='a' AND C2>1 )  ORDER BY "
       "C1,C2",
       SQL_SUCCESS, ""},
      {"SELECT * FROM dbo.T AS x WITH (NOLOCK, ROWLOCK) WHERE x.C1 = 'a'", SQL_SUCCESS},
      {"SELECT * FROM T x WITH (UPDLOCK HOLDLOCK)", SQL_SUCCESS},
      {"SELECT * FROM T WITH (TABLOCK, INDEX = T_indent)", SQL_SUCCESS},
      {"SELECT * FROM T WITH (INDEX(0))", SQL_SUCCESS},
      {"SELECT a.C1 FROM T a WITH (NOLOCK) JOIN T b WITH (INDEX(T_indent)) ON a.C1 = b.C1",
       SQL_SUCCESS, ""},
      {"UPDATE T WITH (ROWLOCK) SET C2 = C2 WHERE C1 = 'a'", SQL_SUCCESS},
      {"DELETE FROM T WITH (TABLOCKX) WHERE 1 = 0", SQL_SUCCESS},
      {"SELECT * FROM T WITH(INDEX(T_nada))", SQL_ERROR, "42000", 308,
       "Index 'T_nada' on table 'T' (specified in the FROM clause) does not exist."},
      {"SELECT * FROM T WITH (FASTLOCK)", SQL_ERROR, "42000", 321,
       "'FASTLOCK' is not a recognized table hints option."},
      {"SELECT * FROM T WITH (INDEX(T_indent, T_indent2))", SQL_ERROR, "HYC00", 0},
      {"SELECT * FROM T WITH (NOLOCK", SQL_ERROR, "42000", 102},
      {"SELECT C1, C2 FROM T ORDER BY C1 COMPUTE sum(C2)", SQL_ERROR, "42000", 40517,
       "Keyword or statement option 'COMPUTE' is not supported in this version of SQL Server."},
      {"SELECT * FROM T FOR BROWSE", SQL_ERROR, "42000", 40517,
       "Keyword or statement option 'FOR BROWSE' is not supported in this version of SQL "
       "Server."},
      // Only the clauses: the words in literals or names are data.
      {"SELECT 'COMPUTE', 'FOR BROWSE' FROM T", SQL_SUCCESS},
      {"SELECT [COMPUTE] FROM (SELECT C1 AS [COMPUTE] FROM T) q", SQL_SUCCESS},
  });
}

// The hint decides the index SQLite walks: the same query comes back in each index's order.
TEST_F(Ddl, IndexHintChoosesTheIndex) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Tabla(s);
  const std::string where = " WHERE C1 > '' AND C3 > 0";
  EXPECT_EQ(s.stmt->Query("SELECT C1 FROM T WITH(INDEX(T_indent))" + where),
            (Rows{{"a"}, {"b"}, {"c"}}));
  EXPECT_EQ(s.stmt->Query("SELECT C1 FROM T WITH(INDEX(T_indent2))" + where),
            (Rows{{"b"}, {"c"}, {"a"}}));
  // Table-scoped names: another table's index of the same name is not this one.
  s.Ok("CREATE TABLE U (C1 int); CREATE INDEX T_indent2 ON U (C1)");
  s.Ok("DROP INDEX T.T_indent2");
  EXPECT_EQ(s.Exec("SELECT C1 FROM T WITH(INDEX(T_indent2))" + where), SQL_ERROR);
  EXPECT_EQ(s.diag().native, 308);
}

TEST_F(Ddl, SelectIntoKeepsTypesAndNullability) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Tabla(s);
  ASSERT_EQ(s.Exec("SELECT C1, C3, C2 * 2 AS doble INTO copia FROM T WITH (NOLOCK) WHERE C2 > 1"),
            SQL_SUCCESS);
  SQLLEN count = 0;
  SQLRowCount(s.stmt->h, &count);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(s.Exec("SELECT * FROM copia ORDER BY C1"), SQL_SUCCESS);
  EXPECT_EQ(Describe(s.stmt->h, 1), Described(SQL_VARCHAR, 10, 0, SQL_NO_NULLS));
  EXPECT_EQ(Describe(s.stmt->h, 2), Described(SQL_DECIMAL, 12, 2, SQL_NULLABLE));
  EXPECT_EQ(Describe(s.stmt->h, 3), Described(SQL_INTEGER, 10, 0, SQL_NULLABLE));
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"b", "30.00", "4"}, {"c", "20.00", "6"}}));
  ASSERT_EQ(s.Exec("select count(*) from copia"), SQL_SUCCESS);
  SQLSMALLINT nameLength = -1;  // a computed column has no name
  SQLDescribeCol(s.stmt->h, 1, nullptr, 0, &nameLength, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(nameLength, 0);
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"2"}}));
  // The copy compares its texts as any table made by CREATE TABLE does: case ignored.
  EXPECT_EQ(s.stmt->Query("SELECT count(*) FROM copia WHERE C1 = 'B '"), (Rows{{"1"}}));
  // A parameter in the query; an empty result still makes the table.
  SQLINTEGER limit = 100;
  SQLLEN ind = 0;
  SQLBindParameter(s.stmt->h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &limit, 0, &ind);
  EXPECT_EQ(s.Exec("SELECT * INTO vacia FROM T WHERE C2 > ?"), SQL_SUCCESS);
  SQLFreeStmt(s.stmt->h, SQL_RESET_PARAMS);
  EXPECT_EQ(s.stmt->Query("SELECT count(*) FROM vacia"), (Rows{{"0"}}));
  Comprueba(s, {
      {"SELECT * INTO copia FROM T", SQL_ERROR, "42S01", 2714,
       "There is already an object named 'copia' in the database."},
      {"SELECT count(*) INTO cuenta FROM T", SQL_ERROR, "42000", 1038},
      {"SELECT * INTO otra FROM nada", SQL_ERROR, "42S02", 208},
  });
  // A failed SELECT INTO leaves no table behind.
  EXPECT_EQ(s.Exec("SELECT * FROM cuenta"), SQL_ERROR);
  EXPECT_EQ(s.Exec("SELECT * FROM otra"), SQL_ERROR);
}

// Valid statements with pieces dropped, repeated or swapped never crash the translator or the
// procedures, and every failure is a proper diagnostic.
TEST_F(Ddl, MutatedStatementsNeverCrash) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Tabla(s);
  static const std::vector<std::vector<std::string>> kStatements = {
      {"SELECT", "*", "FROM", "T", "WITH", "(", "INDEX", "(", "T_indent", ")", ",", "TABLOCKX",
       ")", "WHERE", "C1", ">", "'a'"},
      {"SELECT", "C1", "INTO", "x", "FROM", "dbo", ".", "T", "AS", "a", "WITH", "(", "NOLOCK",
       "ROWLOCK", ")", "WHERE", "C2", ">", "?"},
      {"CREATE", "UNIQUE", "CLUSTERED", "INDEX", "i", "ON", "T", "(", "C1", "DESC", ",", "C2",
       ")", "WITH", "FILLFACTOR", "=", "80"},
      {"DROP", "INDEX", "dbo", ".", "T", ".", "i"},
      {"DROP", "INDEX", "i", "ON", "T"},
      {"EXEC", "sp_rename", "'T.T_indent'", ",", "'T_x'", ",", "'INDEX'"},
      {"sp_rename", "'T'", ",", "'U'"},
      {"sp_rename", "'U'", ",", "'T'"},
      {"sp_helpindex", "'dbo.T'"},
      {"sp_tables", "'T%'", ",", "dbo", ",", "NULL", ",", "\"'TABLE'\""},
      {"sp_columns", "T", ",", "NULL", ",", "NULL", ",", "'C_'"},
      {"UPDATE", "T", "WITH", "(", "INDEX", "=", "T_indent2", ")", "SET", "C2", "=", "1"},
      {"SELECT", "C1", "FROM", "T", "ORDER", "BY", "C1", "COMPUTE", "count", "(", "C1", ")"}};
  static const char* const kPieces[] = {"WITH", "(", ")", ",", ".", "INDEX", "0", "'", "[",
                                        "]", "ON", "FOR", "BROWSE", "=", "NULL", "T", "AS"};
  std::mt19937 rng(20240521);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  int succeeded = 0;
  for (int i = 0; i < 4000; ++i) {
    std::vector<std::string> p = kStatements[pick(kStatements.size())];
    for (size_t m = pick(4); m > 0 && !p.empty(); --m) {
      size_t at = pick(p.size());
      switch (pick(3)) {
        case 0: p.erase(p.begin() + long(at)); break;
        case 1: p.insert(p.begin() + long(at), p[at]); break;
        default: p[at] = kPieces[pick(sizeof kPieces / sizeof kPieces[0])];
      }
    }
    std::string sql;
    for (const std::string& w : p) sql += w + " ";
    if (RunsCleanly(s, sql)) ++succeeded;
  }
  EXPECT_GT(succeeded, 100);
  EXPECT_TRUE(SQL_SUCCEEDED(s.Exec("sp_tables")));
}

}  // namespace
