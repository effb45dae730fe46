// Bookmarks: column 0 of static and dynamic cursors, SQL_FETCH_BOOKMARK with offsets (ODBC 3)
// and SQLExtendedFetch's bookmark (ODBC 2), a deleted row's bookmark, SQLBulkOperations, and
// the errors when bookmarks are off, the cursor is forward-only or the type is wrong.
#include <cstring>
#include <map>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Bookmarks : public ConServidor {};

// Keys 1, 3..8: rowids and row numbers differ.
SQLHSTMT Fill(Session& s, SQLULEN cursorType, SQLULEN bookmarks) {
  s.Ok("CREATE TABLE b (k int, v varchar(5))");
  s.Ok("INSERT INTO b VALUES (1,'a'),(2,'b'),(3,'c'),(4,'d'),(5,'e'),(6,'f'),(7,'g'),(8,'h')");
  s.Ok("DELETE FROM b WHERE k = 2");
  SetAttr(s.stmt->h, SQL_ATTR_CURSOR_TYPE, cursorType);
  SetAttr(s.stmt->h, SQL_ATTR_USE_BOOKMARKS, bookmarks);
  return s.stmt->h;
}

// From the bookmark of key `at`, the offset gives the rowset that starts at key `first` (0: no
// data); a row deleted since is refused by a dynamic cursor and still read by a static one.
TEST_F(Bookmarks, FetchByBookmarkWithOffsets) {
  for (SQLULEN type : {SQLULEN(SQL_CURSOR_DYNAMIC), SQLULEN(SQL_CURSOR_STATIC)}) {
    EntornoTemporal own;
    Session s(own.servidor());
    SQLHSTMT h = Fill(s, type, SQL_UB_VARIABLE);
    SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 3);
    int64_t marks[3], target = 0, got = 0;
    SQLINTEGER k[3];
    SQLLEN markInd[3], kInd[3], ind;
    SQLULEN fetched = 0;
    SQLBindCol(h, 0, SQL_C_VARBOOKMARK, marks, 8, markInd);
    SQLBindCol(h, 1, SQL_C_LONG, k, 0, kInd);
    SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
    SetAttr(h, SQL_ATTR_FETCH_BOOKMARK_PTR, reinterpret_cast<SQLULEN>(&target));
    ASSERT_EQ(s.Exec("SELECT k FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
    std::map<int, int64_t> bookmarkOf;
    for (SQLRETURN rc = SQLFetchScroll(h, SQL_FETCH_FIRST, 0); rc == SQL_SUCCESS;
         rc = SQLFetchScroll(h, SQL_FETCH_NEXT, 0))
      for (SQLULEN i = 0; i < fetched; ++i) bookmarkOf[k[i]] = markInd[i] == 8 ? marks[i] : -1;
    ASSERT_EQ(bookmarkOf.size(), 7u);
    struct Case {
      int at;
      SQLLEN offset;
      int first;
    } cases[] = {{5, 0, 5}, {1, 0, 1}, {1, 2, 4}, {8, -2, 6}, {4, -2, 1}, {8, 1, 0}, {3, -5, 0}};
    for (const Case& c : cases) {
      target = bookmarkOf[c.at];
      SQLRETURN rc = SQLFetchScroll(h, SQL_FETCH_BOOKMARK, c.offset);
      std::string where = std::to_string(type) + ": " + std::to_string(c.at) + " " +
                          std::to_string(c.offset) + " " + s.diag().message;
      ASSERT_EQ(Rc(rc), Rc(c.first ? SQL_SUCCESS : SQL_NO_DATA)) << where;
      if (!c.first) continue;
      EXPECT_EQ(k[0], c.first) << where;
      ASSERT_EQ(SQLGetData(h, 0, SQL_C_VARBOOKMARK, &got, 8, &ind), SQL_SUCCESS) << where;
      EXPECT_EQ(got, bookmarkOf[c.first]) << where;
    }
    OdbcStmt other(s.conn);
    ASSERT_TRUE(SQL_SUCCEEDED(other.Exec("DELETE FROM b WHERE k = 5")));
    target = bookmarkOf[5];
    bool dynamic = type == SQL_CURSOR_DYNAMIC;
    ASSERT_EQ(Rc(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), Rc(dynamic ? SQL_ERROR : SQL_SUCCESS));
    EXPECT_EQ(dynamic ? s.diag().state : std::to_string(k[0]), dynamic ? "HY111" : "5");
  }
}

// ODBC 2: fixed bookmarks (SQL_UB_ON) are 4-byte numbers; SQLExtendedFetch takes one as offset.
TEST_F(Bookmarks, FixedBookmarksOfOdbc2) {
  Session s(entorno.servidor(), SQL_OV_ODBC2);
  SQLHSTMT h = Fill(s, SQL_CURSOR_STATIC, SQL_UB_ON);
  ASSERT_EQ(s.Exec("SELECT k, v FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  SQLUINTEGER mark = 0;
  SQLINTEGER k = 0;
  SQLLEN ind = 0;
  SQLSMALLINT type = 0;
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_ABSOLUTE, 4, &fetched, status), SQL_SUCCESS);
  ASSERT_EQ(SQLGetData(h, 0, SQL_C_ULONG, &mark, 0, &ind), SQL_SUCCESS) << s.diag().message;
  SQLDescribeCol(h, 0, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
  EXPECT_EQ(type, SQL_INTEGER);
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_FIRST, 0, &fetched, status), SQL_SUCCESS);
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_BOOKMARK, SQLLEN(mark), &fetched, status), SQL_SUCCESS);
  SQLGetData(h, 1, SQL_C_LONG, &k, 0, &ind);
  EXPECT_EQ(k, 5);  // the fourth row
}

// What is refused, and what SQLGetInfo says.
TEST_F(Bookmarks, RefusalsAndInformation) {
  Session s(entorno.servidor());
  SQLHSTMT h = Fill(s, SQL_CURSOR_STATIC, SQL_UB_OFF);
  char buf[16];
  SQLLEN ind;
  SQLSMALLINT type = 0;
  SQLULEN size = 0;
  auto state = [&](SQLRETURN rc) { return rc == SQL_ERROR ? s.diag().state : Rc(rc); };
  auto open = [&](SQLULEN cursorType) {
    SQLFreeStmt(h, SQL_CLOSE);
    SetAttr(h, SQL_ATTR_CURSOR_TYPE, cursorType);
    ASSERT_EQ(s.Exec("SELECT k FROM b"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
  };
  open(SQL_CURSOR_STATIC);  // bookmarks off
  EXPECT_EQ(state(SQLBindCol(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  EXPECT_EQ(state(SQLDescribeCol(h, 0, nullptr, 0, nullptr, &type, &size, nullptr, nullptr)),
            "07009");
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  EXPECT_EQ(state(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), "HY106");
  EXPECT_EQ(state(SQLSetStmtAttr(h, SQL_ATTR_USE_BOOKMARKS, SQLPOINTER(SQL_UB_VARIABLE), 0)),
            "24000");
  SQLFreeStmt(h, SQL_CLOSE);
  EXPECT_EQ(state(SQLSetStmtAttr(h, SQL_ATTR_USE_BOOKMARKS, SQLPOINTER(7), 0)), "HY024");
  SetAttr(h, SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE);
  EXPECT_EQ(state(SQLBindCol(h, 0, SQL_C_CHAR, buf, 8, &ind)), "HY003");
  open(SQL_CURSOR_STATIC);
  SQLDescribeCol(h, 0, nullptr, 0, nullptr, &type, &size, nullptr, nullptr);
  EXPECT_EQ(std::make_pair(type, size), std::make_pair(SQLSMALLINT(SQL_BINARY), SQLULEN(8)));
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_CHAR, buf, 8, &ind)), "07006");
  open(SQL_CURSOR_FORWARD_ONLY);
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  EXPECT_EQ(state(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), "HY106");
  SQLUINTEGER v = 0;
  SQLGetInfo(s.conn.h, SQL_BOOKMARK_PERSISTENCE, &v, sizeof v, nullptr);
  EXPECT_EQ(v, SQLUINTEGER(SQL_BP_SCROLL | SQL_BP_UPDATE));
  for (SQLUSMALLINT info : {SQL_STATIC_CURSOR_ATTRIBUTES1, SQL_DYNAMIC_CURSOR_ATTRIBUTES1,
                            SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1}) {
    SQLGetInfo(s.conn.h, info, &v, sizeof v, nullptr);
    EXPECT_EQ((v & SQL_CA1_BOOKMARK) != 0, info != SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1) << info;
  }
}

// SQLBulkOperations by the bookmarks in the bound column 0 (the fetched rowset stays), and
// SQL_ADD giving the new rows' bookmarks.
TEST_F(Bookmarks, BulkOperationsByBookmark) {
  Session s(entorno.servidor());
  SQLHSTMT h = Fill(s, SQL_CURSOR_DYNAMIC, SQL_UB_VARIABLE);
  SetAttr(h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_VALUES);
  SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 2);
  SQLUSMALLINT status[2];
  SetAttr(h, SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
  int64_t marks[2];
  SQLINTEGER k[2];
  char v[2][6];
  SQLLEN markInd[2], kInd[2], vInd[2];
  SQLBindCol(h, 0, SQL_C_VARBOOKMARK, marks, 8, markInd);
  SQLBindCol(h, 1, SQL_C_LONG, k, 0, kInd);
  SQLBindCol(h, 2, SQL_C_CHAR, v, 6, vInd);
  auto values = [&](int k0, const char* v0, int k1, const char* v1) {
    k[0] = k0, k[1] = k1, kInd[0] = kInd[1] = 0, vInd[0] = vInd[1] = SQL_NTS;
    std::strcpy(v[0], v0);
    std::strcpy(v[1], v1);
  };
  ASSERT_EQ(s.Exec("SELECT k, v FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_ABSOLUTE, 2), SQL_SUCCESS);  // keys 3 and 4
  int64_t three = marks[0], four = marks[1];
  values(3, "x3", 4, "x4");
  ASSERT_EQ(SQLBulkOperations(h, SQL_UPDATE_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(status[0], SQL_ROW_UPDATED);
  marks[0] = four, marks[1] = three;  // fetched in the order given
  ASSERT_EQ(SQLBulkOperations(h, SQL_FETCH_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(std::make_pair(k[0], std::string(v[1])), std::make_pair(4, std::string("x3")));
  ASSERT_EQ(SQLBulkOperations(h, SQL_DELETE_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(Rc(SQLBulkOperations(h, SQL_FETCH_BY_BOOKMARK)), Rc(SQL_ERROR));
  EXPECT_EQ(s.diag().state, "HY111");
  values(20, "n0", 21, "n1");
  ASSERT_EQ(SQLBulkOperations(h, SQL_ADD), SQL_SUCCESS) << s.diag().message;
  SetAttr(h, SQL_ATTR_FETCH_BOOKMARK_PTR, reinterpret_cast<SQLULEN>(&marks[1]));
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(k[0], 21);
  OdbcStmt other(s.conn);
  EXPECT_EQ(other.Query("SELECT k, v FROM b ORDER BY k"),
            (Rows{{"1", "a"}, {"5", "e"}, {"6", "f"}, {"7", "g"}, {"8", "h"}, {"20", "n0"},
                  {"21", "n1"}}));
}

}  // namespace
