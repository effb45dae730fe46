// WITH (TABLOCKX): the database's write lock, for the transaction inside one and for the
// statement outside one; other connections' writes wait for it, their reads do not. Inside a
// transaction it is the lock any write takes: waiters going on after it are LocksTest's.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class Tablockx : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE datos");
    setup.Ok("USE datos; CREATE TABLE T (C1 int NOT NULL, C2 int NULL); "
             "CREATE UNIQUE INDEX T_indent ON T (C1); INSERT INTO T VALUES (1, 0)");
  }
  // b's write: true when it went through, false when it timed out waiting for the lock.
  static bool Writes(Session& b, int key) {
    SQLRETURN rc = b.Exec("INSERT INTO T VALUES (" + std::to_string(key) + ", 0)");
    if (rc == SQL_ERROR) {
      EXPECT_EQ(b.diag().state, "HYT00");
      EXPECT_EQ(b.diag().native, 1222);
      EXPECT_EQ(b.diag().message, "[ZORB][Engine]Lock request time out period exceeded.");
    }
    return SQL_SUCCEEDED(rc);
  }
};

TEST_F(Tablockx, HeldUntilTheTransactionEnds) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "datos");
  b.Ok("SET LOCK_TIMEOUT 150");
  struct Way {
    const char* name;
    std::vector<std::string> before;  // statements of a's transaction before the locking read
    bool odbc;                        // autocommit off, else BEGIN TRAN ... COMMIT/ROLLBACK TRAN
    bool commit;
    const char* read;                 // a's read; only TABLOCKX locks
    bool locks;
  } ways[] = {
      {"first statement, autocommit off", {}, true, true, "WITH(INDEX(T_indent),TABLOCKX)", true},
      {"after a plain read", {"SELECT * FROM T"}, true, false, "WITH(TABLOCKX)", true},
      {"after a write", {"UPDATE T SET C2 = 1"}, true, true, "WITH(TABLOCKX)", true},
      {"BEGIN TRAN", {}, false, true, "WITH(TABLOCKX)", true},
      {"BEGIN TRAN, after a read", {"SELECT * FROM T"}, false, false, "WITH(TABLOCKX)", true},
      {"other hints", {}, true, true, "WITH (INDEX(T_indent), NOLOCK, TABLOCK, UPDLOCK, HOLDLOCK)",
       false},
  };
  int key = 100;
  for (const Way& w : ways) {
    SCOPED_TRACE(w.name);
    if (w.odbc)
      Autocommit(a, false);
    else
      a.Ok("BEGIN TRAN");
    for (const std::string& sql : w.before) a.Ok(sql);
    std::string read = std::string("SELECT * FROM T ") + w.read + "  WHERE C1>0 ORDER BY C1";
    EXPECT_FALSE(a.stmt->Query(read).empty());
    EXPECT_EQ(Writes(b, ++key), !w.locks);
    EXPECT_FALSE(b.stmt->Query("SELECT count(*) FROM T").empty());  // readers do not wait
    // ... unless they ask for the table lock too.
    EXPECT_EQ(SQL_SUCCEEDED(b.Exec("SELECT * FROM T WITH(TABLOCKX)")), !w.locks);
    SQLFreeStmt(b.stmt->h, SQL_CLOSE);
    EXPECT_EQ(Writes(b, ++key), !w.locks);
    if (w.odbc) {
      EXPECT_EQ(EndTran(a, w.commit), SQL_SUCCESS);
      Autocommit(a, true);
    } else {
      a.Ok(w.commit ? "COMMIT TRAN" : "ROLLBACK TRAN");
    }
    EXPECT_TRUE(Writes(b, ++key));
  }
}

// Outside a transaction the lock is the statement's: it is asked for when the query runs and
// gone once it has, even while its result is still being read.
TEST_F(Tablockx, OutsideATransactionItLastsForTheStatement) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "datos");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "datos");
  a.Ok("SET LOCK_TIMEOUT 150");
  b.Ok("SET LOCK_TIMEOUT 150");
  ASSERT_EQ(a.Exec("SELECT * FROM T WITH(TABLOCKX)"), SQL_SUCCESS);
  EXPECT_TRUE(Writes(b, 2));
  EXPECT_EQ(SQLFetch(a.stmt->h), SQL_SUCCESS);
  // The result was read under the lock: it does not show b's row.
  EXPECT_EQ(SQLFetch(a.stmt->h), SQL_NO_DATA);
  // While b holds the write lock, the hinted query waits and gives up; a plain one does not.
  Autocommit(b, false);
  ASSERT_TRUE(Writes(b, 3));
  EXPECT_EQ(a.Exec("SELECT * FROM T WITH(TABLOCKX)"), SQL_ERROR);
  EXPECT_EQ(a.diag().state, "HYT00");
  EXPECT_EQ(a.diag().native, 1222);
  EXPECT_EQ(a.stmt->Query("SELECT count(*) FROM T"), (Rows{{"2"}}));
  EXPECT_EQ(EndTran(b, true), SQL_SUCCESS);
  EXPECT_EQ(a.stmt->Query("SELECT count(*) FROM T WITH(TABLOCKX)"), (Rows{{"3"}}));
}

}  // namespace
