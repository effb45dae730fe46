// Statement objects: one statement handle, its SQL text and the wrappers around single ODBC calls.
#pragma once
#include <cstddef>
#include "odbc/Odbc.h"

#include "odbc/CnxOdbc.h"

class CMP;

// Room for the SQL text, terminator included.
constexpr size_t kLonSentencia = 6000;

class SentOdbc {
 public:
  SentOdbc(CnxOdbc* cnx, int tamLote, int* exito, const char* opcion);
  virtual ~SentOdbc();
  SentOdbc(const SentOdbc&) = delete;
  SentOdbc& operator=(const SentOdbc&) = delete;

  SQLHDBC hdbc;
  SQLHSTMT hstmt;
  char sentencia[kLonSentencia];
  SQLRETURN ret;
  char sqlState[6];
  char mensaje[512];
  SQLINTEGER errNativo;
  SQLSMALLINT lonMensaje;
  CnxOdbc* cnx;
  int nCmps;
  int tamLote;
  char* opcion;
  CMP** cmps;
  SQLULEN filasLeidas;
  SQLUSMALLINT* estFilas;
  // Set when a text did not fit in `sentencia`; such a text is never executed.
  bool desborde;

  // SQL text. IniTexto starts a new text; AnexaTexto appends. Both refuse what would not fit,
  // leaving the text as it was and setting `desborde`. They return false then.
  bool IniTexto(const char* texto);
  bool AnexaTexto(const char* texto);
  // Replaces the row status array by one of tamLote + 1 entries.
  void NuevoEstFilas();

  // Wrappers: one ODBC call each, its result stored in `ret` and returned.
  SQLRETURN ExecDirect();
  SQLRETURN ExecTexto(const char* texto, const char* sufijo);
  SQLRETURN Fetch();
  SQLRETURN ExtendedFetch(SQLUSMALLINT orientacion, SQLLEN desplazamiento, SQLULEN* filas,
                          SQLUSMALLINT* estados);
  SQLRETURN NumResultCols(SQLSMALLINT* n);
  SQLRETURN Cierra();
  SQLRETURN Desliga();
  SQLRETURN BindCol(SQLUSMALLINT columna, SQLSMALLINT tipoC, SQLPOINTER datos, SQLLEN lon,
                    SQLLEN* ind);
  SQLRETURN RowCount(SQLLEN* n);
  SQLRETURN Statistics(const char* tabla);
  SQLRETURN PonAtributo(SQLINTEGER atributo, SQLULEN valor);

  // Column list of the result (defined with the column buffers).
  void IniCmps(short n);
  void BorraCmps();
  void DescribeCmps(int ordenFecha);
  void EnlazaCmps();
  void CargaFila(SQLULEN fila);
  CMP* NvoCmp(short i, short tipoSql, SQLULEN lon, int nDec, int nulo, const char* nombre,
              int ordenFecha);
};

// A statement on one table: the table name is the context of its log records.
class SentTabla : public SentOdbc {
 public:
  SentTabla(CnxOdbc* cnx, const char* tabla, int tamLote, int* exito, const char* opcion);
  ~SentTabla() override;

  char* tabla;
  int posLote;

  // Block fetches and moves inside the rowset (defined with the column buffers).
  SQLRETURN PrimLote(int* repetir);
  SQLRETURN UltLote(int* repetir);
  SQLRETURN SigLote(int* repetir);
  SQLRETURN AntLote(int* repetir);
  int SigFila();
  int AntFila();
  int RecolocaFila();

  // Positioned operations on the open cursor (row numbers from 1; 0 is the whole rowset).
  // A row outside the rowset returns 0 without a call.
  SQLRETURN AltaPos(int fila);
  SQLRETURN BajaPos(int fila);
  SQLRETURN GrabaPos(int fila, int desbloquea);
  // The column buffers' current texts into row `fila` of the bound arrays.
  void VuelcaFila(int fila);
};
