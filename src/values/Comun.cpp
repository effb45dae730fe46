#include "values/Comun.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

char* CopiaN(const char* texto, size_t n) {
  char* c = static_cast<char*>(std::malloc(n + 1));
  if (c == nullptr) return nullptr;
  if (n > 0) std::memcpy(c, texto, n);
  c[n] = '\0';
  return c;
}

int Trunca(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT_MAX;
  if (v <= -2147483648.0) return INT_MIN;
  return static_cast<int>(v);
}

int EnteroDe(const char* texto) {
  long long v = std::strtoll(texto, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}
