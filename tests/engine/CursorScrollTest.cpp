// Scrollable cursors: ODBC's positioning rules on static and dynamic cursors, the choice of the
// cursor served, and what only a dynamic cursor does (other connections' commits, ties, NULLs).
// The table cursor's keyed reads through an index hint run against a model in the cursor tests.
#include <algorithm>
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

// One fetch and what it must give: the first key of the rowset (0 for no data), the rows in it
// and whether 01S06 came with it.
struct Step {
  SQLSMALLINT orientation;
  SQLLEN offset;
  SQLULEN rowset;
  int first;
  SQLULEN count;
  bool beforeFirst = false;
};

// Runs the steps on the keys 1..rows of s in order with a cursor of the given type, through
// SQLFetchScroll (ODBC 3) or SQLExtendedFetch (ODBC 2, as the library fetches).
void RunSteps(const std::string& server, int rows, SQLULEN cursorType, bool extended,
              const std::vector<Step>& steps) {
  Session s(server, extended ? SQL_OV_ODBC2 : SQL_OV_ODBC3);
  SQLHSTMT h = s.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, cursorType);
  SetAttr(h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_VALUES);
  SQLINTEGER k[12];
  SQLLEN ind[12];
  SQLUSMALLINT status[12];
  SQLULEN fetched = 0;
  SQLBindCol(h, 1, SQL_C_LONG, k, 0, ind);
  if (!extended) {
    SetAttr(h, SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
    SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  }
  std::string sql = "SELECT k FROM s WHERE k <= " + std::to_string(rows) + " ORDER BY k";
  ASSERT_EQ(s.Exec(sql), SQL_SUCCESS) << s.diag().message;
  SQLULEN served = 0;
  SQLGetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, &served, 0, nullptr);
  EXPECT_EQ(served, cursorType);
  int n = 0;
  for (const Step& st : steps) {
    std::string where = sql + (cursorType == SQL_CURSOR_DYNAMIC ? " dynamic" : " static") +
                        (extended ? " extended" : "") + " step " + std::to_string(++n);
    SetAttr(h, extended ? SQL_ROWSET_SIZE : SQL_ATTR_ROW_ARRAY_SIZE, st.rowset);
    std::memset(k, 0, sizeof k);
    std::memset(status, 0xEE, sizeof status);
    SQLRETURN rc = extended ? SQLExtendedFetch(h, SQLUSMALLINT(st.orientation), st.offset, &fetched,
                                               status)
                            : SQLFetchScroll(h, st.orientation, st.offset);
    if (st.first == 0) {
      EXPECT_EQ(Rc(rc), Rc(SQL_NO_DATA)) << where;
      continue;
    }
    ASSERT_EQ(Rc(rc), Rc(st.beforeFirst ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS))
        << where << " " << s.diag().message;
    if (st.beforeFirst) {
      EXPECT_EQ(s.diag().state, "01S06") << where;
    }
    EXPECT_EQ(fetched, st.count) << where;
    for (SQLULEN r = 0; r < st.rowset; ++r) {
      if (r < st.count) {
        EXPECT_EQ(k[r], st.first + int(r)) << where << " row " << r;
        EXPECT_EQ(status[r], SQL_ROW_SUCCESS) << where << " row " << r;
      } else {
        EXPECT_EQ(status[r], SQL_ROW_NOROW) << where << " row " << r;
        EXPECT_EQ(k[r], 0) << where << " row " << r;  // buffers past the rows stay untouched
      }
    }
  }
}

class Scrolling : public ConServidor {
 protected:
  void Fill(int rows) {
    Session s(entorno.servidor());
    s.Ok("CREATE TABLE s (k int NOT NULL, v varchar(10))");
    s.Ok("CREATE UNIQUE INDEX s_k ON s (k)");
    for (int i = rows; i >= 1; --i)
      s.Ok("INSERT INTO s VALUES (" + std::to_string(i) + ", 'v" + std::to_string(i) + "')");
  }
  void Everywhere(int rows, const std::vector<Step>& steps) {
    for (SQLULEN type : {SQLULEN(SQL_CURSOR_STATIC), SQLULEN(SQL_CURSOR_DYNAMIC)})
      for (bool extended : {false, true}) RunSteps(entorno.servidor(), rows, type, extended, steps);
  }
};

TEST_F(Scrolling, StepsFollowOdbcRules) {
  Fill(25);
  Everywhere(25, {
      {SQL_FETCH_NEXT, 0, 10, 1, 10},
      {SQL_FETCH_NEXT, 0, 10, 11, 10},
      {SQL_FETCH_NEXT, 0, 10, 21, 5},       // a partial rowset at the end
      {SQL_FETCH_NEXT, 0, 10, 0, 0},        // after the end
      {SQL_FETCH_NEXT, 0, 10, 0, 0},
      {SQL_FETCH_PRIOR, 0, 10, 16, 10},     // from after the end: the last rowset
      {SQL_FETCH_PRIOR, 0, 10, 6, 10},
      {SQL_FETCH_PRIOR, 0, 10, 1, 10, true},  // fewer than a rowset before: the first, 01S06
      {SQL_FETCH_PRIOR, 0, 10, 0, 0},       // before the start
      {SQL_FETCH_PRIOR, 0, 10, 0, 0},
      {SQL_FETCH_NEXT, 0, 10, 1, 10},       // from before the start: the first rowset
      {SQL_FETCH_LAST, 0, 10, 16, 10},
      {SQL_FETCH_ABSOLUTE, 3, 10, 3, 10},
      {SQL_FETCH_RELATIVE, -2, 10, 1, 10},
      {SQL_FETCH_RELATIVE, -1, 10, 0, 0},   // from row 1 backwards: before the start
      {SQL_FETCH_RELATIVE, 5, 10, 5, 10},   // from before the start: as ABSOLUTE
      {SQL_FETCH_RELATIVE, 0, 10, 5, 10},   // the same rowset again
      {SQL_FETCH_RELATIVE, -5, 10, 1, 10, true},
      {SQL_FETCH_RELATIVE, 24, 10, 25, 1},
      {SQL_FETCH_RELATIVE, 1, 10, 0, 0},    // past the end
      {SQL_FETCH_RELATIVE, -3, 10, 23, 3},  // from after the end: as ABSOLUTE -3
      {SQL_FETCH_ABSOLUTE, -25, 10, 1, 10},
      {SQL_FETCH_ABSOLUTE, -26, 10, 0, 0},  // more than a rowset before the start
      {SQL_FETCH_FIRST, 0, 10, 1, 10},
      {SQL_FETCH_ABSOLUTE, 0, 10, 0, 0},
      {SQL_FETCH_ABSOLUTE, 26, 10, 0, 0},
      {SQL_FETCH_RELATIVE, 2, 10, 0, 0},    // stays after the end
      {SQL_FETCH_ABSOLUTE, 16, 10, 16, 10},
      {SQL_FETCH_RELATIVE, -12, 10, 4, 10},
      {SQL_FETCH_RELATIVE, -13, 10, 0, 0},  // |offset| > rowset before the start
      // Rowsets of one.
      {SQL_FETCH_FIRST, 0, 1, 1, 1},
      {SQL_FETCH_PRIOR, 0, 1, 0, 0},
      {SQL_FETCH_NEXT, 0, 1, 1, 1},
      {SQL_FETCH_NEXT, 0, 1, 2, 1},
      {SQL_FETCH_LAST, 0, 1, 25, 1},
      {SQL_FETCH_NEXT, 0, 1, 0, 0},
      {SQL_FETCH_PRIOR, 0, 1, 25, 1},
      {SQL_FETCH_PRIOR, 0, 1, 24, 1},
      {SQL_FETCH_ABSOLUTE, -1, 1, 25, 1},
      {SQL_FETCH_RELATIVE, -24, 1, 1, 1},
      {SQL_FETCH_RELATIVE, -1, 1, 0, 0},
      {SQL_FETCH_ABSOLUTE, -2, 1, 24, 1},
      {SQL_FETCH_ABSOLUTE, -26, 1, 0, 0},
      // NEXT moves by the previous rowset size, PRIOR by the new one.
      {SQL_FETCH_FIRST, 0, 10, 1, 10},
      {SQL_FETCH_NEXT, 0, 5, 11, 5},
      {SQL_FETCH_PRIOR, 0, 5, 6, 5},
      {SQL_FETCH_PRIOR, 0, 10, 1, 10, true},
      {SQL_FETCH_LAST, 0, 3, 23, 3},
      {SQL_FETCH_PRIOR, 0, 1, 22, 1},
  });
  // Results shorter than a rowset, and empty.
  Everywhere(5, {
      {SQL_FETCH_LAST, 0, 10, 1, 5},        // the whole result, no warning
      {SQL_FETCH_NEXT, 0, 10, 0, 0},
      {SQL_FETCH_PRIOR, 0, 10, 1, 5, true},
      {SQL_FETCH_ABSOLUTE, -8, 10, 1, 5, true},
      {SQL_FETCH_ABSOLUTE, -11, 10, 0, 0},
      {SQL_FETCH_ABSOLUTE, 4, 10, 4, 2},
      {SQL_FETCH_NEXT, 0, 10, 0, 0},
  });
  Everywhere(0, {
      {SQL_FETCH_FIRST, 0, 10, 0, 0},
      {SQL_FETCH_LAST, 0, 10, 0, 0},
      {SQL_FETCH_PRIOR, 0, 10, 0, 0},
      {SQL_FETCH_NEXT, 0, 10, 0, 0},
      {SQL_FETCH_ABSOLUTE, -1, 10, 0, 0},
      {SQL_FETCH_RELATIVE, 1, 1, 0, 0},
  });
}

// What each request is served: a dynamic cursor only for one table without grouping, aggregates,
// DISTINCT or TOP; everything else scrollable a static snapshot, with 01S02 when that changed
// the type.
TEST_F(Scrolling, CursorTypeServedAndChanged) {
  Fill(3);
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE o (k int, w int)");
  s.Ok("INSERT INTO o VALUES (1, 10)");
  s.Ok("CREATE VIEW vs AS SELECT k FROM s");
  SQLHSTMT h = s.stmt->h;
  struct Case {
    std::string sql;
    SQLULEN requested, served;
  } cases[] = {
      {"SELECT k, v FROM s WHERE k > 1 ORDER BY v DESC", SQL_CURSOR_DYNAMIC, SQL_CURSOR_DYNAMIC},
      {"SELECT * FROM dbo.s AS x ORDER BY 2", SQL_CURSOR_DYNAMIC, SQL_CURSOR_DYNAMIC},
      {"SELECT k + 1 AS n, v FROM s ORDER BY n", SQL_CURSOR_DYNAMIC, SQL_CURSOR_DYNAMIC},
      {"SELECT max(k, 2) FROM s", SQL_CURSOR_DYNAMIC, SQL_CURSOR_DYNAMIC},
      {"SELECT count(*) FROM s", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT DISTINCT v FROM s", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT TOP 2 k FROM s ORDER BY k", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT v, count(*) FROM s GROUP BY v", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT s.k, o.w FROM s, o WHERE s.k = o.k", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT s.k FROM s JOIN o ON s.k = o.k", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT k FROM s UNION SELECT k FROM o", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT k FROM vs ORDER BY k", SQL_CURSOR_DYNAMIC, SQL_CURSOR_STATIC},
      {"SELECT k FROM s", SQL_CURSOR_KEYSET_DRIVEN, SQL_CURSOR_STATIC},
      {"SELECT k FROM s", SQL_CURSOR_STATIC, SQL_CURSOR_STATIC},
      {"SELECT k FROM s", SQL_CURSOR_FORWARD_ONLY, SQL_CURSOR_FORWARD_ONLY},
  };
  for (const Case& c : cases) {
    SetAttr(h, SQL_ATTR_CURSOR_TYPE, c.requested);
    SQLRETURN rc = s.Exec(c.sql);
    bool changed = c.requested != c.served;
    EXPECT_EQ(Rc(rc), Rc(changed ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS)) << c.sql;
    if (changed) {
      EXPECT_EQ(s.diag().state, "01S02") << c.sql;
    }
    SQLULEN served = 0;
    SQLGetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, &served, 0, nullptr);
    EXPECT_EQ(served, c.served) << c.sql;
    // Every kind reads the same rows.
    EXPECT_FALSE(s.stmt->Rows().empty()) << c.sql;
  }
  // Outside a result the attribute is the application's request again.
  SQLULEN type = 0;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN);
  SQLGetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
  EXPECT_EQ(type, SQLULEN(SQL_CURSOR_KEYSET_DRIVEN));
}

// Reads the k column of every row of the query with the cursor, forwards with NEXT or backwards
// with LAST and PRIOR, in rowsets of the given size; rows are returned in result order.
std::vector<std::string> Walk(OdbcStmt& st, const std::string& sql, SQLULEN rowset,
                              bool backwards) {
  SQLHSTMT h = st.h;
  SQLFreeStmt(h, SQL_CLOSE);
  SQLFreeStmt(h, SQL_UNBIND);
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, rowset);
  char id[16][8];
  SQLLEN ind[16];
  SQLULEN fetched = 0;
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  SQLBindCol(h, 1, SQL_C_CHAR, id, sizeof id[0], ind);
  std::vector<std::string> out;
  SQLRETURN rc = st.Exec(sql);
  EXPECT_EQ(rc, SQL_SUCCESS) << sql << " " << st.diag().message;
  if (rc != SQL_SUCCESS) return out;
  SQLSMALLINT orientation = backwards ? SQL_FETCH_LAST : SQL_FETCH_NEXT;
  for (int guard = 0; guard < 200; ++guard) {
    rc = SQLFetchScroll(h, orientation, 0);
    if (rc == SQL_NO_DATA) break;
    // A short PRIOR returns the first rowset again: the rows not seen yet are those before the
    // first one already read.
    std::vector<std::string> block;
    for (SQLULEN r = 0; r < fetched; ++r) block.push_back(ind[r] == SQL_NULL_DATA ? "-" : id[r]);
    if (rc == SQL_SUCCESS_WITH_INFO && st.diag().state == "01S06") {
      auto end = std::find(block.begin(), block.end(), out.front());
      out.insert(out.begin(), block.begin(), end);
      break;
    }
    EXPECT_EQ(rc, SQL_SUCCESS) << sql << " " << st.diag().message;
    if (backwards)
      out.insert(out.begin(), block.begin(), block.end());
    else
      out.insert(out.end(), block.begin(), block.end());
    orientation = backwards ? SQL_FETCH_PRIOR : SQL_FETCH_NEXT;
  }
  SQLFreeStmt(h, SQL_CLOSE);
  SQLFreeStmt(h, SQL_UNBIND);
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, 0);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 1);
  return out;
}

// NULLs sort first ascending and last descending, equal keys (equal under the collation too:
// 'y' and 'Y') come in row id order; a dynamic cursor walks past them in both directions exactly
// as the whole ordered result (row id last) lists them. The indexes give the boundary queries
// different plans: none, a NOT NULL column, one key, two keys, unique.
TEST_F(Scrolling, DynamicOrderWithNullsAndTies) {
  Session s(entorno.servidor());
  const char* tables[] = {
      "CREATE TABLE n (id varchar(3) NOT NULL, a int, b varchar(2), c int NOT NULL)",
      "CREATE INDEX n_a ON n (a)",
      "CREATE INDEX n_ab ON n (a, b)",
      "CREATE UNIQUE INDEX n_abc ON n (a, b, c)",
  };
  s.Ok(tables[0]);
  int id = 0;
  for (const char* a : {"NULL", "1", "2"})
    for (const char* b : {"NULL", "'x'", "'y'"})
      for (const char* c : {"2", "1"})
        for (int copy = 0; copy < 2; ++copy)
          if (copy == 0 || std::string(b) != "'x'")
            s.Ok("INSERT INTO n VALUES ('" + std::to_string(++id) + "', " + a + ", " +
                 (copy && std::string(b) == "'y'" ? "'Y'" : b) + ", " + std::string(c) + ")");
  const char* orders[] = {"ORDER BY a",          "ORDER BY a DESC",       "ORDER BY a, b",
                          "ORDER BY a DESC, b",  "ORDER BY a, b DESC",    "ORDER BY b, a",
                          "ORDER BY a, b, c",    "ORDER BY c, a DESC, b", "ORDER BY b DESC, c",
                          "ORDER BY a, b DESC, c DESC", "WHERE a = 2 ORDER BY b DESC, c", ""};
  for (int stage = 0; stage < 4; ++stage) {
    if (stage == 3)
      s.Ok("DELETE FROM n WHERE id IN (SELECT max(id) FROM n GROUP BY a, b, c "
           "HAVING count(*) > 1)");
    if (stage > 0) s.Ok(tables[stage]);
    for (const char* clause : orders) {
      const std::string order = clause;
      const std::string sql = "SELECT id FROM n " + order;
      SetAttr(s.stmt->h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC);
      std::vector<std::string> expected;
      for (const auto& r : s.stmt->Query(sql + (order.empty() ? "ORDER BY rowid" : ", rowid")))
        expected.push_back(r[0]);
      ASSERT_GT(expected.size(), 4u);
      for (SQLULEN rowset : {1, 4})
        for (bool back : {false, true})
          EXPECT_EQ(Walk(*s.stmt, sql, rowset, back), expected)
              << sql << " stage " << stage << " rowset " << rowset << (back ? " backwards" : "");
    }
  }
}

// Each block fetch is a new query: commits of other connections show, uncommitted work does not.
TEST_F(Scrolling, DynamicCursorSeesOtherConnectionsCommits) {
  Session a(entorno.servidor());
  a.Ok("CREATE TABLE c (k int NOT NULL, v varchar(5))");
  a.Ok("CREATE UNIQUE INDEX c_k ON c (k)");
  for (int k : {10, 20, 30, 40, 50}) a.Ok("INSERT INTO c VALUES (" + std::to_string(k) + ", 'a')");
  Session b(entorno.servidor());
  SQLHSTMT h = a.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_VALUES);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 2);
  SQLINTEGER k[2];
  char v[2][6];
  SQLLEN ik[2], iv[2];
  SQLULEN fetched = 0;
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  SQLBindCol(h, 1, SQL_C_LONG, k, 0, ik);
  SQLBindCol(h, 2, SQL_C_CHAR, v, sizeof v[0], iv);
  ASSERT_EQ(a.Exec("SELECT k, v FROM c WHERE k <> 30 ORDER BY k"), SQL_SUCCESS);
  auto fetch = [&](SQLSMALLINT o) {
    std::string got;
    SQLRETURN rc = SQLFetchScroll(h, o, 0);
    if (rc == SQL_NO_DATA) return std::string("no data");
    EXPECT_TRUE(SQL_SUCCEEDED(rc)) << a.diag().message;
    for (SQLULEN r = 0; r < fetched; ++r)
      got += (r ? " " : "") + std::to_string(k[r]) + std::string(v[r]);
    return got;
  };
  EXPECT_EQ(fetch(SQL_FETCH_FIRST), "10a 20a");
  b.Ok("INSERT INTO c VALUES (25, 'b')");
  b.Ok("UPDATE c SET v = 'b' WHERE k = 40");
  b.Ok("DELETE FROM c WHERE k = 50");
  EXPECT_EQ(fetch(SQL_FETCH_NEXT), "25b 40b");
  EXPECT_EQ(fetch(SQL_FETCH_NEXT), "no data");
  // Work in an open transaction stays invisible until it commits.
  b.Ok("BEGIN TRANSACTION");
  b.Ok("INSERT INTO c VALUES (5, 'c')");
  b.Ok("INSERT INTO c VALUES (60, 'c')");
  EXPECT_EQ(fetch(SQL_FETCH_LAST), "25b 40b");
  EXPECT_EQ(fetch(SQL_FETCH_PRIOR), "10a 20a");
  b.Ok("COMMIT TRANSACTION");
  // One row before the rowset now: the first rowset comes instead, with 01S06.
  EXPECT_EQ(fetch(SQL_FETCH_PRIOR), "5c 10a");
  EXPECT_EQ(a.diag().state, "01S06");
  EXPECT_EQ(fetch(SQL_FETCH_PRIOR), "no data");
  EXPECT_EQ(fetch(SQL_FETCH_LAST), "40b 60c");
  // The row the rowset started at went away: RELATIVE 0 starts at the next one.
  b.Ok("DELETE FROM c WHERE k = 40");
  EXPECT_EQ(fetch(SQL_FETCH_RELATIVE), "60c");
}

// The parameters are read when the statement runs: later fetches use those values.
TEST_F(Scrolling, DynamicCursorKeepsItsParameters) {
  Fill(25);
  Session s(entorno.servidor());
  SQLHSTMT h = s.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 3);
  ASSERT_EQ(SQLPrepare(h, (SQLCHAR*)"SELECT k FROM s WHERE k > ? AND v <> ? ORDER BY k", SQL_NTS),
            SQL_SUCCESS);
  SQLINTEGER low = 20;
  char skip[8] = "v22";
  SQLLEN nts = SQL_NTS;
  SQLBindParameter(h, 1, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &low, 0, nullptr);
  SQLBindParameter(h, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 7, 0, skip, 0, &nts);
  ASSERT_EQ(SQLExecute(h), SQL_SUCCESS) << s.diag().message;
  low = 0;
  std::strcpy(skip, "v24");
  SQLINTEGER k[3];
  SQLLEN ind[3];
  SQLULEN fetched = 0;
  SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
  SQLBindCol(h, 1, SQL_C_LONG, k, 0, ind);
  const std::vector<std::pair<SQLSMALLINT, std::vector<SQLINTEGER>>> steps = {
      {SQL_FETCH_NEXT, {21, 23, 24}}, {SQL_FETCH_NEXT, {25}}, {SQL_FETCH_PRIOR, {21, 23, 24}}};
  for (const auto& [o, rows] : steps) {
    ASSERT_EQ(SQLFetchScroll(h, o, 0), SQL_SUCCESS);
    EXPECT_EQ(std::vector<SQLINTEGER>(k, k + fetched), rows);
  }
}

// Forward-only cursors refuse to scroll; a static cursor knows its row numbers.
TEST_F(Scrolling, ForwardOnlyRefusesAndStaticCountsRows) {
  Fill(12);
  Session s(entorno.servidor());
  SQLHSTMT h = s.stmt->h;
  ASSERT_EQ(s.Exec("SELECT k FROM s ORDER BY k"), SQL_SUCCESS);
  for (SQLSMALLINT o : {SQL_FETCH_PRIOR, SQL_FETCH_LAST, SQL_FETCH_ABSOLUTE}) {
    EXPECT_EQ(SQLFetchScroll(h, o, 1), SQL_ERROR);
    EXPECT_EQ(s.diag().state, "HY106");
  }
  SQLFreeStmt(h, SQL_CLOSE);
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 5);
  ASSERT_EQ(s.Exec("SELECT k FROM s ORDER BY k"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_LAST, 0), SQL_SUCCESS);
  SQLULEN number = 0;
  SQLGetStmtAttr(h, SQL_ATTR_ROW_NUMBER, &number, 0, nullptr);
  EXPECT_EQ(number, 8u);
  EXPECT_EQ(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0), SQL_ERROR);
  SQLUINTEGER options = 0;
  EXPECT_EQ(SQLGetInfo(s.conn.h, SQL_SCROLL_OPTIONS, &options, sizeof options, nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(options, SQLUINTEGER(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC | SQL_SO_DYNAMIC));
}

}  // namespace
