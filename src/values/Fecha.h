// The date value: a day number of the proleptic Gregorian calendar (1 is 1 January of year 1,
// 0 an empty date), read from and given back as the host's serial double
// 500000 + yy * 360 + month * 30 + day (day 31 counting as 30.2), typed numbers and texts.
#pragma once
#include "zorb/host.h"

class fecha : public campo {
 public:
  // orden 2: month before day; anything else: day before month.
  fecha(const char* texto, int orden);
  fecha(double valor, int orden);
  ~fecha() override {}

  void PonNum(double valor) override;
  void PonTxt(const char* texto, int lon) override;
  const char* Txt() override;
  double Num() override;
  int Ent() override;
  const char* TxtEdt() override;
  const char* TxtMay() override;
  const char* TxtSin(int c) override;
  void PonLon(int lon, int relleno) override;
  void PonDec(int dec) override;
  int Tipo() override;
  int Lon() override;
  int Dec() override;

  // Sets the date from day, month and year: two-digit years in the window 1950-2049, 100 to 999
  // as 2000 to 2899; the day is clamped to the month and the month to 1-12.
  void PonDMA(int dia, int mes, int anio);
  // Day, month and year of the date (of an empty date: 31 December of year 0).
  void SacaDMA(int* d, int* m, int* a) const;
  int Dia() const { return dia; }
  void PonDia(int n) { dia = n < 0 ? 0 : n; }

 private:
  int dia;         // day number, 0 empty
  char texto[12];  // the last text handed out
  int orden;
};

// Day number of a date (year >= 1, month 1-12, day within the month).
int DiaDMA(int d, int m, int a);
// Day, month and year of day number n; proleptic Gregorian for every n >= 1.
void SacaDMA(int n, int* d, int* m, int* a);
// Days of the month (31 for a month outside 1-12).
int DiasMes(int mes, int anio);
// Today from the local clock.
void HoyDMA(int* d, int* m, int* a);
// The day number that a date with day-first order takes from PonNum(v).
int DiaNum(double v);
