// Renderings of fields and the filter and triple containers shared by every data file.
#include "cursor/Arch2.h"

#include <cstring>

#include "values/Campos.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"
#include "values/Numeros.h"

namespace {
constexpr int kCapInicial = 700;
}

Arch2::Arch2(int orden)
    : filtro(NvaMatriz()),
      filtroGuardado(NvaMatriz()),
      ternas(NvoEntero()),
      txtBuf(new char[kCapInicial + 1]()),
      ordenFecha(orden),
      txtCap(kCapInicial) {}

Arch2::~Arch2() {
  delete filtro;
  delete filtroGuardado;
  delete ternas;
  delete[] txtBuf;
}

const char* Arch2::PonTxtBuf(const char* texto) {
  if (!texto) texto = "";
  size_t n = strlen(texto);
  if (n > size_t(txtCap)) {
    char* nuevo = new char[n + 1];
    delete[] txtBuf;
    txtBuf = nuevo;
    txtCap = int(n);
  }
  memcpy(txtBuf, texto, n + 1);
  return txtBuf;
}

const char* Arch2::TxtEdtCmp(int cmp) {
  int tipo = TipoCmp(cmp);
  if (cmp < 0) return "";
  switch (tipo) {
    case 2: {
      int dec = DecCmp(cmp), lon = LonCmp(cmp);
      numero n(Redondea(NumCmp(cmp), dec, 0, lon - 1));
      n.PonDec(dec);
      return PonTxtBuf(lon < 5 && dec == 0 ? n.Txt() : n.TxtEdt());
    }
    case 3: {
      fecha f(NumCmp(cmp), ordenFecha);
      return PonTxtBuf(f.TxtEdt());
    }
    case 6:
    case 7: {
      String s(TxtCmp(cmp, 0), LonCmp(cmp), tipo);
      return PonTxtBuf(s.Txt());
    }
    default:
      return TxtCmp(cmp, 0);
  }
}

const char* Arch2::TxtPlnCmp(int cmp) {
  if (cmp < 0) return "";
  if (EsNumCmp(cmp)) {
    char num[32];
    return PonTxtBuf(NumAStr(NumCmp(cmp), num));
  }
  String s(TxtCmp(cmp, 0), 0, 1);
  const char* t = s.TxtSin(' ');
  if (strlen(t) >= size_t(kLonMarcaNulo) && memcmp(t, kMarcaNulo, kLonMarcaNulo) == 0) t = "";
  return PonTxtBuf(t);
}

const char* Arch2::TxtMayCmp(int cmp) {
  if (cmp < 1) return "";
  if (EsNumCmp(cmp)) return TxtCmp(cmp, 0);
  String s(TxtCmp(cmp, 0), 0, 1);
  return PonTxtBuf(s.TxtMay());
}

void Arch2::AgrTerna(int a, int b, int c) {
  int n = ternas->Elem(1);
  ternas->PonElem(1, n + 1);
  ternas->PonElem(3 * n + 2, a);
  ternas->PonElem(3 * n + 3, b);
  ternas->PonElem(3 * n + 4, c);
}

void Arch2::DaTerna(int t, int* a, int* b, int* c) {
  if (t == -1) {
    if (a) *a = ternas->Elem(1);
    return;
  }
  if (a) *a = ternas->Elem(3 * t + 2);
  if (b) *b = ternas->Elem(3 * t + 3);
  if (c) *c = ternas->Elem(3 * t + 4);
}

matriz* Arch2::DaFiltro() { return filtro; }

int Arch2::TotClaves() { return ClaseArch() != 0 ? NumClaves() + 1 : 0; }

int Arch2::EsNumCmp(int cmp) {
  int t = TipoCmp(cmp);
  return t == 2 || t == 3 ? 1 : 0;
}
