// Free SQL statements: the host runs a text of its own and gets the values back as texts,
// through a result object it supplies. Connection and statement live in two cells of the host.
#include "exports/MacroSql.h"

#include <climits>
#include <cstring>
#include <new>

#include "columns/Cmp.h"
#include "odbc/Chk.h"

namespace zorb {

namespace {

bool Exito(SQLRETURN r) { return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO; }

// Drops the result of the previous execution: bindings, cursor, column buffers.
void SueltaResultado(SentOdbc* s) {
  s->Desliga();
  s->Cierra();
  s->BorraCmps();
}

// Text of column c, empty outside the list.
const char* TextoCol(SentOdbc* s, int c) {
  if (c < 0 || c >= s->nCmps || !s->cmps || !s->cmps[c]) return "";
  return s->cmps[c]->Texto();
}

// Loads row 0 of the rowset just fetched and hands every column to the result object.
void EntregaFila(SentOdbc* s, ResultadoSql* res, int fila, int lote) {
  s->CargaFila(0);
  for (int c = 0; c < s->nCmps; ++c) res->PonCelda(fila, lote, c, TextoCol(s, c));
}

SQLRETURN Siguiente(SentOdbc* s) {
  return s->ExtendedFetch(SQL_FETCH_NEXT, s->tamLote, &s->filasLeidas, s->estFilas);
}

// Copies a message into the host's error buffer, cut to fit and terminated.
void CopiaError(char* error, const char* msg) {
  if (!error) return;
  size_t l = msg ? strnlen(msg, kLonErrorMacro - 1) : 0;
  if (l) memcpy(error, msg, l);
  error[l] = '\0';
}

// Places the text in `sentencia` with every double quote made a single quote. A text that does
// not fit is kept cut (for the log) and marked so that it is never executed.
void PonSentencia(SentOdbc* s, const char* sql) {
  size_t l = strlen(sql);
  s->desborde = l >= kLonSentencia;
  if (s->desborde) l = kLonSentencia - 1;
  for (size_t i = 0; i < l; ++i) s->sentencia[i] = sql[i] == '"' ? '\'' : sql[i];
  s->sentencia[l] = '\0';
}

int Ejecuta(int operacion, const char* sql, int fila, ResultadoSql* res, SentOdbc* s,
            char* error) {
  SueltaResultado(s);
  if (!sql || !*sql) return -1;

  PonSentencia(s, sql);
  if (s->desborde) {
    s->ExecDirect();  // refused without reaching the driver
    ChkSent(s, kOpMacroLarga, nullptr);
    if (operacion == kMacroTodo) CopiaError(error, s->mensaje);
    s->desborde = false;
    return -1;
  }
  if (!Exito(s->ExecDirect())) {
    if (operacion == kMacroTodo && error) CopiaError(error, LeeDiag(s));
    return -1;
  }

  SQLSMALLINT n = 0;
  if (Exito(s->NumResultCols(&n)) && n > 0) {
    s->DescribeCmps(0);
    s->EnlazaCmps();
    res->AbreFila(fila);
    if (operacion == kMacroEjecuta) {
      if (Exito(Siguiente(s))) EntregaFila(s, res, fila, 0);
      return 1;
    }
    int k = 0;
    while (Exito(Siguiente(s))) {
      EntregaFila(s, res, fila, k);
      if (k < INT_MAX) ++k;
    }
    return k;
  }

  SQLLEN cuenta = -1;
  if (Exito(s->RowCount(&cuenta)) && cuenta >= 0) return cuenta > INT_MAX ? INT_MAX : int(cuenta);
  return 1;
}

}  // namespace

int MacroSQL(int operacion, const char* sql, int fila, ResultadoSql* resultado,
             CnxOdbc** celdaCnx, SentOdbc** celdaSent, const char* servidor, const char* base,
             const char* usuario, const char* clave, char* error) {
  if (!resultado || !celdaCnx || !celdaSent) return -2;
  const int objetivo = fila > 0 ? fila - 1 : 0;

  if (!*celdaCnx) {
    *celdaCnx = NvaCnxOdbc(servidor, base, usuario, clave);
    if (!*celdaCnx) return -2;
  }
  if (!*celdaSent) {
    int exito = 0;
    SentOdbc* s = nullptr;
    try {
      s = new SentOdbc(*celdaCnx, 1, &exito, "");
    } catch (const std::bad_alloc&) {
      s = nullptr;
    }
    if (!s || !exito) {
      delete s;
      return -2;
    }
    *celdaSent = s;
  }
  SentOdbc* s = *celdaSent;

  switch (operacion) {
    case kMacroEjecuta:
    case kMacroTodo:
      return Ejecuta(operacion, sql, objetivo, resultado, s, error);
    case kMacroSiguiente: {
      if (!Exito(Siguiente(s))) return -1;
      EntregaFila(s, resultado, objetivo, 0);
      return s->filasLeidas > SQLULEN(INT_MAX) ? INT_MAX : int(s->filasLeidas);
    }
    case kMacroCierra:
      SueltaResultado(s);
      return 1;
    default:  // 3 and every unknown operation
      return -1;
  }
}

int DelMacroSQL(CnxOdbc** celdaCnx, SentOdbc** celdaSent) {
  if (celdaSent && *celdaSent) {
    SueltaResultado(*celdaSent);
    delete *celdaSent;
    *celdaSent = nullptr;
  }
  if (celdaCnx && *celdaCnx) {
    DelCnxOdbc(*celdaCnx);
    *celdaCnx = nullptr;
  }
  return 1;
}

}  // namespace zorb
