// Column names of a statement's result, asked of the driver directly: MacroSQL hands over values
// only. The statement is prepared and described, never executed a second time.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "Comandos.h"

namespace {

// An ODBC connection-text value in braces, with every '}' doubled, so that no value can add
// keywords of its own.
std::string Llaves(const std::string& v) {
  std::string r = "{";
  for (char c : v) {
    r += c;
    if (c == '}') r += '}';
  }
  return r + "}";
}

struct Handles {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  bool conectado = false;
  ~Handles() {
    if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (conectado) SQLDisconnect(dbc);
    if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

}  // namespace

std::vector<std::string> NombresColumnas(const std::string& servidor, const std::string& base,
                                         const std::string& usuario, const std::string& clave,
                                         std::string sql) {
  // Double quotes go as single quotes, as MacroSQL sends them.
  for (char& c : sql)
    if (c == '"') c = '\'';
  Handles h;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.env))) return {};
  SQLSetEnvAttr(h.env, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, h.env, &h.dbc))) return {};
  SQLRETURN r;
  if (servidor.compare(0, 4, "DSN-") == 0) {
    r = SQLConnect(h.dbc, (SQLCHAR*)servidor.c_str() + 4, SQL_NTS, (SQLCHAR*)usuario.c_str(),
                   SQL_NTS, (SQLCHAR*)clave.c_str(), SQL_NTS);
  } else {
    // The library's defaults: login sa, database master.
    std::string texto = "DRIVER={SQL Server};SERVER=" + Llaves(servidor) +
                        ";UID=" + Llaves(usuario.empty() ? "sa" : usuario) +
                        ";PWD=" + Llaves(clave) +
                        ";DATABASE=" + Llaves(base.empty() ? "master" : base);
    r = SQLDriverConnect(h.dbc, nullptr, (SQLCHAR*)texto.c_str(), SQL_NTS, nullptr, 0, nullptr,
                         SQL_DRIVER_NOPROMPT);
  }
  if (!SQL_SUCCEEDED(r)) return {};
  h.conectado = true;
  SQLSMALLINT n = 0;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, h.dbc, &h.stmt)) ||
      !SQL_SUCCEEDED(SQLPrepare(h.stmt, (SQLCHAR*)sql.c_str(), SQL_NTS)) ||
      !SQL_SUCCEEDED(SQLNumResultCols(h.stmt, &n)))
    return {};
  std::vector<std::string> nombres;
  for (SQLUSMALLINT c = 1; c <= n; ++c) {
    SQLCHAR nombre[256] = {};
    SQLSMALLINT lon = 0, tipo, dec, nulo;
    SQLULEN tam;
    if (!SQL_SUCCEEDED(SQLDescribeCol(h.stmt, c, nombre, sizeof nombre, &lon, &tipo, &tam, &dec,
                                      &nulo)))
      return {};
    nombres.push_back((const char*)nombre);
  }
  return nombres;
}
