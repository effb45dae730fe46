// The containers and their saved forms.
#include "values/Contenedores.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Plataforma.h"
#include "values/Campos.h"
#include "values/Fecha.h"
#include "values/Comun.h"
#include "values/Numeros.h"

namespace {

char kVacio[] = "";

void Pon16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

unsigned Lee16(const unsigned char* p) { return p[0] | (static_cast<unsigned>(p[1]) << 8); }

// The longest a saved form can state with its 16-bit length field.
const long long kMax16 = 65535;
// Saved forms longer than these are not loaded.
const unsigned kMaxBytesVector = 36000;
const unsigned kMaxElemsEntero = 27000;

}  // namespace

int LeeBloque(ArchivoHost archivo, void* datos, size_t n) {
  return LeeArchivo(archivo, datos, n) ? 1 : 0;
}

int GrabaBloque(ArchivoHost archivo, const void* datos, size_t n) {
  return EscribeArchivo(archivo, datos, n) ? 1 : 0;
}

vector2* NvoVector() { return new (std::nothrow) vector2(); }

matriz* NvaMatriz() { return new (std::nothrow) matriz2(); }

entero2* NvoEntero() { return new (std::nothrow) entero2(); }

// ---- vector2 -----------------------------------------------------------------------------------

vector2::vector2() : elems(nullptr), usados(0), cap(0) {}

vector2::~vector2() { Limpia(); }

void vector2::Limpia() {
  for (int i = 0; i < cap; i++) std::free(elems[i]);
  std::free(elems);
  elems = nullptr;
  usados = cap = 0;
}

// A new array of n entries: the old ones copied, the new ones unset. False when it cannot be had.
bool vector2::CapElems(long long n) {
  if (n > INT_MAX || n <= cap) return n <= cap;
  char** nuevo = static_cast<char**>(std::calloc(static_cast<size_t>(n), sizeof(char*)));
  if (nuevo == nullptr) return false;
  if (cap > 0) std::memcpy(nuevo, elems, static_cast<size_t>(cap) * sizeof(char*));
  std::free(elems);
  elems = nuevo;
  cap = static_cast<int>(n);
  return true;
}

int vector2::Cuenta() { return usados; }

int vector2::Existe(int i) { return i >= 0 && i < cap && elems[i] != nullptr ? i + 1 : 0; }

const char* vector2::Elem(int i) {
  return i >= 0 && i < cap && elems[i] != nullptr ? elems[i] : kVacio;
}

const char* vector2::ElemCrudo(int i) { return i >= 0 && i < cap ? elems[i] : kVacio; }

// The elements joined, each followed by one separator: the 1-based index of the element that
// starts at the 1-based position pos, or 0.
int vector2::ElemEnPos(int pos) {
  long long desde = 0;
  for (int k = 0; k < usados; k++) {
    if (desde == static_cast<long long>(pos) - 1) return k + 1;
    desde += static_cast<long long>(std::strlen(Elem(k))) + 1;
  }
  return 0;
}

const char* vector2::Elem1(int i) { return i == INT_MIN ? kVacio : Elem(i - 1); }

int vector2::EntElem(int i) { return EnteroDe(Elem(i)); }

double vector2::NumElem(int i) { return std::atof(Elem(i)); }

int vector2::DiaElem(int i) { return DiaNum(NumElem(i)); }

void vector2::PonNumElem(int i, double v) {
  char buf[20];
  PonElem(i, NumAStr(v, buf));
}

// A null text clears an element that exists and adds nothing beyond the end. The array grows
// with room for 40 more.
void vector2::PonElem(int i, const char* texto) {
  if (i < 0) return;
  if (i >= cap) {
    if (texto == nullptr) return;
    if (!CapElems(static_cast<long long>(i) + 40)) return;
  }
  char* nuevo = texto != nullptr ? CopiaN(texto, std::strlen(texto)) : CopiaN("", 0);
  if (nuevo == nullptr) return;
  std::free(elems[i]);
  elems[i] = nuevo;
  if (i >= usados) usados = i + 1;
}

int vector2::Agrega(const char* texto, int n) {
  if (texto == nullptr) return 0;
  size_t lon = std::strlen(texto);
  if (n > 0 && static_cast<size_t>(n) < lon) lon = static_cast<size_t>(n);
  char* parte = CopiaN(texto, lon);
  if (parte == nullptr) return usados;
  PonElem(usados, parte);
  std::free(parte);
  return usados;
}

// Saved form: 16-bit byte count, then every text below Cuenta with its NUL. Texts that need more
// than 65535 bytes cannot be stated: the vector is saved as empty (a zero count), so that what
// follows in the file still reads right.
void vector2::Guarda(ArchivoHost archivo) {
  long long total = 0;
  for (int i = 0; i < usados; i++) total += static_cast<long long>(std::strlen(Elem(i))) + 1;
  if (total > kMax16) total = 0;
  unsigned char* buf = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(total) + 2));
  if (buf == nullptr) return;
  Pon16(buf, static_cast<unsigned>(total));
  if (total > 0) {
    unsigned char* p = buf + 2;
    for (int i = 0; i < usados; i++) {
      size_t n = std::strlen(Elem(i)) + 1;
      std::memcpy(p, Elem(i), n);
      p += n;
    }
  }
  GrabaBloque(archivo, buf, static_cast<size_t>(total) + 2);
  std::free(buf);
}

// A failed read, a zero count or more than 36000 bytes leave the vector empty.
void vector2::Carga(ArchivoHost archivo) {
  Limpia();
  unsigned char cab[2];
  if (!LeeBloque(archivo, cab, 2)) return;
  unsigned total = Lee16(cab);
  if (total == 0 || total > kMaxBytesVector) return;
  char* buf = static_cast<char*>(std::malloc(total));
  if (buf == nullptr) return;
  if (!LeeBloque(archivo, buf, total)) {
    std::free(buf);
    return;
  }
  int n = 0;
  for (unsigned k = 0; k < total; k++)
    if (buf[k] == '\0') n++;
  if (n > 0 && CapElems(n)) {
    // Each NUL-terminated piece is the next element; bytes after the last NUL are ignored.
    const char* p = buf;
    for (int i = 0; i < n; i++) {
      PonElem(i, p);
      p += std::strlen(p) + 1;
    }
  }
  std::free(buf);
}

// Trailing blanks removed from element i, which is then set: an unset element becomes the empty
// text, and an index beyond the array grows it as PonElem does.
const char* vector2::RecortaElem(int i) {
  String s(Elem(i), 0, 1);
  PonElem(i, s.TxtSin(' '));
  return Elem(i);
}

void vector2::Copia(vector* otro) {
  if (otro == this) return;
  Limpia();
  if (otro == nullptr) return;
  int n = otro->Cuenta();
  for (int i = 0; i < n; i++) PonElem(i, otro->Elem(i));
}

// ---- matriz2 -----------------------------------------------------------------------------------

matriz2::matriz2() : nFilas(0), capFilas(0), filas(nullptr) {}

matriz2::~matriz2() { Limpia(); }

void matriz2::BorraFila(vector* fila) { delete fila; }

vector* matriz2::NvaFila() { return NvoVector(); }

bool matriz2::CapFilas(long long n) {
  if (n < capFilas) return true;
  long long nueva = n + 40;
  if (nueva > INT_MAX) return false;
  vector** v = static_cast<vector**>(std::calloc(static_cast<size_t>(nueva), sizeof(vector*)));
  if (v == nullptr) return false;
  if (nFilas > 0) std::memcpy(v, filas, static_cast<size_t>(nFilas) * sizeof(vector*));
  std::free(filas);
  filas = v;
  capFilas = static_cast<int>(nueva);
  return true;
}

void matriz2::AseguraFilas(int n) {
  if (n < nFilas) return;
  if (!CapFilas(n)) return;
  while (nFilas < n) {
    vector* fila = NvaFila();
    if (fila == nullptr) return;
    filas[nFilas++] = fila;
  }
}

int matriz2::NumCols(int fila) {
  vector* v = Fila(fila);
  return v != nullptr ? v->Cuenta() : 0;
}

int matriz2::NumFilas() { return nFilas; }

void matriz2::LimpiaFila(int fila) {
  vector* v = Fila(fila);
  if (v != nullptr) v->Limpia();
}

void matriz2::Limpia() {
  for (int r = 0; r < nFilas; r++) BorraFila(filas[r]);
  std::free(filas);
  filas = nullptr;
  nFilas = capFilas = 0;
}

int matriz2::Existe(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->Existe(col) : 0;
}

const char* matriz2::Elem(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->Elem(col) : kVacio;
}

double matriz2::NumElem(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->NumElem(col) : 0.0;
}

int matriz2::DiaElem(int fila, int col) { return DiaNum(NumElem(fila, col)); }

const char* matriz2::ElemCrudo(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->ElemCrudo(col) : kVacio;
}

int matriz2::EntElem(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->EntElem(col) : 0;
}

// Rows are made up to the one set, except for a zero on a row that does not exist.
void matriz2::PonNumElem(int fila, int col, double valor) {
  if (fila < 0 || fila == INT_MAX) return;
  if (fila >= nFilas && valor == 0) return;
  AseguraFilas(fila + 1);
  vector* v = Fila(fila);
  if (v != nullptr) v->PonNumElem(col, valor);
}

// Rows are made up to the one set, except for a null text on a row that does not exist.
void matriz2::PonElem(int fila, int col, const char* texto) {
  if (fila < 0 || fila == INT_MAX) return;
  if (fila >= nFilas && texto == nullptr) return;
  AseguraFilas(fila + 1);
  vector* v = Fila(fila);
  if (v != nullptr) v->PonElem(col, texto);
}

const char* matriz2::RecortaElem(int fila, int col) {
  vector* v = Fila(fila);
  return v != nullptr ? v->RecortaElem(col) : kVacio;
}

// Every cell below each row's NumCols, unset ones as empty texts.
void matriz2::Copia(matriz* otra) {
  if (otra == this) return;
  Limpia();
  if (otra == nullptr) return;
  int nf = otra->NumFilas();
  for (int r = 0; r < nf; r++) {
    int nc = otra->NumCols(r);
    for (int c = 0; c < nc; c++) PonElem(r, c, otra->Elem(r, c));
  }
}

// ---- entero2 -----------------------------------------------------------------------------------

entero2::entero2() : bloques(nullptr), cuenta(0), nBloques(0), cursor(0) {}

entero2::~entero2() { Limpia(); }

void entero2::Limpia() {
  for (int b = 0; b < nBloques; b++) std::free(bloques[b]);
  std::free(bloques);
  bloques = nullptr;
  cuenta = nBloques = cursor = 0;
}

int entero2::Cuenta() { return cuenta; }

// Places beyond the blocks (after PonBloques shrank them) read 0.
int entero2::Elem(int i) {
  if (i < 0 || i >= cuenta || i / kPorBloque >= nBloques) return 0;
  return bloques[i / kPorBloque][i % kPorBloque];
}

int entero2::Sig() {
  if (cursor >= cuenta) return 9999;
  return Elem(cursor++);
}

int entero2::ElemRel(int k) {
  long long i = static_cast<long long>(cursor) + k;
  if (i < INT_MIN || i > INT_MAX) return 0;
  return Elem(static_cast<int>(i));
}

// A negative index sets nothing.
void entero2::PonElem(int i, int valor) {
  if (i < 0) return;
  int b = i / kPorBloque;
  if (b >= nBloques) PonBloques(b + 1);
  if (b >= nBloques) return;
  bloques[b][i % kPorBloque] = valor;
  if (i >= cuenta) cuenta = i + 1;
}

int entero2::Agrega(int valor) {
  if (cuenta < INT_MAX) PonElem(cuenta, valor);
  return cuenta;
}

// Exactly n blocks (a negative n counts as 0): new ones zero-filled, the ones beyond n freed.
// The count stays as it is. When memory runs out nothing changes.
void entero2::PonBloques(int n) {
  if (n < 0) n = 0;
  if (n == nBloques) return;
  int** nuevo = nullptr;
  if (n > 0) {
    nuevo = static_cast<int**>(std::calloc(static_cast<size_t>(n), sizeof(int*)));
    if (nuevo == nullptr) return;
  }
  int comunes = n < nBloques ? n : nBloques;
  for (int b = 0; b < comunes; b++) nuevo[b] = bloques[b];
  for (int b = comunes; b < n; b++) {
    nuevo[b] = static_cast<int*>(std::calloc(kPorBloque, sizeof(int)));
    if (nuevo[b] == nullptr) {
      for (int k = comunes; k < b; k++) std::free(nuevo[k]);
      std::free(nuevo);
      return;
    }
  }
  for (int b = n; b < nBloques; b++) std::free(bloques[b]);
  std::free(bloques);
  bloques = nuevo;
  nBloques = n;
}

void entero2::PonCursor(int i) { cursor = i; }

int entero2::NumElems() { return cuenta; }

// A negative count counts as 0.
void entero2::PonCuenta(int n) {
  if (n < 0) n = 0;
  PonBloques(n / kPorBloque + 1);
  cuenta = n;
}

// Saved form: 16-bit count, then every element as its low 16 bits. More than 65535 elements
// cannot be stated: the list is saved as empty (a zero count), so that what follows still reads
// right.
void entero2::Guarda(ArchivoHost archivo) {
  long long n = cuenta > kMax16 ? 0 : cuenta;
  unsigned char* buf = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(n) * 2 + 2));
  if (buf == nullptr) return;
  Pon16(buf, static_cast<unsigned>(n));
  for (int i = 0; i < n; i++) Pon16(buf + 2 + 2 * i, static_cast<unsigned>(Elem(i)) & 0xFFFF);
  GrabaBloque(archivo, buf, static_cast<size_t>(n) * 2 + 2);
  std::free(buf);
}

// A failed read, a zero count or more than 27000 elements leave the list empty; so does a run of
// elements that comes back short (none of a partial load is kept).
void entero2::Carga(ArchivoHost archivo) {
  Limpia();
  unsigned char cab[2];
  if (!LeeBloque(archivo, cab, 2)) return;
  unsigned n = Lee16(cab);
  if (n == 0 || n > kMaxElemsEntero) return;
  int llenos = static_cast<int>(n / kPorBloque), resto = static_cast<int>(n % kPorBloque);
  PonBloques(llenos + 1);
  if (nBloques != llenos + 1) return;
  unsigned char run[2 * kPorBloque];
  for (int b = 0; b <= llenos; b++) {
    int cuantos = b < llenos ? kPorBloque : resto;
    if (cuantos == 0) break;
    if (!LeeBloque(archivo, run, static_cast<size_t>(cuantos) * 2)) {
      Limpia();
      return;
    }
    for (int k = 0; k < cuantos; k++)
      bloques[b][k] = static_cast<int16_t>(static_cast<uint16_t>(Lee16(run + 2 * k)));
  }
  cuenta = static_cast<int>(n);
}
