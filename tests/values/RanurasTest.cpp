// The slot order of the host interfaces. A host finds an operation by its position in the
// virtual table, so the order is checked twice: the position of every declared operation, and
// host-style calls that take the library's objects by table position alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "values/Campos.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"
#include "zorb/host.h"

namespace {

#if defined(__x86_64__) || defined(__i386__)

// Itanium C++ ABI: a pointer to a virtual member function holds 1 + the byte offset of its
// entry in the virtual table. The destructor takes entries 0 and 1, so slot k >= 1 is entry k + 1.
template <class C, class F>
long Entrada(F C::*pmf) {
  struct {
    uintptr_t ptr;
    ptrdiff_t adj;
  } r;
  static_assert(sizeof pmf == sizeof r, "Itanium member pointer");
  std::memcpy(&r, &pmf, sizeof r);
  if ((r.ptr & 1) == 0) return -1;  // not virtual
  return static_cast<long>((r.ptr - 1) / sizeof(void*));
}

struct Ranura {
  int ranura;
  long entrada;
  const char* nombre;
};

void Comprueba(const char* interfaz, std::initializer_list<Ranura> ranuras, int primera) {
  for (const auto& r : ranuras)
    EXPECT_EQ(r.entrada, r.ranura + primera)
        << interfaz << "::" << r.nombre << " is not slot " << r.ranura;
}

#define RN(interfaz, op, k) \
  Ranura { k, Entrada(&interfaz::op), #op }

TEST(Ranuras, OrdenDeclarado) {
  Comprueba("campo",
            {RN(campo, PonNum, 1), RN(campo, PonTxt, 2), RN(campo, Txt, 3), RN(campo, Num, 4),
             RN(campo, Ent, 5), RN(campo, TxtEdt, 6), RN(campo, TxtMay, 7), RN(campo, TxtSin, 8),
             RN(campo, PonLon, 9), RN(campo, PonDec, 10), RN(campo, Tipo, 11), RN(campo, Lon, 12),
             RN(campo, Dec, 13)},
            1);
  Comprueba("vector",
            {RN(vector, Limpia, 1), RN(vector, Cuenta, 2), RN(vector, Existe, 3),
             RN(vector, Elem, 4), RN(vector, ElemCrudo, 5), RN(vector, ElemEnPos, 6),
             RN(vector, Elem1, 7), RN(vector, EntElem, 8), RN(vector, NumElem, 9),
             RN(vector, DiaElem, 10), RN(vector, PonNumElem, 11), RN(vector, PonElem, 12),
             RN(vector, Agrega, 13), RN(vector, Carga, 14), RN(vector, Guarda, 15),
             RN(vector, RecortaElem, 16), RN(vector, Copia, 17)},
            1);
  Comprueba("matriz",
            {RN(matriz, NumCols, 1), RN(matriz, NumFilas, 2), RN(matriz, LimpiaFila, 3),
             RN(matriz, Limpia, 4), RN(matriz, Existe, 5), RN(matriz, Elem, 6),
             RN(matriz, NumElem, 7), RN(matriz, DiaElem, 8), RN(matriz, ElemCrudo, 9),
             RN(matriz, EntElem, 10), RN(matriz, PonNumElem, 11), RN(matriz, PonElem, 12),
             RN(matriz, RecortaElem, 13), RN(matriz, Copia, 14)},
            1);
  // Vctr has no destructor: its slots start at entry 0.
  Comprueba("Vctr", {RN(Vctr, BorraFila, 0), RN(Vctr, NvaFila, 1)}, 0);
  Comprueba("entero",
            {RN(entero, Limpia, 1), RN(entero, Cuenta, 2), RN(entero, Elem, 3), RN(entero, Sig, 4),
             RN(entero, ElemRel, 5), RN(entero, PonElem, 6), RN(entero, Agrega, 7),
             RN(entero, PonBloques, 8), RN(entero, PonCursor, 9), RN(entero, NumElems, 10),
             RN(entero, PonCuenta, 11), RN(entero, Carga, 12), RN(entero, Guarda, 13)},
            1);
}

#undef RN

// A host's call: the function at a table position, with the object as its first argument.
template <class R, class... A>
R Llama(void* obj, int entrada, A... a) {
  void** tabla = *static_cast<void***>(obj);
  return reinterpret_cast<R (*)(void*, A...)>(tabla[entrada])(obj, a...);
}

// Entry of slot k of an interface with a destructor.
constexpr int S(int k) { return k + 1; }

int destruidos = 0;
struct Sonda : numero {
  Sonda() : numero(0) {}
  ~Sonda() override { destruidos++; }
};

TEST(Ranuras, LlamadasDelAnfitrion) {
  // Slot 0 destroys and frees.
  campo* sonda = new Sonda;
  Llama<void>(sonda, 1);
  EXPECT_EQ(destruidos, 1);

  numero n(0);
  Llama<void, double>(&n, S(1), 2.345);
  Llama<void, int>(&n, S(10), 2);
  EXPECT_EQ((Llama<double>(&n, S(4))), 2.35);
  Llama<void, const char*, int>(&n, S(2), "-1234.5", 7);
  EXPECT_STREQ((Llama<const char*>(&n, S(6))), "-1,234.50");
  EXPECT_EQ((Llama<int>(&n, S(12))), 7);
  fecha f(190510.0, 1);
  EXPECT_EQ((Llama<int>(&f, S(11))), 3);

  vector* v = NvoVector();
  Llama<void, int, const char*>(v, S(12), 3, "539769");
  Llama<void, int, double>(v, S(11), 1, 2.5);
  EXPECT_EQ((Llama<int>(v, S(2))), 4);
  EXPECT_EQ((Llama<int, int>(v, S(10), 3)), 733911);
  int tubo[2];
  ASSERT_EQ(pipe(tubo), 0);
  Llama<void, ArchivoHost>(v, S(15), tubo[1]);
  vector2 copia;
  Llama<void, ArchivoHost>(&copia, S(14), tubo[0]);
  EXPECT_STREQ(copia.Elem(1), "2.5");
  Llama<void>(v, 1);

  // A matriz2 reached through its matriz part, and through its Vctr part.
  matriz* m = NvaMatriz();
  Llama<void, int, int, const char*>(m, S(12), 1, 2, "7 ");
  EXPECT_EQ((Llama<int>(m, S(2))), 2);
  EXPECT_STREQ((Llama<const char*, int, int>(m, S(13), 1, 2)), "7");
  Vctr* fabrica = static_cast<matriz2*>(m);
  vector* fila = Llama<vector*>(fabrica, 1);
  EXPECT_EQ(fila->Cuenta(), 0);
  Llama<void, vector*>(fabrica, 0, fila);
  Llama<void>(m, 1);

  entero* e = NvoEntero();
  EXPECT_EQ((Llama<int, int>(e, S(7), 5)), 1);
  Llama<void, int, int>(e, S(6), 2, -3);
  EXPECT_EQ((Llama<int, int>(e, S(3), 2)), -3);
  EXPECT_EQ((Llama<int>(e, S(4))), 5);
  Llama<void, ArchivoHost>(e, S(13), tubo[1]);
  entero2 leido;
  Llama<void, ArchivoHost>(&leido, S(12), tubo[0]);
  EXPECT_EQ(leido.Elem(2), -3);
  Llama<void>(e, 1);
  close(tubo[0]);
  close(tubo[1]);
}

#else
TEST(Ranuras, OrdenDeclarado) { GTEST_SKIP() << "checked on the Itanium ABI of x86 only"; }
#endif

}  // namespace
