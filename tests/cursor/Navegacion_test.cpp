// Reads and writes by key against a model: 300 records with a composite key of a text, a number
// and a date (quotes, blanks, equal prefixes, accented letters, blank dates), and a seeded random
// run of reads in every mode on two keys, with filters set and cleared, and of writes (Alta, Graba,
// Baja, ModCmp) between them. The model keeps the records
// sorted by the same collation and follows the cursor's rules: a next or previous read continues
// the scan of the last SELECT (its condition and filter) while it has rows that way; every other
// read starts a new scan from the record's values under the filter of the moment. A failing run
// prints its seed and the calls up to the first wrong answer (ZORB_SEMILLA reruns one seed).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "Tabla.h"

namespace {

// The table's char collation: trailing blanks and ASCII case ignored, á and ñ right after their
// base letter (á after à), other bytes by value.
int Peso(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return (c - 'A' + 'a') * 32;
  if (c == 0xE1 || c == 0xC1) return 'a' * 32 + 2;
  if (c == 0xF1 || c == 0xD1) return 'n' * 32 + 1;
  return c * 32;
}
int Coteja(const std::string& x, const std::string& y) {
  std::string a = SinBlancos(x), b = SinBlancos(y);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (int d = Peso((unsigned char)a[i]) - Peso((unsigned char)b[i])) return d;
  return a.size() < b.size() ? -1 : a.size() > b.size();
}

struct Dia {
  int d, m, a;  // 0: blank, stored as 1 January 1900
  int Orden() const { return d ? a * 10000 + m * 100 + d : 19000101; }
  double Serie() const { return d ? 500000 + (a - 1900) * 360 + m * 30 + (d == 31 ? 30.2 : d) : 0; }
};
// Values of the fields C1 (text), C2 (number) and C3 (date).
struct Valores {
  std::string txt;
  double num = 0;
  Dia dia{0, 0, 0};
  std::string Texto(int c) const { return c == 0 ? txt : c == 1 ? Num(num) : Num(dia.Serie()); }
};
int Compara(const Valores& x, const Valores& y, int c) {
  if (c == 0) return Coteja(x.txt, y.txt);
  double a = c == 1 ? x.num : x.dia.Orden(), b = c == 1 ? y.num : y.dia.Orden();
  return a < b ? -1 : a > b;
}

const std::vector<std::string> kTextos = {
    "", " ", "  a", "a", "A", "a b", "ab", "abc", "abc d", "abcd", "ABCD", "O'Brien", "o'brien",
    "'", "b'", "\xE1" "baco", "\xC1" "baco", "abaco", "e\xF1" "e", "ene", "zeta", "Zz", "a'b'c",
    "abc  e", "aa", "\xC1", "z", "o'"};
const std::vector<double> kNumeros = {-2.5, 0, 1, 1.5, 10, 99.9, -3, 0.5, 1.25};
const std::vector<Dia> kDias = {{0, 0, 0},     {1, 1, 1960},  {31, 12, 1999}, {29, 2, 2000},
                                {15, 3, 1985}, {15, 3, 2049}, {1, 10, 2010},  {1, 6, 1970}};
const size_t kGuardados[] = {24, 6, 7};  // the values records take; the rest only searches
const std::vector<std::vector<int>> kClaves = {{0, 1, 2}, {2, 0, 1}};

Valores Valor(std::mt19937& g, bool guardado) {
  auto i = [&](size_t n, size_t c) { return g() % (guardado ? kGuardados[c] : n); };
  return {kTextos[i(kTextos.size(), 0)], kNumeros[i(kNumeros.size(), 1)],
          kDias[i(kDias.size(), 2)]};
}

struct Registro {
  Valores v;
  std::string id;  // C4
};
struct Celda {
  int campo, clase;
  Valores v;
  std::string texto;
};

class Modelo {
 public:
  std::vector<Registro> regs;
  std::vector<Celda> filtro;
  Valores registro;  // the host record's key fields
  std::vector<int> res;
  int pos = 0, sentido = 0, clave = 0;
  bool hay = false;

  const Registro& Actual() const { return regs[size_t(res[size_t(pos)])]; }

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
    for (size_t i = 0; i < regs.size(); ++i)
      if (PasaFiltro(regs[i].v) && Cumple(regs[i].v, modo)) res.push_back(int(i));
    std::sort(res.begin(), res.end(), [&](int a, int b) {
      return Diferencia(regs[size_t(a)].v, regs[size_t(b)].v, kClaves[size_t(clave)]) < 0;
    });
    if (!(hay = !res.empty())) return -1;
    pos = atras ? int(res.size()) - 1 : 0;
    registro = Actual().v;
    return 1;
  }

  static int Diferencia(const Valores& x, const Valores& y, const std::vector<int>& partes) {
    for (int c : partes)
      if (int d = Compara(x, y, c)) return d;
    return 0;
  }

 private:
  const Celda* Busca(int campo, int clase) const {
    const Celda* r = nullptr;
    for (const Celda& c : filtro)
      if (c.campo == campo && c.clase == clase) r = &c;  // the last one set stands
    return r;
  }
  bool Fijo(int c) const {
    const Celda *a = Busca(c, 1), *b = Busca(c, 3);
    return a && b && a->texto == b->texto;
  }
  bool PasaFiltro(const Valores& v) const {
    for (int c = 0; c < 3; ++c)
      for (int clase : {1, 2, 3, 4, 9, 11}) {
        const Celda* f = Busca(c, clase);
        if (!f || (c == 1 && f->texto.empty()) || (clase == 3 && Fijo(c))) continue;
        int d = Compara(v, f->v, c);
        bool ok = clase == 1   ? (Fijo(c) ? d == 0 : d >= 0)
                  : clase == 2 ? d > 0
                  : clase == 3 ? d <= 0
                  : clase == 4 ? d < 0
                  : clase == 9 ? d != 0
                               : true;
        if (clase == 11) {  // a prefix pattern, ASCII case ignored
          std::string p = f->texto.substr(0, f->texto.size() - 1), t = SinBlancos(v.txt);
          ok =
              t.size() >= p.size() && std::equal(p.begin(), p.end(), t.begin(), [](char x, char y) {
                return tolower((unsigned char)x) == tolower((unsigned char)y);
              });
        }
        if (!ok) return false;
      }
    return true;
  }
  // The record against the host record's values over the key parts the filter does not pin.
  bool Cumple(const Valores& v, int modo) const {
    const std::vector<int>& partes = kClaves[size_t(clave)];
    if (modo == 0) return Diferencia(v, registro, partes) == 0;
    if (modo >= 7) return true;
    std::vector<int> libres;
    for (int c : partes)
      if (!Fijo(c)) libres.push_back(c);
    bool estricto = modo >= 3;
    if (libres.empty() && !estricto) return true;
    if (libres.empty()) libres.push_back(partes.back());
    int d = Diferencia(v, registro, libres);
    return d == 0 ? !estricto : (modo % 2 == 1) == (d > 0);
  }
};

class Navegacion : public ConBase {
 protected:
  void SetUp() override {
    ConBase::SetUp();
    ASSERT_TRUE(
        Crea("M", {Texto(12), Numero(6, 1), Fecha(), Texto(8)}, {2, 3, 1, 2, 3, 3, 3, 1, 2}));
    std::mt19937 g(7);
    std::string sql = "BEGIN TRAN";
    while (m.regs.size() < 300) {
      Registro r{Valor(g, true), "r" + std::to_string(m.regs.size())};
      bool repetido = false;
      for (const Registro& o : m.regs)
        repetido = repetido || !Modelo::Diferencia(o.v, r.v, kClaves[0]);
      if (repetido) continue;
      std::string txt;
      for (char c : r.v.txt) txt += c == '\'' ? std::string("''") : std::string(1, c);
      char dia[16];
      const Dia& d = r.v.dia;
      snprintf(dia, sizeof dia, "%02d/%02d/%04d", d.d ? d.d : 1, d.d ? d.m : 1, d.d ? d.a : 1900);
      sql += "; INSERT INTO M VALUES ('" + txt + "', " + Num(r.v.num) + ", '" + dia + "', '" +
             r.id + "')";
      m.regs.push_back(r);
    }
    Sql(sql + "; COMMIT TRAN");
  }
  std::string Recorre(Arch* a, unsigned semilla, int pasos);
  bool Escribe(Arch* a, std::mt19937& g, std::vector<std::string>& hechos, int* obtenido,
               int* esperado, bool* cerrado);
  std::string Revisa(Arch* a, int obtenido, int esperado);
  std::string Informe(unsigned semilla, int paso, const std::vector<std::string>& hechos,
                      const std::string& error);
  Modelo m;
  int nuevos = 0;
  bool trasBaja = false;  // the cursor stands on the record it deleted
};

std::string Navegacion::Revisa(Arch* a, int obtenido, int esperado) {
  if (obtenido != esperado || a->EnReg() != (trasBaja ? 1 : obtenido))
    return "returned " + std::to_string(obtenido) + ", EnReg " + std::to_string(a->EnReg()) +
           ", model " + std::to_string(esperado) + (esperado == 1 ? " " + m.Actual().id : "");
  if (obtenido != 1 || trasBaja) return "";
  const Registro& e = m.Actual();
  if (SinBlancos(a->TxtCmp(3, 0)) != e.id || SinBlancos(a->TxtCmp(0, 0)) != SinBlancos(e.v.txt) ||
      std::fabs(a->NumCmp(1) - e.v.num) > 1e-9 || std::fabs(a->NumCmp(2) - e.v.dia.Serie()) > 1e-6)
    return std::string("record ") + a->TxtCmp(3, 0) + " [" + a->TxtCmp(0, 0) + "|" +
           a->TxtCmp(1, 0) + "|" + a->TxtCmp(2, 0) + "], model " + e.id + " [" + e.v.txt + "|" +
           e.v.Texto(1) + "|" + e.v.Texto(2) + "]";
  return "";
}

std::string Navegacion::Informe(unsigned semilla, int paso, const std::vector<std::string>& hechos,
                                const std::string& error) {
  std::string inf = "seed " + std::to_string(semilla) + ": the first " + std::to_string(paso + 1) +
                    " steps fail (" + std::to_string(hechos.size()) +
                    " calls); the last of them:\n";
  for (size_t i = hechos.size() > 40 ? hechos.size() - 40 : 0; i < hechos.size(); ++i)
    inf += "  " + hechos[i] + "\n";
  return inf + "  -> " + error;
}

// A write in the model and through the data file; false when none was made. Writes that need a
// record are made only on one the cursor stands on (not a deleted one); keys stay unique.
bool Navegacion::Escribe(Arch* a, std::mt19937& g, std::vector<std::string>& hechos, int* obtenido,
                         int* esperado, bool* cerrado) {
  int tipo = int(g() % 5);
  if (tipo > 0 && !(m.hay && !trasBaja)) return false;
  Registro* e = tipo > 0 ? &m.regs[size_t(m.res[size_t(m.pos)])] : nullptr;
  Valores v = e ? e->v : Valor(g, true);
  if (tipo == 1 && g() % 2) v.num = kNumeros[g() % kGuardados[1]];
  if (tipo == 3) v.num = -v.num;
  for (const Registro& o : m.regs)
    if (&o != e && !Modelo::Diferencia(o.v, v, kClaves[0])) return false;
  std::string id = "n" + std::to_string(++nuevos);
  if (tipo == 0) {  // Alta, read back with a lock mode or not at all
    int modo = std::vector<int>{0, 1, 998866}[g() % 3];
    for (int c = 0; c < 3; ++c) a->PonTxtCmp(c, v.Texto(c).c_str());
    a->PonTxtCmp(3, id.c_str());
    hechos.push_back("Alta(" + std::to_string(modo) + ") " + id + " [" + v.txt + "|" +
                     v.Texto(1) + "|" + v.Texto(2) + "]");
    m.regs.push_back({v, id});
    m.registro = v;
    trasBaja = false;
    int r = a->Alta(modo);
    m.hay = m.hay && modo != 998866;
    *obtenido = modo != 998866 ? r : r == 1 ? a->EnReg() : -3;  // -3: the Alta failed
    *esperado = modo == 998866 ? -1 : m.Lee(0, m.clave);
  } else if (tipo == 1) {  // Graba of a new C4, sometimes of a new C2 (a key part)
    a->PonTxtCmp(1, v.Texto(1).c_str());
    a->PonTxtCmp(3, id.c_str());
    hechos.push_back("Graba(0) " + id + " C2 " + v.Texto(1));
    *e = {v, id};
    m.registro = v;
    *obtenido = a->Graba(0) == 1 ? a->EnReg() : -2;
    *esperado = m.Lee(0, m.clave);
  } else if (tipo == 2) {  // ModCmp writing C4 through, read back by key 0
    e->id = id;
    a->ModCmp(3, id.c_str(), 0);
    hechos.push_back("ModCmp(3," + id + ",0)");
    *obtenido = a->EnReg();
    *esperado = m.Lee(0, 0);
  } else if (tipo == 3) {  // ModCmp multiplying C2 by -1 under a row lock, found again first
    a->ModCmp(1, "-1", 3);
    hechos.push_back("ModCmp(1,-1,3)");
    if (m.Lee(0, m.clave) == 1) {
      m.regs[size_t(m.res[size_t(m.pos)])].v = v;
      m.registro = v;
      m.Lee(0, m.clave);
    }
    *obtenido = a->EnReg();
    *esperado = m.hay ? 1 : -1;
    *cerrado = true;  // the lock's end closed the cursor
  } else {  // Baja of the current record: the cursor stays on it
    m.regs.erase(m.regs.begin() + (e - m.regs.data()));
    m.res.clear();
    m.sentido = 0;
    hechos.push_back("Baja");
    *obtenido = a->Baja();
    *esperado = 1;
    trasBaja = true;
  }
  return true;
}

// Runs the calls of one seed; empty when every answer matched the model, else the report.
std::string Navegacion::Recorre(Arch* a, unsigned semilla, int pasos) {
  std::mt19937 g(semilla);
  m.filtro.clear();
  m.hay = false;
  m.Lee(7, 0);  // the file opens as a first-record read by key 0 leaves it
  std::vector<std::string> hechos;
  int clave = 0, racha = 0, modoRacha = 5;
  bool cerrado = false;  // after a table lock ends, the next read is a new scan
  for (int paso = 0; paso < pasos; ++paso) {
    unsigned r = g() % 100;
    if (r < 6) {
      a->LimpiaFiltro();
      m.filtro.clear();
      hechos.push_back("LimpiaFiltro");
      continue;
    }
    if (r < 12) {
      int campo = int(g() % 3), clase = int(g() % 7);
      std::vector<int> clases =
          clase == 6 ? std::vector<int>{1, 3}
                     : std::vector<int>{std::vector<int>{1, 2, 3, 4, 9, 11}[size_t(clase)]};
      if (clases[0] == 11 && campo != 0) clases[0] = 9;
      Valores v = Valor(g, g() % 2);
      for (int c : clases) {
        std::string t =
            c == 11 ? std::vector<std::string>{"a%", "AB%", "o'%", "e%"}[g() % 4] : v.Texto(campo);
        a->PonFiltro(campo, c, t.c_str());
        m.filtro.push_back({campo, c, v, t});
        hechos.push_back("PonFiltro(" + std::to_string(campo) + "," + std::to_string(c) + ",\"" +
                         t + "\")");
      }
      continue;
    }
    if (r >= 90 && racha == 0 && !cerrado) {
      int obtenido = 0, esperado = 0;
      if (!Escribe(a, g, hechos, &obtenido, &esperado, &cerrado)) continue;
      std::string error = Revisa(a, obtenido, esperado);
      if (!error.empty()) return Informe(semilla, paso, hechos, error);
      continue;
    }
    if (racha == 0 && !cerrado && g() % 20 == 0) {  // a run one way, across block boundaries
      racha = 5 + int(g() % 30);
      modoRacha = 5 + int(g() % 2);
    }
    int modo = racha > 0 ? (--racha, modoRacha)
               : cerrado ? std::vector<int>{0, 1, 2, 3, 4, 7, 8}[g() % 7]
               : r < 50  ? 5 + int(g() % 2)
                         : int(g() % 9);
    if (racha == 0 && g() % 5 == 0) clave = int(g() % 2);
    int bloqueo = racha > 0 ? 0 : g() % 20 == 0 ? 2 : g() % 10 == 0 ? 1 : 0;
    if (modo <= 4) {
      Valores v = Valor(g, g() % 2);
      for (int c : kClaves[size_t(clave)]) {
        if (g() % 5 == 0) continue;  // this part keeps the value it had
        a->PonTxtCmp(c, v.Texto(c).c_str());
        if (c == 0) m.registro.txt = v.txt;
        if (c == 1) m.registro.num = v.num;
        if (c == 2) m.registro.dia = v.dia;
        hechos.push_back("PonTxtCmp(" + std::to_string(c) + ",\"" + v.Texto(c) + "\")");
      }
    }
    int obtenido = a->Lee(modo, clave, 0, bloqueo), esperado = m.Lee(modo, clave);
    hechos.push_back("Lee(" + std::to_string(modo) + "," + std::to_string(clave) + ",0," +
                     std::to_string(bloqueo) + ")");
    if ((cerrado = bloqueo == 2)) {
      a->Libera();
      hechos.back() += "; Libera";
    }
    trasBaja = false;
    std::string error = Revisa(a, obtenido, esperado);
    if (!error.empty()) return Informe(semilla, paso, hechos, error);
  }
  return "";
}

TEST_F(Navegacion, ReadsInEveryModeFollowTheModel) {
  std::vector<unsigned> semillas = {11, 12};
  if (const char* s = getenv("ZORB_SEMILLA")) semillas = {unsigned(strtoul(s, nullptr, 10))};
  for (unsigned semilla : semillas) {
    Arch* a = Abre("M");
    ASSERT_NE(a, nullptr);
    std::string fallo = Recorre(a, semilla, 1500);
    DelArchSQL(a);
    if (!fallo.empty()) ADD_FAILURE() << fallo;
  }
  // The table holds what the model holds.
  Filas f;
  SqlDirecto(hdbc(), "SELECT C4, C2 FROM M", &f);
  std::vector<std::string> tabla, modelo;
  for (auto& x : f) tabla.push_back(SinBlancos(x[0]) + " " + Num(atof(x[1].c_str())));
  for (const Registro& r : m.regs) modelo.push_back(r.id + " " + Num(r.v.num + 0.0));  // not -0
  std::sort(tabla.begin(), tabla.end());
  std::sort(modelo.begin(), modelo.end());
  EXPECT_EQ(tabla, modelo);
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

// Backward through blocks of 10 (the size after a read that found nothing) over a result of 11
// to 19 records: the block before the last starts before the first record.
TEST_F(Navegacion, BackwardBlocksCrossTheStartOfTheResult) {
  std::string t;
  for (const std::string& x : kTextos) {
    size_t n = std::count_if(m.regs.begin(), m.regs.end(),
                             [&](const Registro& r) { return !Coteja(r.v.txt, x); });
    if (n > 10 && n < 20) t = x;
  }
  ASSERT_FALSE(t.empty());
  Arch* a = Abre("M");
  ASSERT_NE(a, nullptr);
  for (int clase : {1, 3}) {
    a->PonFiltro(0, clase, t.c_str());
    m.filtro.push_back({0, clase, Valores{t}, t});
  }
  a->PonTxtCmp(0, "no such text");
  m.registro.txt = "no such text";
  ASSERT_EQ(a->Lee(0, 0, 0, 0), m.Lee(0, 0));
  int leidos = 0;
  for (int modo = 8; a->Lee(modo, 0, 0, 0) == 1; modo = 6, ++leidos) {
    ASSERT_EQ(m.Lee(modo, 0), 1);
    EXPECT_EQ(SinBlancos(a->TxtCmp(3, 0)), m.Actual().id) << leidos;
  }
  EXPECT_EQ(leidos, int(m.res.size()));
  DelArchSQL(a);
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

}  // namespace
