#include "Odbc.h"

#include <gtest/gtest.h>

#include <cstring>

Diag FirstDiag(SQLSMALLINT type, SQLHANDLE handle) {
  Diag d;
  SQLCHAR state[6] = {0};
  SQLCHAR message[1024] = {0};
  SQLSMALLINT len = 0;
  if (SQLGetDiagRec(type, handle, 1, state, &d.native, message, sizeof message, &len) ==
      SQL_SUCCESS) {
    d.state = reinterpret_cast<char*>(state);
    d.message = reinterpret_cast<char*>(message);
  }
  return d;
}

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

std::vector<std::vector<std::string>> OdbcStmt::Rows() {
  std::vector<std::vector<std::string>> rows;
  SQLSMALLINT cols = 0;
  SQLNumResultCols(h, &cols);
  while (SQLFetch(h) == SQL_SUCCESS) {
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

std::vector<std::vector<std::string>> OdbcStmt::Query(const std::string& sql) {
  SQLRETURN rc = Exec(sql);
  EXPECT_TRUE(SQL_SUCCEEDED(rc)) << sql << ": " << Rc(rc) << " " << diag().state << " "
                                 << diag().message;
  return Rows();
}

Session::Session(const std::string& server, SQLINTEGER version, const std::string& database)
    : env(version), conn(env) {
  SQLRETURN rc = conn.Connect(DriverText(server, "sa", "", database));
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
