// Field values: numero and String.
#include "values/Campos.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "values/Comun.h"
#include "values/Numeros.h"

namespace {

// Digits of a whole number: NumAStr up to its 14 digits, all the digits beyond.
std::string TextoEntero(double i) {
  char buf[400];
  if (i < 1e14) return NumAStr(i, buf);
  std::snprintf(buf, sizeof buf, "%.0f", i);
  return buf;
}

}  // namespace

// ---- numero ------------------------------------------------------------------------------------

numero::numero(double v) : valor(v), dec(-1), lon(0), ultTxt(nullptr) {}

numero::~numero() { std::free(ultTxt); }

const char* numero::GuardaTxt(const char* texto, size_t n) {
  char* c = CopiaN(texto, n);
  if (c == nullptr) return ultTxt != nullptr ? ultTxt : "";
  std::free(ultTxt);
  ultTxt = c;
  return ultTxt;
}

void numero::PonNum(double v) {
  valor = v;
  PonDec(dec);
}

// The sign comes from the first non-blank character; then every digit of the whole text counts,
// a digit k places after the first point adding digit / 10^k. Anything else is skipped, so
// "1,234.50" reads 1234.5 and "1.2.3" reads 1.203.
void numero::PonTxt(const char* texto, int ancho) {
  double v = 0;
  if (texto != nullptr) {
    const char* p = texto;
    while (*p == ' ') p++;
    bool negativo = *p == '-';
    long punto = -1;
    for (long i = 0; texto[i] != '\0'; i++) {
      char c = texto[i];
      if (c == '.' && punto < 0) {
        punto = i;
      } else if (c >= '0' && c <= '9') {
        if (punto < 0)
          v = v * 10 + (c - '0');
        else
          v += (c - '0') / std::pow(10.0, static_cast<double>(i - punto));
      }
    }
    if (negativo) v = -v;
  }
  valor = v;
  if (ancho >= 0) lon = ancho;
  PonDec(dec);
}

const char* numero::Txt() {
  char buf[20];
  NumAStr(valor, buf);
  return GuardaTxt(buf, std::strlen(buf));
}

double numero::Num() { return valor; }

int numero::Ent() { return Trunca(valor); }

// Thousands separated by ",", a "0" before the point, and exactly dec decimals when they are set.
// Magnitudes of 1e14 or more show all their integer digits; NaN and infinities show as Txt does.
const char* numero::TxtEdt() {
  double a = std::fabs(valor);
  // The sign bit: a negative value rounded to zero by its decimals still shows "-0.00".
  bool negativo = std::signbit(valor);
  if (!std::isfinite(a)) return Txt();
  int e = a > 0 ? static_cast<int>(std::log10(a)) : 0;
  double ent;
  if (a >= 1e14)
    ent = std::floor(a);
  else
    ent = e <= 14 ? std::floor(a + std::pow(10.0, e - 14)) : 0;
  std::string txtEnt = TextoEntero(ent);
  double f = a - ent;
  if (f < 0) f = 0;
  f = Redondea(f, dec, 0, 13 - static_cast<int>(txtEnt.size()));
  if (f >= 1) {
    ent += 1;
    txtEnt = TextoEntero(ent);
    f = 0;
  }
  std::string frac = ".";
  if (a != ent && f != 0) {
    char buf[20];
    NumAStr(f, buf);
    if (buf[0] == '.') frac = buf;  // a rest below 1e-9 has no decimals to show
  }
  if (dec >= 0) frac.resize(static_cast<size_t>(dec) + 1, '0');
  std::string res = negativo ? "-" : "";
  size_t n = txtEnt.size();
  for (size_t i = 0; i < n; i++) {
    if (i > 0 && (n - i) % 3 == 0) res += ',';
    res += txtEnt[i];
  }
  if (frac.size() > 1) res += frac;
  return GuardaTxt(res.c_str(), res.size());
}

const char* numero::TxtMay() { return Txt(); }

const char* numero::TxtSin(int) { return Txt(); }

void numero::PonLon(int n, int) { lon = n; }

// With d negative the value keeps 15 significant digits (values with more integer digits become 0).
void numero::PonDec(int d) {
  dec = d;
  valor = Redondea(valor, d, 0, 14);
}

int numero::Tipo() { return 2; }

int numero::Lon() { return lon; }

int numero::Dec() { return dec; }

// ---- String ------------------------------------------------------------------------------------

String::String() : texto(CopiaN("", 0)), lonFija(-1), dec(-1), largo(0), clase(1) {}

String::String(const char* t, int ancho, int k)
    : texto(CopiaN("", 0)), lonFija(ancho > 0 ? ancho : -1), dec(-1), largo(0), clase(1) {
  PonTxt(t, ancho);
  clase = k;
}

String::String(double v, int k) : texto(CopiaN("", 0)), lonFija(-1), dec(-1), largo(0), clase(1) {
  PonNum(v);
  clase = k;
}

String::~String() { std::free(texto); }

// Takes ownership of nuevo (n characters); a failed allocation (null) leaves the text as it was.
void String::Reemplaza(char* nuevo, int n) {
  if (nuevo == nullptr) return;
  std::free(texto);
  texto = nuevo;
  largo = n;
}

void String::PonNum(double v) {
  char buf[20];
  PonTxt(NumAStr(v, buf), 0);
}

// An empty text gives the empty value and leaves the fixed width as it is.
void String::PonTxt(const char* t, int ancho) {
  if (t == nullptr || t[0] == '\0') {
    Reemplaza(CopiaN("", 0), 0);
    return;
  }
  size_t n = std::strlen(t);
  if (n > INT_MAX - 1) n = INT_MAX - 1;
  Reemplaza(CopiaN(t, n), static_cast<int>(n));
  if (ancho > 0) PonLon(ancho, ' ');
}

// Kind 6 shows the code with a suffix of at least 1, zero-filled to the fixed width; kind 7
// shows "S" or "N".
const char* String::Txt() {
  if (clase == 6) {
    while (largo > 0 && texto[largo - 1] == ' ') texto[--largo] = '\0';
    if (largo > 0) {
      int prefijo, lon;
      int n = SepCod(texto, &prefijo, &lon);
      if (n < 1) n = 1;
      RehaceCod(texto, prefijo, n);
    }
  } else if (clase == 7) {
    const char* sn = (texto[0] == 'S' || texto[0] == 's') ? "S" : "N";
    Reemplaza(CopiaN(sn, 1), 1);
  }
  return texto;
}

double String::Num() { return std::atof(Txt()); }

int String::Ent() { return EnteroDe(Txt()); }

const char* String::TxtEdt() { return Txt(); }

// Letters a-z in capitals, and the accented small vowels of the OEM code page (0xA0 0x82 0xA1
// 0xA2 0xA3) as plain capitals, the small n with tilde (0xF1) as its capital (0xD1).
const char* String::TxtMay() {
  for (int i = 0; i < largo; i++) {
    unsigned char c = static_cast<unsigned char>(texto[i]);
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    switch (c) {
      case 0xA0:
        c = 'A';
        break;
      case 0x82:
        c = 'E';
        break;
      case 0xA1:
        c = 'I';
        break;
      case 0xA2:
        c = 'O';
        break;
      case 0xA3:
        c = 'U';
        break;
      case 0xF1:
        c = 0xD1;
        break;
      default:
        break;
    }
    texto[i] = static_cast<char>(c);
  }
  return Txt();
}

const char* String::TxtSin(int c) {
  int n = largo;
  while (n > 0 && texto[n - 1] == static_cast<char>(c)) n--;
  if (n != largo) Reemplaza(CopiaN(texto, static_cast<size_t>(n)), n);
  return Txt();
}

// Exactly n characters: the text cut, or filled with the fill character (a NUL fill pads nothing).
void String::PonLon(int n, int relleno) {
  if (n < 0) return;
  char* nuevo = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (nuevo == nullptr) return;
  int copia = largo < n ? largo : n;
  std::memcpy(nuevo, texto, static_cast<size_t>(copia));
  std::memset(nuevo + copia, static_cast<char>(relleno), static_cast<size_t>(n - copia));
  nuevo[n] = '\0';
  Reemplaza(nuevo, static_cast<int>(std::strlen(nuevo)));
  lonFija = n;
}

void String::PonDec(int d) { dec = d; }

int String::Tipo() { return clase; }

int String::Lon() { return lonFija >= 0 ? lonFija : largo; }

int String::Dec() { return dec; }

int String::NumCod(int* prefijo, int* lon) const {
  int p, l;
  int n = SepCod(texto, &p, &l);
  if (prefijo != nullptr) *prefijo = p;
  if (lon != nullptr) *lon = l;
  return n;
}

const char* String::SumaCod(int delta) {
  int prefijo;
  long long n = static_cast<long long>(NumCod(&prefijo)) + delta;
  if (n > INT_MAX) n = INT_MAX;
  if (n < INT_MIN) n = INT_MIN;
  RehaceCod(texto, prefijo, static_cast<int>(n));
  return Txt();
}

void String::RehaceCod(const char* fuente, int prefijo, int n) {
  if (prefijo < 0) prefijo = 0;
  if (prefijo == 0 && n == 0) {
    Reemplaza(CopiaN("", 0), 0);
    return;
  }
  char cifras[20];
  NumAStr(n, cifras);
  int nc = static_cast<int>(std::strlen(cifras));
  if (lonFija <= 0) lonFija = prefijo + nc;
  int w = lonFija;
  char* nuevo = static_cast<char*>(std::malloc(static_cast<size_t>(w) + 1));
  if (nuevo == nullptr) return;
  int lonFuente = fuente != nullptr ? static_cast<int>(std::strlen(fuente)) : 0;
  int desde = prefijo < w ? prefijo : w;
  if (desde > lonFuente) desde = lonFuente;
  std::memcpy(nuevo, fuente, static_cast<size_t>(desde));
  std::memset(nuevo + desde, '0', static_cast<size_t>(w - desde));
  nuevo[w] = '\0';
  for (int k = 0; k < nc; k++) {
    int pos = w - 1 - k;
    if (pos < prefijo) break;
    nuevo[pos] = cifras[nc - 1 - k];
  }
  Reemplaza(nuevo, w);
}

const char* String::AgrTxt(const char* t) {
  if (largo > 50000 || t == nullptr) return Txt();
  size_t n = std::strlen(t);
  if (n > static_cast<size_t>(INT_MAX - 1 - largo)) return Txt();
  char* nuevo = static_cast<char*>(std::malloc(static_cast<size_t>(largo) + n + 1));
  if (nuevo == nullptr) return Txt();
  std::memcpy(nuevo, texto, static_cast<size_t>(largo));
  std::memcpy(nuevo + largo, t, n + 1);
  Reemplaza(nuevo, largo + static_cast<int>(n));
  return Txt();
}

const char* String::AgrEnt(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", n);
  return AgrTxt(buf);
}

void String::BorraTxt(int pos, int cuantos) {
  if (pos < 1 || pos > largo || cuantos <= 0) return;
  int desde = pos - 1;
  if (cuantos > largo - desde) cuantos = largo - desde;
  std::memmove(texto + desde, texto + desde + cuantos,
               static_cast<size_t>(largo - desde - cuantos) + 1);
  largo -= cuantos;
}

int SepCod(const char* texto, int* prefijo, int* lon) {
  if (texto == nullptr) texto = "";
  size_t n = std::strlen(texto);
  if (n > INT_MAX) n = INT_MAX;
  int largo = static_cast<int>(n);
  int p = 0;
  for (int i = 0; i < largo; i++)
    if ((texto[i] >= 'A' && texto[i] <= 'Z') || texto[i] == '-') p = i + 1;
  if (largo - p > 7) p = largo - 7;
  *prefijo = p;
  *lon = largo;
  return EnteroDe(texto + p);
}
