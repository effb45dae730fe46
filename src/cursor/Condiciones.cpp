// Search conditions: where a read by key starts, written as SQL text over the key's columns, and
// the host's filter joined to it.
#include <cstdlib>
#include <cstring>
#include <string>

#include "columns/Cmp.h"
#include "cursor/ArchSql.h"
#include "sqltext/Sentencias.h"
#include "values/Numeros.h"

namespace {

// Condition kinds of the filter matrix's columns.
constexpr int kDesde = 1;
constexpr int kMayor = 2;
constexpr int kHasta = 3;
constexpr int kMenor = 4;
constexpr int kDistinto = 9;
constexpr int kComo = 11;

// The value between single quotes, each quote inside it doubled.
void Citado(std::string& destino, const char* texto) {
  destino += '\'';
  DoblaComillas(destino, texto);
  destino += '\'';
}

// A number as the host wrote it when it is a plain decimal literal; anything else is read as a
// number and written by the library, so that no host text reaches the statement unchecked.
void Numero(std::string& destino, const char* texto) {
  const char* p = texto;
  if (*p == '-' || *p == '+') ++p;
  bool digitos = false, punto = false, limpio = true;
  for (; *p && limpio; ++p) {
    if (*p >= '0' && *p <= '9')
      digitos = true;
    else if (*p == '.' && !punto)
      punto = true;
    else
      limpio = false;
  }
  if (limpio && digitos) {
    destino += texto;
    return;
  }
  char num[32];
  NumAStr(atof(texto), num);
  destino += *num && strcmp(num, "-") != 0 ? num : "0";
}

}  // namespace

void ArchSql::ArmaCondicion(int modo) {
  condicion.clear();
  switch (modo) {
    case 0:
      CondIgual();
      break;
    case 1:
      CondDesde(true);
      break;
    case 2:
      CondDesde(false);
      break;
    case 3:
    case 5:
      CondTras(true);
      break;
    case 4:
    case 6:
      CondTras(false);
      break;
    default:
      CondFiltros();
      break;
  }
}

bool ArchSql::FijoPorFiltro(int i) {
  if (!filtro->Existe(i, kDesde) || !filtro->Existe(i, kHasta)) return false;
  return strcmp(filtro->Elem(i, kDesde), filtro->Elem(i, kHasta)) == 0;
}

// Column, operator and value of key part j of the current key; the value as SQL text.
void ArchSql::EscribeParte(int j, const char* op) {
  int f = claves[claveAct][j + 1];
  CMP* c = f >= 1 && f <= sent->nCmps ? sent->cmps[f - 1] : nullptr;
  if (!c) return;
  condicion += c->nombre;
  condicion += op;
  if (c->ClaseCmp() == kClaseNumero)
    condicion += c->TextoSql();
  else
    Citado(condicion, c->TextoSql());
}

void ArchSql::CondIgual() {
  int n = claves[claveAct][0];
  for (int j = 0; j < n; ++j) {
    if (j > 0) condicion += " AND ";
    EscribeParte(j, "=");
  }
  CondFiltros();
}

// Lexicographic >= (<=) over the parts that the filter does not pin.
void ArchSql::CondDesde(bool mayor) {
  int n = claves[claveAct][0];
  auto fijo = [&](int j) { return FijoPorFiltro(claves[claveAct][j + 1] - 1); };
  int ultima = 0;
  for (int j = 0; j < n; ++j)
    if (!fijo(j)) ultima = j;
  bool algo = false;
  for (int j = 0; j < n; ++j) {
    if (fijo(j)) continue;
    condicion += algo ? " OR " : " ( ";
    algo = true;
    for (int k = 0; k < j; ++k) {
      if (fijo(k)) continue;
      EscribeParte(k, "=");
      condicion += " AND ";
    }
    EscribeParte(j, j == ultima ? (mayor ? ">=" : "<=") : (mayor ? ">" : "<"));
  }
  if (algo) condicion += " ) ";
  CondFiltros();
}

// Lexicographic > (<) over the parts that the filter does not pin; when it pins them all, the
// last one still counts.
void ArchSql::CondTras(bool mayor) {
  int n = claves[claveAct][0];
  if (n > 0) {
    bool todos = true;
    for (int j = 0; j < n && todos; ++j) todos = FijoPorFiltro(claves[claveAct][j + 1] - 1);
    auto fijo = [&](int j) {
      if (todos && j == n - 1) return false;
      return FijoPorFiltro(claves[claveAct][j + 1] - 1);
    };
    int escrita = -1;  // highest part written so far
    bool algo = false;
    for (int t = 0; t < n; ++t) {
      bool nueva = false;
      for (int k = escrita + 1; k <= t && !nueva; ++k) nueva = !fijo(k);
      if (!nueva) continue;
      bool primeraDelTermino = true;
      for (int j = 0; j <= t; ++j) {
        if (fijo(j)) continue;
        if (!algo)
          condicion += "( ";
        else
          condicion += primeraDelTermino ? " OR " : " AND ";
        algo = true;
        primeraDelTermino = false;
        EscribeParte(j, j < t ? "=" : (mayor ? ">" : "<"));
        escrita = j;
      }
    }
    if (algo) condicion += " ) ";
  }
  CondFiltros();
}

void ArchSql::CondFiltros() {
  int n = sent ? sent->nCmps : 0;
  for (int i = 0; i < n; ++i) {
    CMP* c = sent->cmps[i];
    if (!c) continue;
    int tipo = c->ClaseCmp();
    const char* nombre = c->nombre;
    if (FijoPorFiltro(i)) {
      AgrCond(tipo, nombre, "=", filtro->Elem(i, kDesde));
    } else {
      if (filtro->Existe(i, kDesde)) AgrCond(tipo, nombre, ">=", filtro->Elem(i, kDesde));
      if (filtro->Existe(i, kHasta)) AgrCond(tipo, nombre, "<=", filtro->Elem(i, kHasta));
    }
    if (filtro->Existe(i, kMayor)) AgrCond(tipo, nombre, ">", filtro->Elem(i, kMayor));
    if (filtro->Existe(i, kMenor)) AgrCond(tipo, nombre, "<", filtro->Elem(i, kMenor));
    if (filtro->Existe(i, kDistinto)) AgrCond(tipo, nombre, "!=", filtro->Elem(i, kDistinto));
    if (filtro->Existe(i, kComo)) AgrCond(tipo, nombre, " LIKE ", filtro->Elem(i, kComo));
  }
}

void ArchSql::AgrCond(int tipo, const char* nombre, const char* op, const char* valor) {
  if (tipo == kClaseNumero && (!valor || !*valor)) return;
  if (!condicion.empty()) condicion += " AND ";
  condicion += nombre;
  condicion += op;
  if (tipo == kClaseNumero) {
    Numero(condicion, valor);
    return;
  }
  if (tipo == kClaseFecha) {
    char t[11];
    FechaSql(atof(valor ? valor : ""), ordenFecha, t);
    if (!*t || strncmp(t, "  /  /  ", 7) == 0 || strncmp(t, "00/00/0", 7) == 0)
      Citado(condicion, "1/1/1900");
    else
      Citado(condicion, t);
    return;
  }
  Citado(condicion, valor);
}
