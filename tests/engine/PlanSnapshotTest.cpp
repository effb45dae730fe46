// Shared plans of texts that differ only in their literals, and dynamic cursors that keep their
// read snapshot between fetches: both must never show anything older than the last commit.
#include <sqlite3.h>
#include <unistd.h>

#include "Entorno.h"
#include "Odbc.h"

namespace {

class Plans : public ConServidor {
 protected:
  void Fill(Session& s) {
    s.Ok("CREATE TABLE h (k int NOT NULL, v varchar(10))");
    s.Ok("CREATE UNIQUE INDEX h_k ON h (k)");
    for (int k = 2; k <= 40; k += 2)
      s.Ok("INSERT INTO h VALUES (" + std::to_string(k) + ", 'v" + std::to_string(k) + "')");
  }
};

// A dynamic cursor with a rowset of 1 over h in key order; Next gives "k v" or "no data".
struct Walk {
  explicit Walk(Session& s) : s(s) {
    SetAttr(s.stmt->h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
    SQLBindCol(s.stmt->h, 1, SQL_C_LONG, &k, 0, &ik);
    SQLBindCol(s.stmt->h, 2, SQL_C_CHAR, v, sizeof v, &iv);
    EXPECT_EQ(s.Exec("SELECT k, v FROM h ORDER BY k"), SQL_SUCCESS) << s.diag().message;
  }
  std::string Fetch(SQLSMALLINT o = SQL_FETCH_NEXT) {
    SQLRETURN rc = SQLFetchScroll(s.stmt->h, o, 0);
    if (rc == SQL_NO_DATA) return "no data";
    EXPECT_EQ(rc, SQL_SUCCESS) << s.diag().message;
    return std::to_string(k) + " " + v;
  }
  Session& s;
  SQLINTEGER k = 0;
  char v[11] = {};
  SQLLEN ik = 0, iv = 0;
};

// Whether a full checkpoint of the file can run now (no reader holds an old snapshot).
bool CheckpointRuns(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);  // opens the log
  int log = 0, done = 0;
  int rc = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, &log, &done);
  sqlite3_close(db);
  return rc == SQLITE_OK;
}

// Literals become parameters only where a value is meant: a position in ORDER BY stays one,
// quotes inside a text survive, and each text gets its own values.
TEST_F(Plans, TextsThatDifferInLiteralsGiveTheirOwnRows) {
  Session s(entorno.servidor());
  Fill(s);
  s.Ok("INSERT INTO h VALUES (50, 'O''Neil')");
  const std::vector<std::pair<std::string, Rows>> cases = {
      {"SELECT v FROM h WHERE k = 4", {{"v4"}}},
      {"SELECT v FROM h WHERE k = 6", {{"v6"}}},
      {"SELECT k FROM h WHERE v = 'O''Neil'", {{"50"}}},
      {"SELECT k, v FROM h WHERE k > 34 ORDER BY 2 DESC",
       {{"40", "v40"}, {"38", "v38"}, {"36", "v36"}, {"50", "O'Neil"}}},
      {"SELECT k, 'x' FROM h WHERE k IN (2, 4) AND v LIKE 'v%' ORDER BY k", {{"2", "x"}, {"4", "x"}}},
      {"SELECT k FROM h WHERE k BETWEEN 3.5 AND 6 ORDER BY k", {{"4"}, {"6"}}},
  };
  for (const auto& [sql, rows] : cases) EXPECT_EQ(s.stmt->Query(sql), rows) << sql;
}

// What a text gives: its column types and rows, or its error's state.
std::string Outcome(SQLHSTMT h, SQLRETURN rc, OdbcStmt& st) {
  if (!SQL_SUCCEEDED(rc)) {
    SQLFreeStmt(h, SQL_CLOSE);
    return "error " + st.diag().state;
  }
  std::string out;
  SQLSMALLINT cols = 0;
  SQLNumResultCols(h, &cols);
  for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(cols); ++c) {
    auto [type, size, digits, nullable] = Describe(h, c);
    out += std::to_string(type) + "/" + std::to_string(size) + "/" + std::to_string(digits) + " ";
  }
  for (const auto& row : st.Rows()) {
    out += "|";
    for (const auto& v : row) out += v + ",";
  }
  return out;
}

// Texts that differ only in literals share a kept plan where that changes nothing: every text,
// run directly (after others of its form), gives what its own translation gives (a prepared
// statement is translated every time). Each group is run twice over, so that later texts meet
// plans learned from earlier ones.
TEST_F(Plans, TextsOfOneFormGiveWhatTheirOwnTranslationGives) {
  Session s(entorno.servidor()), other(entorno.servidor());
  Fill(s);
  s.Ok("INSERT INTO h VALUES (50, 'O''Neil')");
  s.Ok("INSERT INTO h VALUES (51, '4')");
  s.Ok("CREATE TABLE q ([a'b] int, \"x\" varchar(5), t datetime, d dec(20,2))");
  s.Ok("INSERT INTO q VALUES (1, 'it''s', '05/01/2026', 1.5)");
  s.Ok("INSERT INTO q VALUES (2, 'its', '01/05/2026', 22.25)");
  s.Ok("CREATE TABLE w (id int, t datetime)");
  s.Ok("INSERT INTO w VALUES (1, '05/01/2026')");
  s.Ok("INSERT INTO w VALUES (2, '05/01/2026')");
  const std::vector<std::vector<std::string>> groups = {
      {"SELECT v FROM h WHERE k = 4", "SELECT v FROM h WHERE k = 6", "SELECT v FROM h WHERE k = 8"},
      {"SELECT k FROM h WHERE v = 'v4'", "SELECT k FROM h WHERE v = 'O''Neil'",
       "SELECT k FROM h WHERE v = N'v6'", "SELECT k FROM h WHERE v = 4", "SELECT k FROM h WHERE v = '4'"},
      {"SELECT k FROM h WHERE k = 4", "SELECT k FROM h WHERE k = '6'", "SELECT k FROM h WHERE k = 4.0",
       "SELECT k FROM h WHERE k = 40", "SELECT k FROM h WHERE k = 3000000000",
       "SELECT k FROM h WHERE k = 2147483648", "SELECT k FROM h WHERE k = 1e1"},
      {"SELECT 'a', k + 1 FROM h WHERE k = 2", "SELECT 'bb', k + 1 FROM h WHERE k = 2",
       "SELECT 'bb', k + 1.5 FROM h WHERE k = 4", "SELECT 'bb', k + 1.55 FROM h WHERE k = 4"},
      {"SELECT TOP 1 k FROM h ORDER BY k", "SELECT TOP 2 k FROM h ORDER BY k",
       "SELECT TOP 3 k FROM h WHERE k > 3 ORDER BY k", "SELECT TOP 3 k FROM h WHERE k > 3 ORDER BY k"},
      {"SELECT k, v FROM h WHERE k < 7 ORDER BY 1 DESC", "SELECT k, v FROM h WHERE k < 7 ORDER BY 2 DESC",
       "SELECT k, v FROM h WHERE k < 9 ORDER BY 2 DESC"},
      {"SELECT k FROM h WHERE k >= 4 AND k <= 4", "SELECT k FROM h WHERE k >= 4 AND k <= 8",
       "SELECT k FROM h WHERE k >= 6 AND k <= 6", "SELECT k FROM h WHERE k >= 6 AND k <= 10"},
      {"SELECT k FROM h WHERE k = 4 -- 'x'\n", "SELECT k FROM h WHERE k = 6 -- 'x'\n",
       "SELECT k FROM h WHERE k = 6 /* it's */ OR k = 8", "SELECT k FROM h WHERE k = 2 /* it's */ OR k = 4"},
      {"SELECT [a'b] FROM q WHERE \"x\" = 'it''s'", "SELECT [a'b] FROM q WHERE \"x\" = 'its'",
       "SELECT [a'b] FROM q WHERE \"x\" = N'it''s'", "SELECT [a'b] FROM q WHERE [x] = 'its'"},
      {"SELECT [a'b] FROM q WHERE t = '05/01/2026'", "SELECT [a'b] FROM q WHERE t = '01/05/2026'",
       "SELECT [a'b] FROM q WHERE t = '2026-01-05 00:00:00.000'",
       "SELECT [a'b] FROM q WHERE t = '2026-05-01 00:00:00.000'",
       "SELECT [a'b] FROM q WHERE t = '2026-13-45 00:00:00.000'",
       "SET DATEFORMAT mdy", "SELECT [a'b] FROM q WHERE t = '05/01/2026'",
       "SELECT [a'b] FROM q WHERE t = '01/05/2026'", "SET DATEFORMAT dmy"},
      {"SELECT [a'b], d + 1 FROM q WHERE d = 1.5", "SELECT [a'b], d + 1 FROM q WHERE d = 22.25",
       "SELECT [a'b], d + 1 FROM q WHERE d = 22.50", "SELECT [a'b] FROM q WHERE d > 2"},
      {"SELECT id FROM w WHERE id = 1 AND t = '05/01/2026'",
       "SELECT id FROM w WHERE id = 2 AND t = '05/01/2026'",
       "SELECT id FROM w WHERE id = 3 AND t = '05/01/2026'",
       "SELECT id FROM w WHERE id = 1 AND t = '05/01/2026'",
       "DROP TABLE w; CREATE TABLE w (id int, t varchar(30)); "
       "INSERT INTO w VALUES (1, '05/01/2026'); INSERT INTO w VALUES (2, 'x')",
       "SELECT id FROM w WHERE id = 1 AND t = '05/01/2026'",
       "SELECT id FROM w WHERE id = 2 AND t = '05/01/2026'"},
  };
  OdbcStmt prepared(s.conn);
  for (const auto& group : groups)
    for (int round = 0; round < 2; ++round)
      for (const std::string& sql : group) {
        if (sql.rfind("SELECT", 0) != 0) {
          if (sql.rfind("DROP", 0) == 0) {
            if (round == 0) other.Ok(sql);
          } else {
            s.Ok(sql);
          }
          continue;
        }
        SQLRETURN rc = SQLPrepare(prepared.h, (SQLCHAR*)sql.c_str(), SQL_NTS);
        if (SQL_SUCCEEDED(rc)) rc = SQLExecute(prepared.h);
        std::string expected = Outcome(prepared.h, rc, prepared);
        EXPECT_EQ(Outcome(s.stmt->h, s.stmt->Exec(sql), *s.stmt), expected) << sql;
      }
  // The table the other connection made again: its text column shows.
  EXPECT_EQ(s.stmt->Query("SELECT * FROM w WHERE id = 1"), (Rows{{"1", "05/01/2026"}}));
}

// Writes of one form share a kept plan too: every write run directly on table d (after others
// of its form) leaves d as its prepared twin, translated every time, leaves table p, with the
// same row count or error. The values differ from the constants the translation adds (a scale
// of 0, a length of 10), come as strings, numbers and dates read by the date format, and break
// checks some texts of the form pass.
TEST_F(Plans, WritesOfOneFormDoWhatTheirOwnTranslationDoes) {
  Session s(entorno.servidor());
  for (const char* t : {"d", "p"}) {
    s.Ok(std::string("CREATE TABLE ") + t + " (k int NOT NULL, v varchar(10), n dec(10,2), t datetime)");
    s.Ok(std::string("CREATE UNIQUE INDEX ") + t + "_k ON " + t + " (k)");
    for (int k = 2; k <= 20; k += 2)
      s.Ok(std::string("INSERT INTO ") + t + " VALUES (" + std::to_string(k) + ", 'v" +
           std::to_string(k) + "', " + std::to_string(k) + ".5, NULL)");
  }
  const std::vector<std::string> writes = {
      "UPDATE @ SET v = 'a' WHERE k = 2", "UPDATE @ SET v = 'b''c' WHERE k = 4",
      "UPDATE @ SET v = N'd' WHERE k = 6", "UPDATE @ SET v = 'longer than ten' WHERE k = 8",
      "UPDATE @ SET v = '0' WHERE k = 10", "UPDATE @ SET v = 10 WHERE k = 12",
      "UPDATE @ SET n = n + 1 WHERE k = 2", "UPDATE @ SET n = n + 0 WHERE k = 4",
      "UPDATE @ SET n = n + 2 WHERE k = 10", "UPDATE @ SET n = n + 1.5 WHERE k = 4",
      "UPDATE @ SET n = n + 1.255 WHERE k = 6", "UPDATE @ SET n = n * 3 WHERE k > 14",
      "UPDATE @ SET n = n + 99999999 WHERE k = 2",
      "INSERT INTO @ VALUES (60, 'x', 1.5, '05/01/2026')",
      "INSERT INTO @ VALUES (61, 'y', 2.25, '01/05/2026')",
      "INSERT INTO @ VALUES (62, 'y', 2.255, '31/12/2026')",
      "INSERT INTO @ VALUES (63, 'y', 2.5, '12/31/2026')", "SET DATEFORMAT mdy",
      "INSERT INTO @ VALUES (64, 'z', 3, '12/31/2026')",
      "INSERT INTO @ VALUES (65, 'z', 3, '05/01/2026')", "SET DATEFORMAT dmy",
      "INSERT INTO @ VALUES (60, 'again', 1, NULL)", "INSERT INTO @ (k, v) VALUES ('66', 4)",
      "INSERT INTO @ (k, v) VALUES ('x67', 4)", "DELETE FROM @ WHERE k = 14",
      "DELETE FROM @ WHERE k = 16 OR v = 'v18'", "DELETE FROM @ WHERE k = 20 OR v = 'v18'"};
  OdbcStmt prepared(s.conn);
  auto outcome = [](SQLHSTMT h, SQLRETURN rc, OdbcStmt& st) {
    SQLLEN count = -2;
    if (SQL_SUCCEEDED(rc)) SQLRowCount(h, &count);
    return SQL_SUCCEEDED(rc) ? "rows " + std::to_string(count) : "error " + st.diag().state;
  };
  for (int round = 0; round < 2; ++round)
    for (const std::string& text : writes) {
      size_t at = text.find('@');
      if (at == std::string::npos) {
        s.Ok(text);
        continue;
      }
      std::string direct = std::string(text).replace(at, 1, "d");
      std::string twin = std::string(text).replace(at, 1, "p");
      SQLRETURN rc = SQLPrepare(prepared.h, (SQLCHAR*)twin.c_str(), SQL_NTS);
      if (SQL_SUCCEEDED(rc)) rc = SQLExecute(prepared.h);
      std::string expected = outcome(prepared.h, rc, prepared);
      EXPECT_EQ(outcome(s.stmt->h, s.stmt->Exec(direct), *s.stmt), expected) << direct;
      EXPECT_EQ(s.stmt->Query("SELECT * FROM d ORDER BY k"), s.stmt->Query("SELECT * FROM p ORDER BY k"))
          << direct;
    }
}

// A plan kept by one connection follows another connection's schema change, for queries and
// for writes (while its own writes need no look at the schema).
TEST_F(Plans, KeptPlanFollowsAnotherConnectionsSchemaChange) {
  Session a(entorno.servidor()), b(entorno.servidor());
  Fill(a);
  EXPECT_EQ(a.stmt->Query("SELECT * FROM h WHERE k = 2"), (Rows{{"2", "v2"}}));
  {
    Walk w(a);
    for (int k = 2; k <= 8; k += 2) EXPECT_EQ(w.Fetch(), std::to_string(k) + " v" + std::to_string(k));
  }
  SQLFreeStmt(a.stmt->h, SQL_CLOSE);
  SQLFreeStmt(a.stmt->h, SQL_UNBIND);
  b.Ok("DROP TABLE h");
  b.Ok("CREATE TABLE h (k int NOT NULL, w int, v varchar(10))");
  b.Ok("INSERT INTO h VALUES (2, 7, 'new')");
  b.Ok("INSERT INTO h VALUES (1, 8, 'one')");
  EXPECT_EQ(a.stmt->Query("SELECT * FROM h WHERE k = 1"), (Rows{{"1", "8", "one"}}));
  a.Ok("CREATE TABLE g (n int)");
  for (int i = 0; i < 3; ++i) a.Ok("UPDATE h SET v = 'u" + std::to_string(i) + "' WHERE k = 1");
  OdbcStmt prepared(a.conn);
  ASSERT_EQ(SQLPrepare(prepared.h, (SQLCHAR*)"UPDATE h SET v = 'u4' WHERE k = 1", SQL_NTS), SQL_SUCCESS);
  EXPECT_EQ(SQLExecute(prepared.h), SQL_SUCCESS);
  b.Ok("ALTER TABLE h DROP COLUMN v");
  b.Ok("ALTER TABLE h ADD v int");
  a.Ok("INSERT INTO g VALUES (1)");  // a write of its own after another's commit
  EXPECT_EQ(a.Exec("UPDATE h SET v = 'u4' WHERE k = 1"), SQL_ERROR);
  EXPECT_EQ(a.diag().state, "22018");
  EXPECT_EQ(SQLExecute(prepared.h), SQL_ERROR);
  EXPECT_EQ(prepared.diag().state, "22018");
  a.Ok("UPDATE h SET v = '5' WHERE k = 1");
  a.Ok("UPDATE h SET v = 7 WHERE k = 2");
  Walk w(a);
  EXPECT_EQ(w.Fetch(), "1 5");
  EXPECT_EQ(w.Fetch(), "2 7");
}

// Inside a transaction a kept plan follows the transaction's own schema changes and their
// rollback, and a new transaction sees another connection's.
TEST_F(Plans, KeptPlanFollowsSchemaInsideTransactions) {
  Session a(entorno.servidor()), b(entorno.servidor());
  Fill(a);
  Autocommit(a, false);
  auto update = [&](const std::string& v) {
    SQLRETURN rc = a.Exec("UPDATE h SET v = '" + v + "' WHERE k = 36");
    return SQL_SUCCEEDED(rc) ? std::string("ok") : a.diag().state;
  };
  for (const char* v : {"a", "b", "c"}) EXPECT_EQ(update(v), "ok");
  a.Ok("ALTER TABLE h DROP COLUMN v");
  a.Ok("ALTER TABLE h ADD v int");
  EXPECT_EQ(update("d"), "22018");
  EXPECT_EQ(EndTran(a, false), SQL_SUCCESS);
  for (const char* v : {"e", "f"}) EXPECT_EQ(update(v), "ok");
  EXPECT_EQ(EndTran(a, true), SQL_SUCCESS);
  b.Ok("ALTER TABLE h DROP COLUMN v");
  b.Ok("ALTER TABLE h ADD v int");
  EXPECT_EQ(update("g"), "22018");
  EXPECT_EQ(EndTran(a, false), SQL_SUCCESS);
}

// NEXT after NEXT steps on inside a held snapshot: commits by another connection (ahead of the
// cursor, and between its rows) and by the cursor's own connection show at the next fetch, and
// another statement of the connection reads the latest commit.
TEST_F(Plans, HeldSnapshotLetsGoOnEveryCommit) {
  Session a(entorno.servidor()), b(entorno.servidor());
  Fill(a);
  Walk w(a);
  for (int k = 2; k <= 10; k += 2) EXPECT_EQ(w.Fetch(), std::to_string(k) + " v" + std::to_string(k));
  b.Ok("UPDATE h SET v = 'b12' WHERE k = 12");
  EXPECT_EQ(w.Fetch(), "12 b12");
  b.Ok("INSERT INTO h VALUES (13, 'b13')");
  b.Ok("DELETE FROM h WHERE k = 14");
  EXPECT_EQ(w.Fetch(), "13 b13");
  EXPECT_EQ(w.Fetch(), "16 v16");
  EXPECT_EQ(w.Fetch(), "18 v18");
  OdbcStmt other(a.conn);
  b.Ok("UPDATE h SET v = 'b30' WHERE k = 30");
  EXPECT_EQ(other.Query("SELECT v FROM h WHERE k = 30"), (Rows{{"b30"}}));
  EXPECT_EQ(other.Exec("UPDATE h SET v = 'a20' WHERE k = 20"), SQL_SUCCESS);
  EXPECT_EQ(w.Fetch(), "20 a20");
  EXPECT_EQ(w.Fetch(), "22 v22");
  EXPECT_EQ(w.Fetch(SQL_FETCH_PRIOR), "20 a20");
  EXPECT_EQ(w.Fetch(SQL_FETCH_PRIOR), "18 v18");
  b.Ok("UPDATE h SET v = 'b16' WHERE k = 16");
  EXPECT_EQ(w.Fetch(SQL_FETCH_PRIOR), "16 b16");
}

// A held snapshot goes after a short idle time, or at once when its own connection writes:
// checkpoints are not held back (held, every commit would try one again and sync for it).
TEST_F(Plans, IdleSnapshotLetsCheckpointsRun) {
  Session a(entorno.servidor()), b(entorno.servidor());
  Fill(a);
  b.Ok("UPDATE h SET v = 'x' WHERE k = 40");  // the log has frames to checkpoint
  Walk w(a);
  for (int i = 1; i <= 4; ++i) w.Fetch();
  std::string file = entorno.servidor() + "/master.db";
  EXPECT_FALSE(CheckpointRuns(file));  // the cursor reads in the log
  usleep(600 * 1000);
  EXPECT_TRUE(CheckpointRuns(file));
  EXPECT_EQ(w.Fetch(), "10 v10");
  b.Ok("UPDATE h SET v = 'y' WHERE k = 40");
  EXPECT_EQ(w.Fetch(), "12 v12");
  EXPECT_FALSE(CheckpointRuns(file));
  OdbcStmt own(a.conn);
  EXPECT_EQ(own.Exec("UPDATE h SET v = 'z' WHERE k = 38"), SQL_SUCCESS);
  EXPECT_TRUE(CheckpointRuns(file));
  EXPECT_EQ(w.Fetch(), "14 v14");
}

// A dynamic cursor over a unique ORDER BY seeks on the boundary key, never on a constant
// condition of the WHERE over another indexed column (that would read every row of the
// condition before the boundary, on every fetch), whichever way it scrolls, and still gives
// the WHERE's rows.
TEST_F(Plans, BoundaryQueriesSeekOnTheOrderKey) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE g (k int NOT NULL, c int NOT NULL, v varchar(10))");
  s.Ok("CREATE UNIQUE INDEX g_k ON g (k)");
  s.Ok("CREATE INDEX g_c ON g (c)");
  for (int k = 1; k <= 40; ++k)
    s.Ok("INSERT INTO g VALUES (" + std::to_string(k) + ", " + (k == 3 ? "6" : "5") + ", 'v')");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"c = 5", "1 2 4 2"},
      {"c = 5 AND k BETWEEN 2 AND 30", "2 4 5 4"},
      {"CASE WHEN c = 5 AND v = 'v' THEN 1 ELSE 0 END = 1", "1 2 4 2"},
      {"c = 5 OR c = 6", "1 2 3 2"},
  };
  for (const auto& [where, expected] : cases) {
    OdbcStmt st(s.conn);
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
    SQLINTEGER k = 0;
    SQLBindCol(st.h, 1, SQL_C_LONG, &k, 0, nullptr);
    ASSERT_EQ(st.Exec("SELECT k, v FROM g WHERE " + where + " ORDER BY k"), SQL_SUCCESS) << where;
    std::string got;
    int fetch = 0;
    for (SQLSMALLINT o : {SQL_FETCH_NEXT, SQL_FETCH_NEXT, SQL_FETCH_NEXT, SQL_FETCH_PRIOR}) {
      ASSERT_EQ(SQLFetchScroll(st.h, o, 0), SQL_SUCCESS) << where;
      got += (got.empty() ? "" : " ") + std::to_string(k);
      char plans[8192] = {};
      SQLINTEGER length = 0;
      ASSERT_EQ(SQLGetStmtAttr(st.h, SQL_DRIVER_STMT_ATTR_BASE + 1, plans, sizeof plans, &length),
                SQL_SUCCESS);
      std::string text(plans);
      // The first fetch reads from the start of the key; the others seek past their boundary.
      EXPECT_NE(text.find(fetch++ ? "SEARCH g USING INDEX g.g_k (k" : " g USING INDEX g.g_k"),
                std::string::npos)
          << where << "\n" << text;
      EXPECT_EQ(text.find("g.g_c"), std::string::npos) << where << "\n" << text;
      EXPECT_EQ(text.find("TEMP B-TREE"), std::string::npos) << where << "\n" << text;
    }
    EXPECT_EQ(got, expected) << where;
  }
}

// Read-only dynamic and forward-only cursors write bound columns straight from SQLite into their
// buffers; what the application sees (values, lengths, NULLs, truncation, errors, SQLGetData of a
// bound column) is what a static cursor, which converts kept values, gives.
TEST_F(Plans, BoundColumnsFilledStraightAsFromKeptValues) {
  Session s(entorno.servidor());
  s.Ok("CREATE TABLE f (k int NOT NULL, name varchar(8), amount float, n int, big bigint)");
  s.Ok("CREATE UNIQUE INDEX f_k ON f (k)");
  s.Ok("INSERT INTO f VALUES (1, 'ab', 1.5, NULL, 7)");
  s.Ok("INSERT INTO f VALUES (2, 'abcdefg', NULL, -3, 5000000000)");
  s.Ok("INSERT INTO f VALUES (3, '', 2, 2147483647, -2147483648)");
  s.Ok("INSERT INTO f VALUES (4, 'wxyz', -0.25, 0, 1)");
  // Fetches NEXT to the end (then FIRST, as a scrollable `like`) in rowsets of size, reading
  // columns 2 (bound) and 6 (not) with SQLGetData at the row `like` can be positioned on after
  // each fetch.
  auto transcript = [&](SQLULEN type, SQLULEN size, SQLULEN like) {
    OdbcStmt st(s.conn);
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, type);
    SetAttr(st.h, SQL_ATTR_ROW_ARRAY_SIZE, size);
    SQLINTEGER k[3], n[3], big[3];
    char name[3][5];
    double amount[3];
    SQLLEN ik[3], iname[3], iamount[3], in[3], ibig[3];
    SQLUSMALLINT status[3];
    SetAttr(st.h, SQL_ATTR_ROW_STATUS_PTR, SQLULEN(status));
    SQLBindCol(st.h, 1, SQL_C_LONG, k, 0, ik);
    SQLBindCol(st.h, 2, SQL_C_CHAR, name, sizeof name[0], iname);
    SQLBindCol(st.h, 3, SQL_C_DOUBLE, amount, 0, iamount);
    SQLBindCol(st.h, 4, SQL_C_DEFAULT, n, 0, in);
    SQLBindCol(st.h, 5, SQL_C_LONG, big, 0, ibig);
    bool forward = like == SQL_CURSOR_FORWARD_ONLY;
    std::string out = Rc(st.Exec(std::string("SELECT k, name, amount, n, big, amount FROM f "
                                             "ORDER BY k") +
                                 (forward ? "; SELECT @@ROWCOUNT" : "")));
    std::vector<SQLSMALLINT> fetches(6, SQL_FETCH_NEXT);
    if (!forward) fetches.push_back(SQL_FETCH_FIRST);
    for (SQLSMALLINT o : fetches) {
      SQLRETURN rc = SQLFetchScroll(st.h, o, 0);
      out += "\n" + Rc(rc) + " " + (rc == SQL_NO_DATA ? "" : st.diag().state);
      if (rc == SQL_NO_DATA) continue;
      for (SQLULEN i = 0; i < size && status[i] != SQL_ROW_NOROW; ++i) {
        out += " | " + std::to_string(status[i]) + " " + std::to_string(k[i]) + " " + name[i] +
               "/" + std::to_string(iname[i]) + " " + std::to_string(in[i]);
        if (iamount[i] != SQL_NULL_DATA) out += " " + std::to_string(amount[i]);
        if (in[i] != SQL_NULL_DATA) out += " " + std::to_string(n[i]);
        if (status[i] != SQL_ROW_ERROR) out += " " + std::to_string(big[i]);
      }
      char got[16] = {};
      SQLLEN length = 0;
      SQLSETPOSIROW at = forward ? 1 : SQLSETPOSIROW(size);
      out += " get " + Rc(SQLSetPos(st.h, at, SQL_POSITION, SQL_LOCK_NO_CHANGE));
      for (SQLUSMALLINT c : {2, 6})  // bound and unbound
        out += " " + Rc(SQLGetData(st.h, c, SQL_C_CHAR, got, sizeof got, &length)) + " " + got;
    }
    if (forward && SQL_SUCCEEDED(SQLMoreResults(st.h)) && SQL_SUCCEEDED(SQLFetch(st.h)))
      out += "\n@@ROWCOUNT " + std::to_string(k[0]);
    return out;
  };
  for (SQLULEN type : {SQL_CURSOR_DYNAMIC, SQL_CURSOR_FORWARD_ONLY})
    for (SQLULEN size : {1, 3}) {
      std::string got = transcript(type, size, type);
      EXPECT_EQ(got, transcript(SQL_CURSOR_STATIC, size, type)) << type << " " << size;
      if (type == SQL_CURSOR_FORWARD_ONLY) {
        EXPECT_NE(got.find("\n@@ROWCOUNT 4"), got.npos) << got;
      }
    }
  // Every column type read as text: a straight copy must look as the usual conversion.
  s.Ok("CREATE TABLE t (k int NOT NULL, c char(5), d datetime, m decimal(20,2), "
       "w decimal(38,10), y money, b bit, f float, r real, e smallint)");
  s.Ok("INSERT INTO t VALUES (1, 'ab', '2024-02-29 13:45:06.007', 291258.1, "
       "123456789012345678.5, 12.5, 1, 0.1, 2.5, -7)");
  auto texts = [&](SQLULEN type, SQLSMALLINT cType) {
    OdbcStmt st(s.conn);
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, type);
    char v[10][96] = {};
    SQLLEN ind[10];
    for (SQLUSMALLINT c = 1; c <= 10; ++c) SQLBindCol(st.h, c, cType, v[c - 1], 96, &ind[c - 1]);
    st.Exec("SELECT * FROM t ORDER BY k");
    std::string out = Rc(SQLFetch(st.h));
    for (int c = 0; c < 10; ++c)
      out += " " + std::to_string(ind[c]) + ":" + std::string(v[c], ind[c] > 0 ? size_t(ind[c]) : 0);
    return out;
  };
  for (SQLULEN type : {SQL_CURSOR_DYNAMIC, SQL_CURSOR_FORWARD_ONLY})
    for (SQLSMALLINT cType : {SQL_C_CHAR, SQL_C_WCHAR, SQL_C_TYPE_TIMESTAMP})
      EXPECT_EQ(texts(type, cType), texts(SQL_CURSOR_STATIC, cType)) << type << " " << cType;
}

TEST_F(Plans, UnknownStatementAttributeIsAnError) {
  Session s(entorno.servidor());
  SQLULEN v = 0;
  EXPECT_EQ(SQLGetStmtAttr(s.stmt->h, 99999, &v, 0, nullptr), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY092");
}

}  // namespace
