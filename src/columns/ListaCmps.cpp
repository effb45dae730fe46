// The column list of a statement: describing a result set, binding it and loading one row.
#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

#include <cstring>
#include <new>

namespace {

// Operation numbers of the log records.
constexpr int kOpNumCols = 103;
constexpr int kOpDescribe = 104;
constexpr int kOpBind = 112;

// Room for a column name, terminator included.
constexpr SQLSMALLINT kLonNombre = 100;

}  // namespace

CMP::CMP(short nFilas_, unsigned lon_, short nDec_, unsigned short nulo_, const char* nombre_)
    : nFilas(nFilas_), nDec(nDec_), nulo(nulo_), lon(lon_), ind(nullptr), nombre(CopiaTxt(nombre_)) {
  ind = new SQLLEN[nFilas > 0 ? nFilas + 1 : 1]();
}

CMP::~CMP() {
  delete[] ind;
  delete[] nombre;
}

void SentOdbc::IniCmps(short n) {
  BorraCmps();
  nCmps = n > 0 ? n : 0;
  cmps = new CMP*[nCmps > 0 ? nCmps : 1]();
}

void SentOdbc::BorraCmps() {
  if (cmps) {
    for (int i = 0; i < nCmps; ++i) delete cmps[i];
    delete[] cmps;
  }
  cmps = nullptr;
  nCmps = 0;
}

CMP* SentOdbc::NvoCmp(short i, short tipoSql, SQLULEN lon, int nDec, int nulo,
                      const char* nombre, int ordenFecha) {
  if (i < 0 || i >= nCmps || !cmps) return nullptr;
  delete cmps[i];
  cmps[i] = nullptr;

  const short filas = short(tamLote);
  const unsigned tam = lon > 0xFFFFFFFFu ? 0xFFFFFFFFu : unsigned(lon);
  const unsigned short nul = static_cast<unsigned short>(nulo);
  CMP* c = nullptr;
  try {
    switch (tipoSql) {
      case SQL_NUMERIC:
      case SQL_DECIMAL:
        c = new NUM(filas, tam, short(nDec), nul, nombre);
        break;
      case SQL_INTEGER:
        c = new LON(filas, nul, nombre);
        break;
      case SQL_FLOAT:
      case SQL_REAL:
        c = new FLO(filas, tam, nul, nombre);
        break;
      case SQL_TIMESTAMP:
        c = new FEC(filas, nul, nombre, ordenFecha);
        break;
      default:
        c = new STR(filas, tam, nul, nombre);
        break;
    }
  } catch (const std::bad_alloc&) {
    c = nullptr;
  }
  cmps[i] = c;
  return c;
}

void SentOdbc::DescribeCmps(int ordenFecha) {
  SQLSMALLINT n = 0;
  NumResultCols(&n);
  ChkSent(this, kOpNumCols, nullptr);
  IniCmps(n);

  for (int i = 0; i < nCmps; ++i) {
    SQLCHAR nombre[kLonNombre] = {};
    SQLSMALLINT lonNombre = 0, tipo = 0, nDec = 0, nulo = 0;
    SQLULEN tam = 0;
    ret = SQLDescribeCol(hstmt, SQLUSMALLINT(i + 1), nombre, kLonNombre, &lonNombre, &tipo, &tam,
                         &nDec, &nulo);
    ChkSent(this, kOpDescribe, nullptr);
    nombre[kLonNombre - 1] = '\0';
    NvoCmp(short(i), tipo, tam, nDec, nulo, reinterpret_cast<const char*>(nombre), ordenFecha);
  }
}

void SentOdbc::EnlazaCmps() {
  for (int i = 0; i < nCmps; ++i) {
    CMP* c = cmps[i];
    if (!c) continue;
    BindCol(SQLUSMALLINT(i + 1), c->TipoC(), c->DirFila(0), c->LonElem(), c->ind);
    ChkSent(this, kOpBind, nullptr);
  }
}

void SentOdbc::CargaFila(SQLULEN fila) {
  if (fila > SQLULEN(0x7FFF)) return;  // beyond any rowset
  for (int i = 0; i < nCmps; ++i)
    if (cmps[i]) cmps[i]->LeeFila(long(fila));
}
