// A data file served from one SQL table: an ODBC dynamic cursor over the table in the order of
// one of its keys, the current record mirrored to the host as texts.
#pragma once
#include <cstdint>
#include <string>

#include "cursor/Arch2.h"
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

class fecha;
class matriz2;
class entero2;

// Opening statuses of the constructor.
constexpr int kArchSinCnx = 0;    // no connection or no statement handle
constexpr int kArchAbierto = 1;   // table opened
constexpr int kArchSinTabla = 2;  // the table does not exist: the object waits for CreaArch
constexpr int kArchSinBase = -1;  // the database could not be selected ("08004")

class ArchSql : public Arch2 {
 public:
  ArchSql(CnxOdbc* cnx, const char* tabla, int* estado, int ordenFecha, int noUsado,
          const char* opcion);
  ~ArchSql() override;

  // Slots.
  int Lee(int modo, int clave, int noUsado, int bloqueo) override;
  int Relee(int bloqueo) override;
  int Graba(int libera) override;
  int Alta(int modo) override;
  int Baja() override;
  int Reserva06() override;
  void Reserva07() override;
  int Bloquea() override;
  void Libera() override;
  int Reserva10() override;
  void OperaCmp(int cmp, double valor, int operacion) override;
  void ModCmp(int cmp, const char* texto, int modo) override;
  void PonNumCmp(int cmp, double valor) override;
  void PonTxtCmp(int cmp, const char* texto) override;
  const char* TxtCmp(int cmp, int noUsado) override;
  double NumCmp(int cmp) override;
  int TipoCmp(int cmp) override;
  int LonCmp(int cmp) override;
  int DecCmp(int cmp) override;
  const int* DaClave(int clave) override;
  int EnReg() override;
  const char* NomArch() override;
  int NumRegs(int noUsado, int exacto) override;
  int NumCmps() override;
  int Reserva25() override;
  int NumClaves() override;
  int ClaseArch() override;
  void LimpiaReg() override;
  void Reserva29(int a, int b) override;
  void Reserva30(int a, int b) override;
  void Reserva31(int a, int b) override;
  int CreaArch(const void* cabecera, const unsigned short* campos, const int* claves) override;
  void PonFiltro(int cmp, int condicion, const char* valor) override;
  void LimpiaFiltro() override;
  void GuardaFiltro() override;
  void RecuperaFiltro() override;
  const char* Reserva45(int a, int b) override;
  void Reserva46(int a, int b, int c, int d, int e, int f) override;
  void Reserva47(int a) override;
  int Reserva48() override;
  int Reserva49() override;

  // Opening.
  void AbreSent(const char* nomTabla, int* estado);
  void LeeClaves();
  void DescCampos();
  void RegAHost();
  void HostAReg();
  const char* TxtCampo(int i);
  void PonCampo(int i, const char* valor);
  // False, with a log record, when the list does not fit in `orden`.
  bool ListaOrden(int k);

  // Search conditions, written into `condicion`.
  void ArmaCondicion(int modo);
  void CondIgual();
  void CondDesde(bool mayor);
  void CondTras(bool mayor);
  void CondFiltros();
  void AgrCond(int tipo, const char* nombre, const char* op, const char* valor);
  bool FijoPorFiltro(int i);

  // Moves the open scan one record forward or back.
  void Avanza(bool adelante);
  // Stands again on the current record by an exact search on the current key's values as
  // fetched, in a rowset of one row: 1 positioned, -1 not.
  int ReposReg(int bloqueo);

  int nCampos;
  int ultRet;
  int nClaves;
  int32_t** claves;  // key k: field count, then the field numbers from 1
  int sentido;       // 1 forward, -1 backward, 0 exact
  int claveAct;
  int posicionado;
  int hayReg;
  int enTrans;
  char orden[512];
  std::string condicion;
  char* tabla;
  char* opcion;
  fecha* fechaAux;
  SentTabla* sent;
  matriz2* registro;
  entero2* tipos;
  entero2* longitudes;
  entero2* decimales;
  CnxOdbc* cnx;

 private:
  void LiberaClaves();
  // The SELECT of the current key and condition and its first block fetch, repeated while the
  // driver asks for it; backward reads fetch the last block.
  void Selecciona(bool atras, int bloqueo);
  void AgrTermino(int j, const char* op, bool* primero);
  void EscribeParte(int j, const char* op);
};

// Date text of the host's date number for a search condition: dd/mm/yyyy (mm/dd/yyyy with order
// 2), the century from a pivot at 60, blanks for an empty date.
void FechaSql(double valor, int ordenFecha, char* texto);

// Bounded repeat of a step that the driver asked to run again ("40001", "01S01", "01000"):
// true while another attempt is allowed, after a growing pause; logs when the bound is reached.
bool OtroIntento(SentTabla* s, int operacion, int* intentos);
