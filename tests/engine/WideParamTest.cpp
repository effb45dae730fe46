// What general ODBC clients use beyond the library: wide text (UTF-16 from and to Windows-1252)
// for data, parameters and names; parameter arrays bound by column and by row; values sent at
// execution; parameter descriptions.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

using Wide = std::basic_string<SQLWCHAR>;

Wide W(const std::u16string& s) { return Wide(s.begin(), s.end()); }

class WideAndParams : public ConServidor {};

// Wide reads of a 1252 text: whole, cut (01004, the full length in bytes, whole characters),
// and in parts through SQLGetData.
TEST_F(WideAndParams, WideTextReadsAndWritesTheCodePage) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE w (v varchar(20))");
  // "Zoë €" in Windows-1252, through a wide parameter.
  Wide value = W(u"Zo\u00eb \u20ac");
  SQLLEN len = SQLLEN(value.size() * sizeof(SQLWCHAR));
  ASSERT_EQ(SQLPrepare(s.stmt->h, (SQLCHAR*)"INSERT INTO w VALUES (?)", SQL_NTS), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(s.stmt->h, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 20, 0,
                             &value[0], len, &len),
            SQL_SUCCESS);
  ASSERT_EQ(SQLExecute(s.stmt->h), SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Query("SELECT v FROM w WHERE v = 'Zo\xeb \x80'"), (Rows{{"Zo\xeb \x80"}}));
  struct Case {
    SQLLEN room;  // bytes
    SQLRETURN rc;
    Wide got;
  } cases[] = {{64, SQL_SUCCESS, value},
               {8, SQL_SUCCESS_WITH_INFO, W(u"Zo\u00eb")},  // 3 characters and the NUL
               {7, SQL_SUCCESS_WITH_INFO, W(u"Zo")}};
  for (const Case& c : cases) {
    ASSERT_EQ(s.Exec("SELECT v FROM w"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s.stmt->h), SQL_SUCCESS);
    SQLWCHAR buf[32];
    SQLLEN ind = 0;
    EXPECT_EQ(SQLGetData(s.stmt->h, 1, SQL_C_WCHAR, buf, c.room, &ind), c.rc) << c.room;
    EXPECT_EQ(Wide(buf), c.got) << c.room;
    EXPECT_EQ(ind, SQLLEN(value.size() * sizeof(SQLWCHAR)));
    if (c.rc == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(s.diag().state, "01004");
      // The rest comes with the next call.
      EXPECT_EQ(SQLGetData(s.stmt->h, 1, SQL_C_WCHAR, buf, 64, &ind), SQL_SUCCESS);
      EXPECT_EQ(c.got + Wide(buf), value);
    }
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  }
  // Names through the wide entry points.
  Wide query = W(u"SELECT v AS [n\u00famero] FROM w");
  ASSERT_EQ(SQLExecDirectW(s.stmt->h, &query[0], SQL_NTS), SQL_SUCCESS);
  SQLWCHAR name[16];
  SQLSMALLINT nameLen = 0;
  EXPECT_EQ(SQLDescribeColW(s.stmt->h, 1, name, 16, &nameLen, nullptr, nullptr, nullptr, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(Wide(name), W(u"n\u00famero"));
  EXPECT_EQ(nameLen, 6);
}

// Three sets of (int, text) bound by column and by row: every row arrives, statuses and the
// count of sets are reported; a failing set stops the array there.
TEST_F(WideAndParams, ParameterArraysByColumnAndByRow) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE p (k int NOT NULL, t varchar(5))");
  struct Row {
    SQLINTEGER k;
    SQLLEN kInd;
    char t[8];
    SQLLEN tInd;
  };
  // Bound for the whole test: every later execution on the handle writes through them.
  SQLUSMALLINT status[3];
  SQLULEN done = 0;
  for (bool byRow : {false, true}) {
    s.Ok("DELETE FROM p");
    Row rows[3] = {{1, 0, "a", SQL_NTS}, {2, 0, "", SQL_NULL_DATA}, {3, 0, "ccc", 3}};
    SQLINTEGER ks[3] = {1, 2, 3};
    SQLLEN kInds[3] = {0, 0, 0}, tInds[3] = {SQL_NTS, SQL_NULL_DATA, 3};
    char ts[3][8] = {"a", "", "ccc"};
    SQLHSTMT h = s.stmt->h;
    SetAttr(h, SQL_ATTR_PARAMSET_SIZE, 3);
    SetAttr(h, SQL_ATTR_PARAM_BIND_TYPE, byRow ? sizeof(Row) : SQL_PARAM_BIND_BY_COLUMN);
    SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, status, 0);
    SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &done, 0);
    SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                     byRow ? (SQLPOINTER)&rows[0].k : ks, 0, byRow ? &rows[0].kInd : kInds);
    SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0,
                     byRow ? (SQLPOINTER)rows[0].t : ts, 8, byRow ? &rows[0].tInd : tInds);
    EXPECT_EQ(s.Exec("INSERT INTO p VALUES (?, ?)"), SQL_SUCCESS);
    EXPECT_EQ(done, 3u);
    EXPECT_EQ(status[2], SQL_PARAM_SUCCESS);
    SQLLEN count = 0;
    SQLRowCount(h, &count);
    EXPECT_EQ(count, 3);
    // The second set fails (too long): the first stays, the third is not used.
    std::strcpy(byRow ? rows[1].t : ts[1], "toolong");
    (byRow ? rows[1].tInd : tInds[1]) = SQL_NTS;
    EXPECT_EQ(s.Exec("INSERT INTO p VALUES (?, ?)"), SQL_ERROR);
    EXPECT_EQ(s.diag().native, 8152);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ((std::vector<int>{status[0], status[1], status[2]}),
              (std::vector<int>{SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, SQL_PARAM_UNUSED}));
    SetAttr(h, SQL_ATTR_PARAMSET_SIZE, 1);
    SQLFreeStmt(h, SQL_RESET_PARAMS);
    EXPECT_EQ(s.stmt->Query("SELECT k, t FROM p ORDER BY k"),
              (Rows{{"1", "a"}, {"1", "a"}, {"2", "<null>"}, {"3", "ccc"}}))
        << byRow;
  }
}

// A text sent in parts at execution, a NULL sent so, and the described parameter types.
TEST_F(WideAndParams, DataAtExecutionAndDescribedParameters) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE d (id int NOT NULL, amount dec(12,2), note text)");
  SQLHSTMT h = s.stmt->h;
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"INSERT INTO d (note, id, amount) VALUES (?, ?, ?)", SQL_NTS),
            SQL_SUCCESS);
  struct Described {
    SQLSMALLINT type;
    SQLULEN size;
    SQLSMALLINT digits, nullable;
  } want[] = {{SQL_LONGVARCHAR, 2147483647, 0, SQL_NULLABLE},
              {SQL_INTEGER, 10, 0, SQL_NO_NULLS},
              {SQL_DECIMAL, 12, 2, SQL_NULLABLE}};
  for (SQLUSMALLINT i = 1; i <= 3; ++i) {
    Described got{};
    ASSERT_EQ(SQLDescribeParam(h, i, &got.type, &got.size, &got.digits, &got.nullable),
              SQL_SUCCESS);
    EXPECT_EQ(std::tie(got.type, got.size, got.digits, got.nullable),
              std::tie(want[i - 1].type, want[i - 1].size, want[i - 1].digits,
                       want[i - 1].nullable))
        << i;
  }
  SQLLEN atExec = SQL_DATA_AT_EXEC, idInd = 0, amountInd = SQL_DATA_AT_EXEC;
  SQLINTEGER id = 7;
  SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 0, 0, (SQLPOINTER)1, 0,
                   &atExec);
  SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &idInd);
  SQLBindParameter(h, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 12, 2, (SQLPOINTER)3, 0,
                   &amountInd);
  ASSERT_EQ(SQLExecute(h), SQL_NEED_DATA);
  SQLPOINTER token = nullptr;
  ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
  EXPECT_EQ(token, (SQLPOINTER)1);
  EXPECT_EQ(SQLPutData(h, (SQLPOINTER) "first part, ", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(SQLPutData(h, (SQLPOINTER) "second", 6), SQL_SUCCESS);
  ASSERT_EQ(SQLParamData(h, &token), SQL_NEED_DATA);
  EXPECT_EQ(token, (SQLPOINTER)3);
  EXPECT_EQ(SQLPutData(h, nullptr, SQL_NULL_DATA), SQL_SUCCESS);
  EXPECT_EQ(SQLParamData(h, &token), SQL_SUCCESS);
  EXPECT_EQ(s.stmt->Query("SELECT id, amount, note FROM d"),
            (Rows{{"7", "<null>", "first part, second"}}));
  EXPECT_EQ(SQLPutData(h, (SQLPOINTER) "late", 4), SQL_ERROR);  // nothing is waiting
}

}  // namespace
