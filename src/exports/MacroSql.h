// Free SQL statements of the host: run a text, deliver its values one at a time.
#pragma once
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"
#include "zorb/host.h"

namespace zorb {

// Operations of MacroSQL.
constexpr int kMacroEjecuta = 1;     // execute, deliver the first row
constexpr int kMacroSiguiente = 2;   // deliver the next row
constexpr int kMacroNada = 3;        // nothing: -1
constexpr int kMacroCierra = 4;      // close the open result set
constexpr int kMacroTodo = 5;        // execute, deliver every row, error text on failure

// Bytes of the host's error buffer that operation 5 writes, terminator included.
constexpr int kLonErrorMacro = 299;

// Operation number of the log record of a text refused for its length.
constexpr int kOpMacroLarga = 211;

int MacroSQL(int operacion, const char* sql, int fila, ResultadoSql* resultado,
             CnxOdbc** celdaCnx, SentOdbc** celdaSent, const char* servidor, const char* base,
             const char* usuario, const char* clave, char* error);
int DelMacroSQL(CnxOdbc** celdaCnx, SentOdbc** celdaSent);

}  // namespace zorb
