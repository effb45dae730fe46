// The host's connection cache: one connection per server and database text.
#pragma once
#include "odbc/CnxOdbc.h"

struct GrpOdbc {
  int nCnx;
  char** servidores;
  char** bases;
  CnxOdbc** cnxs;
};

namespace zorb {
GrpOdbc* NvoGrpOdbc();
CnxOdbc* mOdbc(GrpOdbc* grupo, const char* servidor, const char* base, const char* usuario,
               const char* clave);
void DelGrpOdbc(GrpOdbc* grupo);
}  // namespace zorb
