// Connections: the shared ODBC environment, opening by driver text or data source, transactions.
#include "odbc/CnxOdbc.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "odbc/Chk.h"

SQLHENV* AmbienteOdbc = nullptr;

namespace {

const char kDriver[] = "SQL Server";
const char kBasePorDefecto[] = "master";
const char kUsuarioPorDefecto[] = "sa";
const char kPrefijoDsn[] = "DSN-";
const char kMsgCnxLarga[] = "Connection text longer than 199 characters: not sent.";
constexpr SQLINTEGER kPreservaCursores = 1204;  // SQL_COPT_SS_PRESERVE_CURSORS
constexpr SQLULEN kPcOn = 1;

const char* ConDefecto(const char* v, const char* defecto) {
  return (v && *v) ? v : defecto;
}

// Copies at most n-1 bytes and terminates.
void CopiaAcotada(char* dst, size_t n, const char* src) {
  size_t l = src ? strlen(src) : 0;
  if (l >= n) l = n - 1;
  if (l) memcpy(dst, src, l);
  dst[l] = '\0';
}

// Reads the first diagnostic record of the connection; the texts are not kept.
SQLRETURN DescartaDiag(SQLHDBC hdbc) {
  SQLCHAR estado[6], msg[512];
  SQLINTEGER nativo;
  SQLSMALLINT lon;
  return SQLGetDiagRec(SQL_HANDLE_DBC, hdbc, 1, estado, &nativo, msg, sizeof msg - 1, &lon);
}

void SueltaHandle(CnxOdbc* cnx) {
  SQLFreeHandle(SQL_HANDLE_DBC, cnx->hdbc);
  cnx->hdbc = nullptr;
}

}  // namespace

std::string ValorCnx(const char* v, bool siempreEntreLlaves) {
  static const char kBlancos[] = " \t\r\n";
  std::string t = v ? v : "";
  bool llaves = siempreEntreLlaves || t.find_first_of(";{}=") != std::string::npos ||
                (!t.empty() && (strchr(kBlancos, t.front()) || strchr(kBlancos, t.back())));
  if (!llaves) return t;
  std::string b = "{";
  for (char c : t) {
    if (c == '}') b += '}';
    b += c;
  }
  return b + "}";
}

char* CopiaTxt(const char* texto) {
  size_t l = texto ? strlen(texto) : 0;
  char* c = new char[l + 1];
  if (l) memcpy(c, texto, l);
  c[l] = '\0';
  return c;
}

void ConectaCnx(CnxOdbc* cnx, const char* driver, const char* servidor, const char* base,
                const char* usuario, const char* clave, int* exito) {
  *exito = 0;
  cnx->nomBase = CopiaTxt(base);
  cnx->dsnAlterno = CopiaTxt(base);
  cnx->hdbc = nullptr;

  if (!AmbienteOdbc) {
    AmbienteOdbc = new SQLHENV(nullptr);
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, AmbienteOdbc) == SQL_ERROR) {
      delete AmbienteOdbc;
      AmbienteOdbc = nullptr;
      return;
    }
  }
  SQLSetEnvAttr(*AmbienteOdbc, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)(SQLULEN)SQL_OV_ODBC2, 0);

  cnx->ret = SQLAllocHandle(SQL_HANDLE_DBC, *AmbienteOdbc, &cnx->hdbc);
  if (cnx->ret == SQL_ERROR) {
    cnx->hdbc = nullptr;
    return;
  }
  SQLSetConnectAttr(cnx->hdbc, SQL_ATTR_LOGIN_TIMEOUT, (SQLPOINTER)(SQLULEN)5, 0);
  SQLSetConnectAttr(cnx->hdbc, kPreservaCursores, (SQLPOINTER)kPcOn, SQL_IS_INTEGER);

  if (strncmp(servidor, kPrefijoDsn, 4) == 0) {
    char dsn[200], usr[52], pwd[52];
    CopiaAcotada(dsn, sizeof dsn, servidor + 4);
    CopiaAcotada(usr, sizeof usr, usuario);
    CopiaAcotada(pwd, sizeof pwd, clave);
    cnx->ret = SQLConnect(cnx->hdbc, (SQLCHAR*)dsn, SQL_NTS, (SQLCHAR*)usr, SQL_NTS,
                          (SQLCHAR*)pwd, SQL_NTS);
    if (SQL_SUCCEEDED(cnx->ret)) {
      *exito = 1;
    } else {
      cnx->ret = DescartaDiag(cnx->hdbc);
      SueltaHandle(cnx);
    }
    return;
  }

  // The text is sent with the buffer's length: the driver reads up to the terminator.
  // A text that does not fit is never sent cut: it could name another database or login.
  char texto[200] = {};
  std::string t = "DRIVER=" + ValorCnx(driver, true) + ";SERVER=" + ValorCnx(servidor) +
                  ";UID=" + ValorCnx(usuario) + ";PWD=" + ValorCnx(clave) +
                  ";DATABASE=" + ValorCnx(base);
  if (t.size() >= sizeof texto) {
    RegistraConexion(100, servidor, kMsgCnxLarga);
  } else {
    memcpy(texto, t.c_str(), t.size() + 1);
    SQLCHAR salida[500];
    SQLSMALLINT lonSalida = 0;
    cnx->ret = SQLDriverConnect(cnx->hdbc, nullptr, (SQLCHAR*)texto, sizeof texto, salida,
                                sizeof salida, &lonSalida, SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(cnx->ret)) {
      *exito = 1;
      return;
    }
    cnx->ret = DescartaDiag(cnx->hdbc);
  }
  // Fallback: the database name as a data source, with the login sa and no password.
  cnx->ret = SQLConnect(cnx->hdbc, (SQLCHAR*)cnx->dsnAlterno, SQL_NTS, (SQLCHAR*)kUsuarioPorDefecto,
                        SQL_NTS, nullptr, SQL_NTS);
  if (SQL_SUCCEEDED(cnx->ret)) {
    *exito = 1;
    return;
  }
  cnx->ret = DescartaDiag(cnx->hdbc);
  SueltaHandle(cnx);
}

CnxOdbc* NvaCnxOdbc(const char* servidor, const char* base, const char* usuario,
                    const char* clave) {
  if (!servidor) return nullptr;
  CnxOdbc* cnx = new (std::nothrow) CnxOdbc();
  if (!cnx) return nullptr;
  int exito = 0;
  ConectaCnx(cnx, kDriver, servidor, ConDefecto(base, kBasePorDefecto),
             ConDefecto(usuario, kUsuarioPorDefecto), ConDefecto(clave, ""), &exito);
  if (!exito) {
    DelCnxOdbc(cnx);
    return nullptr;
  }
  return cnx;
}

void CierraCnx(CnxOdbc* cnx) {
  if (!cnx) return;
  if (cnx->hdbc) {
    SQLDisconnect(cnx->hdbc);
    SQLFreeHandle(SQL_HANDLE_DBC, cnx->hdbc);
    cnx->hdbc = nullptr;
  }
  delete[] cnx->nomBase;
  delete[] cnx->dsnAlterno;
  cnx->nomBase = nullptr;
  cnx->dsnAlterno = nullptr;
}

void DelCnxOdbc(CnxOdbc* cnx) {
  if (!cnx) return;
  CierraCnx(cnx);
  delete cnx;
}

void DiagCnx(CnxOdbc* cnx) {
  cnx->sqlState[0] = '\0';
  cnx->mensaje[0] = '\0';
  cnx->errNativo = 0;
  cnx->lonMensaje = 0;
  if (cnx->ret == SQL_ERROR || cnx->ret == SQL_SUCCESS_WITH_INFO)
    SQLError(*AmbienteOdbc, cnx->hdbc, SQL_NULL_HSTMT, (SQLCHAR*)cnx->sqlState, &cnx->errNativo,
             (SQLCHAR*)cnx->mensaje, 511, &cnx->lonMensaje);
}

SQLRETURN IniTransaccion(CnxOdbc* cnx) {
  cnx->ret = SQLSetConnectOption(cnx->hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF);
  DiagCnx(cnx);
  return cnx->ret;
}

SQLRETURN FinTransaccion(CnxOdbc* cnx) {
  cnx->ret = SQLTransact(*AmbienteOdbc, cnx->hdbc, SQL_COMMIT);
  DiagCnx(cnx);
  cnx->ret = SQLSetConnectOption(cnx->hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
  DiagCnx(cnx);
  return cnx->ret;
}
