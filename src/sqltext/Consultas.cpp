// SELECT, INSERT, CREATE TABLE and CREATE INDEX text, built into the statement and executed.
#include <cstdio>
#include <cstring>
#include <string>

#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"

namespace {

const char kMsgClaves[] =
    "Index key list empty or naming a column outside the statement: not executed.";
const char kMsgColumna[] = "Statement column list has an empty entry: not executed.";

bool AnexaLargo(SentOdbc* s, long long n) {
  char num[24];
  snprintf(num, sizeof num, "%lld", n);
  return AnexaTxt(s, num);
}

// A statement refused by the builder itself: nothing executed, the cause logged.
SQLRETURN Rechaza(SentOdbc* s, int operacion, const char* contexto, const char* causa) {
  s->ret = SQL_ERROR;
  s->sqlState[0] = '\0';
  snprintf(s->mensaje, sizeof s->mensaje, "%s", causa);
  s->lonMensaje = static_cast<SQLSMALLINT>(strlen(s->mensaje));
  s->errNativo = 0;
  RegistraError(s, operacion, contexto);
  return SQL_ERROR;
}

SQLULEN Atributo(int v) { return static_cast<SQLULEN>(static_cast<SQLLEN>(v)); }

bool HayTexto(const char* t) { return t && *t; }

}  // namespace

SQLRETURN ArmaSelect(SentOdbc* s, int tamLote, const char* tabla, const char* lista,
                     int concurrencia, int tipoCursor, int exclusivo, const char* listaAlterna,
                     const char* into, const char* where, const char* groupBy, const char* having,
                     const char* orderBy, int indice, const char* compute, int cuantificador,
                     int forBrowse) {
  // A refusal of the previous text says nothing about the steps before the new one.
  s->desborde = false;
  s->Cierra();
  ChkSent(s, 106, tabla);

  s->tamLote = tamLote;
  s->NuevoEstFilas();

  s->PonAtributo(SQL_ATTR_CURSOR_TYPE, Atributo(tipoCursor));
  ChkSent(s, 107, tabla);
  s->PonAtributo(SQL_ATTR_CONCURRENCY, Atributo(concurrencia));
  ChkSent(s, 108, tabla);
  s->PonAtributo(SQL_ATTR_ROW_ARRAY_SIZE, Atributo(s->tamLote));
  ChkSent(s, 109, tabla);

  s->IniTexto("SELECT ");
  if (cuantificador == 1)
    AnexaTxt(s, "ALL ");
  else if (cuantificador == 2)
    AnexaTxt(s, "DISTINCT ");
  AnexaTxt(s, listaAlterna ? listaAlterna : lista);
  if (into) {
    AnexaTxt(s, " INTO ");
    AnexaNombre(s, into, 3);
  }
  AnexaTxt(s, " FROM ");
  AnexaNombre(s, tabla, 3);
  if (indice >= 0) {
    // The index is named after the table: the whole name is written as one.
    std::string nombre = tabla ? tabla : "";
    nombre += kSufijoIndice;
    if (indice > 0) nombre += std::to_string(static_cast<long long>(indice) + 1);
    AnexaTxt(s, " WITH(INDEX(");
    AnexaNombre(s, nombre.c_str());
    AnexaTxt(s, ")");
    if (exclusivo) AnexaTxt(s, ",TABLOCKX");
    AnexaTxt(s, ") ");
  } else if (exclusivo) {
    AnexaTxt(s, " WITH(TABLOCKX) ");
  }
  if (HayTexto(where)) {
    AnexaTxt(s, " WHERE ");
    AnexaTxt(s, where);
  }
  if (HayTexto(groupBy)) {
    AnexaTxt(s, " GROUP BY ");
    AnexaTxt(s, groupBy);
  }
  if (HayTexto(having)) {
    AnexaTxt(s, " HAVING ");
    AnexaTxt(s, having);
  }
  if (HayTexto(orderBy)) {
    AnexaTxt(s, " ORDER BY ");
    AnexaTxt(s, orderBy);
  }
  if (HayTexto(compute)) {
    AnexaTxt(s, " COMPUTE ");
    AnexaTxt(s, compute);
  }
  if (forBrowse) AnexaTxt(s, " FOR BROWSE");
  return s->ExecDirect();
}

SQLRETURN InsertaFila(SentOdbc* s, const char* tabla) {
  if (s->nCmps <= 0 || !s->cmps) return SQL_ERROR;
  s->IniTexto("insert ");
  AnexaNombre(s, tabla, 3);
  AnexaTxt(s, " values (");
  for (int i = 0; i < s->nCmps; ++i) {
    CMP* c = s->cmps[i];
    if (!c) return Rechaza(s, 105, tabla, kMsgColumna);
    if (i > 0) AnexaTxt(s, ",");
    if (c->ClaseCmp() == 2)
      AnexaTxt(s, c->TextoSql());
    else
      AnexaValor(s, c->TextoSql());
  }
  AnexaTxt(s, ")");
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 105, tabla, "22003");
  return r;
}

SQLRETURN CreaTabla(SentOdbc* s, const char* tabla) {
  s->IniTexto("create table ");
  AnexaNombre(s, tabla, 3);
  AnexaTxt(s, " (");
  for (int i = 0; i < s->nCmps; ++i) {
    CMP* c = s->cmps ? s->cmps[i] : nullptr;
    if (!c) return Rechaza(s, 101, nullptr, kMsgColumna);
    AnexaNombre(s, c->nombre);
    AnexaTxt(s, " ");
    AnexaTxt(s, c->NomTipo());
    if (c->lon > 0) {
      AnexaTxt(s, "(");
      AnexaLargo(s, c->lon);
      if (c->nDec >= 0) {
        AnexaTxt(s, ",");
        AnexaNum(s, c->nDec);
      }
      AnexaTxt(s, ")");
    }
    AnexaTxt(s, c->nulo ? " NULL" : " NOT NULL");
    AnexaTxt(s, ",");
  }
  // The last character goes: the final "," (or the "(" of an empty list).
  if (!s->desborde) {
    size_t l = strlen(s->sentencia);
    if (l) s->sentencia[l - 1] = '\0';
  }
  AnexaTxt(s, ")");
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 101, nullptr);
  return r;
}

SQLRETURN CreaIndice(SentOdbc* s, const char* tabla, const char* indice, const int32_t* claves,
                     int unico, int agrupado) {
  s->IniTexto("create ");
  if (unico) AnexaTxt(s, "unique ");
  if (agrupado == 1)
    AnexaTxt(s, "clustered ");
  else if (agrupado != 0)
    AnexaTxt(s, "nonclustered ");
  AnexaTxt(s, "index ");
  AnexaNombre(s, indice);
  AnexaTxt(s, " on ");
  AnexaNombre(s, tabla, 3);
  if (!claves || claves[0] < 1) return Rechaza(s, 111, tabla, kMsgClaves);
  for (int32_t j = 1; j <= claves[0]; ++j) {
    int32_t k = claves[j];
    if (k < 1 || k > s->nCmps || !s->cmps || !s->cmps[k - 1])
      return Rechaza(s, 111, tabla, kMsgClaves);
    AnexaTxt(s, j == 1 ? " (" : ",");
    AnexaNombre(s, s->cmps[k - 1]->nombre);
  }
  AnexaTxt(s, ")");
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 111, tabla);
  return r;
}
