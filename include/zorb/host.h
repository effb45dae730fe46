// The host's interfaces: abstract classes whose virtual slots the host calls in a fixed order.
// Slot 0 of every interface is the virtual destructor; the others follow in declaration order.
#ifndef ZORB_HOST_H
#define ZORB_HOST_H

#if defined(_WIN32)
typedef void* ArchivoHost;  // a Win32 HANDLE supplied by the host
#else
typedef int ArchivoHost;    // a POSIX file descriptor supplied by the host
#endif

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
