// Block fetches of a table statement and the moves inside the fetched rowset.
#include <cstring>
#include <string>
#include <vector>

#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "odbc/SentOdbc.h"

namespace {

constexpr int kOpPrimLote = 116;
constexpr int kOpUltLote = 117;
constexpr int kOpSigLote = 118;
constexpr int kOpAntLote = 119;

// Fetch before the first rowset: the driver answered with the first rowset instead.
const char kAntesDelPrimero[] = "01S06";

// Stands on row 0 of a rowset just fetched.
void EnPrimera(SentTabla* s) {
  s->posLote = 0;
  if (s->tamLote != 0) s->CargaFila(0);
}

// Stands on the last row of a rowset just fetched.
void EnUltima(SentTabla* s) {
  s->posLote = int(s->filasLeidas) - 1;
  if (unsigned(s->posLote) < unsigned(s->tamLote)) s->CargaFila(SQLULEN(s->posLote));
}

SQLRETURN Lote(SentTabla* s, SQLUSMALLINT orientacion, int operacion, int* repetir) {
  s->ExtendedFetch(orientacion, s->tamLote, &s->filasLeidas, s->estFilas);
  int r = 1;
  ClasificaErr(s, operacion, repetir ? repetir : &r, kAntesDelPrimero);
  return s->ret;
}

}  // namespace

SQLRETURN SentTabla::PrimLote(int* repetir) {
  SQLRETURN r = Lote(this, SQL_FETCH_FIRST, kOpPrimLote, repetir);
  if (r == SQL_SUCCESS) EnPrimera(this);
  return r;
}

SQLRETURN SentTabla::UltLote(int* repetir) {
  SQLRETURN r = Lote(this, SQL_FETCH_LAST, kOpUltLote, repetir);
  if (r == SQL_SUCCESS) EnUltima(this);
  return r;
}

SQLRETURN SentTabla::SigLote(int* repetir) {
  SQLRETURN r = Lote(this, SQL_FETCH_NEXT, kOpSigLote, repetir);
  if (r == SQL_SUCCESS) EnPrimera(this);
  return r;
}

SQLRETURN SentTabla::AntLote(int* repetir) {
  SQLRETURN r = Lote(this, SQL_FETCH_PRIOR, kOpAntLote, repetir);
  if (r == SQL_SUCCESS) {
    EnUltima(this);
  } else if (r == SQL_SUCCESS_WITH_INFO && strcmp(sqlState, kAntesDelPrimero) == 0) {
    return SQLRETURN(RecolocaFila());
  }
  return r;
}

int SentTabla::SigFila() {
  if (static_cast<long long>(posLote) >= static_cast<long long>(filasLeidas) - 1) return -1;
  ++posLote;
  if (posLote < tamLote) CargaFila(SQLULEN(posLote));
  return 0;
}

int SentTabla::AntFila() {
  if (posLote <= 0) return -1;
  --posLote;
  if (posLote < tamLote) CargaFila(SQLULEN(posLote));
  return 0;
}

int SentTabla::RecolocaFila() {
  // The current record, as the texts of all columns.
  std::vector<std::string> actual(size_t(nCmps > 0 ? nCmps : 0));
  for (int c = 0; c < nCmps; ++c)
    if (cmps[c]) actual[size_t(c)] = cmps[c]->Texto();

  // Look for it in the rowset the driver returned, from its end; only rows it filled count.
  long filas = long(filasLeidas) < long(tamLote) ? long(filasLeidas) : long(tamLote);
  for (long r = filas - 1; r >= 0; --r) {
    CargaFila(SQLULEN(r));
    bool igual = true;
    for (int c = 0; c < nCmps && igual; ++c)
      if (cmps[c]) igual = actual[size_t(c)] == cmps[c]->Texto();
    if (!igual) continue;
    if (r > 0) {
      CargaFila(SQLULEN(r - 1));
      posLote = int(r - 1);
    } else {
      posLote = 0;
    }
    return 0;
  }
  EnUltima(this);
  return 0;
}
