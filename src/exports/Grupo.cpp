#include "exports/Grupo.h"

#include <cstring>
#include <new>

namespace zorb {

GrpOdbc* NvoGrpOdbc() {
  GrpOdbc* g = new (std::nothrow) GrpOdbc;
  if (!g) return nullptr;
  g->nCnx = 0;
  g->servidores = nullptr;
  g->bases = nullptr;
  g->cnxs = nullptr;
  return g;
}

CnxOdbc* mOdbc(GrpOdbc* g, const char* servidor, const char* base, const char* usuario,
               const char* clave) {
  if (!g || !servidor || !base) return nullptr;
  for (int i = 0; i < g->nCnx; ++i)
    if (strcmp(g->servidores[i], servidor) == 0 && strcmp(g->bases[i], base) == 0)
      return g->cnxs[i];  // null too: a pair that failed is not tried again

  int n = g->nCnx;
  CnxOdbc** cnxs = new CnxOdbc*[n + 1];
  char** servidores = new char*[n + 1];
  char** bases = new char*[n + 1];
  for (int i = 0; i < n; ++i) {
    cnxs[i] = g->cnxs[i];
    servidores[i] = g->servidores[i];
    bases[i] = g->bases[i];
  }
  cnxs[n] = NvaCnxOdbc(servidor, base, usuario, clave);
  servidores[n] = CopiaTxt(servidor);
  bases[n] = CopiaTxt(base);
  delete[] g->cnxs;
  delete[] g->servidores;
  delete[] g->bases;
  g->cnxs = cnxs;
  g->servidores = servidores;
  g->bases = bases;
  g->nCnx = n + 1;
  return cnxs[n];
}

void DelGrpOdbc(GrpOdbc* g) {
  if (!g) return;
  for (int i = 0; i < g->nCnx; ++i) {
    if (g->cnxs[i]) {
      CierraCnx(g->cnxs[i]);
      delete g->cnxs[i];
    }
    delete[] g->servidores[i];
    delete[] g->bases[i];
  }
  delete[] g->cnxs;
  delete[] g->servidores;
  delete[] g->bases;
  delete g;
}

}  // namespace zorb
