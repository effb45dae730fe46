// vector2, matriz2 and entero2: growth, out-of-range reads, copies, the saved forms through real
// files; and the slot order of the host interfaces, which a host reaches by table position alone:
// every declared position is pinned, and host-style calls use nothing else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "Entorno.h"
#include "values/Campos.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"
#include "zorb/host.h"

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

// A descriptor on a file of the test's working folder.
struct Archivo {
  Archivo(const char* ruta, int modo) : fd(open(ruta, modo, 0600)) {}
  ~Archivo() { close(fd); }
  off_t Posicion() const { return lseek(fd, 0, SEEK_CUR); }
  int fd;
};
const int kCrea = O_WRONLY | O_CREAT | O_TRUNC;

// Saves, or loads, the containers one after another on the same descriptor.
template <class... C>
void Guarda(int fd, C&... c) { (c.Guarda(fd), ...); }
template <class... C>
void Carga(int fd, C&... c) { (c.Carga(fd), ...); }

TEST(Vector2, CrecimientoYLecturas) {
  std::unique_ptr<vector2> v(NvoVector());
  EXPECT_STREQ(v->Elem(0), "");
  v->PonElem(50, nullptr);  // a null text adds nothing beyond the end
  v->PonElem(-1, "y");
  EXPECT_EQ(v->Cuenta() + v->Capacidad(), 0);
  v->PonElem(5, "x");   // room for 40 more
  v->PonElem(44, "z");
  v->PonElem(45, "w");  // grows again: the elements move
  EXPECT_EQ(v->Cuenta(), 46);
  EXPECT_EQ(v->Capacidad(), 85);
  EXPECT_EQ(v->Existe(5), 6);
  EXPECT_EQ(v->Existe(2), 0);
  EXPECT_STREQ(v->Elem(2), "");
  EXPECT_EQ(v->ElemCrudo(2), nullptr);
  for (int i : {-1, 85}) {
    EXPECT_STREQ(v->ElemCrudo(i), "") << i;
    EXPECT_STREQ(v->Elem(i), "") << i;
  }
  v->PonElem(5, nullptr);  // a null text clears an element that exists
  EXPECT_EQ(v->Existe(5), 6);
  EXPECT_STREQ(v->Elem(5), "");
  v->PonElem(44, v->Elem(44));  // from its own storage
  EXPECT_STREQ(v->Elem(44), "z");

  v->Limpia();
  EXPECT_EQ(v->Capacidad(), 0);
  EXPECT_EQ(v->Agrega("abcdef", 3), 1);
  EXPECT_EQ(v->Agrega("abc", 0), 2);
  EXPECT_EQ(v->Agrega(nullptr, 2), 0);
  EXPECT_STREQ(v->Elem(0), "abc");
  EXPECT_STREQ(v->Elem1(2), "abc");
  v->PonNumElem(2, 2.5);
  v->PonElem(3, "539769");
  v->PonElem(4, "  12x ");
  EXPECT_EQ(v->NumElem(2), 2.5);
  EXPECT_EQ(v->EntElem(4), 12);
  EXPECT_EQ(v->DiaElem(3), 733911);
  EXPECT_STREQ(v->RecortaElem(4), "  12x");
  EXPECT_STREQ(v->Elem(4), "  12x");
}

TEST(Vector2, PosicionesYCopia) {
  vector2 v;
  for (const char* t : {"ab", "", "cde"}) v.Agrega(t, 0);
  int esperados[][2] = {{1, 1}, {4, 2}, {5, 3}, {2, 0}, {0, 0}, {8, 0}};
  for (auto& c : esperados) EXPECT_EQ(v.ElemEnPos(c[0]), c[1]) << c[0];

  vector2 w;
  w.PonElem(7, "old");
  v.PonElem(4, "f");  // element 3 unset: copied as an empty text
  w.Copia(&v);
  const char* copia[] = {"ab", "", "cde", "", "f"};
  ASSERT_EQ(w.Cuenta(), 5);
  for (int i = 0; i < 5; i++) {
    EXPECT_STREQ(w.Elem(i), copia[i]);
    EXPECT_EQ(w.Existe(i), i + 1);
  }
  EXPECT_EQ(w.Existe(7), 0);
  w.Copia(&w);
  EXPECT_EQ(w.Cuenta(), 5);
}

TEST(Matriz2, FilasYCeldas) {
  std::unique_ptr<matriz> m(NvaMatriz());
  m->PonElem(2, 1, "x");
  EXPECT_EQ(m->NumFilas(), 3);
  EXPECT_EQ(m->NumCols(2), 2);
  EXPECT_EQ(m->NumCols(0), 0);
  EXPECT_STREQ(m->Elem(5, 0), "");
  m->PonNumElem(3, 0, 0.0);  // a zero or a null text on the first row beyond: no row
  m->PonElem(3, 0, nullptr);
  m->PonElem(-1, 0, "y");
  EXPECT_EQ(m->NumFilas(), 3);
  m->PonNumElem(1, 3, 0.0);  // an existing row takes it
  EXPECT_STREQ(m->Elem(1, 3), "0");
  m->PonNumElem(4, 0, 539769);
  EXPECT_EQ(m->NumFilas(), 5);
  m->PonElem(1, 0, nullptr);  // on an existing row: an empty text
  EXPECT_EQ(m->Existe(1, 0), 1);
  EXPECT_EQ(m->Existe(2, 0), 0);
  EXPECT_EQ(m->ElemCrudo(2, 0), nullptr);
  EXPECT_EQ(m->DiaElem(4, 0), 733911);
  EXPECT_EQ(m->EntElem(4, 0), 539769);
  for (int r : {-1, 9}) {
    EXPECT_STREQ(m->ElemCrudo(r, 0), "");
    EXPECT_STREQ(m->RecortaElem(r, 0), "");
    EXPECT_EQ(m->NumElem(r, 0) + m->EntElem(r, 0) + m->DiaElem(r, 0) + m->Existe(r, 0), 0);
  }
  EXPECT_EQ(m->NumFilas(), 5);

  std::unique_ptr<matriz> copia(NvaMatriz());
  copia->PonElem(9, 9, "old");
  copia->Copia(m.get());
  ASSERT_EQ(copia->NumFilas(), 5);
  for (int r = 0; r < 5; r++) {
    ASSERT_EQ(copia->NumCols(r), m->NumCols(r)) << r;
    for (int c = 0; c < m->NumCols(r); c++) {
      EXPECT_STREQ(copia->Elem(r, c), m->Elem(r, c));
      EXPECT_EQ(copia->Existe(r, c), c + 1);  // unset cells come across as empty texts
    }
  }
  m->Limpia();
  EXPECT_EQ(m->NumFilas(), 0);
  copia->Copia(m.get());
  EXPECT_EQ(copia->NumFilas(), 0);
}

TEST(Entero2, BloquesYCursor) {
  std::unique_ptr<entero2> e(NvoEntero());
  EXPECT_EQ(e->Agrega(7), 1);
  EXPECT_EQ(e->Sig(), 7);
  EXPECT_EQ(e->Sig(), 9999);
  e->PonElem(120, 1);
  e->PonElem(-5, 3);  // a negative index sets nothing
  EXPECT_EQ(e->Cuenta(), 121);
  EXPECT_EQ(e->NumBloques(), 3);
  for (int i = 1; i < 120; i++) ASSERT_EQ(e->Elem(i), 0) << i;
  EXPECT_EQ(e->Elem(120) + e->Elem(121) + e->Elem(-1), 1);
  e->PonCursor(119);
  EXPECT_EQ(e->ElemRel(1), 1);
  EXPECT_EQ(e->ElemRel(-119), 7);
  EXPECT_EQ(e->Sig(), 0);
  EXPECT_EQ(e->Sig(), 1);
  EXPECT_EQ(e->Sig(), 9999);

  // Fewer blocks keep the count; places beyond the blocks read 0.
  e->PonBloques(1);
  EXPECT_EQ(e->Cuenta(), 121);
  EXPECT_EQ(e->Elem(0), 7);
  EXPECT_EQ(e->Elem(120), 0);
  e->PonCuenta(100);
  EXPECT_EQ(e->NumBloques(), 3);
  EXPECT_EQ(e->NumElems(), 100);
  e->PonCuenta(-3);
  EXPECT_EQ(e->Cuenta(), 0);
  e->Limpia();  // the cursor too
  e->Agrega(5);
  EXPECT_EQ(e->Sig(), 5);
}

class Contenedores : public ConServidor {};

TEST_F(Contenedores, FormasGuardadas) {
  vector2 v, grande, vacio;
  v.Agrega("ab", 0);
  v.PonElem(2, "cde");
  for (int i = 0; i < 300; i++) grande.Agrega(std::string(i % 17, 'a' + i % 26).c_str(), 0);
  entero2 e, largo, justo;
  for (int x : {1, -2, 70000}) e.Agrega(x);
  for (int i = 0; i < 107; i++) largo.Agrega(i * 331 - 20000);
  for (int i = 0; i < 50; i++) justo.Agrega(-i);
  {
    Archivo a("varios", kCrea);
    v.Guarda(a.fd);
    EXPECT_EQ(a.Posicion(), 10);
    Guarda(a.fd, e, grande, largo, vacio, justo);
    ASSERT_EQ(write(a.fd, "COLA", 4), 4);
  }
  EXPECT_EQ(LeeTodo("varios").substr(0, 18),
            Bytes({8, 0, 'a', 'b', 0, 0, 'c', 'd', 'e', 0, 3, 0, 1, 0, 0xFE, 0xFF, 0x70, 0x11}));

  // Read back in the same order; the host's data after them is where it was.
  Archivo a("varios", O_RDONLY);
  vector2 v2, grande2, vacio2;
  entero2 e2, largo2, justo2;
  v2.PonElem(9, "old");
  Carga(a.fd, v2, e2, grande2, largo2, vacio2, justo2);
  char cola[5] = {};
  ASSERT_EQ(read(a.fd, cola, 4), 4);
  EXPECT_STREQ(cola, "COLA");
  // Texts unset before saving come back empty but set; 70000 comes back as its low 16 bits.
  ASSERT_EQ(v2.Cuenta(), 3);
  EXPECT_STREQ(v2.Elem(2), "cde");
  EXPECT_EQ(v2.Existe(1), 2);
  EXPECT_EQ(v2.Existe(9), 0);
  ASSERT_EQ(e2.Cuenta(), 3);
  EXPECT_EQ(e2.Elem(1), -2);
  EXPECT_EQ(e2.Elem(2), 4464);
  ASSERT_EQ(grande2.Cuenta(), 300);
  for (int i = 0; i < 300; i++) ASSERT_STREQ(grande2.Elem(i), grande.Elem(i)) << i;
  ASSERT_EQ(largo2.Cuenta(), 107);
  for (int i = 0; i < 107; i++) ASSERT_EQ(largo2.Elem(i), static_cast<int16_t>(largo.Elem(i)));
  EXPECT_EQ(vacio2.Cuenta(), 0);
  ASSERT_EQ(justo2.Cuenta(), 50);
  EXPECT_EQ(justo2.Elem(49), -49);
}

TEST_F(Contenedores, CargasRechazadas) {
  // What is loaded, and how many bytes are read.
  const struct { const char* que; std::string datos; int cuenta; off_t consumo; } vectores[] = {
      {"cero", Bytes({0, 0, 'a', 0}), 0, 2},
      {"36001", Bytes({0xA1, 0x8C}) + std::string(36001, '\0'), 0, 2},
      {"36000", Bytes({0xA0, 0x8C}) + std::string(35999, 'q') + '\0', 1, 36002},
      {"corto", Bytes({5, 0, 'a', 0, 'b'}), 0, 5}, {"sin cabecera", Bytes({3}), 0, 1},
      {"cola sin NUL", Bytes({3, 0, 'a', 0, 'b'}), 1, 5}};
  for (const auto& c : vectores) {
    EscribeTodo("v", c.datos);
    Archivo a("v", O_RDONLY);
    vector2 v;
    v.PonElem(3, "old");
    v.Carga(a.fd);
    EXPECT_EQ(v.Cuenta(), c.cuenta) << c.que;
    EXPECT_EQ(a.Posicion(), c.consumo) << c.que;
  }
  const struct { const char* que; std::string datos; int cuenta; } enteros[] = {
      {"cero", Bytes({0, 0, 1, 0}), 0},
      {"27001", Bytes({0x79, 0x69}) + std::string(54002, '\0'), 0},
      {"27000", Bytes({0x78, 0x69}) + std::string(54000, '\x01'), 27000},
      {"bloque corto", Bytes({60, 0}) + std::string(99, '\x01'), 0},
      {"resto corto", Bytes({60, 0}) + std::string(119, '\x01'), 0}};
  for (const auto& c : enteros) {
    EscribeTodo("e", c.datos);
    Archivo a("e", O_RDONLY);
    entero2 e;
    e.Agrega(5);
    e.Carga(a.fd);
    EXPECT_EQ(e.Cuenta(), c.cuenta) << c.que;
    EXPECT_EQ(e.Elem(c.cuenta - 1), c.cuenta ? 0x0101 : 0) << c.que;
  }
}

TEST_F(Contenedores, DemasiadoParaDieciseisBits) {
  // What a 16-bit length cannot state is saved as empty; what follows still reads right.
  vector2 v;
  for (int i = 0; i < 700; i++) v.Agrega(std::string(99, 'x').c_str(), 0);  // 70000 bytes
  entero2 e, despues, corto;
  e.PonElem(65535, 4);  // 65536 elements
  despues.Agrega(-7);
  // Shrunk blocks are saved as the zeros they read as, under the count they keep.
  for (int i = 1; i <= 52; i++) corto.Agrega(i);
  corto.PonBloques(1);
  {
    Archivo a("grande", kCrea);
    Guarda(a.fd, v, e, despues, corto);
  }
  std::string s = LeeTodo("grande");
  EXPECT_EQ(s.substr(0, 10), Bytes({0, 0, 0, 0, 1, 0, 0xF9, 0xFF, 52, 0}));
  ASSERT_EQ(s.size(), 10u + 104);
  EXPECT_EQ(s[10 + 2 * 49], 50);
  EXPECT_EQ(s.substr(110), std::string(4, '\0'));
}

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

// Every slot in declaration order: entry `primera` and on.
void Comprueba(const char* interfaz, std::initializer_list<std::pair<long, const char*>> ranuras,
               long primera) {
  for (const auto& r : ranuras)
    EXPECT_EQ(r.first, primera++) << interfaz << "::" << r.second << " is not at its slot";
}

#define RN(op) std::make_pair(Entrada(&I::op), #op)

TEST(Ranuras, OrdenDeclarado) {
  {
    using I = campo;
    Comprueba("campo", {RN(PonNum), RN(PonTxt), RN(Txt), RN(Num), RN(Ent), RN(TxtEdt), RN(TxtMay),
                  RN(TxtSin), RN(PonLon), RN(PonDec), RN(Tipo), RN(Lon), RN(Dec)}, 2);
  }
  {
    using I = vector;
    Comprueba("vector", {RN(Limpia), RN(Cuenta), RN(Existe), RN(Elem), RN(ElemCrudo),
                  RN(ElemEnPos), RN(Elem1), RN(EntElem), RN(NumElem), RN(DiaElem), RN(PonNumElem),
                  RN(PonElem), RN(Agrega), RN(Carga), RN(Guarda), RN(RecortaElem), RN(Copia)}, 2);
  }
  {
    using I = matriz;
    Comprueba("matriz", {RN(NumCols), RN(NumFilas), RN(LimpiaFila), RN(Limpia), RN(Existe),
                  RN(Elem), RN(NumElem), RN(DiaElem), RN(ElemCrudo), RN(EntElem), RN(PonNumElem),
                  RN(PonElem), RN(RecortaElem), RN(Copia)}, 2);
  }
  // Vctr has no destructor: its slots start at entry 0.
  {
    using I = Vctr;
    Comprueba("Vctr", {RN(BorraFila), RN(NvaFila)}, 0);
  }
  {
    using I = entero;
    Comprueba("entero", {RN(Limpia), RN(Cuenta), RN(Elem), RN(Sig), RN(ElemRel), RN(PonElem),
                  RN(Agrega), RN(PonBloques), RN(PonCursor), RN(NumElems), RN(PonCuenta),
                  RN(Carga), RN(Guarda)}, 2);
  }
  {
    using I = Arch;
    Comprueba("Arch", {RN(Lee), RN(Relee), RN(Graba), RN(Alta), RN(Baja), RN(Reserva06),
                  RN(Reserva07), RN(Bloquea), RN(Libera), RN(Reserva10), RN(OperaCmp), RN(ModCmp),
                  RN(PonNumCmp), RN(PonTxtCmp), RN(TxtCmp), RN(NumCmp), RN(TipoCmp), RN(LonCmp),
                  RN(DecCmp), RN(DaClave), RN(EnReg), RN(NomArch), RN(NumRegs), RN(NumCmps),
                  RN(Reserva25), RN(NumClaves), RN(ClaseArch), RN(LimpiaReg), RN(Reserva29),
                  RN(Reserva30), RN(Reserva31), RN(CreaArch), RN(TxtEdtCmp), RN(TxtPlnCmp),
                  RN(TxtMayCmp), RN(AgrTerna), RN(DaTerna), RN(PonFiltro), RN(LimpiaFiltro),
                  RN(DaFiltro), RN(GuardaFiltro), RN(RecuperaFiltro), RN(TotClaves), RN(EsNumCmp),
                  RN(Reserva45), RN(Reserva46), RN(Reserva47), RN(Reserva48), RN(Reserva49)}, 2);
  }
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

// What the member-pointer check above cannot see: entry 1 of every table destroys and frees (the
// sanitizer build catches a wrong delete), and a call by position passes the object first.
TEST(Ranuras, LlamadasDelAnfitrion) {
  campo* sonda = new Sonda;
  Llama<void>(sonda, 1);
  EXPECT_EQ(destruidos, 1);
  numero n(0);
  Llama<void, const char*, int>(&n, S(2), "-1234.5", 7);
  EXPECT_STREQ((Llama<const char*>(&n, S(6))), "-1,234.5");
  EXPECT_EQ((Llama<int>(&n, S(12))), 7);

  vector* v = NvoVector();
  Llama<void, int, const char*>(v, S(12), 3, "539769");
  EXPECT_EQ((Llama<int, int>(v, S(10), 3)), 733911);
  Llama<void>(v, 1);
  // A matriz2 reached through its matriz part, and through its Vctr part.
  matriz* m = NvaMatriz();
  Llama<void, int, int, const char*>(m, S(12), 1, 2, "7 ");
  EXPECT_STREQ((Llama<const char*, int, int>(m, S(13), 1, 2)), "7");
  Vctr* fabrica = static_cast<matriz2*>(m);
  vector* fila = Llama<vector*>(fabrica, 1);
  EXPECT_EQ(fila->Cuenta(), 0);
  Llama<void, vector*>(fabrica, 0, fila);
  Llama<void>(m, 1);
  entero* e = NvoEntero();
  Llama<void, int, int>(e, S(6), 2, -3);
  EXPECT_EQ((Llama<int, int>(e, S(3), 2)), -3);
  Llama<void>(e, 1);
}

#else
TEST(Ranuras, OrdenDeclarado) { GTEST_SKIP() << "checked on the Itanium ABI of x86 only"; }
#endif

}  // namespace
