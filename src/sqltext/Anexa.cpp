// Appending pieces to a statement's SQL text, always within its buffer.
#include <cstdio>
#include <cstring>

#include "sqltext/Sentencias.h"

bool AnexaTxt(SentOdbc* s, const char* texto) {
  if (s->desborde) return false;
  return s->AnexaTexto(texto);
}

bool AnexaNum(SentOdbc* s, int32_t n) {
  char num[16];
  snprintf(num, sizeof num, "%ld", static_cast<long>(n));
  return AnexaTxt(s, num);
}

bool AnexaValor(SentOdbc* s, const char* texto) {
  if (s->desborde) return false;
  if (!texto) texto = "";
  size_t usado = strlen(s->sentencia);
  size_t l = 2;  // the enclosing quotes
  for (const char* p = texto; *p; ++p) l += (*p == '\'') ? 2 : 1;
  if (usado + l >= kLonSentencia) {
    s->desborde = true;
    return false;
  }
  char* d = s->sentencia + usado;
  *d++ = '\'';
  for (const char* p = texto; *p; ++p) {
    if (*p == '\'') *d++ = '\'';
    *d++ = *p;
  }
  *d++ = '\'';
  *d = '\0';
  return true;
}

void DoblaComillas(std::string& destino, const char* texto) {
  if (!texto) return;
  for (const char* p = texto; *p; ++p) {
    if (*p == '\'') destino += '\'';
    destino += *p;
  }
}

bool NomIndice(const char* tabla, int k, char* nombre, size_t tam) {
  if (!nombre || tam == 0) return false;
  int n = (k <= 0) ? snprintf(nombre, tam, "%s%s", tabla ? tabla : "", kSufijoIndice)
                   : snprintf(nombre, tam, "%s%s%lld", tabla ? tabla : "", kSufijoIndice,
                              static_cast<long long>(k) + 1);
  if (n < 0 || static_cast<size_t>(n) >= tam) {
    nombre[0] = '\0';
    return false;
  }
  return true;
}
