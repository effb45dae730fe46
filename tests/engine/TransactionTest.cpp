// Autocommit, manual transactions and what other connections see.
#include "Entorno.h"
#include "Odbc.h"

namespace {

class Transactions : public ConServidor {
 protected:
  void SetUp() override {
    Session setup(entorno.servidor());
    setup.Ok("CREATE DATABASE banco");
    setup.Ok("USE banco; CREATE TABLE c (id int NOT NULL, saldo int)");
  }
  std::string Count(Session& s) { return s.stmt->Query("SELECT count(*) FROM c")[0][0]; }
};

TEST_F(Transactions, RollbackLosesCommitKeepsAndOthersSeeOnlyCommitted) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "banco");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "banco");
  // Autocommit is on by default: every statement shows at once.
  a.Ok("INSERT INTO c VALUES (0, 0)");
  EXPECT_EQ(Count(b), "1");
  a.Ok("DELETE FROM c");
  Autocommit(a, false);
  a.Ok("INSERT INTO c VALUES (1, 10)");
  a.Ok("INSERT INTO c VALUES (2, 20)");
  EXPECT_EQ(Count(a), "2");
  EXPECT_EQ(Count(b), "0");  // uncommitted rows are not seen, and reading does not wait
  EXPECT_EQ(EndTran(a, false), SQL_SUCCESS);
  EXPECT_EQ(Count(a), "0");
  a.Ok("INSERT INTO c VALUES (3, 30)");
  EXPECT_EQ(Count(b), "0");
  EXPECT_EQ(EndTran(a, true), SQL_SUCCESS);
  EXPECT_EQ(Count(b), "1");
  // The next statement begins the next transaction.
  a.Ok("UPDATE c SET saldo = 31");
  EXPECT_EQ(b.stmt->Query("SELECT saldo FROM c"), (Rows{{"30"}}));
  // Switching autocommit on commits.
  Autocommit(a, true);
  EXPECT_EQ(b.stmt->Query("SELECT saldo FROM c"), (Rows{{"31"}}));
  a.Ok("DELETE FROM c");
  EXPECT_EQ(Count(b), "0");
}

// The driver manager turns SQLSetConnectOption and SQLTransact (the library's calls, run by the
// cursor tests) into the calls above.
TEST_F(Transactions, TSqlTransactions) {
  Session a(entorno.servidor(), SQL_OV_ODBC2, "banco");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "banco");
  a.Ok("INSERT INTO c VALUES (1, 10)");
  // BEGIN TRAN ... ROLLBACK inside autocommit.
  a.Ok("BEGIN TRANSACTION");
  a.Ok("INSERT INTO c VALUES (2, 20)");
  EXPECT_EQ(Count(b), "1");
  a.Ok("ROLLBACK");
  EXPECT_EQ(Count(a), "1");
  a.Ok("BEGIN TRAN; INSERT INTO c VALUES (3, 30); COMMIT TRAN");
  EXPECT_EQ(Count(b), "2");
  EXPECT_EQ(a.Exec("COMMIT"), SQL_ERROR);
  EXPECT_EQ(a.diag().native, 3902);
}

// A write waiting for another's transaction is DdlBloqueos_test's.
TEST_F(Transactions, DisconnectRollsBack) {
  Session b(entorno.servidor(), SQL_OV_ODBC3, "banco");
  {
    Session a(entorno.servidor(), SQL_OV_ODBC3, "banco");
    Autocommit(a, false);
    a.Ok("INSERT INTO c VALUES (1, 10)");
  }
  EXPECT_EQ(Count(b), "0");
  b.Ok("INSERT INTO c VALUES (2, 20)");
  EXPECT_EQ(Count(b), "1");
}

// A result being read does not hold back the writes of its own connection.
TEST_F(Transactions, WritesCommitWhileTheConnectionReadsAResult) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "banco");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "banco");
  for (int i = 1; i <= 3; ++i) a.Ok("INSERT INTO c VALUES (" + std::to_string(i) + ", 0)");
  OdbcStmt reader(a.conn);
  ASSERT_EQ(reader.Exec("SELECT id FROM c ORDER BY id"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(reader.h), SQL_SUCCESS);
  a.Ok("INSERT INTO c VALUES (4, 0)");
  EXPECT_EQ(Count(b), "4");
  // Another connection can write meanwhile, and the first one still can afterwards.
  b.Ok("INSERT INTO c VALUES (5, 0)");
  a.Ok("UPDATE c SET saldo = 1 WHERE id = 5");
  EXPECT_EQ(b.stmt->Query("SELECT saldo FROM c WHERE id = 5"), (Rows{{"1"}}));
  // The open result keeps reading what was there when it started.
  int rows = 1;
  while (SQLFetch(reader.h) == SQL_SUCCESS) ++rows;
  EXPECT_EQ(rows, 3);
}

// Inside a transaction the connection reads its own writes, and a commit keeps an open result.
TEST_F(Transactions, CommitKeepsAnOpenResult) {
  Session a(entorno.servidor(), SQL_OV_ODBC3, "banco");
  Session b(entorno.servidor(), SQL_OV_ODBC3, "banco");
  Autocommit(a, false);
  for (int i = 1; i <= 3; ++i) a.Ok("INSERT INTO c VALUES (" + std::to_string(i) + ", 0)");
  OdbcStmt reader(a.conn);
  ASSERT_EQ(reader.Exec("SELECT id FROM c ORDER BY id"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(reader.h), SQL_SUCCESS);
  EXPECT_EQ(EndTran(a, true), SQL_SUCCESS);
  EXPECT_EQ(Count(b), "3");
  for (SQLRETURN rc : {SQL_SUCCESS, SQL_SUCCESS, SQL_NO_DATA}) EXPECT_EQ(SQLFetch(reader.h), rc);
}

}  // namespace
