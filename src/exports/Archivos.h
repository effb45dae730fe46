// Making and destroying the data files that the host opens on a connection.
#pragma once
#include "odbc/CnxOdbc.h"
#include "zorb/host.h"

namespace zorb {
Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha, int noUsado,
                 const char* opcion);
void DelArchSQL(Arch* arch);
}  // namespace zorb
