// Plain ODBC for tests: statements run beside the library, outside its wrappers and its log.
#pragma once
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

using Filas = std::vector<std::vector<std::string>>;

// Runs sql on a handle of its own. `filas` gets the result as texts (NULL as ""), `diag` the
// "STATE message" of a failure.
inline SQLRETURN SqlDirecto(SQLHDBC hdbc, const std::string& sql, Filas* filas = nullptr,
                            std::string* diag = nullptr) {
  SQLHSTMT h = nullptr;
  SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &h);
  SQLRETURN r = SQLExecDirect(h, (SQLCHAR*)sql.c_str(), SQL_NTS);
  if (diag && r == SQL_ERROR) {
    SQLCHAR estado[6] = {}, msg[512] = {};
    SQLINTEGER nativo;
    SQLSMALLINT l;
    SQLGetDiagRec(SQL_HANDLE_STMT, h, 1, estado, &nativo, msg, sizeof msg, &l);
    *diag = std::string((char*)estado) + " " + (char*)msg;
  }
  SQLSMALLINT nc = 0;
  if (filas && SQL_SUCCEEDED(r) && SQL_SUCCEEDED(SQLNumResultCols(h, &nc))) {
    while (SQL_SUCCEEDED(SQLFetch(h))) {
      filas->emplace_back();
      for (SQLUSMALLINT c = 1; c <= nc; ++c) {
        char buf[256] = {};
        SQLLEN ind = 0;
        SQLGetData(h, c, SQL_C_CHAR, buf, sizeof buf, &ind);
        filas->back().push_back(ind >= 0 ? buf : "");
      }
    }
  }
  SQLFreeHandle(SQL_HANDLE_STMT, h);
  return r;
}

// The first value of the result without its trailing blanks; "<error>" when the query fails.
inline std::string SqlValor(SQLHDBC hdbc, const std::string& sql) {
  Filas f;
  if (!SQL_SUCCEEDED(SqlDirecto(hdbc, sql, &f))) return "<error>";
  std::string v = f.empty() || f[0].empty() ? "" : f[0][0];
  while (!v.empty() && v.back() == ' ') v.pop_back();
  return v;
}

// Records in a log text.
inline int Registros(const std::string& log) {
  int n = 0;
  for (size_t p = log.find("====\r\n"); p != std::string::npos; p = log.find("====\r\n", p + 1))
    ++n;
  return n;
}

inline bool Contiene(const std::string& texto, const std::string& parte) {
  return texto.find(parte) != std::string::npos;
}
