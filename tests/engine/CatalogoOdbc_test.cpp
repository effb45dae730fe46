// Catalogue functions: SQLStatistics (how the library discovers keys), SQLTables, SQLColumns,
// and scrolling through a catalogue result.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

SQLCHAR* Text(const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); }

class Catalogue : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE datos");
    setup.Ok("USE datos; CREATE TABLE T (C1 varchar(10) NOT NULL, C2 int NULL, C3 dec(12,2), "
             "C4 datetime NULL); CREATE UNIQUE INDEX T_indent ON T (C1); "
             "CREATE INDEX T_indent2 ON T (C3 DESC, C2); CREATE CLUSTERED INDEX ax ON T (C2); "
             "INSERT INTO T (C1) VALUES ('a'); INSERT INTO T (C1) VALUES ('b')");
  }
  static SQLRETURN Statistics(Session& s, const char* catalog, const char* schema,
                              const char* table, SQLUSMALLINT unique = SQL_INDEX_ALL,
                              SQLUSMALLINT accuracy = SQL_QUICK) {
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
    return SQLStatistics(s.stmt->h, Text(catalog), SQL_NTS, Text(schema), SQL_NTS, Text(table),
                         SQL_NTS, unique, accuracy);
  }
};

TEST_F(Catalogue, StatisticsRowsInOrder) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  ASSERT_EQ(Statistics(s, "datos", nullptr, "T"), SQL_SUCCESS);
  EXPECT_EQ(ColumnNames(s.stmt->h),
            (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "NON_UNIQUE",
                                      "INDEX_QUALIFIER", "INDEX_NAME", "TYPE",
                                      "ORDINAL_POSITION", "COLUMN_NAME", "ASC_OR_DESC",
                                      "CARDINALITY", "PAGES", "FILTER_CONDITION"}));
  const std::string n = "<null>";
  // The table-statistics row, then unique indexes, clustered before others, by name.
  Rows all{{"datos", "dbo", "T", n, n, n, "0", n, n, n, n, n, n},
           {"datos", "dbo", "T", "0", "T", "T_indent", "3", "1", "C1", "A", n, n, n},
           {"datos", "dbo", "T", "1", "T", "ax", "1", "1", "C2", "A", n, n, n},
           {"datos", "dbo", "T", "1", "T", "T_indent2", "3", "1", "C3", "D", n, n, n},
           {"datos", "dbo", "T", "1", "T", "T_indent2", "3", "2", "C2", "A", n, n, n}};
  EXPECT_EQ(s.stmt->Rows(), all);
  ASSERT_EQ(Statistics(s, "DATOS", "dbo", "t", SQL_INDEX_UNIQUE, SQL_ENSURE), SQL_SUCCESS);
  Rows unique = s.stmt->Rows();
  ASSERT_EQ(unique.size(), 2u);
  EXPECT_EQ(unique[0][10], "2");  // CARDINALITY counted for SQL_ENSURE
  EXPECT_EQ(unique[1], all[1]);
  // Nothing to describe: an empty result, not an error.
  for (auto [catalog, schema, table] : {std::tuple{"datos", "otro", "T"},
                                        std::tuple{"nada", "dbo", "T"},
                                        std::tuple{"datos", "dbo", "nada"}}) {
    ASSERT_EQ(Statistics(s, catalog, schema, table), SQL_SUCCESS) << catalog << schema << table;
    EXPECT_EQ(SQLFetch(s.stmt->h), SQL_NO_DATA);
  }
  EXPECT_EQ(Statistics(s, nullptr, nullptr, nullptr), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY009");
  EXPECT_EQ(Statistics(s, nullptr, nullptr, "T", 7), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY100");
  // Another database of the server, by catalogue.
  Session m(entorno.servidor());
  ASSERT_EQ(Statistics(m, "datos", nullptr, "T"), SQL_SUCCESS);
  EXPECT_EQ(m.stmt->Rows(), all);
}

// The library's way: ODBC 2, a statement left dynamic and locking by its SELECT, INDEX_NAME,
// SEQ_IN_INDEX and COLUMN_NAME bound by position, one row per SQLExtendedFetch.
TEST_F(Catalogue, StatisticsReadLikeTheLibrary) {
  Session s(entorno.servidor(), SQL_OV_ODBC2, "datos");
  SQLHSTMT h = s.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_LOCK);
  ASSERT_EQ(s.Exec("SELECT * FROM T WITH(INDEX(T_indent))"), SQL_SUCCESS);
  SQLFreeStmt(h, SQL_CLOSE);
  s.Ok("sp_rename 'T.T_indent2','TEMP_T_indent2','INDEX'");
  ASSERT_TRUE(SQL_SUCCEEDED(SQLStatistics(h, Text("datos"), SQL_NTS, nullptr, 0, Text("T"),
                                          SQL_NTS, SQL_INDEX_ALL, SQL_QUICK)));
  EXPECT_EQ(ColumnNames(h)[1 - 1], "TABLE_QUALIFIER");
  EXPECT_EQ(ColumnNames(h)[8 - 1], "SEQ_IN_INDEX");
  EXPECT_EQ(ColumnNames(h)[10 - 1], "COLLATION");
  char index[499], column[499];
  SQLINTEGER seq = 0;
  SQLLEN indexLen = 0, seqLen = 0, columnLen = 0;
  SQLBindCol(h, 6, SQL_C_CHAR, index, sizeof index, &indexLen);
  SQLBindCol(h, 8, SQL_C_LONG, &seq, 0, &seqLen);
  SQLBindCol(h, 9, SQL_C_CHAR, column, sizeof column, &columnLen);
  std::vector<std::string> seen;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  while (SQLExtendedFetch(h, SQL_FETCH_NEXT, 0, &fetched, status) == SQL_SUCCESS) {
    ASSERT_EQ(fetched, 1u);
    if (indexLen == SQL_NULL_DATA) {
      EXPECT_EQ(seqLen, SQL_NULL_DATA);  // the table-statistics row
      continue;
    }
    seen.push_back(std::string(index) + "/" + std::to_string(seq) + "/" + column);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"T_indent/1/C1", "ax/1/C2", "TEMP_T_indent2/1/C3",
                                            "TEMP_T_indent2/2/C2"}));
}

TEST_F(Catalogue, TablesAndColumns) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("CREATE TABLE T_1 (x int); CREATE TABLE TX1 (x int); CREATE VIEW v AS SELECT x FROM TX1");
  auto tables = [&](const char* catalog, const char* schema, const char* table,
                    const char* types) {
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
    EXPECT_EQ(SQLTables(s.stmt->h, Text(catalog), SQL_NTS, Text(schema), SQL_NTS, Text(table),
                        SQL_NTS, Text(types), SQL_NTS),
              SQL_SUCCESS);
    return s.stmt->Rows();
  };
  const std::string n = "<null>";
  Rows all = tables(nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0], (std::vector<std::string>{"datos", "dbo", "sqlite_master", "SYSTEM TABLE", n}));
  EXPECT_EQ(all[4], (std::vector<std::string>{"datos", "dbo", "v", "VIEW", n}));
  EXPECT_EQ(tables(nullptr, nullptr, "T\\_%", "'TABLE'"),
            (Rows{{"datos", "dbo", "T_1", "TABLE", n}}));
  EXPECT_EQ(tables(nullptr, nullptr, "T_%", "TABLE, VIEW").size(), 2u);
  EXPECT_EQ(tables(nullptr, "%", "%", "'VIEW'"), (Rows{{"datos", "dbo", "v", "VIEW", n}}));
  EXPECT_EQ(tables("%", "", "", nullptr), (Rows{{"datos", n, n, n, n}, {"master", n, n, n, n}}));
  EXPECT_EQ(tables("", "%", "", nullptr), (Rows{{n, "dbo", n, n, n}}));
  EXPECT_EQ(tables("", "", "", "%"),
            (Rows{{n, n, n, "SYSTEM TABLE", n}, {n, n, n, "TABLE", n}, {n, n, n, "VIEW", n}}));
  // Columns: ODBC 3 names and codes.
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  ASSERT_EQ(SQLColumns(s.stmt->h, nullptr, 0, nullptr, 0, Text("T"), SQL_NTS, nullptr, 0),
            SQL_SUCCESS);
  std::vector<std::string> names = ColumnNames(s.stmt->h);
  ASSERT_EQ(names.size(), 18u);
  EXPECT_EQ(names[6], "COLUMN_SIZE");
  EXPECT_EQ(names[16], "ORDINAL_POSITION");
  // COLUMN_NAME, DATA_TYPE, TYPE_NAME, COLUMN_SIZE, DECIMAL_DIGITS, NUM_PREC_RADIX, NULLABLE,
  // SQL_DATA_TYPE, SQL_DATETIME_SUB, ORDINAL_POSITION, IS_NULLABLE
  EXPECT_EQ(Pick(s.stmt->Rows(), {3, 4, 5, 6, 8, 9, 10, 13, 14, 16, 17}),
            (Rows{{"C1", "12", "varchar", "10", n, n, "0", "12", n, "1", "NO"},
                  {"C2", "4", "int", "10", "0", "10", "1", "4", n, "2", "YES"},
                  {"C3", "3", "decimal", "12", "2", "10", "1", "3", n, "3", "YES"},
                  {"C4", "93", "datetime", "23", "3", n, "1", "9", "3", "4", "YES"}}));
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  ASSERT_EQ(SQLColumns(s.stmt->h, nullptr, 0, nullptr, 0, Text("%"), SQL_NTS, Text("x"), SQL_NTS),
            SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Rows().size(), 3u);  // T_1, TX1 and the view
}

// What general clients ask for keys and types.
TEST_F(Catalogue, KeysSpecialColumnsAndTypes) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("CREATE TABLE P (a int NOT NULL, b varchar(5) NOT NULL, c int NULL, PRIMARY KEY (b, a))");
  s.Ok("CREATE TABLE N (x int NULL); CREATE UNIQUE INDEX ux ON N (x)");
  SQLHSTMT h = s.stmt->h;
  ASSERT_EQ(SQLPrimaryKeys(h, nullptr, 0, nullptr, 0, Text("p"), SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Rows(), (Rows{{"datos", "dbo", "P", "b", "1", "PK_P"},
                                 {"datos", "dbo", "P", "a", "2", "PK_P"}}));
  auto special = [&](SQLUSMALLINT identifier, const char* table, SQLUSMALLINT nullable) {
    SQLFreeStmt(h, SQL_CLOSE);
    EXPECT_EQ(SQLSpecialColumns(h, identifier, nullptr, 0, nullptr, 0, Text(table), SQL_NTS,
                                SQL_SCOPE_CURROW, nullable),
              SQL_SUCCESS);
    Rows names;
    for (const auto& row : s.stmt->Rows()) names.push_back({row[1], row[3]});
    return names;
  };
  EXPECT_EQ(special(SQL_BEST_ROWID, "P", SQL_NO_NULLS), (Rows{{"b", "varchar"}, {"a", "int"}}));
  EXPECT_EQ(special(SQL_BEST_ROWID, "T", SQL_NO_NULLS), (Rows{{"C1", "varchar"}}));
  EXPECT_EQ(special(SQL_BEST_ROWID, "N", SQL_NO_NULLS), Rows{});
  EXPECT_EQ(special(SQL_BEST_ROWID, "N", SQL_NULLABLE), (Rows{{"x", "int"}}));
  EXPECT_EQ(special(SQL_ROWVER, "T", SQL_NULLABLE), Rows{});
  SQLFreeStmt(h, SQL_CLOSE);
  ASSERT_EQ(SQLGetTypeInfo(h, SQL_ALL_TYPES), SQL_SUCCESS);
  std::vector<std::string> names;
  int previous = -100;
  for (const auto& row : s.stmt->Rows()) {
    names.push_back(row[0]);
    EXPECT_LE(previous, std::stoi(row[1])) << row[0];  // ordered by DATA_TYPE
    previous = std::stoi(row[1]);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"bit", "tinyint", "bigint", "text", "char",
                                             "numeric", "decimal", "int", "smallint", "float",
                                             "real", "varchar", "datetime"}));
  ASSERT_EQ(SQLGetTypeInfo(h, SQL_VARCHAR), SQL_SUCCESS);
  Rows varchar = s.stmt->Rows();
  ASSERT_EQ(varchar.size(), 1u);
  EXPECT_EQ(varchar[0][2], "8000");
  EXPECT_EQ(varchar[0][5], "max length");
  // An ODBC 2 application asks for and gets SQL_TIMESTAMP.
  Session old(entorno.servidor(), SQL_OV_ODBC2, "datos");
  ASSERT_EQ(SQLGetTypeInfo(old.stmt->h, SQL_TIMESTAMP), SQL_SUCCESS);
  Rows date = old.stmt->Rows();
  ASSERT_EQ(date.size(), 1u);
  EXPECT_EQ(date[0][0], "datetime");
  EXPECT_EQ(date[0][1], "11");
}

// A catalogue result scrolls under ODBC's positioning rules.
TEST_F(Catalogue, ResultScrolls) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "datos");
  s.Ok("DROP TABLE T");
  for (int i = 1; i <= 5; ++i) s.Ok("CREATE TABLE t" + std::to_string(i) + " (x int)");
  SQLHSTMT h = s.stmt->h;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[2];
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 2);
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  SetAttr(h, SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
  ASSERT_EQ(SQLTables(h, nullptr, 0, nullptr, 0, nullptr, 0, Text("'TABLE'"), SQL_NTS),
            SQL_SUCCESS);
  char names[2][16];
  SQLLEN lengths[2];
  SQLBindCol(h, 3, SQL_C_CHAR, names, sizeof names[0], lengths);
  struct Step {
    SQLSMALLINT orientation;
    SQLLEN offset;
    SQLRETURN rc;
    std::string rows;  // names fetched, blank-separated
  } steps[] = {
      {SQL_FETCH_NEXT, 0, SQL_SUCCESS, "t1 t2"},
      {SQL_FETCH_ABSOLUTE, 5, SQL_SUCCESS, "t5"},
      {SQL_FETCH_NEXT, 0, SQL_NO_DATA, ""},
      {SQL_FETCH_PRIOR, 0, SQL_SUCCESS, "t4 t5"},
      {SQL_FETCH_ABSOLUTE, 2, SQL_SUCCESS, "t2 t3"},
      {SQL_FETCH_PRIOR, 0, SQL_SUCCESS_WITH_INFO, "t1 t2"},  // 01S06
      {SQL_FETCH_PRIOR, 0, SQL_NO_DATA, ""},
      {SQL_FETCH_LAST, 0, SQL_SUCCESS, "t4 t5"},
  };
  int i = 0;
  for (const Step& st : steps) {
    SCOPED_TRACE(i++);
    SQLRETURN rc = SQLFetchScroll(h, st.orientation, st.offset);
    EXPECT_EQ(Rc(rc), Rc(st.rc));
    if (rc == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(s.diag().state, "01S06");
    }
    std::string got;
    if (SQL_SUCCEEDED(rc))
      for (SQLULEN r = 0; r < fetched; ++r) got += (r ? " " : "") + std::string(names[r]);
    EXPECT_EQ(got, st.rows);
    if (rc == SQL_SUCCESS && fetched == 1) {
      EXPECT_EQ(status[1], SQL_ROW_NOROW);
    }
  }
}

}  // namespace
