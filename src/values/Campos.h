// Field values: numero (a number with decimals) and String (a text; kinds 1 plain, 6 code with a
// numeric suffix, 7 yes/no flag). The date value fecha is in Fecha.h.
#pragma once
#include <cstddef>

#include "zorb/host.h"

class numero : public campo {
 public:
  explicit numero(double valor);
  ~numero() override;
  numero(const numero&) = delete;
  numero& operator=(const numero&) = delete;

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

 private:
  const char* GuardaTxt(const char* texto, size_t n);

  double valor;
  int dec;  // -1: not set
  int lon;
  char* ultTxt;  // the last text handed out
};

class String : public campo {
 public:
  String();
  String(const char* texto, int lon, int clase);
  String(double valor, int clase);
  ~String() override;
  String(const String&) = delete;
  String& operator=(const String&) = delete;

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

  // The numeric suffix of the text (SepCod); prefix length and text length when asked for.
  int NumCod(int* prefijo = nullptr, int* lon = nullptr) const;
  // Adds delta to the numeric suffix, keeping the prefix; returns Txt.
  const char* SumaCod(int delta);
  // The text becomes the first `prefijo` characters of fuente, zeros up to the fixed width
  // (prefijo + digits when there is none, which then becomes the fixed width) and the digits of
  // n right-aligned, never over the prefix.
  void RehaceCod(const char* fuente, int prefijo, int n);
  // Appends texto (nothing once the text is over 50000 characters); returns Txt.
  const char* AgrTxt(const char* texto);
  // Appends the decimal digits of n; returns Txt.
  const char* AgrEnt(int n);
  // Deletes cuantos characters from the 1-based position pos.
  void BorraTxt(int pos, int cuantos);

  int Largo() const { return largo; }
  const char* Crudo() const { return texto; }  // the text as stored, without normalisation

 private:
  void Reemplaza(char* nuevo, int n);

  char* texto;  // never null
  int lonFija;  // -1: none, the width is the length
  int dec;
  int largo;
  int clase;
};

// Splits a code text: the prefix runs up to and including the last "A"-"Z" or "-", and is
// widened so that at most 7 characters follow it; returns atoi of the rest.
int SepCod(const char* texto, int* prefijo, int* lon);
