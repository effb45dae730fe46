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

namespace {

bool EsLetra(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool EsCifra(char c) { return c >= '0' && c <= '9'; }

// End of the name part that starts at p, or null when none starts there.
const char* FinParte(const char* p) {
  if (*p == '[') {
    for (++p; *p; ++p) {
      if (*p != ']') continue;
      if (p[1] != ']') return p + 1;
      ++p;
    }
    return nullptr;
  }
  if (!EsLetra(*p)) return nullptr;
  while (EsLetra(*p) || EsCifra(*p)) ++p;
  return p;
}

bool EsNombre(const char* t, int partes) {
  if (partes <= 0) {  // a bare name: brackets in it are part of the name
    const char* fin = *t == '[' ? nullptr : FinParte(t);
    return fin && *fin == '\0';
  }
  for (int n = 1; n <= partes; ++n) {
    const char* fin = FinParte(t);
    if (!fin || (t[0] == '[' && fin == t + 2)) return false;  // "[]" names nothing
    if (*fin == '\0') return true;
    if (*fin != '.') return false;
    t = fin + 1;
  }
  return false;
}

}  // namespace

bool AnexaNombre(SentOdbc* s, const char* nombre, int partes) {
  if (s->desborde) return false;
  if (!nombre || !*nombre || EsNombre(nombre, partes)) return AnexaTxt(s, nombre);
  std::string n = "[";
  for (const char* p = nombre; *p; ++p) {
    if (*p == ']') n += ']';
    n += *p;
  }
  n += ']';
  return AnexaTxt(s, n.c_str());
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
