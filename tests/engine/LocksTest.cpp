// Locks across processes: waiting transactions, row locks (SQL_CONCUR_LOCK) and positioned
// updates, deadlocks, a holder killed, DROP DATABASE of a database in use. Every child process
// is bounded by alarm() and the parent waits for it with a deadline.
#include <sqlite3.h>

#include <algorithm>
#include <functional>

#include "Entorno.h"
#include "Odbc.h"
#include "Procesos.h"

namespace {

// A dynamic cursor over one int column v, rowset of one row, as the table cursor reads.
struct Cursor {
  OdbcStmt st;
  SQLINTEGER v = 0;
  SQLLEN ind = 0;
  SQLULEN fetched = 0;
  SQLUSMALLINT status[1] = {0};
  Cursor(OdbcConn& c, SQLULEN concurrency) : st(c) {
    SetAttr(st.h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
    SetAttr(st.h, SQL_ATTR_CONCURRENCY, concurrency);
  }
  // Runs the query and fetches its first row: SQL_SUCCESS when it holds one.
  SQLRETURN Open(const std::string& sql) {
    SQLFreeStmt(st.h, SQL_CLOSE);
    SQLRETURN rc = st.Exec(sql);
    if (!SQL_SUCCEEDED(rc)) return rc;
    SQLBindCol(st.h, 1, SQL_C_LONG, &v, 0, &ind);
    return SQLExtendedFetch(st.h, SQL_FETCH_NEXT, 0, &fetched, status);
  }
  SQLRETURN Update(SQLINTEGER value) {
    v = value;
    return SQLSetPos(st.h, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE);
  }
  void Close() { SQLFreeStmt(st.h, SQL_CLOSE); }
};

class Locks : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE bloq");
    setup.Ok("USE bloq; CREATE TABLE n (id int NOT NULL, v int); CREATE UNIQUE INDEX n_id ON n (id);"
             "INSERT INTO n VALUES (1, 0); INSERT INTO n VALUES (2, 0); CREATE TABLE m (k int)");
  }
  std::string Value(const std::string& sql) {
    Session s(entorno.servidor(), SQL_OV_ODBC3, "bloq");
    auto rows = s.stmt->Query(sql);
    return rows.empty() ? "" : rows[0][0];
  }
};

// Writers in transactions wait for each other, even when the transaction read first.
TEST_F(Locks, TransactionsOfFiveInsertsLoseNothing) {
  const int kProcesses = 8, kTransactions = 10;
  std::vector<pid_t> pids;
  for (int p = 0; p < kProcesses; ++p)
    pids.push_back(Hijo([&, p] {
      Session s(entorno.servidor(), SQL_OV_ODBC3, "bloq");
      for (int t = 0; t < kTransactions; ++t) {
        if (!SQL_SUCCEEDED(s.Exec("BEGIN TRAN"))) return 2;
        if (t % 2 && !SQL_SUCCEEDED(s.Exec("SELECT count(*) FROM m"))) return 3;
        SQLFreeStmt(s.stmt->h, SQL_CLOSE);
        for (int i = 0; i < 5; ++i)
          if (!SQL_SUCCEEDED(s.Exec("INSERT INTO m VALUES (" + std::to_string(p) + ")"))) {
            fprintf(stderr, "insert: %s\n", s.diag().message.c_str());
            return 4;
          }
        if (!SQL_SUCCEEDED(s.Exec("COMMIT TRAN"))) return 5;
      }
      return 0;
    }));
  EXPECT_EQ(Espera(pids), std::vector<int>(kProcesses, 0));
  EXPECT_EQ(Value("SELECT count(*) FROM m"), std::to_string(kProcesses * kTransactions * 5));
}

// Increments of one row by concurrent processes: each a locking fetch and a positioned update
// (pessimistic), or a plain fetch and a positioned update that may meet a conflict and retries
// (optimistic; the children say whether they met one). None is lost. ZORB_INCREMENTS sets the count per process (8 x 1000 as a tool
// run); the suite keeps it to seconds.
TEST_F(Locks, ConcurrentIncrementsEndExact) {
  const int kProcesses = 8;
  const char* env = getenv("ZORB_INCREMENTS");
  const int increments = env ? atoi(env) : 60;
  struct Way {
    SQLULEN concurrency;
    SQLINTEGER version;
    const char* conflict;  // the state a conflict shows, as the application's ODBC version sees it
  } ways[] = {{SQL_CONCUR_LOCK, SQL_OV_ODBC2, ""},
              {SQL_CONCUR_VALUES, SQL_OV_ODBC3, "01001"},
              {SQL_CONCUR_VALUES, SQL_OV_ODBC2, "01S03"}};
  for (const Way& w : ways) {
    SCOPED_TRACE(w.conflict);
    std::string before = Value("SELECT v FROM n WHERE id = 1");
    long start = Ms();
    std::vector<pid_t> pids;
    for (int p = 0; p < kProcesses; ++p)
      pids.push_back(Hijo([&] {
        Session s(entorno.servidor(), w.version, "bloq");
        Cursor c(s.conn, w.concurrency);
        int conflicts = 0;
        for (int i = 0; i < increments;) {
          if (c.Open("SELECT v FROM n WHERE id = 1") != SQL_SUCCESS) return 2;
          SQLRETURN rc = c.Update(c.v + 1);
          Diag d = FirstDiag(SQL_HANDLE_STMT, c.st.h);
          if (rc == SQL_SUCCESS) {
            ++i;
          } else if (rc == SQL_SUCCESS_WITH_INFO && d.state == w.conflict) {
            ++conflicts;
          } else {
            fprintf(stderr, "update: %s\n", d.message.c_str());
            return 3;
          }
        }
        return conflicts ? 9 : 0;
      }));
    std::vector<int> codes = Espera(pids);
    for (int code : codes) EXPECT_TRUE(code == 0 || code == 9) << code;
    // Optimistic writers met conflicts (and saw them in their ODBC version's form); locking
    // ones never do.
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 9) > 0, *w.conflict != 0);
    EXPECT_EQ(Value("SELECT v FROM n WHERE id = 1"),
              std::to_string(std::stol(before) + kProcesses * increments));
    fprintf(stderr, "%d x %d increments: %ld ms\n", kProcesses, increments, Ms() - start);
  }
}

// A row locked by another process: locking fetches, positioned writes and UPDATE statements of
// it wait (up to the lock timeout), plain reads do not; the waiter then sees the row as the
// holder left it.
TEST_F(Locks, ALockedRowMakesOthersWaitButNotReaders) {
  Senal locked, release;
  pid_t holder = Hijo([&] {
    Session s(entorno.servidor(), SQL_OV_ODBC3, "bloq");
    Cursor c(s.conn, SQL_CONCUR_LOCK);
    for (int round = 0; round < 2; ++round) {
      if (round && !release.Toma()) return 5;  // the second round starts when told
      if (c.Open("SELECT v FROM n WHERE id = 2") != SQL_SUCCESS) return 2;
      locked.Da();
      if (!release.Toma()) return 3;
      usleep(300000);
      if (c.Update(42 + round) != SQL_SUCCESS) return 4;
      c.Close();
    }
    return 0;
  });
  ASSERT_TRUE(locked.Toma());
  Session b(entorno.servidor(), SQL_OV_ODBC3, "bloq");
  Cursor reader(b.conn, SQL_CONCUR_VALUES), locker(b.conn, SQL_CONCUR_LOCK);
  // Plain reads go on while the holder waits for its signal.
  EXPECT_EQ(reader.Open("SELECT v FROM n WHERE id = 2"), SQL_SUCCESS);
  EXPECT_EQ(b.stmt->Query("SELECT v FROM n WHERE id = 2"), (Rows{{"0"}}));
  // The other row is free.
  EXPECT_EQ(locker.Open("SELECT v FROM n WHERE id = 1"), SQL_SUCCESS);
  locker.Close();
  b.Ok("SET LOCK_TIMEOUT 100");
  struct Waiter {
    const char* name;
    SQLHSTMT h;
    std::function<SQLRETURN()> run;
  } waiters[] = {
      {"locking fetch", locker.st.h, [&] { return locker.Open("SELECT v FROM n WHERE id = 2"); }},
      {"positioned update", reader.st.h, [&] { return reader.Update(7); }},
      {"UPDATE", b.stmt->h, [&] { return b.stmt->Exec("UPDATE n SET v = v + 1 WHERE id >= 2"); }},
      {"DELETE", b.stmt->h, [&] { return b.stmt->Exec("DELETE FROM n WHERE v = 0 AND id = 2"); }},
  };
  for (const Waiter& w : waiters) {
    SCOPED_TRACE(w.name);
    long start = Ms();
    ASSERT_EQ(w.run(), SQL_ERROR);
    EXPECT_GE(Ms() - start, 100);
    Diag d = FirstDiag(SQL_HANDLE_STMT, w.h);
    EXPECT_EQ(d.state, "HYT00");
    EXPECT_EQ(d.native, 1222);
    EXPECT_EQ(d.message, "[ZORB][Engine]Lock request time out period exceeded.");
  }
  EXPECT_EQ(b.stmt->Query("SELECT v FROM n WHERE id = 2"), (Rows{{"0"}}));
  // With time enough, the locking fetch waits for the holder and reads what it wrote.
  b.Ok("SET LOCK_TIMEOUT 5000");
  long start = Ms();
  release.Da();
  EXPECT_EQ(locker.Open("SELECT v FROM n WHERE id = 2"), SQL_SUCCESS);
  EXPECT_GE(Ms() - start, 200);
  EXPECT_EQ(locker.v, 42);
  locker.Close();
  // And an UPDATE statement waits for it too.
  release.Da();
  ASSERT_TRUE(locked.Toma());
  start = Ms();
  release.Da();
  b.Ok("UPDATE n SET v = v + 100 WHERE id = 2");
  EXPECT_GE(Ms() - start, 200);
  EXPECT_EQ(Espera({holder}), std::vector<int>{0});
  EXPECT_EQ(Value("SELECT v FROM n WHERE id = 2"), "143");
}

// A table lock (TABLOCKX inside a transaction) makes another process's locking fetch and
// positioned update wait until the transaction ends: the fetch then reads what it committed, the
// update of the row as read before is a conflict. A plain read does not wait.
TEST_F(Locks, ATableLockMakesLockingFetchesAndPositionedWritesWait) {
  for (int ronda = 0; ronda < 2; ++ronda) {
    SCOPED_TRACE(ronda ? "positioned update" : "locking fetch");
    Value("UPDATE n SET v = 0 WHERE id = 2");
    Senal locked;
    pid_t holder = Hijo([&] {
      Session s(entorno.servidor(), SQL_OV_ODBC2, "bloq");
      if (!SQL_SUCCEEDED(s.Exec("BEGIN TRAN")) ||
          !SQL_SUCCEEDED(s.Exec("SELECT v FROM n WITH (TABLOCKX) WHERE id = 2")))
        return 2;
      SQLFreeStmt(s.stmt->h, SQL_CLOSE);
      locked.Da();
      usleep(300000);
      if (!SQL_SUCCEEDED(s.Exec("UPDATE n SET v = 5 WHERE id = 2"))) return 3;
      return SQL_SUCCEEDED(s.Exec("COMMIT TRAN")) ? 0 : 4;
    });
    ASSERT_TRUE(locked.Toma());
    Session b(entorno.servidor(), SQL_OV_ODBC2, "bloq");
    Cursor reader(b.conn, SQL_CONCUR_VALUES), locker(b.conn, SQL_CONCUR_LOCK);
    long start = Ms();
    EXPECT_EQ(reader.Open("SELECT v FROM n WHERE id = 2"), SQL_SUCCESS);
    EXPECT_EQ(reader.v, 0);
    EXPECT_LT(Ms() - start, 200);
    if (ronda == 0) {
      EXPECT_EQ(locker.Open("SELECT v FROM n WHERE id = 2"), SQL_SUCCESS);
      EXPECT_EQ(locker.v, 5);
    } else {
      EXPECT_EQ(reader.Update(7), SQL_SUCCESS_WITH_INFO);
      EXPECT_EQ(FirstDiag(SQL_HANDLE_STMT, reader.st.h).state, "01S03");
    }
    EXPECT_GE(Ms() - start, 200);
    EXPECT_EQ(Espera({holder}), std::vector<int>{0});
    EXPECT_EQ(Value("SELECT v FROM n WHERE id = 2"), "5");
  }
}

// Two transactions each holding what the other waits for: exactly one is chosen as the victim
// (40001, 1205) within two seconds and loses its transaction; the other goes on.
TEST_F(Locks, ADeadlockEndsOneWaiter) {
  struct Way {
    const char* name;
    // The statement each process runs first, holding its resource, and the one that waits.
    const char* hold[2];
    const char* wait[2];
    const char* rows;  // rows of m afterwards: only the survivor's insert
  } ways[] = {
      {"row locks",
       {"SELECT v FROM n WHERE id = 1", "SELECT v FROM n WHERE id = 2"},
       {"SELECT v FROM n WHERE id = 2", "SELECT v FROM n WHERE id = 1"},
       "0"},
      {"row lock and write lock",
       {"INSERT INTO m VALUES (1)", "SELECT v FROM n WHERE id = 2"},
       {"SELECT v FROM n WHERE id = 2", "INSERT INTO m VALUES (2)"},
       "1"},
  };
  for (const Way& w : ways) {
    SCOPED_TRACE(w.name);
    Senal ready[2], go[2];
    std::vector<pid_t> pids;
    for (int p = 0; p < 2; ++p)
      pids.push_back(Hijo([&, p] {
        Session s(entorno.servidor(), SQL_OV_ODBC3, "bloq");
        Autocommit(s, false);
        Cursor first(s.conn, SQL_CONCUR_LOCK), second(s.conn, SQL_CONCUR_LOCK);
        auto run = [&](Cursor& c, const char* sql) {
          return sql[0] == 'S' ? c.Open(sql) : c.st.Exec(sql);
        };
        if (!SQL_SUCCEEDED(run(first, w.hold[p]))) return 3;
        ready[p].Da();
        if (!go[p].Toma()) return 4;
        long start = Ms();
        SQLRETURN rc = run(second, w.wait[p]);
        if (SQL_SUCCEEDED(rc)) return EndTran(s, true) == SQL_SUCCESS ? 0 : 5;
        Diag d = FirstDiag(SQL_HANDLE_STMT, second.st.h);
        std::string expected = "[ZORB][Engine]Transaction (Process ID " +
                               std::to_string(getpid()) +
                               ") was deadlocked on lock resources with another process and has "
                               "been chosen as the deadlock victim. Rerun the transaction.";
        if (d.state != "40001" || d.native != 1205 || d.message != expected) {
          fprintf(stderr, "victim: %s %d %s\n", d.state.c_str(), int(d.native), d.message.c_str());
          return 6;
        }
        if (Ms() - start > 2000) return 7;
        // Its transaction is gone: the next one starts afresh.
        EndTran(s, true);
        return 10;
      }));
    for (int p = 0; p < 2; ++p) ASSERT_TRUE(ready[p].Toma());
    go[0].Da();
    usleep(50000);
    go[1].Da();
    std::vector<int> codes = Espera(pids);
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<int>{0, 10}));
    // The survivor's transaction committed, the victim's did not.
    EXPECT_EQ(Value("SELECT count(*) FROM m"), w.rows);
    Session clean(entorno.servidor(), SQL_OV_ODBC3, "bloq");
    clean.Ok("DELETE FROM m");
  }
}

// A locking cursor holds its rowset's rows until the next fetch or its close; inside a
// transaction, until the transaction ends. "L": the row is locked for another connection.
TEST_F(Locks, RowsetLocksFollowTheCursor) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "bloq");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "bloq");
  for (int k = 1; k <= 6; ++k) a.Ok("INSERT INTO m VALUES (" + std::to_string(k) + ")");
  b.Ok("SET LOCK_TIMEOUT 0");
  OdbcStmt c(a.conn);
  SetAttr(c.h, SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_DYNAMIC);
  SetAttr(c.h, SQL_ATTR_CONCURRENCY, SQL_CONCUR_LOCK);
  SetAttr(c.h, SQL_ATTR_ROW_ARRAY_SIZE, 3);
  auto pattern = [&] {
    std::string p;
    for (int k = 1; k <= 6; ++k)
      p += SQL_SUCCEEDED(b.Exec("UPDATE m SET k = k WHERE k = " + std::to_string(k))) ? "-" : "L";
    return p;
  };
  struct Step {
    const char* what;
    std::function<void()> run;
    const char* locked;
  } steps[] = {
      {"execute", [&] { ASSERT_EQ(c.Exec("SELECT k FROM m ORDER BY k"), SQL_SUCCESS); }, "------"},
      {"first", [&] { SQLFetchScroll(c.h, SQL_FETCH_FIRST, 0); }, "LLL---"},
      {"next", [&] { SQLFetchScroll(c.h, SQL_FETCH_NEXT, 0); }, "---LLL"},
      {"relative -1", [&] { SQLFetchScroll(c.h, SQL_FETCH_RELATIVE, -1); }, "--LLL-"},
      {"unlock the second row",
       [&] { SQLSetPos(c.h, 2, SQL_POSITION, SQL_LOCK_UNLOCK); }, "--L-L-"},
      {"close", [&] { SQLFreeStmt(c.h, SQL_CLOSE); }, "------"},
      {"in a transaction", [&] { Autocommit(a, false); c.Exec("SELECT k FROM m ORDER BY k"); },
       "------"},
      {"first", [&] { SQLFetchScroll(c.h, SQL_FETCH_FIRST, 0); }, "LLL---"},
      {"next", [&] { SQLFetchScroll(c.h, SQL_FETCH_NEXT, 0); }, "LLLLLL"},
      {"unlock the second row", [&] { SQLSetPos(c.h, 2, SQL_POSITION, SQL_LOCK_UNLOCK); },
       "LLLLLL"},
      {"close", [&] { SQLFreeStmt(c.h, SQL_CLOSE); }, "LLLLLL"},
      {"commit", [&] { EndTran(a, true); }, "------"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.run();
    EXPECT_EQ(pattern(), s.locked);
  }
}

// A process killed while it holds row locks and a transaction: its locks go at once, its
// changes are rolled back and the database stays intact.
TEST_F(Locks, AKilledHolderLeavesNothingBehind) {
  Senal holding;
  pid_t holder = Hijo([&] {
    Session s(entorno.servidor(), SQL_OV_ODBC3, "bloq");
    Autocommit(s, false);
    if (!SQL_SUCCEEDED(s.Exec("INSERT INTO m VALUES (5)"))) return 2;
    Cursor c(s.conn, SQL_CONCUR_LOCK);
    if (c.Open("SELECT v FROM n WHERE id = 1") != SQL_SUCCESS) return 3;
    if (c.Update(99) != SQL_SUCCESS) return 4;
    holding.Da();
    pause();
    return 0;
  });
  ASSERT_TRUE(holding.Toma());
  Session b(entorno.servidor(), SQL_OV_ODBC3, "bloq");
  b.Ok("SET LOCK_TIMEOUT 100");
  Cursor c(b.conn, SQL_CONCUR_LOCK);
  EXPECT_EQ(c.Open("SELECT v FROM n WHERE id = 1"), SQL_ERROR);
  kill(holder, SIGKILL);
  EXPECT_EQ(Espera({holder}), std::vector<int>{128 + SIGKILL});
  EXPECT_EQ(c.Open("SELECT v FROM n WHERE id = 1"), SQL_SUCCESS);
  EXPECT_EQ(c.v, 0);
  c.Close();
  EXPECT_EQ(b.stmt->Query("SELECT count(*) FROM m"), (Rows{{"0"}}));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((entorno.servidor() + "/bloq.db").c_str(), &db, SQLITE_OPEN_READONLY,
                            nullptr),
            SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
}

// DROP DATABASE of a database another connection uses, in this process or another.
TEST_F(Locks, DropDatabaseInUseIsRefused) {
  Session admin(entorno.servidor());
  const std::string refused = "[ZORB][Engine]Cannot drop database \"bloq\" because it is currently in use.";
  {
    Session user(entorno.servidor(), SQL_OV_ODBC3, "bloq");
    EXPECT_EQ(admin.Exec("DROP DATABASE bloq"), SQL_ERROR);
    EXPECT_EQ(admin.diag().state, "42000");
    EXPECT_EQ(admin.diag().native, 3702);
    EXPECT_EQ(admin.diag().message, refused);
  }
  Senal using_, done;
  pid_t user = Hijo([&] {
    Session s(entorno.servidor(), SQL_OV_ODBC3, "master");
    if (!SQL_SUCCEEDED(s.Exec("USE bloq"))) return 2;
    using_.Da();
    return done.Toma() && SQL_SUCCEEDED(s.Exec("INSERT INTO m VALUES (1)")) ? 0 : 3;
  });
  ASSERT_TRUE(using_.Toma());
  EXPECT_EQ(admin.Exec("DROP DATABASE bloq"), SQL_ERROR);
  EXPECT_EQ(admin.diag().message, refused);
  done.Da();
  EXPECT_EQ(Espera({user}), std::vector<int>{0});
  EXPECT_EQ(Value("SELECT count(*) FROM m"), "1");
  admin.Ok("DROP DATABASE bloq");
  EXPECT_EQ(admin.Exec("USE bloq"), SQL_ERROR);
}

}  // namespace
