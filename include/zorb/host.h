// The host's interfaces: abstract classes whose virtual slots the host calls in a fixed order.
// Slot 0 of every interface is its destructor; the others follow in declaration order.
#ifndef ZORB_HOST_H
#define ZORB_HOST_H

// How the slots are laid out and called.
// - Itanium C++ ABI (Linux): slot 0 is a virtual destructor, which takes two table entries, so
//   slot k (k >= 1) is entry k + 1.
// - Windows, built with mingw-w64: laid out as the platform's usual compiler does, so that its
//   hosts use the DLL unchanged. Slot 0 is one entry, the deleting destructor (frees the object
//   when bit 0 of flags is set, returns the object), slot k is entry k, and on x86 every slot is
//   __thiscall. The C++ destructor is declared after the last slot, where the host never looks;
//   slot 0 destroys through it, and `delete` keeps working inside the library.
// - A host built by the platform's compiler includes this header as it is: its own virtual
//   destructor is that single slot 0 entry.
// Every interface opens with ZORB_RANURA0(name), marks each slot ZORB_RANURA and closes with
// ZORB_DESTRUCTOR(name). The compiler refuses an override whose calling convention differs.
#if defined(_WIN32) && defined(__i386__) && defined(__GNUC__)
#  define ZORB_RANURA __attribute__((thiscall))
#else
#  define ZORB_RANURA
#endif
#if defined(_WIN32) && !defined(_MSC_VER)
#  define ZORB_RANURA0(Clase)                               \
    virtual void* ZORB_RANURA Destruye(unsigned int flags) { \
      void* yo = this;                                      \
      if (flags & 1u)                                       \
        delete this;                                        \
      else                                                  \
        this->~Clase();                                     \
      return yo;                                            \
    }
#  define ZORB_DESTRUCTOR(Clase) \
   public:                       \
    virtual ~Clase() {}
#else
#  define ZORB_RANURA0(Clase) virtual ~Clase() {}
#  define ZORB_DESTRUCTOR(Clase)
#endif

#if defined(_WIN32)
typedef void* ArchivoHost;  // a Win32 HANDLE supplied by the host
#else
typedef int ArchivoHost;    // a POSIX file descriptor supplied by the host
#endif

// ==== Field values and containers ==============================================================
// campo: a field value (numero, String, fecha). vector: a growable list of texts. matriz: texts
// by row and column. entero: a growable list of integers. Vctr: the row factory of a matriz; it
// has two slots and no destructor slot (nothing is destroyed through it). Indexes are 0-based
// unless a slot says otherwise; texts returned belong to the object. Characters are passed as
// int; ArchivoHost is an open handle positioned where the container's data begins.
#ifdef __cplusplus
class campo {
 public:
  ZORB_RANURA0(campo)                                               // slot 0
  virtual void ZORB_RANURA PonNum(double valor) = 0;                // slot 1
  virtual void ZORB_RANURA PonTxt(const char* texto, int lon) = 0;  // slot 2
  virtual const char* ZORB_RANURA Txt() = 0;                        // slot 3
  virtual double ZORB_RANURA Num() = 0;                             // slot 4
  virtual int ZORB_RANURA Ent() = 0;                                // slot 5
  virtual const char* ZORB_RANURA TxtEdt() = 0;                     // slot 6
  virtual const char* ZORB_RANURA TxtMay() = 0;                     // slot 7
  virtual const char* ZORB_RANURA TxtSin(int c) = 0;                // slot 8
  virtual void ZORB_RANURA PonLon(int lon, int relleno) = 0;        // slot 9
  virtual void ZORB_RANURA PonDec(int dec) = 0;                     // slot 10
  // The kind: 1 text, 2 number, 3 date, 6 code, 7 yes/no.
  virtual int ZORB_RANURA Tipo() = 0;                               // slot 11
  virtual int ZORB_RANURA Lon() = 0;                                // slot 12
  virtual int ZORB_RANURA Dec() = 0;                                // slot 13
  ZORB_DESTRUCTOR(campo)
};

class vector {
 public:
  ZORB_RANURA0(vector)                                             // slot 0
  virtual void ZORB_RANURA Limpia() = 0;                           // slot 1
  virtual int ZORB_RANURA Cuenta() = 0;                            // slot 2
  virtual int ZORB_RANURA Existe(int i) = 0;                       // slot 3
  virtual const char* ZORB_RANURA Elem(int i) = 0;                 // slot 4
  virtual const char* ZORB_RANURA ElemCrudo(int i) = 0;            // slot 5
  virtual int ZORB_RANURA ElemEnPos(int pos) = 0;                  // slot 6
  virtual const char* ZORB_RANURA Elem1(int i) = 0;                // slot 7
  virtual int ZORB_RANURA EntElem(int i) = 0;                      // slot 8
  virtual double ZORB_RANURA NumElem(int i) = 0;                   // slot 9
  virtual int ZORB_RANURA DiaElem(int i) = 0;                      // slot 10
  virtual void ZORB_RANURA PonNumElem(int i, double valor) = 0;    // slot 11
  virtual void ZORB_RANURA PonElem(int i, const char* texto) = 0;  // slot 12
  virtual int ZORB_RANURA Agrega(const char* texto, int n) = 0;    // slot 13
  virtual void ZORB_RANURA Carga(ArchivoHost archivo) = 0;         // slot 14
  virtual void ZORB_RANURA Guarda(ArchivoHost archivo) = 0;        // slot 15
  virtual const char* ZORB_RANURA RecortaElem(int i) = 0;          // slot 16
  virtual void ZORB_RANURA Copia(vector* otro) = 0;                // slot 17
  ZORB_DESTRUCTOR(vector)
};

class matriz {
 public:
  ZORB_RANURA0(matriz)                                                         // slot 0
  virtual int ZORB_RANURA NumCols(int fila) = 0;                               // slot 1
  virtual int ZORB_RANURA NumFilas() = 0;                                      // slot 2
  virtual void ZORB_RANURA LimpiaFila(int fila) = 0;                           // slot 3
  virtual void ZORB_RANURA Limpia() = 0;                                       // slot 4
  virtual int ZORB_RANURA Existe(int fila, int col) = 0;                       // slot 5
  virtual const char* ZORB_RANURA Elem(int fila, int col) = 0;                 // slot 6
  virtual double ZORB_RANURA NumElem(int fila, int col) = 0;                   // slot 7
  virtual int ZORB_RANURA DiaElem(int fila, int col) = 0;                      // slot 8
  virtual const char* ZORB_RANURA ElemCrudo(int fila, int col) = 0;            // slot 9
  virtual int ZORB_RANURA EntElem(int fila, int col) = 0;                      // slot 10
  virtual void ZORB_RANURA PonNumElem(int fila, int col, double valor) = 0;    // slot 11
  virtual void ZORB_RANURA PonElem(int fila, int col, const char* texto) = 0;  // slot 12
  virtual const char* ZORB_RANURA RecortaElem(int fila, int col) = 0;          // slot 13
  virtual void ZORB_RANURA Copia(matriz* otra) = 0;                            // slot 14
  ZORB_DESTRUCTOR(matriz)
};

class Vctr {
 public:
  virtual void ZORB_RANURA BorraFila(vector* fila) = 0;  // slot 0
  virtual vector* ZORB_RANURA NvaFila() = 0;             // slot 1

 protected:
  ~Vctr() {}
};

class entero {
 public:
  ZORB_RANURA0(entero)                                       // slot 0
  virtual void ZORB_RANURA Limpia() = 0;                     // slot 1
  virtual int ZORB_RANURA Cuenta() = 0;                      // slot 2
  virtual int ZORB_RANURA Elem(int i) = 0;                   // slot 3
  virtual int ZORB_RANURA Sig() = 0;                         // slot 4
  virtual int ZORB_RANURA ElemRel(int k) = 0;                // slot 5
  virtual void ZORB_RANURA PonElem(int i, int valor) = 0;    // slot 6
  virtual int ZORB_RANURA Agrega(int valor) = 0;             // slot 7
  virtual void ZORB_RANURA PonBloques(int n) = 0;            // slot 8
  virtual void ZORB_RANURA PonCursor(int i) = 0;             // slot 9
  virtual int ZORB_RANURA NumElems() = 0;                    // slot 10
  virtual void ZORB_RANURA PonCuenta(int n) = 0;             // slot 11
  virtual void ZORB_RANURA Carga(ArchivoHost archivo) = 0;   // slot 12
  virtual void ZORB_RANURA Guarda(ArchivoHost archivo) = 0;  // slot 13
  ZORB_DESTRUCTOR(entero)
};
#endif
// ==== end of field values and containers =======================================================

// ==== Data files ===============================================================================
// Arch: a data file, one table read and written by key. Fields and keys are 0-based; a key's
// description is its field count followed by its field numbers from 1. Texts returned belong to
// the object and stay valid until its next call returning a text of the same kind. Lock modes:
// 0 none, 1 row locks, 2 the whole table until Libera. Reserva slots do nothing.
#ifdef __cplusplus
class Arch {
 public:
  ZORB_RANURA0(Arch)                                                            // slot 0
  virtual int ZORB_RANURA Lee(int modo, int clave, int noUsado, int bloqueo) = 0;  // slot 1
  virtual int ZORB_RANURA Relee(int bloqueo) = 0;                               // slot 2
  virtual int ZORB_RANURA Graba(int libera) = 0;                                // slot 3
  virtual int ZORB_RANURA Alta(int modo) = 0;                                   // slot 4
  virtual int ZORB_RANURA Baja() = 0;                                           // slot 5
  virtual int ZORB_RANURA Reserva06() = 0;                                      // slot 6
  virtual void ZORB_RANURA Reserva07() = 0;                                     // slot 7
  virtual int ZORB_RANURA Bloquea() = 0;                                        // slot 8
  virtual void ZORB_RANURA Libera() = 0;                                        // slot 9
  virtual int ZORB_RANURA Reserva10() = 0;                                      // slot 10
  virtual void ZORB_RANURA OperaCmp(int cmp, double valor, int operacion) = 0;  // slot 11
  virtual void ZORB_RANURA ModCmp(int cmp, const char* texto, int modo) = 0;    // slot 12
  virtual void ZORB_RANURA PonNumCmp(int cmp, double valor) = 0;                // slot 13
  virtual void ZORB_RANURA PonTxtCmp(int cmp, const char* texto) = 0;           // slot 14
  virtual const char* ZORB_RANURA TxtCmp(int cmp, int noUsado) = 0;             // slot 15
  virtual double ZORB_RANURA NumCmp(int cmp) = 0;                               // slot 16
  virtual int ZORB_RANURA TipoCmp(int cmp) = 0;                                 // slot 17: 1 text, 2 number, 3 date
  virtual int ZORB_RANURA LonCmp(int cmp) = 0;                                  // slot 18
  virtual int ZORB_RANURA DecCmp(int cmp) = 0;                                  // slot 19
  virtual const int* ZORB_RANURA DaClave(int clave) = 0;                        // slot 20
  virtual int ZORB_RANURA EnReg() = 0;                                          // slot 21
  virtual const char* ZORB_RANURA NomArch() = 0;                                // slot 22
  virtual int ZORB_RANURA NumRegs(int noUsado, int exacto) = 0;                 // slot 23
  virtual int ZORB_RANURA NumCmps() = 0;                                        // slot 24
  virtual int ZORB_RANURA Reserva25() = 0;                                      // slot 25
  virtual int ZORB_RANURA NumClaves() = 0;                                      // slot 26
  virtual int ZORB_RANURA ClaseArch() = 0;                                      // slot 27
  virtual void ZORB_RANURA LimpiaReg() = 0;                                     // slot 28
  virtual void ZORB_RANURA Reserva29(int a, int b) = 0;                         // slot 29
  virtual void ZORB_RANURA Reserva30(int a, int b) = 0;                         // slot 30
  virtual void ZORB_RANURA Reserva31(int a, int b) = 0;                         // slot 31
  // cabecera: the host's layout, whose int at byte 20 is the field count; campos: one 16-bit
  // descriptor per field; claves: null, or the key count and each key's description in turn.
  virtual int ZORB_RANURA CreaArch(const void* cabecera, const unsigned short* campos,
                       const int* claves) = 0;                                  // slot 32
  virtual const char* ZORB_RANURA TxtEdtCmp(int cmp) = 0;                       // slot 33
  virtual const char* ZORB_RANURA TxtPlnCmp(int cmp) = 0;                       // slot 34
  virtual const char* ZORB_RANURA TxtMayCmp(int cmp) = 0;                       // slot 35
  virtual void ZORB_RANURA AgrTerna(int a, int b, int c) = 0;                   // slot 36
  virtual void ZORB_RANURA DaTerna(int t, int* a, int* b, int* c) = 0;          // slot 37
  virtual void ZORB_RANURA PonFiltro(int cmp, int condicion, const char* valor) = 0;  // slot 38
  virtual void ZORB_RANURA LimpiaFiltro() = 0;                                  // slot 39
  virtual matriz* ZORB_RANURA DaFiltro() = 0;                                   // slot 40
  virtual void ZORB_RANURA GuardaFiltro() = 0;                                  // slot 41
  virtual void ZORB_RANURA RecuperaFiltro() = 0;                                // slot 42
  virtual int ZORB_RANURA TotClaves() = 0;                                      // slot 43
  virtual int ZORB_RANURA EsNumCmp(int cmp) = 0;                                // slot 44
  virtual const char* ZORB_RANURA Reserva45(int a, int b) = 0;                  // slot 45
  virtual void ZORB_RANURA Reserva46(int a, int b, int c, int d, int e, int f) = 0;  // slot 46
  virtual void ZORB_RANURA Reserva47(int a) = 0;                                // slot 47
  virtual int ZORB_RANURA Reserva48() = 0;                                      // slot 48
  virtual int ZORB_RANURA Reserva49() = 0;                                      // slot 49
  ZORB_DESTRUCTOR(Arch)
};
#endif
// ==== end of data files ========================================================================

// ==== Result object of the free SQL statements (MacroSQL) ====================================
// Supplied by the host. The library calls only AbreFila (slot 2) and PonCelda (slot 11); the
// other slots are reserved and never called.
#ifdef __cplusplus
class ResultadoSql {
 public:
  ZORB_RANURA0(ResultadoSql)                  // slot 0
  virtual void ZORB_RANURA Reservado1() {}    // slot 1
  // Called once with the target row before the values of an execution arrive.
  virtual void ZORB_RANURA AbreFila(int fila) = 0;  // slot 2
  virtual void ZORB_RANURA Reservado3() {}    // slot 3
  virtual void ZORB_RANURA Reservado4() {}    // slot 4
  virtual void ZORB_RANURA Reservado5() {}    // slot 5
  virtual void ZORB_RANURA Reservado6() {}    // slot 6
  virtual void ZORB_RANURA Reservado7() {}    // slot 7
  virtual void ZORB_RANURA Reservado8() {}    // slot 8
  virtual void ZORB_RANURA Reservado9() {}    // slot 9
  virtual void ZORB_RANURA Reservado10() {}   // slot 10
  // One value as text: `lote` counts the rows fetched by the same call from 0, `columna` the
  // result columns from 0. The text belongs to the library: copy it to keep it. Slot 11.
  virtual void ZORB_RANURA PonCelda(int fila, int lote, int columna, const char* texto) = 0;
  ZORB_DESTRUCTOR(ResultadoSql)
};
#endif
// ==== end of the result object ================================================================

#endif
