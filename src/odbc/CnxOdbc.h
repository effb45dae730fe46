// One open ODBC connection and the process-wide ODBC environment.
#pragma once
#include "odbc/Odbc.h"

#include <string>

// The one ODBC environment of the process: empty until the first connection, then kept.
extern SQLHENV* AmbienteOdbc;

struct CnxOdbc {
  char* nomBase;        // database name, the catalog of catalogue calls
  char* dsnAlterno;     // same name, tried as a data source when the driver route fails
  SQLHDBC hdbc;         // null when not connected
  SQLRETURN ret;        // last call made on the connection itself
  char sqlState[6];
  char mensaje[512];
  SQLINTEGER errNativo;
  SQLSMALLINT lonMensaje;
};

// Opens a connection through the driver "SQL Server" with the defaults master, sa and the empty
// password; null when it cannot be opened. Nothing is logged.
CnxOdbc* NvaCnxOdbc(const char* servidor, const char* base, const char* usuario, const char* clave);
void ConectaCnx(CnxOdbc* cnx, const char* driver, const char* servidor, const char* base,
                const char* usuario, const char* clave, int* exito);
void DelCnxOdbc(CnxOdbc* cnx);
void CierraCnx(CnxOdbc* cnx);
SQLRETURN IniTransaccion(CnxOdbc* cnx);
SQLRETURN FinTransaccion(CnxOdbc* cnx);
void DiagCnx(CnxOdbc* cnx);

// A connection keyword's value as the driver reads it back: as it is when plain, braced ('}'
// doubled) when it holds ';', a brace, '=' or a blank at an end, or when always is set.
std::string ValorCnx(const char* valor, bool siempreEntreLlaves = false);

// An owned copy of a text; null gives an empty text. Freed with delete[].
char* CopiaTxt(const char* texto);
