// Makes the library's value and container objects and hands them to the C probe (Sonda.c), which
// reaches them by vtable position only, as a host built by the platform's compiler does.
#include <cstdio>
#include <new>

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
}  // namespace

int main() {
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

  std::printf("values: %d failed checks\n", fallos);
  return fallos;
}
