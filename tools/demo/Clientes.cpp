// The demo's host: opens the customers' data file through the library as an application does,
// reads it by key, by name and through a filter, adds a customer and rewrites another.
#include <cstdio>
#include <cstring>
#include <string>

#include "zorb/host.h"
#include "zorb/zorb.h"

namespace {

// Fields of the data file: code, name, city, balance, registration date.
enum { kCodigo, kNombre, kCiudad, kSaldo, kAlta };
// Keys: by code, by name and code.
enum { kPorCodigo, kPorNombre };

// The rendered texts share one buffer of the object: each is copied before the next.
void Muestra(Arch* a) {
  std::string codigo = a->TxtPlnCmp(kCodigo), nombre = a->TxtPlnCmp(kNombre),
              ciudad = a->TxtPlnCmp(kCiudad), saldo = a->TxtEdtCmp(kSaldo),
              alta = a->TxtEdtCmp(kAlta);
  std::printf("  %s | %-24s | %-10s | %12s | %s\n", codigo.c_str(), nombre.c_str(),
              ciudad.c_str(), saldo.c_str(), alta.c_str());
}

// Reads the customer by code; false when there is none.
bool PorCodigo(Arch* a, const char* codigo, int bloqueo) {
  a->LimpiaReg();
  a->PonTxtCmp(kCodigo, codigo);
  return a->Lee(0, kPorCodigo, 0, bloqueo) > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: zorb-demo-host SERVER DATABASE TABLE\n", stderr);
    return 2;
  }
  const char* tabla = argv[3];
  GrpOdbc* grupo = NvoGrpOdbc();
  CnxOdbc* cnx = mOdbc(grupo, argv[1], argv[2], nullptr, nullptr);
  int falta = 0;
  Arch* a = cnx ? NvoArchSQL(cnx, tabla, &falta, 0, 0, "demo") : nullptr;
  if (!a || falta) {
    std::fprintf(stderr, "zorb-demo-host: cannot open %s in %s\n", tabla, argv[2]);
    DelArchSQL(a);
    DelGrpOdbc(grupo);
    return 1;
  }
  int fallos = 0;
  std::printf("%s: %d fields, %d keys, %d records\n", a->NomArch(), a->NumCmps(), a->NumClaves(),
              a->NumRegs(0, 1));

  std::puts("\n-- by code: C00042");
  if (PorCodigo(a, "C00042", 0)) Muestra(a); else ++fallos;

  std::puts("\n-- by name: the first three from 'Garcia'");
  a->LimpiaReg();
  a->PonTxtCmp(kNombre, "Garcia");
  int r = a->Lee(1, kPorNombre, 0, 0);
  for (int n = 0; r > 0 && n < 3; ++n, r = a->Lee(5, kPorNombre, 0, 0)) Muestra(a);

  std::puts("\n-- filter: city Madrid, balance over 15000, by code");
  a->PonFiltro(kCiudad, 1, "Madrid");
  a->PonFiltro(kCiudad, 3, "Madrid");
  a->PonFiltro(kSaldo, 2, "15000");
  int vistos = 0;
  for (r = a->Lee(7, kPorCodigo, 0, 0); r > 0; r = a->Lee(5, kPorCodigo, 0, 0))
    if (++vistos <= 3) Muestra(a);
  std::printf("  (%d records)\n", vistos);
  a->LimpiaFiltro();

  std::puts("\n-- add C00301");
  a->LimpiaReg();
  a->PonTxtCmp(kCodigo, "C00301");
  a->PonTxtCmp(kNombre, "O'Hara, Demo");
  a->PonTxtCmp(kCiudad, "Vigo");
  a->PonNumCmp(kSaldo, 1234.5);
  a->PonTxtCmp(kAlta, "05/12/26");
  if (a->Alta(0) > 0) Muestra(a); else { std::puts("  the record could not be added"); ++fallos; }

  std::puts("\n-- rewrite C00042: balance plus 100, under a row lock");
  if (PorCodigo(a, "C00042", 1)) {
    a->PonNumCmp(kSaldo, a->NumCmp(kSaldo) + 100);
    a->Graba(1);
    if (PorCodigo(a, "C00042", 0)) Muestra(a); else ++fallos;
  } else {
    ++fallos;
  }

  DelArchSQL(a);
  DelGrpOdbc(grupo);
  if (fallos) std::fprintf(stderr, "zorb-demo-host: %d step(s) failed (see ZorbLog.txt)\n", fallos);
  return fallos ? 1 : 0;
}
