// Fetch conversions into bound C buffers: every C type the library and general clients bind,
// truncation (01004 and the full length), fractional truncation (01S07), out of range (22003),
// and NULL (SQL_NULL_DATA, buffer untouched), with column-wise and row-wise binding.
#include <cstring>

#include "Entorno.h"
#include "Odbc.h"

namespace {

template <class T>
std::string Bytes(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

std::string Text(const char* s) { return std::string(s) + '\0'; }

SQL_TIMESTAMP_STRUCT Stamp() {
  SQL_TIMESTAMP_STRUCT t{};
  t.year = 2009;
  t.month = 3;
  t.day = 5;
  t.hour = 10;
  t.minute = 11;
  t.second = 12;
  t.fraction = 250000000;
  return t;
}

class Conversions : public ConServidor {};

TEST_F(Conversions, BoundColumnsTakeEveryCType) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE cv (c char(8), vc varchar(20), i int, big bigint, d dec(10,3), f float, "
       "dt datetime, b bit, z int)");
  s.Ok("INSERT INTO cv VALUES ('abc', 'hello world', 300, 5000000000, 12.5, 1.25, "
       "'2009-03-05 10:11:12.250', 1, NULL)");
  SQL_DATE_STRUCT date{2009, 3, 5};
  struct Case {
    std::string column;
    SQLSMALLINT cType;
    SQLLEN length;
    SQLRETURN rc;
    std::string state;
    SQLLEN indicator;
    std::string data;  // bytes written; empty: the buffer stays as it was
  } cases[] = {
      {"c", SQL_C_CHAR, 20, SQL_SUCCESS, "", 8, Text("abc     ")},
      {"c", SQL_C_CHAR, 4, SQL_SUCCESS_WITH_INFO, "01004", 8, Text("abc")},
      {"c", SQL_C_CHAR, 1, SQL_SUCCESS_WITH_INFO, "01004", 8, Text("")},
      {"c", SQL_C_DEFAULT, 9, SQL_SUCCESS, "", 8, Text("abc     ")},
      {"vc", SQL_C_CHAR, 6, SQL_SUCCESS_WITH_INFO, "01004", 11, Text("hello")},
      {"i", SQL_C_LONG, 0, SQL_SUCCESS, "", 4, Bytes<SQLINTEGER>(300)},
      {"i", SQL_C_DEFAULT, 0, SQL_SUCCESS, "", 4, Bytes<SQLINTEGER>(300)},
      {"i", SQL_C_SHORT, 0, SQL_SUCCESS, "", 2, Bytes<SQLSMALLINT>(300)},
      {"i", SQL_C_USHORT, 0, SQL_SUCCESS, "", 2, Bytes<SQLUSMALLINT>(300)},
      {"i", SQL_C_SBIGINT, 0, SQL_SUCCESS, "", 8, Bytes<SQLBIGINT>(300)},
      {"i", SQL_C_TINYINT, 0, SQL_ERROR, "22003", -7, ""},
      {"i", SQL_C_UTINYINT, 0, SQL_ERROR, "22003", -7, ""},
      {"i", SQL_C_BIT, 0, SQL_ERROR, "22003", -7, ""},
      {"i", SQL_C_DOUBLE, 0, SQL_SUCCESS, "", 8, Bytes<SQLDOUBLE>(300)},
      {"i", SQL_C_FLOAT, 0, SQL_SUCCESS, "", 4, Bytes<SQLREAL>(300)},
      {"i", SQL_C_CHAR, 10, SQL_SUCCESS, "", 3, Text("300")},
      {"i", SQL_C_CHAR, 3, SQL_SUCCESS_WITH_INFO, "01004", 3, Text("30")},
      {"big", SQL_C_LONG, 0, SQL_ERROR, "22003", -7, ""},
      {"big", SQL_C_SBIGINT, 0, SQL_SUCCESS, "", 8, Bytes<SQLBIGINT>(5000000000LL)},
      {"d", SQL_C_CHAR, 20, SQL_SUCCESS, "", 6, Text("12.500")},
      {"d", SQL_C_DEFAULT, 20, SQL_SUCCESS, "", 6, Text("12.500")},
      {"d", SQL_C_DOUBLE, 0, SQL_SUCCESS, "", 8, Bytes<SQLDOUBLE>(12.5)},
      {"d", SQL_C_FLOAT, 0, SQL_SUCCESS, "", 4, Bytes<SQLREAL>(12.5f)},
      {"d", SQL_C_LONG, 0, SQL_SUCCESS_WITH_INFO, "01S07", 4, Bytes<SQLINTEGER>(12)},
      {"f", SQL_C_CHAR, 20, SQL_SUCCESS, "", 4, Text("1.25")},
      {"f", SQL_C_BIT, 0, SQL_SUCCESS_WITH_INFO, "01S07", 1, Bytes<SQLCHAR>(1)},
      {"dt", SQL_C_TYPE_TIMESTAMP, 0, SQL_SUCCESS, "", 16, Bytes(Stamp())},
      {"dt", SQL_C_TIMESTAMP, 0, SQL_SUCCESS, "", 16, Bytes(Stamp())},
      {"dt", SQL_C_DEFAULT, 0, SQL_SUCCESS, "", 16, Bytes(Stamp())},
      {"dt", SQL_C_TYPE_DATE, 0, SQL_SUCCESS_WITH_INFO, "01S07", 6, Bytes(date)},
      {"dt", SQL_C_CHAR, 30, SQL_SUCCESS, "", 23, Text("2009-03-05 10:11:12.250")},
      {"b", SQL_C_BIT, 0, SQL_SUCCESS, "", 1, Bytes<SQLCHAR>(1)},
      {"b", SQL_C_CHAR, 4, SQL_SUCCESS, "", 1, Text("1")},
      {"c", SQL_C_TYPE_TIMESTAMP, 0, SQL_ERROR, "22018", -7, ""},
      {"vc", SQL_C_LONG, 0, SQL_ERROR, "22018", -7, ""},
      {"z", SQL_C_LONG, 0, SQL_SUCCESS, "", SQL_NULL_DATA, ""},
      {"z", SQL_C_CHAR, 8, SQL_SUCCESS, "", SQL_NULL_DATA, ""},
  };
  SQLHSTMT h = s.stmt->h;
  for (const Case& c : cases) {
    std::string what = c.column + " as C type " + std::to_string(c.cType);
    SQLFreeStmt(h, SQL_UNBIND);
    unsigned char buffer[64];
    std::memset(buffer, 0xAB, sizeof buffer);
    SQLLEN indicator = -7;
    ASSERT_EQ(SQLBindCol(h, 1, c.cType, buffer, c.length, &indicator), SQL_SUCCESS);
    ASSERT_EQ(s.Exec("SELECT " + c.column + " FROM cv"), SQL_SUCCESS) << what;
    SQLRETURN rc = SQLFetch(h);
    EXPECT_EQ(Rc(rc), Rc(c.rc)) << what;
    EXPECT_EQ(s.diag().state, c.state) << what;
    EXPECT_EQ(indicator, c.indicator) << what;
    std::string untouched(sizeof buffer, char(0xAB));
    std::string got(reinterpret_cast<char*>(buffer), sizeof buffer);
    if (c.data.empty()) {
      EXPECT_EQ(got, untouched) << what;
    } else {
      EXPECT_EQ(got.substr(0, c.data.size()), c.data) << what;
      EXPECT_EQ(got.substr(c.data.size()), untouched.substr(c.data.size())) << what;
    }
    SQLFreeStmt(h, SQL_CLOSE);
  }
}

// The same rows bound column-wise and row-wise (one row's offset in): a NULL leaves its element
// alone, a cut text marks its row SQL_ROW_SUCCESS_WITH_INFO and the fetch 01004.
TEST_F(Conversions, RowsetsBoundByColumnAndByRow) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE rw (k int NOT NULL, t varchar(12), d dec(5,1))");
  s.Ok("INSERT INTO rw VALUES (1, 'one', 1.5)");
  s.Ok("INSERT INTO rw VALUES (2, NULL, NULL)");
  s.Ok("INSERT INTO rw VALUES (3, 'three long', 3)");
  struct Row {
    SQLINTEGER k;
    SQLLEN kInd;
    char t[6];
    SQLLEN tInd;
    double d;
    SQLLEN dInd;
  };
  const SQLLEN kUntouched = SQLLEN(0x5A5A5A5A5A5A5A5A);
  for (bool byRow : {false, true}) {
    SQLHSTMT h = s.stmt->h;
    SQLFreeStmt(h, SQL_UNBIND);
    Row rows[5];
    SQLINTEGER k[4];
    char t[4][6];
    double d[4];
    SQLLEN ki[4], ti[4], di[4];
    std::memset(rows, 0x5A, sizeof rows);
    std::memset(t, 0x5A, sizeof t);
    std::memset(d, 0x5A, sizeof d);
    std::memset(ki, 0x5A, sizeof ki);
    SQLUSMALLINT status[4];
    SQLULEN fetched = 0, offset = sizeof(Row);
    SetAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, 4);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status, 0);
    SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SetAttr(h, SQL_ATTR_ROW_BIND_TYPE, byRow ? sizeof(Row) : SQL_BIND_BY_COLUMN);
    SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_OFFSET_PTR, byRow ? &offset : nullptr, 0);
    if (byRow) {
      SQLBindCol(h, 1, SQL_C_LONG, &rows[0].k, 0, &rows[0].kInd);
      SQLBindCol(h, 2, SQL_C_CHAR, rows[0].t, sizeof rows[0].t, &rows[0].tInd);
      SQLBindCol(h, 3, SQL_C_DOUBLE, &rows[0].d, 0, &rows[0].dInd);
    } else {
      SQLBindCol(h, 1, SQL_C_LONG, k, 0, ki);
      SQLBindCol(h, 2, SQL_C_CHAR, t, sizeof t[0], ti);
      SQLBindCol(h, 3, SQL_C_DOUBLE, d, 0, di);
    }
    SetAttr(h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
    ASSERT_EQ(s.Exec("SELECT k, t, d FROM rw ORDER BY k"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_FIRST, 0), SQL_SUCCESS_WITH_INFO);
    auto all = AllDiags(SQL_HANDLE_STMT, h);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].state, "01004");
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ((std::vector<SQLUSMALLINT>(status, status + 4)),
              (std::vector<SQLUSMALLINT>{SQL_ROW_SUCCESS, SQL_ROW_SUCCESS,
                                         SQL_ROW_SUCCESS_WITH_INFO, SQL_ROW_NOROW}));
    // Per row: key, text indicator, text, number indicator, number ("-" for untouched).
    const std::vector<std::string> want[] = {{"1", "3", "one", "8", "1.500000"},
                                             {"2", "-1", "-", "-1", "-"},
                                             {"3", "10", "three", "8", "3.000000"}};
    for (int r = 0; r < 3; ++r) {
      const Row& row = rows[r + 1];
      const char* text = byRow ? row.t : t[r];
      double number = byRow ? row.d : d[r];
      unsigned char first;
      std::memcpy(&first, &number, 1);
      EXPECT_EQ((std::vector<std::string>{
                    std::to_string(byRow ? row.k : k[r]), std::to_string(byRow ? row.tInd : ti[r]),
                    text[0] == 0x5A ? "-" : text, std::to_string(byRow ? row.dInd : di[r]),
                    first == 0x5A ? "-" : std::to_string(number)}),
                want[r])
          << (byRow ? "by row" : "by column");
    }
    // The slot before the offset and the fourth one were not written.
    EXPECT_EQ(byRow ? rows[4].kInd : ki[3], kUntouched) << byRow;
    EXPECT_EQ(rows[0].kInd, kUntouched);
    SQLFreeStmt(h, SQL_CLOSE);
  }
}

}  // namespace
