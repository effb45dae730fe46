// The only place where the library calls the operating system: the log append, the local clock
// and reads and writes on a file handle that the host supplies.
#pragma once
#include <cstddef>
#include "zorb/host.h"

struct HoraLocal {
  int anio, mes, dia, hora, minuto, segundo;
};

// The local date and time now.
void LeeHoraLocal(HoraLocal* h);
// Tests fix the clock with a time of their own; null gives the real clock back.
void FijaHoraLocal(const HoraLocal* h);

// Appends n bytes to the file `nombre` (created when missing) as one write at its end, under a
// lock on the whole file that orders appends between processes. A file that cannot be opened
// loses the bytes; the caller is never held up by that.
void AnexaBloqueado(const char* nombre, const char* datos, size_t n);

// Whole reads and writes on a host handle: true only when all n bytes moved.
bool LeeArchivo(ArchivoHost h, void* datos, size_t n);
bool EscribeArchivo(ArchivoHost h, const void* datos, size_t n);
