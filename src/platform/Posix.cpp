// POSIX implementation of the platform layer.
#include "platform/Plataforma.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  time_t t = time(nullptr);
  struct tm tm {};
  localtime_r(&t, &tm);
  h->anio = tm.tm_year + 1900;
  h->mes = tm.tm_mon + 1;
  h->dia = tm.tm_mday;
  h->hora = tm.tm_hour;
  h->minuto = tm.tm_min;
  h->segundo = tm.tm_sec;
}

static int BloqueaTodo(int fd, short tipo) {
  struct flock fl {};
  fl.l_type = tipo;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // to the end of the file, whatever it grows to
  int r;
  do {
    r = fcntl(fd, F_SETLKW, &fl);
  } while (r == -1 && errno == EINTR);
  return r;
}

void AnexaBloqueado(const char* nombre, const char* datos, size_t n) {
  int fd = open(nombre, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  bool bloqueado = BloqueaTodo(fd, F_WRLCK) == 0;
  // O_APPEND puts each write at the end as it is now; the lock keeps a record whole when a
  // write is cut short and must be continued.
  size_t hecho = 0;
  while (hecho < n) {
    ssize_t w = write(fd, datos + hecho, n - hecho);
    if (w < 0) {
      if (errno == EINTR) continue;
      break;
    }
    hecho += static_cast<size_t>(w);
  }
  if (bloqueado) BloqueaTodo(fd, F_UNLCK);
  close(fd);
}

bool LeeArchivo(ArchivoHost h, void* datos, size_t n) {
  char* p = static_cast<char*>(datos);
  while (n > 0) {
    ssize_t r = read(h, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool EscribeArchivo(ArchivoHost h, const void* datos, size_t n) {
  const char* p = static_cast<const char*>(datos);
  while (n > 0) {
    ssize_t w = write(h, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}
