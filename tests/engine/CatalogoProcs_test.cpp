// The catalogue procedures: sp_tables, sp_helpindex, sp_rename, sp_columns, sp_databases. The
// restructuring's sequence of renames (TEMP_ table, then its indexes) runs in the export tests.
#include "Entorno.h"
#include "Odbc.h"

namespace {

const char* const kCaution =
    "Caution: Changing any part of an object name could break scripts and stored procedures.";

class Procedures : public ConServidor {
 protected:
  // Database datos: CLI with the library's two keys, another table and a view.
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE datos");
    setup.Ok("USE datos; "
             "CREATE TABLE CLI (C1 varchar(10) NOT NULL, C2 int NULL, C3 dec(12,2) NULL); "
             "CREATE UNIQUE INDEX CLI_indent ON CLI (C1); "
             "CREATE INDEX CLI_indent2 ON CLI (C3 DESC, C2); CREATE TABLE art (x int); "
             "CREATE VIEW vista AS SELECT C1 FROM CLI");
  }
  static Rows HelpIndex(Session& s, const std::string& table) {
    return s.stmt->Query("sp_helpindex " + table);
  }
};

TEST_F(Procedures, SpTablesListsByTypeThenName) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  ASSERT_EQ(s.Exec("sp_tables"), SQL_SUCCESS);
  EXPECT_EQ(ColumnNames(s.stmt->h), (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER",
                                                             "TABLE_NAME", "TABLE_TYPE",
                                                             "REMARKS"}));
  Rows all{{"datos", "dbo", "sqlite_master", "SYSTEM TABLE", "<null>"},
           {"datos", "dbo", "art", "TABLE", "<null>"},
           {"datos", "dbo", "CLI", "TABLE", "<null>"},
           {"datos", "dbo", "vista", "VIEW", "<null>"}};
  EXPECT_EQ(s.stmt->Rows(), all);
  // Every way of calling it; arguments: name pattern, owner, qualifier, types.
  for (const char* call : {"EXEC sp_tables", "execute dbo.sp_tables", "EXEC master..sp_tables",
                           "[sp_tables]", "sp_tables NULL, dbo, datos"})
    EXPECT_EQ(s.stmt->Query(call), all) << call;
  EXPECT_EQ(s.stmt->Query("sp_tables 'c%'"), (Rows{all[2]}));
  EXPECT_EQ(s.stmt->Query("sp_tables NULL, NULL, NULL, \"'TABLE','VIEW'\""),
            (Rows{all[1], all[2], all[3]}));
  EXPECT_EQ(s.stmt->Query("sp_tables '%', 'otro'"), Rows{});
  // Engine tables of master are system tables, which a drop of every TABLE leaves alone.
  Session m(entorno.servidor());
  EXPECT_EQ(m.stmt->Query("sp_tables 'sys%'"),
            (Rows{{"master", "dbo", "sys_logins", "SYSTEM TABLE", "<null>"},
                  {"master", "dbo", "sys_role_members", "SYSTEM TABLE", "<null>"}}));
  Comprueba(s, {
      {"sp_tables NULL, NULL, master", SQL_ERROR, "42000", 15250,
       "The database name component of the object qualifier must be the name of the current "
       "database."},
      {"sp_tables a, b, c, d, e", SQL_ERROR, "42000", 8144,
       "Procedure or function sp_tables has too many arguments specified."},
      {"sp_tables 'a',", SQL_ERROR, "42000", 102},
      {"sp_nada", SQL_ERROR, "42000", 2812, "Could not find stored procedure 'sp_nada'."},
  });
}

TEST_F(Procedures, SpHelpIndexAndItsEmptyAnswers) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("CREATE CLUSTERED INDEX otro ON art (x DESC)");
  Rows cli{{"CLI_indent", "nonclustered, unique located on PRIMARY", "C1"},
           {"CLI_indent2", "nonclustered located on PRIMARY", "C3(-), C2"}};
  EXPECT_EQ(HelpIndex(s, "CLI"), cli);
  EXPECT_EQ(HelpIndex(s, "'dbo.cli'"), cli);
  EXPECT_EQ(HelpIndex(s, "art"), (Rows{{"otro", "clustered located on PRIMARY", "x(-)"}}));
  Comprueba(s, {
      {"sp_helpindex vista", SQL_SUCCESS_WITH_INFO, "01000", 15472,
       "The object 'vista' does not have any indexes, or you do not have permissions."},
      {"sp_helpindex nada", SQL_ERROR, "42000", 15009,
       "The object 'nada' does not exist in database 'datos' or is invalid for this operation."},
      {"sp_helpindex", SQL_ERROR, "42000", 201,
       "Procedure or function 'sp_helpindex' expects parameter '@objname', which was not "
       "supplied."},
  });
  // No result set: a fetch finds an invalid cursor state, as the library expects.
  s.Ok("DROP INDEX art.otro");
  EXPECT_EQ(s.Exec("sp_helpindex art"), SQL_SUCCESS_WITH_INFO);
  SQLSMALLINT cols = -1;
  SQLNumResultCols(s.stmt->h, &cols);
  EXPECT_EQ(cols, 0);
  EXPECT_EQ(SQLFetch(s.stmt->h), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "24000");
}

TEST_F(Procedures, SpRenameStatesAndMessages) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  const std::string inUse = "Error: The new name '";
  Comprueba(s, {
      {"sp_rename 'CLI.CLI_indent2','CLI_x','INDEX'", SQL_SUCCESS_WITH_INFO, "01000", 15477,
       kCaution},
      {"sp_rename 'CLI.nada','x','INDEX'", SQL_ERROR, "42000", 15248,
       "Either the parameter @objname is ambiguous or the claimed @objtype (INDEX) is wrong."},
      {"sp_rename 'CLI.CLI_x','cli_INDENT','INDEX'", SQL_ERROR, "42000", 15335,
       inUse + "cli_INDENT' is already in use as a INDEX name and would cause a duplicate that "
               "is not permitted."},
      {"sp_rename 'nada','x'", SQL_ERROR, "42000", 15248,
       "Either the parameter @objname is ambiguous or the claimed @objtype (OBJECT) is wrong."},
      {"sp_rename 'vista','VISTA'", SQL_SUCCESS_WITH_INFO, "01000", 15477},  // views too
      {"sp_rename 'sqlite_master','x'", SQL_ERROR, "42000", 15248},
      {"sp_rename 'art','CLI'", SQL_ERROR, "42000", 15335,
       inUse + "CLI' is already in use as a OBJECT name and would cause a duplicate that is not "
               "permitted."},
      {"sp_rename 'art','VISTA','OBJECT'", SQL_ERROR, "42000", 15335},
      {"sp_rename 'CLI.C2','c1','COLUMN'", SQL_ERROR, "42000", 15335,
       inUse + "c1' is already in use as a COLUMN name and would cause a duplicate that is not "
               "permitted."},
      {"sp_rename 'CLI.nada','x','COLUMN'", SQL_ERROR, "42000", 15248,
       "Either the parameter @objname is ambiguous or the claimed @objtype (COLUMN) is wrong."},
      {"sp_rename 'CLI','x','DATABASE'", SQL_ERROR, "42000", 15249,
       "Error: Explicit @objtype 'DATABASE' is unrecognized."},
      {"sp_rename 'CLI'", SQL_ERROR, "42000", 201},
      {"sp_rename 'CLI',''", SQL_ERROR, "42000", 102},
      {"EXEC sp_rename 'dbo.art','articulos'", SQL_SUCCESS_WITH_INFO, "01000", 15477},
      {"sp_rename '[articulos].[x]', y, COLUMN", SQL_SUCCESS_WITH_INFO, "01000", 15477},
      {"sp_rename 'articulos','ARTICULOS'", SQL_SUCCESS_WITH_INFO, "01000", 15477},
  });
  EXPECT_EQ(s.stmt->Query("sp_tables 'art%'"),
            (Rows{{"datos", "dbo", "ARTICULOS", "TABLE", "<null>"}}));
  EXPECT_EQ(s.stmt->Query("SELECT count(y) FROM ARTICULOS"), (Rows{{"0"}}));
}

// An index keeps its columns, order and uniqueness under its new name; a table keeps its
// indexes; a column rename shows in the keys.
TEST_F(Procedures, RenamesKeepIndexes) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("INSERT INTO CLI VALUES ('a', 1, 10)");
  s.Ok("sp_rename 'CLI.CLI_indent','CLI_k','INDEX'");
  s.Ok("sp_rename 'CLI', 'CLIENTES'");
  s.Ok("sp_rename 'CLIENTES.C2', 'D2', 'COLUMN'");
  EXPECT_EQ(HelpIndex(s, "CLIENTES"),
            (Rows{{"CLI_indent2", "nonclustered located on PRIMARY", "C3(-), D2"},
                  {"CLI_k", "nonclustered, unique located on PRIMARY", "C1"}}));
  EXPECT_EQ(s.Exec("INSERT INTO CLIENTES VALUES ('a', 2, 20)"), SQL_ERROR);
  EXPECT_EQ(s.diag().native, 2601);
  // The hint finds the renamed index under its table's new name.
  s.Ok("INSERT INTO CLIENTES VALUES ('b', 2, 50)");
  EXPECT_EQ(s.stmt->Query("SELECT C1 FROM CLIENTES WITH(INDEX(CLI_indent2)) WHERE C3 > 0"),
            (Rows{{"b"}, {"a"}}));
  EXPECT_EQ(s.stmt->Query("SELECT C1 FROM CLIENTES WITH(INDEX(CLI_k)) WHERE C1 > ''"),
            (Rows{{"a"}, {"b"}}));
  s.Ok("DROP INDEX CLIENTES.CLI_k");
  EXPECT_EQ(HelpIndex(s, "CLIENTES").size(), 1u);
}

TEST_F(Procedures, RenameInsideATransactionRollsBack) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Autocommit(s, false);
  s.Ok("sp_rename 'CLI','OTRA'");
  EXPECT_EQ(HelpIndex(s, "OTRA").size(), 2u);
  EXPECT_EQ(EndTran(s, false), SQL_SUCCESS);
  Autocommit(s, true);
  EXPECT_EQ(HelpIndex(s, "CLI")[0][0], "CLI_indent");
  EXPECT_EQ(s.Exec("sp_helpindex OTRA"), SQL_ERROR);
}

TEST_F(Procedures, SpColumnsAndSpDatabases) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("CREATE TABLE f (C1 char(8) NOT NULL, C2 datetime NULL, C3 dec(12,2) DEFAULT 0)");
  ASSERT_EQ(s.Exec("sp_columns f"), SQL_SUCCESS);
  SQLSMALLINT cols = 0;
  SQLNumResultCols(s.stmt->h, &cols);
  EXPECT_EQ(cols, 19);
  // TABLE_NAME, COLUMN_NAME, DATA_TYPE (ODBC 2 codes), TYPE_NAME, PRECISION, LENGTH, SCALE,
  // NULLABLE, COLUMN_DEF, ORDINAL_POSITION, IS_NULLABLE.
  EXPECT_EQ(Pick(s.stmt->Rows(), {2, 3, 4, 5, 6, 7, 8, 10, 12, 16, 17}),
            (Rows{{"f", "C1", "1", "char", "8", "8", "<null>", "0", "<null>", "1", "NO"},
                  {"f", "C2", "11", "datetime", "23", "16", "3", "1", "<null>", "2", "YES"},
                  {"f", "C3", "3", "decimal", "12", "14", "2", "1", "0", "3", "YES"}}));
  EXPECT_EQ(s.stmt->Query("sp_columns 'f', NULL, NULL, 'C_'").size(), 3u);
  EXPECT_EQ(s.stmt->Query("sp_columns nada"), Rows{});
  s.Ok("CREATE DATABASE Otra");
  Rows dbs = s.stmt->Query("sp_databases");
  ASSERT_EQ(dbs.size(), 3u);
  EXPECT_EQ(dbs[0][0], "datos");
  EXPECT_EQ(dbs[1][0], "master");
  EXPECT_EQ(dbs[2][0], "otra");
  EXPECT_GT(std::stol(dbs[1][1]), 0);
  EXPECT_EQ(dbs[1][2], "<null>");
}

}  // namespace
