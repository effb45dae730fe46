// The host's interfaces: abstract classes whose virtual slots the host calls in a fixed order.
// Slot 0 of every interface is the virtual destructor; the others follow in declaration order.
#ifndef ZORB_HOST_H
#define ZORB_HOST_H

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
  virtual ~campo() {}                                     // slot 0
  virtual void PonNum(double valor) = 0;                  // slot 1
  virtual void PonTxt(const char* texto, int lon) = 0;    // slot 2
  virtual const char* Txt() = 0;                          // slot 3
  virtual double Num() = 0;                               // slot 4
  virtual int Ent() = 0;                                  // slot 5
  virtual const char* TxtEdt() = 0;                       // slot 6
  virtual const char* TxtMay() = 0;                       // slot 7
  virtual const char* TxtSin(int c) = 0;                  // slot 8
  virtual void PonLon(int lon, int relleno) = 0;          // slot 9
  virtual void PonDec(int dec) = 0;                       // slot 10
  virtual int Tipo() = 0;                                 // slot 11: 1 text, 2 number, 3 date, 6 code, 7 yes/no
  virtual int Lon() = 0;                                  // slot 12
  virtual int Dec() = 0;                                  // slot 13
};

class vector {
 public:
  virtual ~vector() {}                                    // slot 0
  virtual void Limpia() = 0;                              // slot 1
  virtual int Cuenta() = 0;                               // slot 2
  virtual int Existe(int i) = 0;                          // slot 3
  virtual const char* Elem(int i) = 0;                    // slot 4
  virtual const char* ElemCrudo(int i) = 0;               // slot 5
  virtual int ElemEnPos(int pos) = 0;                     // slot 6
  virtual const char* Elem1(int i) = 0;                   // slot 7
  virtual int EntElem(int i) = 0;                         // slot 8
  virtual double NumElem(int i) = 0;                      // slot 9
  virtual int DiaElem(int i) = 0;                         // slot 10
  virtual void PonNumElem(int i, double valor) = 0;       // slot 11
  virtual void PonElem(int i, const char* texto) = 0;     // slot 12
  virtual int Agrega(const char* texto, int n) = 0;       // slot 13
  virtual void Carga(ArchivoHost archivo) = 0;            // slot 14
  virtual void Guarda(ArchivoHost archivo) = 0;           // slot 15
  virtual const char* RecortaElem(int i) = 0;             // slot 16
  virtual void Copia(vector* otro) = 0;                   // slot 17
};

class matriz {
 public:
  virtual ~matriz() {}                                             // slot 0
  virtual int NumCols(int fila) = 0;                               // slot 1
  virtual int NumFilas() = 0;                                      // slot 2
  virtual void LimpiaFila(int fila) = 0;                           // slot 3
  virtual void Limpia() = 0;                                       // slot 4
  virtual int Existe(int fila, int col) = 0;                       // slot 5
  virtual const char* Elem(int fila, int col) = 0;                 // slot 6
  virtual double NumElem(int fila, int col) = 0;                   // slot 7
  virtual int DiaElem(int fila, int col) = 0;                      // slot 8
  virtual const char* ElemCrudo(int fila, int col) = 0;            // slot 9
  virtual int EntElem(int fila, int col) = 0;                      // slot 10
  virtual void PonNumElem(int fila, int col, double valor) = 0;    // slot 11
  virtual void PonElem(int fila, int col, const char* texto) = 0;  // slot 12
  virtual const char* RecortaElem(int fila, int col) = 0;          // slot 13
  virtual void Copia(matriz* otra) = 0;                            // slot 14
};

class Vctr {
 public:
  virtual void BorraFila(vector* fila) = 0;               // slot 0
  virtual vector* NvaFila() = 0;                          // slot 1

 protected:
  ~Vctr() {}
};

class entero {
 public:
  virtual ~entero() {}                                    // slot 0
  virtual void Limpia() = 0;                              // slot 1
  virtual int Cuenta() = 0;                               // slot 2
  virtual int Elem(int i) = 0;                            // slot 3
  virtual int Sig() = 0;                                  // slot 4
  virtual int ElemRel(int k) = 0;                         // slot 5
  virtual void PonElem(int i, int valor) = 0;             // slot 6
  virtual int Agrega(int valor) = 0;                      // slot 7
  virtual void PonBloques(int n) = 0;                     // slot 8
  virtual void PonCursor(int i) = 0;                      // slot 9
  virtual int NumElems() = 0;                             // slot 10
  virtual void PonCuenta(int n) = 0;                      // slot 11
  virtual void Carga(ArchivoHost archivo) = 0;            // slot 12
  virtual void Guarda(ArchivoHost archivo) = 0;           // slot 13
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
  virtual ~Arch() {}                                                          // slot 0
  virtual int Lee(int modo, int clave, int noUsado, int bloqueo) = 0;         // slot 1
  virtual int Relee(int bloqueo) = 0;                                         // slot 2
  virtual int Graba(int libera) = 0;                                          // slot 3
  virtual int Alta(int modo) = 0;                                             // slot 4
  virtual int Baja() = 0;                                                     // slot 5
  virtual int Reserva06() = 0;                                                // slot 6
  virtual void Reserva07() = 0;                                               // slot 7
  virtual int Bloquea() = 0;                                                  // slot 8
  virtual void Libera() = 0;                                                  // slot 9
  virtual int Reserva10() = 0;                                                // slot 10
  virtual void OperaCmp(int cmp, double valor, int operacion) = 0;            // slot 11
  virtual void ModCmp(int cmp, const char* texto, int modo) = 0;              // slot 12
  virtual void PonNumCmp(int cmp, double valor) = 0;                          // slot 13
  virtual void PonTxtCmp(int cmp, const char* texto) = 0;                     // slot 14
  virtual const char* TxtCmp(int cmp, int noUsado) = 0;                       // slot 15
  virtual double NumCmp(int cmp) = 0;                                         // slot 16
  virtual int TipoCmp(int cmp) = 0;                                           // slot 17: 1 text, 2 number, 3 date
  virtual int LonCmp(int cmp) = 0;                                            // slot 18
  virtual int DecCmp(int cmp) = 0;                                            // slot 19
  virtual const int* DaClave(int clave) = 0;                                  // slot 20
  virtual int EnReg() = 0;                                                    // slot 21
  virtual const char* NomArch() = 0;                                          // slot 22
  virtual int NumRegs(int noUsado, int exacto) = 0;                           // slot 23
  virtual int NumCmps() = 0;                                                  // slot 24
  virtual int Reserva25() = 0;                                                // slot 25
  virtual int NumClaves() = 0;                                                // slot 26
  virtual int ClaseArch() = 0;                                                // slot 27
  virtual void LimpiaReg() = 0;                                               // slot 28
  virtual void Reserva29(int a, int b) = 0;                                   // slot 29
  virtual void Reserva30(int a, int b) = 0;                                   // slot 30
  virtual void Reserva31(int a, int b) = 0;                                   // slot 31
  // cabecera: the host's layout, whose int at byte 20 is the field count; campos: one 16-bit
  // descriptor per field; claves: null, or the key count and each key's description in turn.
  virtual int CreaArch(const void* cabecera, const unsigned short* campos,
                       const int* claves) = 0;                                // slot 32
  virtual const char* TxtEdtCmp(int cmp) = 0;                                 // slot 33
  virtual const char* TxtPlnCmp(int cmp) = 0;                                 // slot 34
  virtual const char* TxtMayCmp(int cmp) = 0;                                 // slot 35
  virtual void AgrTerna(int a, int b, int c) = 0;                             // slot 36
  virtual void DaTerna(int t, int* a, int* b, int* c) = 0;                    // slot 37
  virtual void PonFiltro(int cmp, int condicion, const char* valor) = 0;      // slot 38
  virtual void LimpiaFiltro() = 0;                                            // slot 39
  virtual matriz* DaFiltro() = 0;                                             // slot 40
  virtual void GuardaFiltro() = 0;                                            // slot 41
  virtual void RecuperaFiltro() = 0;                                          // slot 42
  virtual int TotClaves() = 0;                                                // slot 43
  virtual int EsNumCmp(int cmp) = 0;                                          // slot 44
  virtual const char* Reserva45(int a, int b) = 0;                            // slot 45
  virtual void Reserva46(int a, int b, int c, int d, int e, int f) = 0;       // slot 46
  virtual void Reserva47(int a) = 0;                                          // slot 47
  virtual int Reserva48() = 0;                                                // slot 48
  virtual int Reserva49() = 0;                                                // slot 49
};
#endif
// ==== end of data files ========================================================================

// ==== Result object of the free SQL statements (MacroSQL) ====================================
// Supplied by the host. The library calls only AbreFila (slot 2) and PonCelda (slot 11); the
// other slots are reserved and never called.
#ifdef __cplusplus
class ResultadoSql {
 public:
  virtual ~ResultadoSql() {}                                              // slot 0
  virtual void Reservado1() {}                                            // slot 1
  // Called once with the target row before the values of an execution arrive.
  virtual void AbreFila(int fila) = 0;                                    // slot 2
  virtual void Reservado3() {}                                            // slot 3
  virtual void Reservado4() {}                                            // slot 4
  virtual void Reservado5() {}                                            // slot 5
  virtual void Reservado6() {}                                            // slot 6
  virtual void Reservado7() {}                                            // slot 7
  virtual void Reservado8() {}                                            // slot 8
  virtual void Reservado9() {}                                            // slot 9
  virtual void Reservado10() {}                                           // slot 10
  // One value as text: `lote` counts the rows fetched by the same call from 0, `columna` the
  // result columns from 0. The text belongs to the library: copy it to keep it.
  virtual void PonCelda(int fila, int lote, int columna, const char* texto) = 0;  // slot 11
};
#endif
// ==== end of the result object ================================================================

#endif
