// Number formatting and rounding.
#include "values/Numeros.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// 1e-9 as single precision holds it: the limit below which a value is written as "0".
const double kCasiCero = 9.999999717180685e-10;

// Slightly above one half, so that a value that sits on the half once in a double still rounds up.
const double kMitad = 0.5000000001;

// Beyond this a double has no fraction: a product this large is already whole.
const double kSinFraccion = 4503599627370496.0;  // 2^52

// Integer digits minus one, never negative: log10 truncated toward zero.
int Exponente(double a) {
  int e = static_cast<int>(std::log10(a));
  return e < 0 ? 0 : e;
}

}  // namespace

double Redondea(double x, int dec, int trunca, int maxDig) {
  // NaN and infinities have no digits to round.
  if (!std::isfinite(x)) return x;
  if (std::fabs(x) < 1e-40) return 0.0;
  bool negativo = x < 0;
  double a = std::fabs(x);
  int e = Exponente(a);
  double escala;
  if (dec >= 0) {
    escala = std::pow(10.0, dec);
  } else if (e > maxDig) {
    return negativo ? -0.0 : 0.0;
  } else {
    escala = std::pow(10.0, maxDig - e);
  }
  double sumando = (trunca != 0 && dec >= 0) ? 0.0 : kMitad;
  double producto = a * escala;
  // A scale finer than the double can hold leaves nothing to round (and would overflow).
  if (!std::isfinite(producto) || producto >= kSinFraccion) return x;
  double r = std::floor(producto + sumando) / escala;
  return negativo ? -r : r;
}

void QuitaFinal(char* texto, int c) {
  if (texto == nullptr) return;
  size_t n = std::strlen(texto);
  while (n > 0 && static_cast<signed char>(texto[n - 1]) == c) texto[--n] = '\0';
}

char* NumAStr(double x, char* buf) {
  if (std::isnan(x)) {
    buf[0] = '\0';
    return buf;
  }
  if (std::fabs(x) < kCasiCero) {
    std::strcpy(buf, "0");
    return buf;
  }
  bool negativo = x < 0;
  double a = std::fabs(x);
  char txt[40];
  size_t n = 0;
  if (negativo) txt[n++] = '-';
  if (std::isinf(a)) {  // like every magnitude of 1e14 or more: no digits
    txt[n] = '\0';
    std::memcpy(buf, txt, n + 1);
    return buf;
  }

  // Integer part, from the value rounded to 14 significant digits; the addend keeps a result
  // such as 2.9999999999999996 from falling to 2. From 1e14 on the rounding gives 0.
  double entero = std::floor(Redondea(a, -1, 0, 13) + 1e-9);
  int ed = entero > 0 ? Exponente(entero) : 0;
  // The rest of the unrounded value, to as many decimals as leave 14 significant digits in all.
  int decimales = 13 - ed;
  double f = Redondea(a - entero, -1, 0, decimales);

  // The decimals as an integer count of the last place; f is that count over a power of ten.
  long long cifras = 0;
  if (f > 0 && decimales > 0) {
    double unidad = std::pow(10.0, decimales);
    cifras = std::llround(f * unidad);
    // A rest that rounds to a whole unit carries into the integer part.
    if (cifras >= static_cast<long long>(unidad)) {
      entero += 1;
      cifras = 0;
    }
  }

  if (entero > 0) n += static_cast<size_t>(std::snprintf(txt + n, sizeof txt - n, "%.0f", entero));
  txt[n++] = '.';
  if (cifras > 0) {
    n += static_cast<size_t>(std::snprintf(txt + n, sizeof txt - n, "%0*lld", decimales, cifras));
  }
  txt[n] = '\0';
  QuitaFinal(txt, '0');
  QuitaFinal(txt, '.');
  // At most 15 integer digits, or a point and 14 significant digits, and a sign: 16 characters.
  size_t lon = std::strlen(txt);
  if (lon > 16) lon = 16;
  std::memcpy(buf, txt, lon);
  buf[lon] = '\0';
  return buf;
}
