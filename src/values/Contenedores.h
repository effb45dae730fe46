// The containers: vector2 (texts), matriz2 (texts by row and column, each row a vector2) and
// entero2 (integers in blocks of 50), with the saved forms of vector2 and entero2.
#pragma once
#include <cstddef>

#include "zorb/host.h"

class vector2 : public vector {
 public:
  vector2();
  ~vector2() override;
  vector2(const vector2&) = delete;
  vector2& operator=(const vector2&) = delete;

  void Limpia() override;
  int Cuenta() override;
  int Existe(int i) override;
  const char* Elem(int i) override;
  const char* ElemCrudo(int i) override;
  int ElemEnPos(int pos) override;
  const char* Elem1(int i) override;
  int EntElem(int i) override;
  double NumElem(int i) override;
  int DiaElem(int i) override;
  void PonNumElem(int i, double valor) override;
  void PonElem(int i, const char* texto) override;
  int Agrega(const char* texto, int n) override;
  void Carga(ArchivoHost archivo) override;
  void Guarda(ArchivoHost archivo) override;
  const char* RecortaElem(int i) override;
  void Copia(vector* otro) override;

  int Capacidad() const { return cap; }

 private:
  bool CapElems(long long n);

  char** elems;  // owned texts; null until set
  int usados;    // one past the highest index set
  int cap;       // entries in elems
};

class matriz2 : public Vctr, public matriz {
 public:
  matriz2();
  ~matriz2() override;
  matriz2(const matriz2&) = delete;
  matriz2& operator=(const matriz2&) = delete;

  void BorraFila(vector* fila) override;
  vector* NvaFila() override;

  int NumCols(int fila) override;
  int NumFilas() override;
  void LimpiaFila(int fila) override;
  void Limpia() override;
  int Existe(int fila, int col) override;
  const char* Elem(int fila, int col) override;
  double NumElem(int fila, int col) override;
  int DiaElem(int fila, int col) override;
  const char* ElemCrudo(int fila, int col) override;
  int EntElem(int fila, int col) override;
  void PonNumElem(int fila, int col, double valor) override;
  void PonElem(int fila, int col, const char* texto) override;
  const char* RecortaElem(int fila, int col) override;
  void Copia(matriz* otra) override;

  // Makes rows up to n - 1.
  void AseguraFilas(int n);
  int CapacidadFilas() const { return capFilas; }

 private:
  bool CapFilas(long long n);
  vector* Fila(int fila) { return fila >= 0 && fila < nFilas ? filas[fila] : nullptr; }

  int nFilas;
  int capFilas;
  vector** filas;
};

class entero2 : public entero {
 public:
  entero2();
  ~entero2() override;
  entero2(const entero2&) = delete;
  entero2& operator=(const entero2&) = delete;

  void Limpia() override;
  int Cuenta() override;
  int Elem(int i) override;
  int Sig() override;
  int ElemRel(int k) override;
  void PonElem(int i, int valor) override;
  int Agrega(int valor) override;
  void PonBloques(int n) override;
  void PonCursor(int i) override;
  int NumElems() override;
  void PonCuenta(int n) override;
  void Carga(ArchivoHost archivo) override;
  void Guarda(ArchivoHost archivo) override;

  int NumBloques() const { return nBloques; }
  int Cursor() const { return cursor; }

  static constexpr int kPorBloque = 50;

 private:
  int** bloques;
  int cuenta;
  int nBloques;
  int cursor;
};

vector2* NvoVector();
matriz* NvaMatriz();
entero2* NvoEntero();

// n bytes from or to a host handle: 1 only when all of them moved, else 0.
int LeeBloque(ArchivoHost archivo, void* datos, size_t n);
int GrabaBloque(ArchivoHost archivo, const void* datos, size_t n);
