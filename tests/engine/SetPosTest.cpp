// SQLSetPos on a dynamic cursor: what each operation does to the table, the row statuses and
// the diagnostics, one case per line.
#include <algorithm>
#include <functional>

#include "Entorno.h"
#include "Odbc.h"

namespace {

const SQLULEN kRows = 3;

// The rowset's bound arrays: k int, c char(5), d dec(5,2) as text.
struct Buffers {
  SQLINTEGER k[kRows];
  char c[kRows][8], d[kRows][10];
  SQLLEN ik[kRows], ic[kRows], id[kRows];
  SQLUSMALLINT status[kRows];
  SQLULEN fetched = 0;
  SQLHSTMT h = SQL_NULL_HSTMT;
  void Text(char (*col)[8], SQLLEN* ind, size_t row, const char* v) {
    snprintf(col[row], sizeof col[row], "%s", v);
    ind[row] = SQL_NTS;
  }
};

struct Case {
  const char* name;
  SQLULEN cursorType, concurrency;
  std::function<void(Buffers&, Session& other)> before;  // changes to the buffers or the table
  SQLSETPOSIROW row;
  SQLUSMALLINT operation;
  SQLRETURN rc;
  std::string state;                  // first diagnostic; empty: none expected
  SQLINTEGER native;
  std::vector<SQLUSMALLINT> statuses;  // afterwards
  std::string table;                  // k:c:d of every row afterwards
};

class SetPos : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE pos");
    setup.Ok("USE pos; CREATE TABLE t (k int NOT NULL, c char(5) NULL, d dec(5,2) NULL);"
             "CREATE UNIQUE INDEX t_k ON t (k)");
  }
};

const std::string kStart = "1:a:1.00 2:b:2.00 3:c:3.00 ";
const SQLUSMALLINT S = SQL_ROW_SUCCESS, U = SQL_ROW_UPDATED, D = SQL_ROW_DELETED,
                   A = SQL_ROW_ADDED, E = SQL_ROW_ERROR;
const SQLULEN DYN = SQL_CURSOR_DYNAMIC, VAL = SQL_CONCUR_VALUES, LCK = SQL_CONCUR_LOCK;

void Nothing(Buffers&, Session&) {}

TEST_F(SetPos, OperationsStatusesAndStates) {
  auto setC = [](size_t row, const char* v) {
    return [=](Buffers& b, Session&) { b.Text(b.c, b.ic, row, v); };
  };
  auto other = [](const char* sql) { return [=](Buffers&, Session& o) { o.Ok(sql); }; };
  const Case cases[] = {
      {"update one row", DYN, VAL, setC(1, "x"), 2, SQL_UPDATE, SQL_SUCCESS, "", 0, {S, U, S},
       "1:a:1.00 2:x:2.00 3:c:3.00 "},
      {"update every row", DYN, LCK,
       [](Buffers& b, Session&) {
         for (size_t i = 0; i < kRows; ++i) b.Text(b.c, b.ic, i, "z");
       },
       0, SQL_UPDATE, SQL_SUCCESS, "", 0, {U, U, U}, "1:z:1.00 2:z:2.00 3:z:3.00 "},
      {"ignored column", DYN, VAL,
       [](Buffers& b, Session&) {
         b.ic[0] = SQL_COLUMN_IGNORE;
         snprintf(b.d[0], sizeof b.d[0], "9.5");
         b.id[0] = SQL_NTS;
       },
       1, SQL_UPDATE, SQL_SUCCESS, "", 0, {U, S, S}, "1:a:9.50 2:b:2.00 3:c:3.00 "},
      {"text too long", DYN, VAL, setC(0, "abcdef"), 1, SQL_UPDATE, SQL_ERROR, "22001", 8152,
       {S, S, S}, kStart},
      {"not a number", DYN, VAL,
       [](Buffers& b, Session&) { snprintf(b.d[2], sizeof b.d[2], "abc"); }, 3, SQL_UPDATE,
       SQL_ERROR, "22018", 245, {S, S, S}, kStart},
      {"number too large", DYN, VAL,
       [](Buffers& b, Session&) { snprintf(b.d[2], sizeof b.d[2], "1000"); }, 3, SQL_UPDATE,
       SQL_ERROR, "22003", 8115, {S, S, S}, kStart},
      {"NULL into NOT NULL", DYN, VAL, [](Buffers& b, Session&) { b.ik[1] = SQL_NULL_DATA; }, 2,
       SQL_UPDATE, SQL_ERROR, "23000", 515, {S, S, S}, kStart},
      {"duplicate key", DYN, LCK, [](Buffers& b, Session&) { b.k[1] = 1; }, 2, SQL_UPDATE,
       SQL_ERROR, "23000", 2601, {S, S, S}, kStart},
      {"one of all rows fails", DYN, VAL, setC(1, "abcdef"), 0, SQL_UPDATE,
       SQL_SUCCESS_WITH_INFO, "22001", 8152, {U, E, U}, kStart},
      {"row changed meanwhile", DYN, VAL, other("UPDATE t SET c = 'q' WHERE k = 2"), 2,
       SQL_UPDATE, SQL_SUCCESS_WITH_INFO, "01001", 0, {S, S, S}, "1:a:1.00 2:q:2.00 3:c:3.00 "},
      {"other column changed meanwhile", DYN, VAL,
       [](Buffers& b, Session& o) {
         o.Ok("UPDATE t SET c = 'q' WHERE k = 2");
         snprintf(b.d[1], sizeof b.d[1], "7");
         b.id[1] = SQL_NTS;
       },
       2, SQL_UPDATE, SQL_SUCCESS_WITH_INFO, "01001", 0, {S, S, S},
       "1:a:1.00 2:q:2.00 3:c:3.00 "},
      // Nothing differs from the row as fetched: nothing is written, the row counts as updated.
      {"nothing changed", DYN, VAL, Nothing, 2, SQL_UPDATE, SQL_SUCCESS, "", 0, {S, U, S}, kStart},
      {"nothing changed, locked", DYN, LCK, Nothing, 0, SQL_UPDATE, SQL_SUCCESS, "", 0, {U, U, U},
       kStart},
      // Only the changed column is written: another's change made after the row's lock went
      // is kept.
      {"unlocked row changed meanwhile", DYN, LCK,
       [](Buffers& b, Session& o) {
         SQLSetPos(b.h, 2, SQL_POSITION, SQL_LOCK_UNLOCK);
         o.Ok("UPDATE t SET c = 'q' WHERE k = 2");
         snprintf(b.d[1], sizeof b.d[1], "7.5");
         b.id[1] = SQL_NTS;
       },
       2, SQL_UPDATE, SQL_SUCCESS, "", 0, {S, U, S}, "1:a:1.00 2:q:7.50 3:c:3.00 "},
      {"row gone meanwhile", DYN, VAL, other("DELETE FROM t WHERE k = 2"), 2, SQL_DELETE,
       SQL_SUCCESS_WITH_INFO, "01001", 0, {S, S, S}, "1:a:1.00 3:c:3.00 "},
      {"delete one row", DYN, VAL, Nothing, 1, SQL_DELETE, SQL_SUCCESS, "", 0, {D, S, S},
       "2:b:2.00 3:c:3.00 "},
      {"delete every row", DYN, LCK, Nothing, 0, SQL_DELETE, SQL_SUCCESS, "", 0, {D, D, D}, ""},
      {"add", DYN, VAL, [](Buffers& b, Session&) { b.k[0] = 9; }, 1, SQL_ADD, SQL_SUCCESS, "", 0,
       {A, S, S}, kStart + "9:a:1.00 "},
      {"refresh", DYN, VAL, other("UPDATE t SET c = 'r' WHERE k = 3"), 3, SQL_REFRESH,
       SQL_SUCCESS, "", 0, {S, S, S}, "1:a:1.00 2:b:2.00 3:r:3.00 "},
      {"row beyond the rowset", DYN, VAL, Nothing, 4, SQL_UPDATE, SQL_ERROR, "HY107", 0,
       {S, S, S}, kStart},
      {"unknown operation", DYN, VAL, Nothing, 1, 9, SQL_ERROR, "HY092", 0, {S, S, S}, kStart},
      {"read-only cursor", DYN, SQL_CONCUR_READ_ONLY, Nothing, 1, SQL_UPDATE, SQL_ERROR, "HY092",
       0, {S, S, S}, kStart},
      {"static cursor", SQL_CURSOR_STATIC, SQL_CONCUR_READ_ONLY, Nothing, 1, SQL_DELETE,
       SQL_ERROR, "HYC00", 0, {S, S, S}, kStart},
      {"position on every row", DYN, VAL, Nothing, 0, SQL_POSITION, SQL_ERROR, "HY109", 0,
       {S, S, S}, kStart},
  };
  Session s(entorno.servidor(), SQL_OV_ODBC3, "pos");
  Session o(entorno.servidor(), SQL_OV_ODBC3, "pos");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.Ok("DELETE FROM t; INSERT INTO t VALUES (1, 'a', 1); INSERT INTO t VALUES (2, 'b', 2);"
         "INSERT INTO t VALUES (3, 'c', 3)");
    OdbcStmt st(s.conn);
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, c.cursorType);
    SetAttr(st.h, SQL_ATTR_CONCURRENCY, c.concurrency);
    SetAttr(st.h, SQL_ROWSET_SIZE, kRows);
    Buffers b;
    b.h = st.h;
    ASSERT_TRUE(SQL_SUCCEEDED(st.Exec("SELECT k, c, d FROM t ORDER BY k")));
    SQLBindCol(st.h, 1, SQL_C_LONG, b.k, 0, b.ik);
    SQLBindCol(st.h, 2, SQL_C_CHAR, b.c, sizeof b.c[0], b.ic);
    SQLBindCol(st.h, 3, SQL_C_CHAR, b.d, sizeof b.d[0], b.id);
    ASSERT_EQ(SQLExtendedFetch(st.h, SQL_FETCH_NEXT, 0, &b.fetched, b.status), SQL_SUCCESS);
    c.before(b, o);
    EXPECT_EQ(SQLSetPos(st.h, c.row, c.operation, SQL_LOCK_NO_CHANGE), c.rc);
    Diag d = FirstDiag(SQL_HANDLE_STMT, st.h);
    EXPECT_EQ(d.state, c.state) << d.message;
    if (!c.state.empty()) {
      EXPECT_EQ(d.native, c.native);
    }
    if (c.state == "01001") {
      EXPECT_EQ(d.message, "[ZORB][Engine]Cursor operation conflict");
    }
    EXPECT_EQ(std::vector<SQLUSMALLINT>(b.status, b.status + kRows), c.statuses);
    if (c.rc != SQL_ERROR && c.operation >= SQL_UPDATE && c.operation <= SQL_ADD) {
      // The row count is the rows the operation changed.
      SQLLEN count = -1;
      EXPECT_EQ(SQLRowCount(st.h, &count), SQL_SUCCESS);
      EXPECT_EQ(count, std::count_if(c.statuses.begin(), c.statuses.end(),
                                     [](SQLUSMALLINT x) { return x == U || x == D || x == A; }));
    }
    SQLFreeStmt(st.h, SQL_CLOSE);
    std::string table;
    for (const auto& r : s.stmt->Query("SELECT k, rtrim(c), d FROM t ORDER BY k"))
      table += r[0] + ":" + r[1] + ":" + r[2] + " ";
    EXPECT_EQ(table, c.table);
    if (c.operation == SQL_REFRESH) {
      EXPECT_STREQ(b.c[2], "r    ");
    }
  }
}

// Only a dynamic cursor locks rows: another kind asked for SQL_CONCUR_LOCK says at execute
// that it serves it read-only (01S02), and reports that concurrency while its result is open.
TEST_F(SetPos, LockOnCursorsThatCannotLock) {
  const struct {
    SQLULEN cursorType;
    std::vector<std::string> diagnostics;
    SQLULEN served;
  } cases[] = {{SQL_CURSOR_FORWARD_ONLY, {"01S02 Option value changed."}, SQL_CONCUR_READ_ONLY},
               {SQL_CURSOR_KEYSET_DRIVEN,
                {"01S02 Cursor type changed.", "01S02 Option value changed."},
                SQL_CONCUR_READ_ONLY},
               {DYN, {}, LCK}};
  Session s(entorno.servidor(), SQL_OV_ODBC3, "pos");
  for (const auto& c : cases) {
    OdbcStmt st(s.conn);
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, c.cursorType);
    SetAttr(st.h, SQL_ATTR_CONCURRENCY, LCK);
    EXPECT_EQ(st.Exec("SELECT k FROM t"),
              c.diagnostics.empty() ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO);
    std::vector<std::string> diagnostics;
    for (const Diag& d : AllDiags(SQL_HANDLE_STMT, st.h))
      diagnostics.push_back(d.state + " " + d.message.substr(d.message.rfind(']') + 1));
    EXPECT_EQ(diagnostics, c.diagnostics) << c.cursorType;
    for (SQLULEN want : {c.served, LCK}) {  // while open; the request again once closed
      SQLULEN v = 0;
      EXPECT_EQ(SQLGetStmtAttr(st.h, SQL_ATTR_CONCURRENCY, &v, 0, nullptr), SQL_SUCCESS);
      EXPECT_EQ(v, want) << c.cursorType;
      SQLFreeStmt(st.h, SQL_CLOSE);
    }
  }
}

// Positioning: SQLGetData reads the row SQLSetPos chose; the driver says what it supports.
TEST_F(SetPos, PositionAndWhatTheDriverReports) {
  Session s(entorno.servidor(), SQL_OV_ODBC3, "pos");
  s.Ok("INSERT INTO t VALUES (1, 'a', 1); INSERT INTO t VALUES (2, 'b', 2)");
  SetAttr(s.stmt->h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(s.stmt->h, SQL_ROWSET_SIZE, 2);
  ASSERT_EQ(s.Exec("SELECT k FROM t ORDER BY k"), SQL_SUCCESS);
  SQLULEN n = 0;
  SQLUSMALLINT st[2];
  ASSERT_EQ(SQLExtendedFetch(s.stmt->h, SQL_FETCH_NEXT, 0, &n, st), SQL_SUCCESS);
  ASSERT_EQ(SQLSetPos(s.stmt->h, 2, SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_SUCCESS);
  SQLINTEGER k = 0;
  EXPECT_EQ(SQLGetData(s.stmt->h, 1, SQL_C_LONG, &k, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(k, 2);
  SQLUSMALLINT supported = SQL_FALSE;
  EXPECT_EQ(SQLGetFunctions(s.conn.h, SQL_API_SQLSETPOS, &supported), SQL_SUCCESS);
  EXPECT_EQ(supported, SQL_TRUE);
  SQLUINTEGER ops = 0;
  EXPECT_EQ(SQLGetInfo(s.conn.h, SQL_POS_OPERATIONS, &ops, sizeof ops, nullptr), SQL_SUCCESS);
  EXPECT_EQ(ops, SQLUINTEGER(SQL_POS_POSITION | SQL_POS_REFRESH | SQL_POS_UPDATE |
                             SQL_POS_DELETE | SQL_POS_ADD));
}

}  // namespace
