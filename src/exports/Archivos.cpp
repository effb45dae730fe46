// Making and destroying the data files that the host opens on a connection.
#include "exports/Archivos.h"

#include <new>

#include "cursor/ArchSql.h"

namespace zorb {

Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha, int noUsado,
                 const char* opcion) {
  if (faltaTabla) *faltaTabla = 0;
  int estado = kArchSinCnx;
  ArchSql* a = new (std::nothrow) ArchSql(cnx, tabla, &estado, ordenFecha, noUsado, opcion);
  if (!a) return nullptr;
  if (estado == kArchAbierto) return a;
  if (estado == kArchSinTabla) {
    if (faltaTabla) *faltaTabla = 1;
    return a;
  }
  delete a;
  return nullptr;
}

void DelArchSQL(Arch* arch) { delete arch; }

}  // namespace zorb
