// The five column buffer classes: bound arrays for a rowset and the current value as text.
#include "columns/Cmp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "values/Numeros.h"

namespace {

const char kFechaBlanca[] = "  /  /  ";
const char kFechaBlancaSql[] = "1/1/1900";
const char kFechaInicial[] = "  /  /    ";

// Copies at most n - 1 bytes of src into dst and terminates it.
void CopiaAcotada(char* dst, size_t n, const char* src) {
  size_t l = src ? strlen(src) : 0;
  if (l >= n) l = n - 1;
  if (l) memcpy(dst, src, l);
  dst[l] = '\0';
}

// The library's number text of v, into a text of n bytes.
void Formatea(double v, char* dst, size_t n) {
  char tmp[64];
  NumAStr(v, tmp);
  tmp[sizeof tmp - 1] = '\0';
  CopiaAcotada(dst, n, tmp);
}

// Texto of the numeric classes: "0" for an empty text.
const char* TextoNumero(const char* t) { return t[0] ? t : "0"; }

// Two digits of a day or month: "0" in front of one digit, the first two of a longer number.
void DosDigitos(unsigned v, char* dst) {
  char tmp[12];
  snprintf(tmp, sizeof tmp, "%02u", v);
  dst[0] = tmp[0];
  dst[1] = tmp[1];
}

}  // namespace

// ---- base ------------------------------------------------------------------------------------

void* CMP::Elemento(void* datos, long fila, long lonElem) const {
  if (!datos || fila < 0 || fila >= NumElems()) return nullptr;
  return static_cast<char*>(datos) + fila * lonElem;
}

// ---- STR -------------------------------------------------------------------------------------

STR::STR(short nFilas_, unsigned lon_, unsigned short nulo_, const char* nombre_)
    : CMP(nFilas_, lon_ > kMaxLonStr ? kMaxLonStr : lon_, -1, nulo_, nombre_),
      texto(nullptr),
      datos(nullptr) {
  texto = new char[size_t(lon) + 1]();
  datos = new char[size_t(NumElems()) * (size_t(lon) + 1)]();
}

STR::~STR() {
  delete[] texto;
  delete[] datos;
}

void STR::LeeFila(long fila) {
  if (!FilaValida(fila)) return;
  const char* e = static_cast<const char*>(DirFila(fila));
  memcpy(texto, e, lon);
  texto[lon] = '\0';
  // Trailing blanks go; the first character always stays, so an all-blank value is one blank.
  for (size_t i = strlen(texto); i > 1 && texto[i - 1] == ' '; --i) texto[i - 1] = '\0';
}

void STR::GrabaFila(long fila) {
  if (!FilaValida(fila)) return;
  char* e = static_cast<char*>(DirFila(fila));
  size_t n = strlen(texto);
  if (n > lon) n = lon;
  memcpy(e, texto, n);
  memset(e + n, ' ', lon - n);
}

const char* STR::Texto() { return texto; }
const char* STR::TextoSql() { return texto; }

void STR::PonTexto(const char* s) {
  size_t n = s ? strlen(s) : 0;
  if (n > lon) n = lon;
  if (n) memcpy(texto, s, n);
  texto[n] = '\0';
}

void* STR::DirFila(long fila) { return Elemento(datos, fila, LonElem()); }
short STR::TipoSql() { return SQL_CHAR; }
short STR::TipoC() { return SQL_C_CHAR; }
short STR::ClaseCmp() { return kClaseTexto; }
const char* STR::NomTipo() { return "char"; }
int32_t STR::LonElem() { return int32_t(lon + 1); }

// ---- LON -------------------------------------------------------------------------------------

LON::LON(short nFilas_, unsigned short nulo_, const char* nombre_)
    : CMP(nFilas_, 0, -1, nulo_, nombre_), datos(nullptr), texto("0") {
  datos = new int32_t[NumElems()]();
}

LON::~LON() { delete[] datos; }

void LON::LeeFila(long fila) {
  if (!FilaValida(fila)) return;
  Formatea(double(datos[fila]), texto, sizeof texto);
}

void LON::GrabaFila(long fila) {
  if (!FilaValida(fila)) return;
  datos[fila] = int32_t(atol(texto));
}

const char* LON::Texto() { return TextoNumero(texto); }
const char* LON::TextoSql() { return Texto(); }
void LON::PonTexto(const char* s) { Formatea(atof(s ? s : ""), texto, sizeof texto); }
void* LON::DirFila(long fila) { return Elemento(datos, fila, LonElem()); }
short LON::TipoSql() { return SQL_INTEGER; }
short LON::TipoC() { return SQL_C_LONG; }
short LON::ClaseCmp() { return kClaseNumero; }
const char* LON::NomTipo() { return "int"; }
int32_t LON::LonElem() { return 4; }

// ---- FLO -------------------------------------------------------------------------------------

FLO::FLO(short nFilas_, unsigned lon_, unsigned short nulo_, const char* nombre_)
    : CMP(nFilas_, lon_, -1, nulo_, nombre_), datos(nullptr), texto("0") {
  datos = new double[NumElems()]();
}

FLO::~FLO() { delete[] datos; }

void FLO::LeeFila(long fila) {
  if (!FilaValida(fila)) return;
  Formatea(datos[fila], texto, sizeof texto);
}

void FLO::GrabaFila(long fila) {
  if (!FilaValida(fila)) return;
  datos[fila] = atof(texto);
}

const char* FLO::Texto() { return TextoNumero(texto); }
const char* FLO::TextoSql() { return Texto(); }
void FLO::PonTexto(const char* s) { Formatea(atof(s ? s : ""), texto, sizeof texto); }
void* FLO::DirFila(long fila) { return Elemento(datos, fila, LonElem()); }
short FLO::TipoSql() { return lon < 8 ? SQL_REAL : SQL_FLOAT; }
short FLO::TipoC() { return SQL_C_DOUBLE; }
short FLO::ClaseCmp() { return kClaseNumero; }
const char* FLO::NomTipo() { return "float"; }
int32_t FLO::LonElem() { return 8; }

// ---- NUM -------------------------------------------------------------------------------------

NUM::NUM(short nFilas_, unsigned lon_, short nDec_, unsigned short nulo_, const char* nombre_)
    : CMP(nFilas_, lon_, nDec_, nulo_, nombre_), datos(nullptr), texto("0") {
  datos = new double[NumElems()]();
}

NUM::~NUM() { delete[] datos; }

void NUM::LeeFila(long fila) {
  if (!FilaValida(fila)) return;
  Formatea(datos[fila], texto, sizeof texto);
}

void NUM::GrabaFila(long fila) {
  if (!FilaValida(fila)) return;
  datos[fila] = atof(texto);
}

const char* NUM::Texto() { return TextoNumero(texto); }
const char* NUM::TextoSql() { return Texto(); }
void NUM::PonTexto(const char* s) { Formatea(atof(s ? s : ""), texto, sizeof texto); }
void* NUM::DirFila(long fila) { return Elemento(datos, fila, LonElem()); }
short NUM::TipoSql() { return SQL_NUMERIC; }
short NUM::TipoC() { return SQL_C_DOUBLE; }
short NUM::ClaseCmp() { return kClaseNumero; }
const char* NUM::NomTipo() { return "dec"; }
int32_t NUM::LonElem() { return 8; }

// ---- FEC -------------------------------------------------------------------------------------

FEC::FEC(short nFilas_, unsigned short nulo_, const char* nombre_, int ordenFecha_)
    : CMP(nFilas_, 0, -1, nulo_, nombre_), datos(nullptr), ordenFecha(ordenFecha_) {
  static_assert(sizeof(SQL_TIMESTAMP_STRUCT) == 16, "ODBC timestamp record of 16 bytes");
  CopiaAcotada(texto, sizeof texto, kFechaInicial);
  datos = new SQL_TIMESTAMP_STRUCT[NumElems()]();
}

FEC::~FEC() { delete[] datos; }

void FEC::LeeFila(long fila) {
  if (!FilaValida(fila)) return;
  const SQL_TIMESTAMP_STRUCT& e = datos[fila];
  if (e.year == 1900 && e.month == 1 && e.day == 1) {
    CopiaAcotada(texto, sizeof texto, kFechaBlanca);
    return;
  }
  // dd/mm/year or mm/dd/year; the year as a signed number without leading zeros.
  char t[sizeof texto];
  DosDigitos(ordenFecha == 0 ? e.day : e.month, t);
  t[2] = '/';
  DosDigitos(ordenFecha == 0 ? e.month : e.day, t + 3);
  t[5] = '/';
  snprintf(t + 6, sizeof t - 6, "%d", int(e.year));
  CopiaAcotada(texto, sizeof texto, t);
}

void FEC::GrabaFila(long fila) {
  if (!FilaValida(fila)) return;
  int primero = atoi(texto);
  int segundo = 0, anio = 0;
  const char* b1 = strchr(texto, '/');
  if (b1 && b1[1]) {
    segundo = atoi(b1 + 1);
    const char* b2 = strchr(b1 + 1, '/');
    if (b2 && b2[1]) anio = atoi(b2 + 1);
  }
  int dia = primero, mes = segundo;
  if (ordenFecha == 2) {
    dia = segundo;
    mes = primero;
  }
  SQL_TIMESTAMP_STRUCT& e = datos[fila];
  e.day = SQLUSMALLINT(dia ? dia : 1);
  e.month = SQLUSMALLINT(mes ? mes : 1);
  e.year = SQLSMALLINT(anio ? anio : 1900);
}

bool FEC::EsFechaBlanca() const {
  return texto[0] == '\0' || strncmp(texto, kFechaBlanca, 7) == 0 ||
         strncmp(texto, "00/00/0", 7) == 0;
}

const char* FEC::Texto() { return EsFechaBlanca() ? kFechaBlanca : texto; }
const char* FEC::TextoSql() { return EsFechaBlanca() ? kFechaBlancaSql : texto; }

void FEC::PonTexto(const char* s) {
  if (s && strlen(s) < sizeof texto) CopiaAcotada(texto, sizeof texto, s);
}

void* FEC::DirFila(long fila) { return Elemento(datos, fila, LonElem()); }
short FEC::TipoSql() { return SQL_TIMESTAMP; }
short FEC::TipoC() { return SQL_C_TIMESTAMP; }
short FEC::ClaseCmp() { return kClaseFecha; }
const char* FEC::NomTipo() { return "datetime"; }
int32_t FEC::LonElem() { return 16; }
