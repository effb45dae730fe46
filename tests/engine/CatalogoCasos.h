// Shared by the DDL and catalogue tests: tables of statement -> outcome, and connection modes.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Odbc.h"

using Rows = std::vector<std::vector<std::string>>;

struct Caso {
  Caso(std::string q, SQLRETURN r, std::string st = "", SQLINTEGER n = 0, std::string m = "")
      : sql(std::move(q)), rc(r), state(std::move(st)), native(n), message(std::move(m)) {}
  std::string sql;
  SQLRETURN rc;
  std::string state;    // empty: no diagnostic checked
  SQLINTEGER native = 0;
  std::string message;  // without the "[ZORB][Engine]" prefix; empty: not checked
};

// Runs every case in order on the session's statement and checks its outcome.
inline void Comprueba(Session& s, const std::vector<Caso>& casos) {
  for (const Caso& c : casos) {
    SQLRETURN rc = s.Exec(c.sql);
    EXPECT_EQ(Rc(rc), Rc(c.rc)) << c.sql << ": " << s.diag().state << " " << s.diag().message;
    if (!c.state.empty()) {
      Diag d = s.diag();
      EXPECT_EQ(d.state, c.state) << c.sql;
      EXPECT_EQ(d.native, c.native) << c.sql;
      if (!c.message.empty()) {
        EXPECT_EQ(d.message, "[ZORB][Engine]" + c.message) << c.sql;
      }
    }
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  }
}

inline void Autocommit(Session& s, bool on) {
  ASSERT_EQ(SQLSetConnectAttr(s.conn.h, SQL_ATTR_AUTOCOMMIT,
                              reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON
                                                              : SQL_AUTOCOMMIT_OFF),
                              0),
            SQL_SUCCESS);
}

inline SQLRETURN EndTran(Session& s, bool commit) {
  return SQLEndTran(SQL_HANDLE_DBC, s.conn.h, commit ? SQL_COMMIT : SQL_ROLLBACK);
}
