// Statement objects and the thin wrappers around single ODBC calls.
#include "odbc/SentOdbc.h"

#include <cstring>

SentOdbc::SentOdbc(CnxOdbc* cnx_, int tamLote_, int* exito, const char* opcion_)
    : hdbc(cnx_->hdbc),
      hstmt(nullptr),
      ret(SQL_SUCCESS),
      errNativo(0),
      lonMensaje(0),
      cnx(cnx_),
      nCmps(0),
      tamLote(tamLote_),
      opcion(CopiaTxt(opcion_)),
      cmps(nullptr),
      filasLeidas(0),
      estFilas(nullptr),
      desborde(false) {
  *exito = 0;
  sentencia[0] = '\0';
  sqlState[0] = '\0';
  mensaje[0] = '\0';
  ret = SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt);
  if (SQL_SUCCEEDED(ret))
    *exito = 1;
  else
    hstmt = nullptr;  // an invalid connection handle fails the same way as an error
  NuevoEstFilas();
}

SentOdbc::~SentOdbc() {
  delete[] estFilas;
  BorraCmps();
  delete[] opcion;
  if (hstmt) SQLFreeHandle(SQL_HANDLE_STMT, hstmt);
}

void SentOdbc::NuevoEstFilas() {
  delete[] estFilas;
  estFilas = new SQLUSMALLINT[(tamLote > 0 ? tamLote : 0) + 1]();
}

bool SentOdbc::IniTexto(const char* texto) {
  sentencia[0] = '\0';
  desborde = false;
  return AnexaTexto(texto);
}

bool SentOdbc::AnexaTexto(const char* texto) {
  if (!texto) return !desborde;
  size_t usado = strlen(sentencia);
  size_t l = strlen(texto);
  if (desborde || usado + l >= kLonSentencia) {
    desborde = true;
    return false;
  }
  memcpy(sentencia + usado, texto, l + 1);
  return true;
}

SQLRETURN SentOdbc::ExecDirect() {
  if (desborde) return ret = SQL_ERROR;
  return ret = SQLExecDirect(hstmt, (SQLCHAR*)sentencia, SQL_NTS);
}

SQLRETURN SentOdbc::ExecTexto(const char* texto, const char* sufijo) {
  IniTexto(texto);
  AnexaTexto(sufijo);
  return ExecDirect();
}

SQLRETURN SentOdbc::Fetch() { return ret = SQLFetch(hstmt); }

SQLRETURN SentOdbc::ExtendedFetch(SQLUSMALLINT orientacion, SQLLEN desplazamiento, SQLULEN* filas,
                                  SQLUSMALLINT* estados) {
  return ret = SQLExtendedFetch(hstmt, orientacion, desplazamiento, filas, estados);
}

SQLRETURN SentOdbc::NumResultCols(SQLSMALLINT* n) { return ret = SQLNumResultCols(hstmt, n); }

SQLRETURN SentOdbc::Cierra() { return ret = SQLFreeStmt(hstmt, SQL_CLOSE); }

SQLRETURN SentOdbc::Desliga() { return ret = SQLFreeStmt(hstmt, SQL_UNBIND); }

SQLRETURN SentOdbc::BindCol(SQLUSMALLINT columna, SQLSMALLINT tipoC, SQLPOINTER datos, SQLLEN lon,
                            SQLLEN* ind) {
  return ret = SQLBindCol(hstmt, columna, tipoC, datos, lon, ind);
}

SQLRETURN SentOdbc::RowCount(SQLLEN* n) { return ret = SQLRowCount(hstmt, n); }

SQLRETURN SentOdbc::Statistics(const char* tabla) {
  return ret = SQLStatistics(hstmt, (SQLCHAR*)cnx->nomBase, SQL_NTS, nullptr, 0, (SQLCHAR*)tabla,
                             SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
}

SQLRETURN SentOdbc::PonAtributo(SQLINTEGER atributo, SQLULEN valor) {
  return ret = SQLSetStmtAttr(hstmt, atributo, (SQLPOINTER)valor, SQL_NTS);
}

SentTabla::SentTabla(CnxOdbc* cnx_, const char* tabla_, int tamLote_, int* exito,
                     const char* opcion_)
    : SentOdbc(cnx_, tamLote_, exito, opcion_), tabla(CopiaTxt(tabla_)), posLote(0) {}

SentTabla::~SentTabla() { delete[] tabla; }
