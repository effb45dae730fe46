// Making and destroying the data files that the host opens on a connection.
#include "exports/Archivos.h"

#include <cctype>
#include <cstring>
#include <new>

#include "cursor/ArchSql.h"

namespace zorb {

bool NombreSimple(const char* t) {
  if (!t || !*t || std::strlen(t) > 128) return false;
  for (const char* p = t; *p; ++p)
    if (!std::isalnum(static_cast<unsigned char>(*p)) && !std::strchr("_#@$.", *p)) return false;
  return true;
}

Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha, int noUsado,
                 const char* opcion) {
  if (faltaTabla) *faltaTabla = 0;
  if (!NombreSimple(tabla)) return nullptr;
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
