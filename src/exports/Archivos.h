// Making and destroying the data files that the host opens on a connection.
#pragma once
#include "odbc/CnxOdbc.h"
#include "zorb/host.h"

namespace zorb {
// A table name goes into every statement of the object as it is: only a plain name is taken
// (letters, digits and _#@$., at most 128 characters).
bool NombreSimple(const char* t);
Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha, int noUsado,
                 const char* opcion);
void DelArchSQL(Arch* arch);
}  // namespace zorb
