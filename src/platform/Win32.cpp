// Win32 implementation of the platform layer.
#include "platform/Plataforma.h"

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#  define NOMINMAX
#endif
#include <windows.h>

static bool horaFija = false;
static HoraLocal horaFijada;

void FijaHoraLocal(const HoraLocal* h) {
  horaFija = h != nullptr;
  if (h) horaFijada = *h;
}

void LeeHoraLocal(HoraLocal* h) {
  if (horaFija) {
    *h = horaFijada;
    return;
  }
  SYSTEMTIME st;
  GetLocalTime(&st);
  h->anio = st.wYear;
  h->mes = st.wMonth;
  h->dia = st.wDay;
  h->hora = st.wHour;
  h->minuto = st.wMinute;
  h->segundo = st.wSecond;
}

// Largest piece handed to one ReadFile or WriteFile.
static const DWORD kTramo = 1u << 30;

static bool EscribeTodo(HANDLE f, const char* p, size_t n) {
  while (n > 0) {
    DWORD pedido = n > kTramo ? kTramo : static_cast<DWORD>(n);
    DWORD hecho = 0;
    if (!WriteFile(f, p, pedido, &hecho, nullptr) || hecho == 0) return false;
    p += hecho;
    n -= hecho;
  }
  return true;
}

void AnexaBloqueado(const char* nombre, const char* datos, size_t n) {
  HANDLE f = CreateFileA(nombre, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  // The lock covers every byte the file has or will have; LockFileEx waits for it without
  // spinning. Only once it is held is the end of the file where the record goes.
  OVERLAPPED zona = {};
  bool bloqueado =
      LockFileEx(f, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &zona) != FALSE;
  LARGE_INTEGER cero = {};
  if (SetFilePointerEx(f, cero, nullptr, FILE_END)) EscribeTodo(f, datos, n);
  if (bloqueado) UnlockFileEx(f, 0, MAXDWORD, MAXDWORD, &zona);
  CloseHandle(f);
}

bool LeeArchivo(ArchivoHost h, void* datos, size_t n) {
  char* p = static_cast<char*>(datos);
  while (n > 0) {
    DWORD pedido = n > kTramo ? kTramo : static_cast<DWORD>(n);
    DWORD leido = 0;
    if (!ReadFile(static_cast<HANDLE>(h), p, pedido, &leido, nullptr) || leido == 0) return false;
    p += leido;
    n -= leido;
  }
  return true;
}

bool EscribeArchivo(ArchivoHost h, const void* datos, size_t n) {
  return EscribeTodo(static_cast<HANDLE>(h), static_cast<const char*>(datos), n);
}
