#include "Odbc.h"

#include <gtest/gtest.h>

#include <cstring>

std::vector<Diag> AllDiags(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<Diag> all;
  for (SQLSMALLINT i = 1;; ++i) {
    Diag d;
    SQLCHAR state[6] = {0};
    SQLCHAR message[1024] = {0};
    SQLSMALLINT len = 0;
    SQLRETURN rc = SQLGetDiagRec(type, handle, i, state, &d.native, message, sizeof message, &len);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
    d.state = reinterpret_cast<char*>(state);
    d.message = reinterpret_cast<char*>(message);
    all.push_back(d);
  }
  return all;
}

Diag FirstDiag(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<Diag> all = AllDiags(type, handle);
  return all.empty() ? Diag() : all[0];
}

std::string DriverText(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database) {
  return "DRIVER={SQL Server};SERVER=" + server + ";UID=" + user + ";PWD=" + password +
         ";DATABASE=" + database;
}

std::string Rc(SQLRETURN rc) {
  switch (rc) {
    case SQL_SUCCESS: return "SQL_SUCCESS";
    case SQL_SUCCESS_WITH_INFO: return "SQL_SUCCESS_WITH_INFO";
    case SQL_NO_DATA: return "SQL_NO_DATA";
    case SQL_ERROR: return "SQL_ERROR";
    case SQL_INVALID_HANDLE: return "SQL_INVALID_HANDLE";
    default: return std::to_string(rc);
  }
}

void SetAttr(SQLHSTMT h, SQLINTEGER attr, SQLULEN value) {
  ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtAttr(h, attr, reinterpret_cast<SQLPOINTER>(value), SQL_NTS)))
      << attr;
}

std::vector<std::string> ColumnNames(SQLHSTMT h) {
  std::vector<std::string> names;
  SQLSMALLINT n = 0;
  SQLNumResultCols(h, &n);
  for (SQLUSMALLINT c = 1; c <= n; ++c) {
    SQLCHAR name[64] = {0};
    SQLDescribeCol(h, c, name, sizeof name, nullptr, nullptr, nullptr, nullptr, nullptr);
    names.push_back(reinterpret_cast<char*>(name));
  }
  return names;
}

Rows Pick(const Rows& rows, const std::vector<size_t>& columns) {
  Rows out;
  for (const auto& row : rows) {
    out.emplace_back();
    for (size_t c : columns) out.back().push_back(row.at(c));
  }
  return out;
}

Described Describe(SQLHSTMT h, SQLUSMALLINT column) {
  SQLSMALLINT type = 0, digits = 0, nullable = 0;
  SQLULEN size = 0;
  EXPECT_EQ(SQLDescribeCol(h, column, nullptr, 0, nullptr, &type, &size, &digits, &nullable),
            SQL_SUCCESS)
      << column;
  return {type, size, digits, nullable};
}

void Comprueba(Session& s, const std::vector<Caso>& casos) {
  for (const Caso& c : casos) {
    std::string shown = c.sql.substr(0, 80);
    SQLRETURN rc = s.Exec(c.sql);
    Diag d = s.diag();
    EXPECT_EQ(Rc(rc), Rc(c.rc)) << shown << ": " << d.state << " " << d.message;
    if (!c.state.empty()) {
      EXPECT_EQ(d.state, c.state) << shown << ": " << d.message;
      if (c.native >= 0) {
        EXPECT_EQ(d.native, c.native) << shown << ": " << d.message;
      }
      if (!c.message.empty()) {
        EXPECT_EQ(d.message, "[ZORB][Engine]" + c.message) << shown;
      }
    }
    if (rc == SQL_ERROR) {
      for (const Diag& r : AllDiags(SQL_HANDLE_STMT, s.stmt->h))
        EXPECT_EQ(r.message.rfind("[ZORB][Engine]", 0), 0u) << shown << ": " << r.message;
    }
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  }
}

void Consultas(Session& s, const std::vector<Consulta>& consultas) {
  for (const Consulta& q : consultas) {
    if (!q.native) {
      EXPECT_EQ(s.stmt->Query(q.sql), q.rows) << q.sql;
      continue;
    }
    SQLRETURN rc = s.Exec(q.sql);
    while (SQL_SUCCEEDED(rc)) rc = SQLFetch(s.stmt->h);
    EXPECT_EQ(Rc(rc), Rc(SQL_ERROR)) << q.sql;
    EXPECT_EQ(s.diag().native, q.native) << q.sql << ": " << s.diag().message;
    SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  }
}

bool RunsCleanly(Session& s, const std::string& sql) {
  SQLRETURN rc = s.Exec(sql);
  EXPECT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_ERROR ||
              rc == SQL_NO_DATA)
      << Rc(rc) << " for " << sql;
  if (rc == SQL_ERROR) {
    Diag d = s.diag();
    EXPECT_EQ(d.state.size(), 5u) << sql;
    EXPECT_EQ(d.message.rfind("[ZORB][Engine]", 0), 0u) << sql;
  }
  SQLFreeStmt(s.stmt->h, SQL_CLOSE);
  return rc != SQL_ERROR;
}

void Autocommit(Session& s, bool on) {
  SQLULEN mode = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
  ASSERT_EQ(SQLSetConnectAttr(s.conn.h, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(mode), 0),
            SQL_SUCCESS);
}

SQLRETURN EndTran(Session& s, bool commit) {
  return SQLEndTran(SQL_HANDLE_DBC, s.conn.h, commit ? SQL_COMMIT : SQL_ROLLBACK);
}

OdbcEnv::OdbcEnv(SQLINTEGER version) {
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h);
  SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQLLEN(version)), 0);
}

OdbcEnv::~OdbcEnv() { SQLFreeHandle(SQL_HANDLE_ENV, h); }

OdbcConn::OdbcConn(OdbcEnv& env) { SQLAllocHandle(SQL_HANDLE_DBC, env.h, &h); }

OdbcConn::~OdbcConn() {
  if (connected) SQLDisconnect(h);
  SQLFreeHandle(SQL_HANDLE_DBC, h);
}

SQLRETURN OdbcConn::Connect(const std::string& text) {
  // The library's buffer: 200 bytes, the text NUL-terminated, garbage after it.
  char buffer[200];
  std::memset(buffer, 'Z', sizeof buffer);
  std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
  SQLCHAR out[500];
  SQLSMALLINT outLen = 0;
  SQLRETURN rc = SQLDriverConnect(h, nullptr, reinterpret_cast<SQLCHAR*>(buffer), 200, out,
                                  sizeof out, &outLen, SQL_DRIVER_NOPROMPT);
  connected = SQL_SUCCEEDED(rc);
  return rc;
}

OdbcStmt::OdbcStmt(OdbcConn& conn) { SQLAllocHandle(SQL_HANDLE_STMT, conn.h, &h); }
OdbcStmt::~OdbcStmt() {
  if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
}

SQLRETURN OdbcStmt::Exec(const std::string& sql) {
  SQLFreeStmt(h, SQL_CLOSE);
  return SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

Rows OdbcStmt::Rows() {
  ::Rows rows;
  SQLSMALLINT cols = 0;
  SQLNumResultCols(h, &cols);
  // SQLGetData reads the current row only: rowsets of more than one row would be skipped.
  SQLULEN arraySize = 1;
  SQLGetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, &arraySize, 0, nullptr);
  EXPECT_EQ(arraySize, 1u) << "Rows() reads one row per fetch";
  while (SQL_SUCCEEDED(SQLFetch(h))) {
    std::vector<std::string> row;
    for (SQLUSMALLINT c = 1; c <= cols; ++c) {
      char buf[4096];
      SQLLEN ind = 0;
      SQLRETURN rc = SQLGetData(h, c, SQL_C_CHAR, buf, sizeof buf, &ind);
      EXPECT_TRUE(SQL_SUCCEEDED(rc)) << Rc(rc) << " " << diag().message;
      row.push_back(ind == SQL_NULL_DATA ? std::string("<null>") : std::string(buf));
    }
    rows.push_back(row);
  }
  SQLFreeStmt(h, SQL_CLOSE);
  return rows;
}

Rows OdbcStmt::Query(const std::string& sql) {
  SQLRETURN rc = Exec(sql);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << Rc(rc) << " " << diag().state << " "
                                 << diag().message;
  return Rows();
}

Session::Session(const std::string& server, SQLINTEGER version, const std::string& database,
                 const std::string& user, const std::string& password)
    : env(version), conn(env) {
  SQLRETURN rc = conn.Connect(DriverText(server, user, password, database));
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << Rc(rc) << " " << conn.diag().state << " "
                                 << conn.diag().message;
  stmt = new OdbcStmt(conn);
}

Session::~Session() { delete stmt; }

void Session::Ok(const std::string& sql) {
  SQLRETURN rc = stmt->Exec(sql);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << Rc(rc) << " " << diag().state << " "
                                 << diag().message;
  SQLFreeStmt(stmt->h, SQL_CLOSE);
}
