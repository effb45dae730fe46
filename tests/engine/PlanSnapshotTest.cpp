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

// A plan kept by one connection follows another connection's schema change.
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
  Walk w(a);
  EXPECT_EQ(w.Fetch(), "1 one");
  EXPECT_EQ(w.Fetch(), "2 new");
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

// A held snapshot goes after a short idle time: checkpoints are not held back.
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
}

TEST_F(Plans, UnknownStatementAttributeIsAnError) {
  Session s(entorno.servidor());
  SQLULEN v = 0;
  EXPECT_EQ(SQLGetStmtAttr(s.stmt->h, 99999, &v, 0, nullptr), SQL_ERROR);
  EXPECT_EQ(s.diag().state, "HY092");
}

}  // namespace
