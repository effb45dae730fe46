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
