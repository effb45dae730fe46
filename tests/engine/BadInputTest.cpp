// Text the engine cannot or must not run: clear states, no crash, no hang, nothing run from
// inside a literal, nothing written outside the server folder.
#include <dirent.h>

#include <random>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class BadInput : public ConServidor {};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(BadInput, UnreadableOrForbiddenTextGetsAClearState) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE t (a int)");
  Comprueba(s, {
      {"select 'abc", SQL_ERROR, "42000", 105},
      {"select N'abc", SQL_ERROR, "42000", 105},
      {"select [abc", SQL_ERROR, "42000", 105},
      {"select \"abc", SQL_ERROR, "42000", 105},
      {"select 1 /* open", SQL_ERROR, "42000", 113},
      {"select 1 /* a /* b */", SQL_ERROR, "42000", 113},
      {"select @x", SQL_ERROR, "42000", 137},
      {"select a from t where a = @@nonesuch", SQL_ERROR, "42000", 137},
      {"select 1 ` 2", SQL_ERROR, "42000", 102},
      {"select \x01", SQL_ERROR, "42000", 102},
      {"select 12abc", SQL_ERROR, "42000", 102},
      {"select []", SQL_ERROR, "42000", 1038},
      {"ATTACH DATABASE '" + entorno.raiz() + "/fuera.db' AS f", SQL_ERROR, "42000", 102},
      {"PRAGMA journal_mode=DELETE", SQL_ERROR, "42000", 102},
      {"VACUUM", SQL_ERROR, "42000", 102},
      {"select a from t; drop", SQL_ERROR, "42000", 102},
      {"create login x with password = 5", SQL_ERROR, "42000", 102},
      {"create login x", SQL_ERROR, "42000", 102},
      {"alter login sa with name = y", SQL_ERROR, "42000", 102},
      {"set lock_timeout abc", SQL_ERROR, "42000", 102},
      {"set dateformat xyz", SQL_ERROR, "42000", 2741},
      {"set nothing on", SQL_ERROR, "42000", 102},
      {"exec", SQL_ERROR, "42000", 102},
      {"exec sp_nada 1, 2", SQL_ERROR, "42000", 2812},
      {"begin", SQL_ERROR, "42000", 102},
      {"select a from t where a = ?", SQL_ERROR, "07002", -1},
      {"selec 1", SQL_ERROR, "42000", 102},
      {"commit", SQL_ERROR},
      {"select " + std::string(20000, '(') + "1" + std::string(20000, ')'), SQL_ERROR, "42000", -1},
      {"select 1" + std::string(5000, '+') + "1", SQL_ERROR, "42000", -1},
  });
  // Comments only, empty statements: nothing to do.
  EXPECT_EQ(s.Exec("  -- nothing"), SQL_SUCCESS);
  EXPECT_EQ(s.Exec(";;"), SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Query("select ''''; "), (Rows{{"'"}}));
  EXPECT_EQ(Names(entorno.raiz()), (std::vector<std::string>{"servidor", "trabajo"}));
}

TEST_F(BadInput, RandomTextNeverCrashesOrEscapes) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE t (a int, b varchar(20))");
  s.Ok("INSERT INTO t VALUES (1, 'uno')");
  static const char* const kPieces[] = {
      "select ", "insert ", "into ", "t ", "values ", "(", ")", ",", "'", "''", "[", "]",
      "\"", "--", "/*", "*/", ";", "@", "?", "N'", "drop ", "table ", "from ", "where ",
      "use ", "master ", "create ", "database ", "login ", "sa ", "with ", "password ", "= ",
      "1", "2.5", "0x1f", "top ", "into x ", "dbo.", ".", "*", " ", "\n", "exec ", "sp_",
      "set ", "dateformat ", "begin ", "commit ", "rollback ", "tran ", "attach ", "pragma ",
      "b ", "a ", "!<", "<>", "||", "{", "}", "\xf1", "\xff", "#t", "$", "alter ", "index ",
      "unique ", "on ", "delete ", "update ", "truncate "};
  std::mt19937 rng(20240307);
  std::uniform_int_distribution<size_t> piece(0, sizeof kPieces / sizeof kPieces[0] - 1);
  std::uniform_int_distribution<int> length(1, 24);
  std::uniform_int_distribution<int> byte(1, 255);
  int errors = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string sql;
    int n = length(rng);
    for (int k = 0; k < n; ++k) {
      if (k % 11 == 10)
        sql += char(byte(rng));
      else
        sql += kPieces[piece(rng)];
    }
    if (!RunsCleanly(s, sql)) ++errors;
  }
  EXPECT_GT(errors, 0);
  // Whatever ran stayed inside the server folder, and the connection still works.
  EXPECT_EQ(Names(entorno.raiz()), (std::vector<std::string>{"servidor", "trabajo"}));
  EXPECT_EQ(s.stmt->Query("select 1"), (Rows{{"1"}}));
}

}  // namespace

namespace {

// Only functions of T-SQL run: SQLite's own (fts3_tokenizer hands out library addresses) are
// unknown names here, as on SQL Server.
TEST_F(BadInput, OnlyTsqlFunctionsRun) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE t (c varchar(10), n int, f float)");
  s.Ok("INSERT INTO t VALUES ('abc', -2, 2.5)");
  std::vector<Caso> casos;
  for (const char* f :
       {"fts3_tokenizer('simple')", "fts3_tokenizer('x', 0x0000000000000000)", "sqlite_version()",
        "load_extension('libc.so.6')", "randomblob(8)", "zeroblob(10)", "hex(c)", "typeof(n)",
        "printf('%s', c)", "sqlite_compileoption_get(0)", "json('{}')", "last_insert_rowid()",
        "quote(c)", "unlikely(1)", "instr(c, 'b')", "total_changes()", "datetime('now')"}) {
    std::string name = std::string(f).substr(0, std::string(f).find('('));
    casos.push_back({std::string("SELECT ") + f + " FROM t", SQL_ERROR, "42000", 195,
                     "'" + name + "' is not a recognized built-in function name."});
  }
  casos.push_back({"SELECT c FROM t WHERE c GLOB 'a*'", SQL_ERROR, "42000", 195});
  casos.push_back({"SELECT COUNT(*), MAX(n), MIN(n), SUM(n), AVG(f), UPPER(c), LOWER(c), "
                   "LTRIM(c), RTRIM(c), ABS(n), ROUND(f, 0), COALESCE(c, 'x'), NULLIF(n, 1), "
                   "REPLACE(c, 'a', 'b'), SUBSTRING(c, 1, 2), FLOOR(f), CEILING(f), POWER(n, 2) "
                   "FROM t WHERE c LIKE 'a%' AND c NOT LIKE 'x!%' ESCAPE '!'",
                   SQL_SUCCESS});
  // SQLite's ALTER TABLE calls functions of its own on the schema: they run for it, not for
  // the user's text.
  casos.push_back({"ALTER TABLE t ADD k int NOT NULL DEFAULT 7", SQL_SUCCESS});
  casos.push_back({"ALTER TABLE t ADD m int CHECK (m > 0)", SQL_SUCCESS});
  casos.push_back({"ALTER TABLE t ADD p int CHECK (printf('%d', p) IS NULL)", SQL_ERROR, "42000",
                   195, "'printf' is not a recognized built-in function name."});
  casos.push_back({"ALTER TABLE t DROP COLUMN m", SQL_SUCCESS});
  Comprueba(s, casos);
  EXPECT_EQ(s.stmt->Query("SELECT * FROM t"), (Rows{{"abc", "-2", "2.5", "7"}}));
}

}  // namespace
