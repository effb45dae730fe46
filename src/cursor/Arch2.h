// The generic part of a data file: renderings of a field, the host's triples and the filter
// matrices, all through other slots of the same object.
#pragma once
#include "zorb/host.h"

// Start of a field text that stands for no value: three bytes 0xFE and "ULT".
constexpr char kMarcaNulo[] = "\xFE\xFE\xFEULT";
constexpr int kLonMarcaNulo = 6;

class Arch2 : public Arch {
 public:
  explicit Arch2(int ordenFecha);
  ~Arch2() override;
  Arch2(const Arch2&) = delete;
  Arch2& operator=(const Arch2&) = delete;

  const char* TxtEdtCmp(int cmp) override;
  const char* TxtPlnCmp(int cmp) override;
  const char* TxtMayCmp(int cmp) override;
  void AgrTerna(int a, int b, int c) override;
  void DaTerna(int t, int* a, int* b, int* c) override;
  matriz* DaFiltro() override;
  int TotClaves() override;
  int EsNumCmp(int cmp) override;

  // Copies a text into txtBuf, growing it when the text is longer; returns txtBuf.
  const char* PonTxtBuf(const char* texto);

  matriz* filtro;          // row: field, column: condition kind; the cell holds the value
  matriz* filtroGuardado;  // copy kept by GuardaFiltro
  entero* ternas;          // element 1: triple count; triple t at 3t+2 .. 3t+4
  char* txtBuf;            // text of slots 33 to 35; txtCap characters and the terminator
  int ordenFecha;          // 2: month before day
  int txtCap;
};
