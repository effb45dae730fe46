// Column buffers: one bound array per result column and its current value as text.
#pragma once
#include <cstdint>
#include "odbc/Odbc.h"

// Abstract column buffer. Virtual slots in this order; the concrete classes are STR, LON, FLO,
// NUM and FEC.
class CMP {
 public:
  CMP(short nFilas, unsigned lon, short nDec, unsigned short nulo, const char* nombre);
  virtual ~CMP();
  CMP(const CMP&) = delete;
  CMP& operator=(const CMP&) = delete;

  virtual void LeeFila(long fila) = 0;        // row of the array -> current text
  virtual void GrabaFila(long fila) = 0;      // current text -> row of the array
  virtual const char* Texto() = 0;            // text for display
  virtual const char* TextoSql() = 0;         // text for SQL statements
  virtual void PonTexto(const char* s) = 0;   // sets the current text
  virtual void* DirFila(long fila) = 0;       // address of a row of the array
  virtual short TipoSql() = 0;                // SQL type code
  virtual short TipoC() = 0;                  // C type code for binding
  virtual short ClaseCmp() = 0;               // 1 text, 2 number, 3 date
  virtual const char* NomTipo() = 0;          // type name for CREATE TABLE
  virtual int32_t LonElem() = 0;              // bytes per row of the array

  short nFilas;
  short nDec;
  unsigned short nulo;
  uint32_t lon;
  SQLLEN* ind;     // indicator array handed to SQLBindCol
  char* nombre;

 protected:
  // Rows that LeeFila and GrabaFila accept: 0 to nFilas - 1.
  bool FilaValida(long fila) const { return fila >= 0 && fila < nFilas; }
  // Elements of the bound array: one more than the rows.
  long NumElems() const { return nFilas > 0 ? nFilas + 1L : 1L; }
  // Address of element `fila` of `datos` (elements of `lonElem` bytes); null out of the array.
  void* Elemento(void* datos, long fila, long lonElem) const;
};

// Value kinds of ClaseCmp.
constexpr short kClaseTexto = 1;
constexpr short kClaseNumero = 2;
constexpr short kClaseFecha = 3;

// Longest character column buffered: longer columns (text, varchar(max)) come back cut.
constexpr uint32_t kMaxLonStr = 8000;

// Character column: the text holds up to `lon` characters; an element is lon + 1 bytes.
class STR : public CMP {
 public:
  STR(short nFilas, unsigned lon, unsigned short nulo, const char* nombre);
  ~STR() override;

  void LeeFila(long fila) override;
  void GrabaFila(long fila) override;
  const char* Texto() override;
  const char* TextoSql() override;
  void PonTexto(const char* s) override;
  void* DirFila(long fila) override;
  short TipoSql() override;
  short TipoC() override;
  short ClaseCmp() override;
  const char* NomTipo() override;
  int32_t LonElem() override;

  char* texto;
  char* datos;
};

// 32-bit integer column.
class LON : public CMP {
 public:
  LON(short nFilas, unsigned short nulo, const char* nombre);
  ~LON() override;

  void LeeFila(long fila) override;
  void GrabaFila(long fila) override;
  const char* Texto() override;
  const char* TextoSql() override;
  void PonTexto(const char* s) override;
  void* DirFila(long fila) override;
  short TipoSql() override;
  short TipoC() override;
  short ClaseCmp() override;
  const char* NomTipo() override;
  int32_t LonElem() override;

  int32_t* datos;
  char texto[20];
};

// Floating-point column; `lon` is its precision.
class FLO : public CMP {
 public:
  FLO(short nFilas, unsigned lon, unsigned short nulo, const char* nombre);
  ~FLO() override;

  void LeeFila(long fila) override;
  void GrabaFila(long fila) override;
  const char* Texto() override;
  const char* TextoSql() override;
  void PonTexto(const char* s) override;
  void* DirFila(long fila) override;
  short TipoSql() override;
  short TipoC() override;
  short ClaseCmp() override;
  const char* NomTipo() override;
  int32_t LonElem() override;

  double* datos;
  char texto[40];
};

// Decimal column, held as a double; `lon` is its precision and `nDec` its scale.
class NUM : public CMP {
 public:
  NUM(short nFilas, unsigned lon, short nDec, unsigned short nulo, const char* nombre);
  ~NUM() override;

  void LeeFila(long fila) override;
  void GrabaFila(long fila) override;
  const char* Texto() override;
  const char* TextoSql() override;
  void PonTexto(const char* s) override;
  void* DirFila(long fila) override;
  short TipoSql() override;
  short TipoC() override;
  short ClaseCmp() override;
  const char* NomTipo() override;
  int32_t LonElem() override;

  double* datos;
  char texto[40];
};

// Date-time column; the text is the date alone, day first when ordenFecha is 0.
class FEC : public CMP {
 public:
  FEC(short nFilas, unsigned short nulo, const char* nombre, int ordenFecha);
  ~FEC() override;

  void LeeFila(long fila) override;
  void GrabaFila(long fila) override;
  const char* Texto() override;
  const char* TextoSql() override;
  void PonTexto(const char* s) override;
  void* DirFila(long fila) override;
  short TipoSql() override;
  short TipoC() override;
  short ClaseCmp() override;
  const char* NomTipo() override;
  int32_t LonElem() override;

  SQL_TIMESTAMP_STRUCT* datos;
  char texto[20];
  int32_t ordenFecha;

 private:
  bool EsFechaBlanca() const;
};
