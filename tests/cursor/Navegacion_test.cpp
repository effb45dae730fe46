// Reads by key against a model: a table of a few hundred records with a composite key of a
// text, a number and a date, and a seeded random run of reads in every mode on two keys, with
// filters set and cleared. The model keeps the records sorted by the same collation and follows
// the cursor's rules: a next or previous read continues the scan of the last SELECT (its
// condition and filter) while it has rows in that direction; every other read starts a new
// scan from the record's values under the filter of the moment. A failing run prints its seed
// and the calls up to the first wrong answer (set ZORB_SEMILLA to rerun one seed).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Tabla.h"

namespace {

// Char collation of the table: trailing blanks ignored, ASCII case ignored, each accented letter
// used here right after its base letter; other bytes by value.
int Peso(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (c - 'A' + 'a') * 32;
  switch (c) {
    case 0xE1: case 0xC1: return 'a' * 32 + 2;  // á Á (after à, the first variant)
    case 0xF1: case 0xD1: return 'n' * 32 + 1;  // ñ Ñ
    default: return c * 32;
  }
}

std::string SinBlancos(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int Coteja(const std::string& x, const std::string& y) {
  std::string a = SinBlancos(x), b = SinBlancos(y);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int d = Peso((unsigned char)a[i]) - Peso((unsigned char)b[i]);
    if (d) return d;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size();
}

struct Dia {
  int d, m, a;  // 0 0 0: blank
  int Orden() const { return d ? a * 10000 + m * 100 + d : 19000101; }
  double Serie() const { return d ? 500000 + (a - 1900) * 360 + m * 30 + (d == 31 ? 30.2 : d) : 0; }
  std::string Texto() const {
    char t[32];
    snprintf(t, sizeof t, "%.1f", Serie());
    return t;
  }
};

// One value of each field kind: 0 text, 1 number, 2 date (fields C1, C2, C3).
struct Valores {
  std::string txt;
  double num = 0;
  Dia dia{0, 0, 0};
};

int Compara(const Valores& x, const Valores& y, int campo) {
  if (campo == 0) return Coteja(x.txt, y.txt);
  if (campo == 1) return x.num < y.num ? -1 : x.num > y.num;
  int a = x.dia.Orden(), b = y.dia.Orden();
  return a < b ? -1 : a > b;
}

struct Registro {
  Valores v;
  std::string id;  // C4, unique
};

const std::vector<std::string> kTextos = {
    "",    " ",     "  a",   "a",       "A",       "a b",          "ab",           "abc",
    "abc d", "abcd", "ABCD", "O'Brien", "o'brien", "'",            "b'",           "\xE1" "baco",
    "\xC1" "baco", "abaco", "e\xF1" "e", "ene", "zeta", "Zz", "a'b'c", "abc  e"};
const std::vector<double> kNumeros = {-2.5, 0, 1, 1.5, 10, 99.9};
const std::vector<Dia> kDias = {{0, 0, 0},     {1, 1, 1960},  {31, 12, 1999}, {29, 2, 2000},
                                {15, 3, 1985}, {15, 3, 2049}, {1, 10, 2010}};
// Keys as field lists (0-based): key 0 (C1, C2, C3), key 1 (C3, C1, C2).
const std::vector<std::vector<int>> kClaves = {{0, 1, 2}, {2, 0, 1}};

struct CeldaFiltro {
  int campo, clase;
  Valores v;
  std::string texto;
};

class Modelo {
 public:
  explicit Modelo(std::vector<Registro> regs) : regs_(std::move(regs)) {}

  std::vector<CeldaFiltro> filtro;
  Valores registro;  // the host record's key fields
  std::vector<int> res;
  int pos = -1, sentido = 0, clave = 0;
  bool hay = false;

  const Registro& Actual() const { return regs_[size_t(res[size_t(pos)])]; }

  int Lee(int modo, int k) {
    if ((modo == 5 || modo == 6) && hay && clave == k && sentido != 0) {
      int hacia = modo == 5 ? 1 : -1;
      if (pos + hacia >= 0 && pos + hacia < int(res.size())) {
        pos += hacia;
        registro = Actual().v;
        return 1;
      }
      hay = false;
      if (sentido == hacia) return -1;
    }
    clave = k;
    bool atras = modo == 2 || modo == 4 || modo == 6 || modo == 8;
    sentido = modo == 0 ? 0 : atras ? -1 : 1;
    res.clear();
    for (size_t i = 0; i < regs_.size(); ++i)
      if (Cumple(regs_[i].v, modo)) res.push_back(int(i));
    std::sort(res.begin(), res.end(), [&](int a, int b) {
      for (int c : kClaves[size_t(clave)]) {
        int d = Compara(regs_[size_t(a)].v, regs_[size_t(b)].v, c);
        if (d) return d < 0;
      }
      return false;
    });
    hay = !res.empty();
    if (!hay) return -1;
    pos = atras ? int(res.size()) - 1 : 0;
    registro = Actual().v;
    return 1;
  }

 private:
  const CeldaFiltro* Celda(int campo, int clase) const {
    const CeldaFiltro* r = nullptr;
    for (const CeldaFiltro& c : filtro)
      if (c.campo == campo && c.clase == clase) r = &c;  // the last one set stands
    return r;
  }
  bool Fijo(int campo) const {
    const CeldaFiltro *a = Celda(campo, 1), *b = Celda(campo, 3);
    return a && b && a->texto == b->texto;
  }
  bool PasaFiltro(const Valores& v) const {
    for (int c = 0; c < 3; ++c) {
      auto cmp = [&](int clase, auto ok) {
        const CeldaFiltro* f = Celda(c, clase);
        if (!f || (c == 1 && f->texto.empty())) return true;
        if (clase == 11) {
          std::string p = f->texto.substr(0, f->texto.size() - 1), t = SinBlancos(v.txt);
          if (t.size() < p.size()) return false;
          for (size_t i = 0; i < p.size(); ++i)
            if (tolower((unsigned char)t[i]) != tolower((unsigned char)p[i])) return false;
          return true;
        }
        return ok(Compara(v, f->v, c));
      };
      if (Fijo(c)) {
        if (!cmp(1, [](int d) { return d == 0; })) return false;
      } else if (!cmp(1, [](int d) { return d >= 0; }) || !cmp(3, [](int d) { return d <= 0; })) {
        return false;
      }
      if (!cmp(2, [](int d) { return d > 0; }) || !cmp(4, [](int d) { return d < 0; }) ||
          !cmp(9, [](int d) { return d != 0; }) || !cmp(11, [](int) { return true; }))
        return false;
    }
    return true;
  }
  // The record against the host record's values, over the parts the filter does not pin.
  bool Cumple(const Valores& v, int modo) const {
    if (!PasaFiltro(v)) return false;
    const std::vector<int>& partes = kClaves[size_t(clave)];
    if (modo == 0) {
      for (int c : partes)
        if (Compara(v, registro, c)) return false;
      return true;
    }
    if (modo >= 7) return true;
    std::vector<int> libres;
    for (int c : partes)
      if (!Fijo(c)) libres.push_back(c);
    bool estricto = modo >= 3;
    if (libres.empty()) {
      if (!estricto) return true;
      libres.push_back(partes.back());
    }
    int d = 0;
    for (int c : libres)
      if ((d = Compara(v, registro, c)) != 0) break;
    bool mayor = modo == 1 || modo == 3 || modo == 5;
    if (d == 0) return !estricto;
    return mayor ? d > 0 : d < 0;
  }

  std::vector<Registro> regs_;
};

std::string Literal(const std::string& t) {
  std::string r = "'";
  for (char c : t) r += c == '\'' ? std::string("''") : std::string(1, c);
  return r + "'";
}

std::string Num(double x) {
  char t[32];
  snprintf(t, sizeof t, "%g", x);
  return t;
}

class Navegacion : public ConBase {
 protected:
  void SetUp() override {
    ConBase::SetUp();
    ASSERT_TRUE(Crea("M", {Texto(12), Numero(6, 1), Fecha(), Texto(8)},
                     {2, 3, 1, 2, 3, 3, 3, 1, 2}));
    std::mt19937 g(7);
    std::string sql = "BEGIN TRAN";
    for (int intento = 0; intento < 2000 && regs.size() < 300; ++intento) {
      Registro r;
      r.v.txt = kTextos[g() % kTextos.size()];
      r.v.num = kNumeros[g() % kNumeros.size()];
      r.v.dia = kDias[g() % kDias.size()];
      bool repetido = false;
      for (const Registro& o : regs)
        repetido = repetido || (!Compara(o.v, r.v, 0) && !Compara(o.v, r.v, 1) &&
                                !Compara(o.v, r.v, 2));
      if (repetido) continue;
      r.id = "r" + std::to_string(regs.size());
      char dia[16];
      snprintf(dia, sizeof dia, "%02d/%02d/%04d", r.v.dia.d ? r.v.dia.d : 1,
               r.v.dia.d ? r.v.dia.m : 1, r.v.dia.d ? r.v.dia.a : 1900);
      sql += "; INSERT INTO M VALUES (" + Literal(r.v.txt) + ", " + Num(r.v.num) + ", '" + dia +
             "', '" + r.id + "')";
      regs.push_back(r);
    }
    Sql(sql + "; COMMIT TRAN");
    ASSERT_EQ(regs.size(), 300u);
  }

  std::vector<Registro> regs;
};

// A host value for field c: one of the stored ones or another of the same kind.
Valores Valor(std::mt19937& g) {
  Valores v;
  static const std::vector<std::string> otros = {"aa", "ABC", "b", "\xC1", "z", "o'", "  "};
  static const std::vector<double> otrosNum = {-3, 0.5, 1.25, 100};
  static const std::vector<Dia> otrosDia = {{1, 6, 1970}, {31, 12, 2049}};
  v.txt = g() % 4 ? kTextos[g() % kTextos.size()] : otros[g() % otros.size()];
  v.num = g() % 4 ? kNumeros[g() % kNumeros.size()] : otrosNum[g() % otrosNum.size()];
  v.dia = g() % 4 ? kDias[g() % kDias.size()] : otrosDia[g() % otrosDia.size()];
  return v;
}

std::string TextoDe(const Valores& v, int campo) {
  return campo == 0 ? v.txt : campo == 1 ? Num(v.num) : v.dia.Texto();
}

// Runs `pasos` calls from the seed; empty when every answer matched the model, else the report.
std::string Recorre(Arch* a, const std::vector<Registro>& regs, unsigned semilla, int pasos) {
  std::mt19937 g(semilla);
  Modelo m(regs);
  // The file opens as a first-record read by key 0 would leave it.
  m.Lee(7, 0);
  std::vector<std::string> hechos;
  int claveUsada = 0, racha = 0, modoRacha = 5;
  bool cerrado = false;
  for (int paso = 0; paso < pasos; ++paso) {
    std::string hecho;
    unsigned r = g() % 100;
    if (r < 6) {
      a->LimpiaFiltro();
      m.filtro.clear();
      hechos.push_back("LimpiaFiltro");
      continue;
    }
    if (r < 12) {
      int campo = int(g() % 3);
      Valores v = Valor(g);
      std::vector<int> clases;
      if (g() % 3 == 0) {
        clases = {1, 3};  // pinned
      } else {
        static const int kClases[] = {1, 2, 3, 4, 9, 11};
        clases = {kClases[g() % 6]};
        if (clases[0] == 11 && campo != 0) clases[0] = 9;
      }
      for (int clase : clases) {
        std::string t = TextoDe(v, campo);
        if (clase == 11) {
          static const char* kPatrones[] = {"a%", "AB%", "o'%", "e%"};
          t = kPatrones[g() % 4];
        }
        a->PonFiltro(campo, clase, t.c_str());
        m.filtro.push_back({campo, clase, v, t});
        hechos.push_back("PonFiltro(" + std::to_string(campo) + "," + std::to_string(clase) +
                         ",\"" + t + "\")");
      }
      continue;
    }
    int modo;
    if (racha == 0 && !cerrado && g() % 20 == 0) {
      // A run of steps one way, long enough to cross block boundaries.
      racha = 5 + int(g() % 30);
      modoRacha = 5 + int(g() % 2);
    }
    if (racha > 0) {
      --racha;
      modo = modoRacha;
    } else if (cerrado) {
      static const int kNuevos[] = {0, 1, 2, 3, 4, 7, 8};
      modo = kNuevos[g() % 7];
    } else {
      modo = r < 50 ? 5 + int(g() % 2) : int(g() % 9);
    }
    int k = g() % 5 || racha > 0 ? claveUsada : int(g() % 2);
    claveUsada = k;
    int bloqueo = racha > 0 ? 0 : g() % 20 == 0 ? 2 : g() % 10 == 0 ? 1 : 0;
    if (modo <= 4) {
      Valores v = Valor(g);
      for (int c : kClaves[size_t(k)]) {
        if (g() % 5 == 0) continue;  // this part keeps the value it had
        std::string t = TextoDe(v, c);
        a->PonTxtCmp(c, t.c_str());
        if (c == 0) m.registro.txt = v.txt;
        if (c == 1) m.registro.num = v.num;
        if (c == 2) m.registro.dia = v.dia;
        hechos.push_back("PonTxtCmp(" + std::to_string(c) + ",\"" + t + "\")");
      }
    }
    int obtenido = a->Lee(modo, k, 0, bloqueo);
    int esperado = m.Lee(modo, k);
    hecho = "Lee(" + std::to_string(modo) + "," + std::to_string(k) + ",0," +
            std::to_string(bloqueo) + ")";
    cerrado = false;
    if (bloqueo == 2) {
      a->Libera();  // the table lock ends; the next read starts a new scan
      cerrado = true;
      hecho += "; Libera";
    }
    std::string error;
    if (obtenido != esperado) {
      error = "returned " + std::to_string(obtenido) + ", model " + std::to_string(esperado);
      if (esperado == 1) error += " (" + m.Actual().id + ")";
    } else if (a->EnReg() != obtenido) {
      error = "EnReg " + std::to_string(a->EnReg());
    } else if (obtenido == 1) {
      const Registro& e = m.Actual();
      std::string id = SinBlancos(a->TxtCmp(3, 0));
      if (id != e.id || SinBlancos(a->TxtCmp(0, 0)) != SinBlancos(e.v.txt) ||
          std::fabs(a->NumCmp(1) - e.v.num) > 1e-9 ||
          std::fabs(a->NumCmp(2) - e.v.dia.Serie()) > 1e-6)
        error = "record " + id + " [" + a->TxtCmp(0, 0) + "|" + a->TxtCmp(1, 0) + "|" +
                a->TxtCmp(2, 0) + "], model " + e.id + " [" + e.v.txt + "|" + Num(e.v.num) +
                "|" + e.v.dia.Texto() + "]";
    }
    hechos.push_back(hecho);
    if (!error.empty()) {
      std::string inf = "seed " + std::to_string(semilla) + ": the first " +
                        std::to_string(paso + 1) + " steps fail (" +
                        std::to_string(hechos.size()) + " calls); the last of them:\n";
      size_t desde = hechos.size() > 40 ? hechos.size() - 40 : 0;
      for (size_t i = desde; i < hechos.size(); ++i) inf += "  " + hechos[i] + "\n";
      return inf + "  -> " + error;
    }
  }
  return "";
}

TEST_F(Navegacion, ReadsInEveryModeFollowTheModel) {
  std::vector<unsigned> semillas = {11, 12};
  int pasos = 1500;
  if (const char* s = getenv("ZORB_SEMILLA")) semillas = {unsigned(strtoul(s, nullptr, 10))};
  for (unsigned semilla : semillas) {
    Arch* a = Abre("M");
    ASSERT_NE(a, nullptr);
    std::string fallo = Recorre(a, regs, semilla, pasos);
    DelArchSQL(a);
    if (!fallo.empty()) ADD_FAILURE() << fallo;
  }
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

}  // namespace
