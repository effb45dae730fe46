// The date value and the day-number calendar.
#include "values/Fecha.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Plataforma.h"
#include "values/Comun.h"
#include "values/Numeros.h"

namespace {

bool Bisiesto(int anio) { return (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0; }

int DiasAnio(int anio) { return Bisiesto(anio) ? 366 : 365; }

// Days before 1 January of year y + 1.
double DiasAntes(double y) {
  return std::floor(y * 0.25) + 365 * y - std::floor(y / 100) + std::floor(y / 400);
}

// The largest year kept, so that every day number fits in 32 bits.
const int kAnioMax = 999999;

}  // namespace

int DiasMes(int mes, int anio) {
  static const int dias[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (mes < 1 || mes > 12) return 31;
  if (mes == 2 && Bisiesto(anio)) return 29;
  return dias[mes - 1];
}

int DiaDMA(int d, int m, int a) {
  double s = DiasAntes(a - 1.0) + d;
  for (int k = 1; k < m && k <= 12; k++) s += DiasMes(k, a);
  return Trunca(s);
}

void SacaDMA(int n, int* d, int* m, int* a) {
  int y = static_cast<int>(std::floor(n / 365.2425));
  int r = Trunca(n - DiasAntes(y));
  int anio = y + 1;
  if (r == 0) {
    anio = y;
    r = DiasAnio(y);
  }
  int mes = 1;
  while (r > DiasMes(mes, anio)) {
    r -= DiasMes(mes, anio);
    if (++mes > 12) {
      anio++;
      mes -= 12;
    }
  }
  *d = r;
  *m = mes;
  *a = anio;
}

void HoyDMA(int* d, int* m, int* a) {
  HoraLocal h;
  LeeHoraLocal(&h);
  *d = h.dia;
  *m = h.mes;
  *a = h.anio;
}

int DiaNum(double v) {
  fecha f(v, 1);
  return f.Dia();
}

// ---- fecha -------------------------------------------------------------------------------------

fecha::fecha(const char* t, int o) : dia(0), texto{}, orden(o) { PonTxt(t, 0); }

fecha::fecha(double v, int o) : dia(0), texto{}, orden(o) { PonNum(v); }

void fecha::PonDMA(int d, int m, int a) {
  if (a < 50) a += 100;
  if (a < 1000) a += 1900;
  if (a > kAnioMax) a = kAnioMax;
  if (d < 1) d = 1;
  if (d > DiasMes(m, a)) d = DiasMes(m, a);
  if (m < 1) m = 1;
  if (m > 12) m = 12;
  if (a < 2) a = 1;
  dia = DiaDMA(d, m, a);
}

void fecha::SacaDMA(int* d, int* m, int* a) const { ::SacaDMA(dia, d, m, a); }

// By range: 0, NaN and above 748382 empty; above 650000 a raw day number (to 31 December 2049);
// above 500000 a serial; -1 today; anything else ddmmyy, ddmm or dd typed by a user (mmddyy,
// mmdd or mm with month-first order), the missing parts from today.
void fecha::PonNum(double v) {
  if (std::isnan(v) || v == 0 || v > 748382) {
    dia = 0;
    return;
  }
  if (v > 650000) {
    dia = static_cast<int>(v);
    return;
  }
  if (v > 500000) {
    double s = v - 500000;
    double yy = std::floor((s - 31) / 360);
    s -= 360 * yy;
    double mes = std::floor((s - 1) / 30);
    double d = s - 30 * mes;
    if (d > 30.17 && d < 30.23) d = 31;
    int anio = static_cast<int>(yy);
    if (anio >= 100) anio %= 100;
    PonDMA(static_cast<int>(d), static_cast<int>(mes), anio);
    return;
  }
  int hd, hm, ha;
  HoyDMA(&hd, &hm, &ha);
  if (ha >= 100) ha %= 100;
  if (v == -1) {
    PonDMA(hd, hm, ha);
    return;
  }
  double a = std::trunc(v / 10000);
  double r = v - 10000 * a;
  double b = std::trunc(r / 100);
  int ia = Trunca(a), ib = Trunca(b), ic = Trunca(std::trunc(r - 100 * b));
  if (orden == 2) {
    if (ia != 0)
      PonDMA(ib, ia, ic >= 100 ? ic % 100 : ic);
    else if (ib != 0)
      PonDMA(ic, ib, ha);
    else
      PonDMA(hd, ic, ha);
  } else {
    if (ia != 0)
      PonDMA(ia, ib, ic >= 100 ? ic % 100 : ic);
    else if (ib != 0)
      PonDMA(ib, ic, ha);
    else
      PonDMA(ic, hm, ha);
  }
}

// The slashes are dropped and the rest read as a number: "19/05/10" is 190510.
void fecha::PonTxt(const char* t, int) {
  std::string s;
  if (t != nullptr)
    for (const char* p = t; *p != '\0'; p++)
      if (*p != '/') s += *p;
  PonNum(std::atof(s.c_str()));
}

const char* fecha::Txt() {
  char buf[20];
  NumAStr(Num(), buf);
  if (std::strlen(buf) >= 10) buf[0] = '\0';
  std::strcpy(texto, buf);
  return texto;
}

double fecha::Num() {
  if (dia == 0) return 0;
  int d, m, a;
  SacaDMA(&d, &m, &a);
  double yy = a > 1900 ? a - 1900 : a;
  return 500000 + yy * 360 + m * 30 + (d == 31 ? 30.2 : d);
}

int fecha::Ent() {
  if (dia == 0) return 0;
  int d, m, a;
  SacaDMA(&d, &m, &a);
  if (orden == 2) return (m * 100 + d) * 100 + a;
  return (d * 100 + m) * 100 + a;
}

// dd/mm/yy (mm/dd/yy with month-first order). The year shows its last two digits, for years
// before 1900 and after 2099 too.
const char* fecha::TxtEdt() {
  if (dia == 0) {
    std::strcpy(texto, "  /  /  ");
    return texto;
  }
  int d, m, a;
  SacaDMA(&d, &m, &a);
  int yy = ((a % 100) + 100) % 100;
  if (d < 0 || d > 99) d = 0;  // never more than two digits, whatever day number was set
  std::snprintf(texto, sizeof texto, "%02d/%02d/%02d", orden == 2 ? m : d, orden == 2 ? d : m, yy);
  return texto;
}

const char* fecha::TxtMay() { return Txt(); }

const char* fecha::TxtSin(int) { return Txt(); }

void fecha::PonLon(int, int) {}

void fecha::PonDec(int) {}

int fecha::Tipo() { return 3; }

int fecha::Lon() { return 8; }

int fecha::Dec() { return 0; }
