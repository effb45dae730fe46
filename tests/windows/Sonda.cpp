// Makes the library's value and container objects and hands them to the C probe (Sonda.c), which
// reaches them by vtable position only, as a host built by the platform's compiler does; then
// checks that log appends of several processes at once stay whole.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/Plataforma.h"
#include "values/Campos.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"

extern "C" {
int SondaCampos(void* numero, void* fecha, void* texto);
int SondaVector(void* v);
int SondaMatriz(void* m);
int SondaEntero(void* e);
void* SondaDestruye(void* objeto, unsigned flags);
}

namespace {
int destruidos = 0;
struct Contado : vector2 {
  ~Contado() override { ++destruidos; }
};

const char kLog[] = "sonda-log.txt";
constexpr int kProcesos = 4, kRegistros = 100, kLargo = 60000;

std::string Registro(char c) { return "====\r\n" + std::string(kLargo, c) + "\r\n"; }

const char kSalida[] = "zorb-sonda-salida";

// Child: once every child has started, appends its records, each a run of one letter.
int Anexa(char c) {
  std::string r = Registro(c);
  HANDLE salida = OpenEventA(SYNCHRONIZE, FALSE, kSalida);
  if (!salida || WaitForSingleObject(salida, 60000) != WAIT_OBJECT_0) return 1;
  CloseHandle(salida);
  for (int i = 0; i < kRegistros; ++i) AnexaBloqueado(kLog, r.data(), r.size());
  return 0;
}

// Parent: every record of every child arrives once, whole, none over another.
int AnexanVarios() {
  DeleteFileA(kLog);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  HANDLE salida = CreateEventA(nullptr, TRUE, FALSE, kSalida);
  HANDLE hijos[kProcesos];
  for (int k = 0; k < kProcesos; ++k) {
    std::string linea = std::string("\"") + exe + "\" anexa " + char('a' + k);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &linea[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return 1;
    CloseHandle(pi.hThread);
    hijos[k] = pi.hProcess;
  }
  SetEvent(salida);
  DWORD espera = WaitForMultipleObjects(kProcesos, hijos, TRUE, 120000);
  bool bien = espera < WAIT_OBJECT_0 + kProcesos;
  for (HANDLE h : hijos) {
    DWORD rc = 1;
    bien = bien && GetExitCodeProcess(h, &rc) && rc == 0;
    CloseHandle(h);
  }
  CloseHandle(salida);
  if (!bien) return 1;

  std::string todo;
  HANDLE f = CreateFileA(kLog, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char buf[65536];
  DWORD n = 0;
  while (f != INVALID_HANDLE_VALUE && ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
    todo.append(buf, n);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  int cuenta[kProcesos] = {};
  const size_t largo = Registro('a').size();
  for (size_t p = 0; p + largo <= todo.size(); p += largo) {
    int k = todo[p + 6] - 'a';
    if (k < 0 || k >= kProcesos || todo.compare(p, largo, Registro(char('a' + k))) != 0) break;
    cuenta[k]++;
  }
  int fallos = todo.size() == largo * kProcesos * kRegistros ? 0 : 1;
  for (int c : cuenta) fallos += c == kRegistros ? 0 : 1;
  if (fallos)
    std::printf("log appends: %zu bytes, records lost or broken\n", todo.size());
  else
    DeleteFileA(kLog);
  return fallos;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && !std::strcmp(argv[1], "anexa")) return Anexa(argv[2][0]);
  int fallos = 0;
  numero n(2.5);
  fecha f(0.0, 1);
  String s("abc  ", 0, 1);
  fallos += SondaCampos(static_cast<campo*>(&n), static_cast<campo*>(&f), static_cast<campo*>(&s));

  vector* v = NvoVector();
  fallos += SondaVector(v);
  delete v;
  entero* e = NvoEntero();
  fallos += SondaEntero(e);
  delete e;
  // The matriz part of a matriz2 is its second base: its entries adjust the object pointer.
  fallos += SondaMatriz(NvaMatriz());

  // Slot 0 without bit 0 destroys and keeps the memory; with bit 0 it frees as well.
  vector* c = new Contado;
  if (SondaDestruye(c, 0) != c || destruidos != 1) fallos++;
  ::operator delete(static_cast<void*>(c));
  if (SondaDestruye(new Contado, 1) == nullptr || destruidos != 2) fallos++;

  fallos += AnexanVarios();

  std::printf("values: %d failed checks\n", fallos);
  return fallos;
}
