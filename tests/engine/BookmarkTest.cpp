// Bookmarks: column 0 of static and dynamic cursors, SQL_FETCH_BOOKMARK with offsets (ODBC 3)
// and SQLExtendedFetch's bookmark (ODBC 2), a deleted row's bookmark, and the errors when
// bookmarks are off, the cursor is forward-only or the type is wrong.
#include <cstring>
#include <map>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Bookmarks : public ConServidor {};

void Fill(Session& s) {
  s.Ok("CREATE TABLE b (k int, v varchar(5))");
  s.Ok("INSERT INTO b VALUES (1,'a'),(2,'b'),(3,'c'),(4,'d'),(5,'e'),(6,'f'),(7,'g'),(8,'h')");
  s.Ok("DELETE FROM b WHERE k = 2");  // rowids and row numbers differ
}

// From the bookmark of key `at`, fetching with the offset gives the rowset that starts at key
// `first` (0: no data), on both cursor kinds; a deleted row's bookmark is refused (dynamic) or
// still read (static: its rows were read at execute).
TEST_F(Bookmarks, FetchByBookmarkWithOffsets) {
  for (SQLULEN type : {SQLULEN(SQL_CURSOR_DYNAMIC), SQLULEN(SQL_CURSOR_STATIC)}) {
    EntornoTemporal own;
    Session s(own.servidor());
    Fill(s);
    SQLHSTMT h = s.stmt->h;
    SetAttr(h, SQL_ATTR_CURSOR_TYPE, type);
    SetAttr(h, SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE);
    SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 3);
    int64_t marks[3];
    SQLLEN markInd[3];
    SQLINTEGER k[3];
    SQLLEN kInd[3];
    ASSERT_EQ(SQLBindCol(h, 0, SQL_C_VARBOOKMARK, marks, sizeof marks[0], markInd), SQL_SUCCESS);
    SQLBindCol(h, 1, SQL_C_LONG, k, 0, kInd);
    SQLULEN fetched = 0;
    SetAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
    ASSERT_EQ(s.Exec("SELECT k FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
    std::map<int, int64_t> bookmarkOf;
    for (SQLRETURN rc = SQLFetchScroll(h, SQL_FETCH_FIRST, 0); rc == SQL_SUCCESS;
         rc = SQLFetchScroll(h, SQL_FETCH_NEXT, 0)) {
      for (SQLULEN i = 0; i < fetched; ++i) {
        EXPECT_EQ(markInd[i], 8);
        bookmarkOf[k[i]] = marks[i];
      }
    }
    ASSERT_EQ(bookmarkOf.size(), 7u);
    SQLGetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr);
    int64_t target = 0;
    SetAttr(h, SQL_ATTR_FETCH_BOOKMARK_PTR, reinterpret_cast<SQLULEN>(&target));
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
      if (c.first == 0) {
        EXPECT_EQ(Rc(rc), Rc(SQL_NO_DATA)) << where;
        continue;
      }
      ASSERT_EQ(Rc(rc), Rc(SQL_SUCCESS)) << where;
      EXPECT_EQ(k[0], c.first) << where;
      EXPECT_EQ(marks[0], bookmarkOf[c.first]) << where;
      // Column 0 through SQLGetData gives the same bookmark.
      int64_t got = 0;
      SQLLEN ind = 0;
      ASSERT_EQ(SQLGetData(h, 0, SQL_C_VARBOOKMARK, &got, sizeof got, &ind), SQL_SUCCESS);
      EXPECT_EQ(got, marks[0]) << where;
    }
    // Another statement deletes key 5.
    OdbcStmt other(s.conn);
    ASSERT_TRUE(SQL_SUCCEEDED(other.Exec("DELETE FROM b WHERE k = 5")));
    target = bookmarkOf[5];
    SQLRETURN rc = SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0);
    if (type == SQL_CURSOR_DYNAMIC) {
      EXPECT_EQ(Rc(rc), Rc(SQL_ERROR));
      EXPECT_EQ(s.diag().state, "HY111");
      target = 999;
      EXPECT_EQ(Rc(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), Rc(SQL_ERROR));
    } else {
      EXPECT_EQ(Rc(rc), Rc(SQL_SUCCESS));
      EXPECT_EQ(k[0], 5);
    }
  }
}

// ODBC 2: fixed bookmarks (SQL_UB_ON) as 4-byte numbers, SQLExtendedFetch taking the bookmark.
TEST_F(Bookmarks, FixedBookmarksOfOdbc2) {
  Session s(entorno.servidor(), SQL_OV_ODBC2);
  Fill(s);
  SQLHSTMT h = s.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC);
  SetAttr(h, SQL_ATTR_USE_BOOKMARKS, SQL_UB_ON);
  ASSERT_EQ(s.Exec("SELECT k, v FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1];
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_ABSOLUTE, 4, &fetched, status), SQL_SUCCESS);
  SQLUINTEGER mark = 0;
  SQLLEN ind = 0;
  ASSERT_EQ(SQLGetData(h, 0, SQL_C_ULONG, &mark, 0, &ind), SQL_SUCCESS) << s.diag().message;
  SQLSMALLINT type = 0;
  SQLDescribeCol(h, 0, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr);
  EXPECT_EQ(type, SQL_INTEGER);
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_FIRST, 0, &fetched, status), SQL_SUCCESS);
  ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_BOOKMARK, SQLLEN(mark), &fetched, status), SQL_SUCCESS)
      << s.diag().message;
  SQLINTEGER k = 0;
  SQLGetData(h, 1, SQL_C_LONG, &k, 0, &ind);
  EXPECT_EQ(k, 5);  // the fourth row: key 2 is gone
}

// What is refused, and what SQLGetInfo says.
TEST_F(Bookmarks, RefusalsAndInformation) {
  Session s(entorno.servidor());
  Fill(s);
  SQLHSTMT h = s.stmt->h;
  char buf[16];
  SQLLEN ind;
  auto state = [&](SQLRETURN rc) { return rc == SQL_ERROR ? s.diag().state : Rc(rc); };
  // Bookmarks off.
  ASSERT_EQ(s.Exec("SELECT k FROM b"), SQL_SUCCESS);
  EXPECT_EQ(state(SQLBindCol(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  EXPECT_EQ(state(SQLDescribeCol(h, 0, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr)),
            "07009");
  ASSERT_EQ(SQLFetch(h), SQL_SUCCESS);
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  SQLFreeStmt(h, SQL_CLOSE);
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC);
  ASSERT_EQ(s.Exec("SELECT k FROM b"), SQL_SUCCESS);
  EXPECT_EQ(state(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), "HY106");
  EXPECT_EQ(state(SQLSetStmtAttr(h, SQL_ATTR_USE_BOOKMARKS,
                                 reinterpret_cast<SQLPOINTER>(SQL_UB_VARIABLE), 0)),
            "24000");
  SQLFreeStmt(h, SQL_CLOSE);
  EXPECT_EQ(state(SQLSetStmtAttr(h, SQL_ATTR_USE_BOOKMARKS, reinterpret_cast<SQLPOINTER>(7), 0)),
            "HY024");
  // Bookmarks on: types a bookmark does not take; a forward-only cursor has none.
  SetAttr(h, SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE);
  EXPECT_EQ(state(SQLBindCol(h, 0, SQL_C_CHAR, buf, 8, &ind)), "HY003");
  ASSERT_EQ(s.Exec("SELECT k FROM b"), SQL_SUCCESS);
  SQLSMALLINT type = 0;
  SQLULEN size = 0;
  SQLDescribeCol(h, 0, nullptr, 0, nullptr, &type, &size, nullptr, nullptr);
  EXPECT_EQ(type, SQL_BINARY);
  EXPECT_EQ(size, 8u);
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_CHAR, buf, 8, &ind)), "07006");
  SQLFreeStmt(h, SQL_CLOSE);
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_FORWARD_ONLY);
  ASSERT_EQ(s.Exec("SELECT k FROM b"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(h), SQL_SUCCESS);
  EXPECT_EQ(state(SQLGetData(h, 0, SQL_C_VARBOOKMARK, buf, 8, &ind)), "07009");
  EXPECT_EQ(state(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0)), "HY106");
  SQLFreeStmt(h, SQL_CLOSE);
  SQLUINTEGER v = 0;
  SQLGetInfo(s.conn.h, SQL_BOOKMARK_PERSISTENCE, &v, sizeof v, nullptr);
  EXPECT_EQ(v, SQLUINTEGER(SQL_BP_SCROLL | SQL_BP_UPDATE));
  for (SQLUSMALLINT info : {SQL_STATIC_CURSOR_ATTRIBUTES1, SQL_DYNAMIC_CURSOR_ATTRIBUTES1,
                            SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1}) {
    SQLGetInfo(s.conn.h, info, &v, sizeof v, nullptr);
    EXPECT_EQ((v & SQL_CA1_BOOKMARK) != 0, info != SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1) << info;
  }
}

// SQLBulkOperations by the bookmarks of the bound column 0, and SQL_ADD giving the new rows'
// bookmarks; the fetched rowset is left as it was.
TEST_F(Bookmarks, BulkOperationsByBookmark) {
  Session s(entorno.servidor());
  Fill(s);
  SQLHSTMT h = s.stmt->h;
  SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_VALUES);
  SetAttr(h, SQL_ATTR_USE_BOOKMARKS, SQL_UB_VARIABLE);
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
  ASSERT_EQ(s.Exec("SELECT k, v FROM b ORDER BY k"), SQL_SUCCESS) << s.diag().message;
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_ABSOLUTE, 2), SQL_SUCCESS);  // keys 3 and 4
  int64_t three = marks[0], four = marks[1];
  std::strcpy(v[0], "x3");
  std::strcpy(v[1], "x4");
  vInd[0] = vInd[1] = SQL_NTS;
  ASSERT_EQ(SQLBulkOperations(h, SQL_UPDATE_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(status[0], SQL_ROW_UPDATED);
  // Fetch by bookmark, in the order the bookmarks are given.
  marks[0] = four;
  marks[1] = three;
  ASSERT_EQ(SQLBulkOperations(h, SQL_FETCH_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(k[0], 4);
  EXPECT_STREQ(v[1], "x3");
  marks[1] = four;
  marks[0] = three;
  ASSERT_EQ(SQLBulkOperations(h, SQL_DELETE_BY_BOOKMARK), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(Rc(SQLBulkOperations(h, SQL_FETCH_BY_BOOKMARK)), Rc(SQL_ERROR));
  EXPECT_EQ(s.diag().state, "HY111");
  // Two new rows; their bookmarks fetch them.
  k[0] = 20, k[1] = 21;
  std::strcpy(v[0], "n0");
  std::strcpy(v[1], "n1");
  vInd[0] = vInd[1] = SQL_NTS;
  kInd[0] = kInd[1] = 0;
  ASSERT_EQ(SQLBulkOperations(h, SQL_ADD), SQL_SUCCESS) << s.diag().message;
  int64_t added = marks[1];
  SetAttr(h, SQL_ATTR_FETCH_BOOKMARK_PTR, reinterpret_cast<SQLULEN>(&added));
  ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_BOOKMARK, 0), SQL_SUCCESS) << s.diag().message;
  EXPECT_EQ(k[0], 21);
  OdbcStmt other(s.conn);
  EXPECT_EQ(other.Query("SELECT k, v FROM b ORDER BY k"),
            (Rows{{"1", "a"}, {"5", "e"}, {"6", "f"}, {"7", "g"}, {"8", "h"}, {"20", "n0"},
                  {"21", "n1"}}));
}

}  // namespace
