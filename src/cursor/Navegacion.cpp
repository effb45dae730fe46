// Reading by key: a new SELECT from the host record's values, or a step inside the open scan.
#include "cursor/ArchSql.h"
#include "odbc/Chk.h"

namespace {
constexpr int kOpSigLote = 118;
constexpr int kOpAntLote = 119;
}  // namespace

int ArchSql::Lee(int modo, int clave, int /*noUsado*/, int bloqueo) {
  modo &= 0xFF;
  if (modo > 8 || clave < 0 || clave >= nClaves || !sent) return -1;

  // Next or previous on the same key: inside the rowset, or the following block of the scan.
  if ((modo == 5 || modo == 6) && hayReg == 1 && claveAct == clave && sentido != 0) {
    int hacia = modo == 5 ? 1 : -1;
    Avanza(modo == 5);
    if (hayReg == 1 || sentido == hacia) {
      RegAHost();
      return hayReg == 1 ? 1 : -1;
    }
    // The scan ran the other way and has nothing before its start: search from the values.
  }

  sent->Desliga();
  HostAReg();
  claveAct = clave;
  bool atras = modo == 2 || modo == 4 || modo == 6 || modo == 8;
  sentido = modo == 0 ? 0 : (atras ? -1 : 1);
  hayReg = 0;
  if (!ListaOrden(clave)) return -1;
  ArmaCondicion(modo);
  if (bloqueo == 2 && cnx) {
    IniTransaccion(cnx);
    enTrans = 1;
  }
  Selecciona(atras, bloqueo);
  if (hayReg) RegAHost();
  return hayReg ? 1 : -1;
}

int ArchSql::Relee(int bloqueo) {
  Lee(0, claveAct, 0, bloqueo);
  return 1;
}

void ArchSql::Avanza(bool adelante) {
  int intentos = 0;
  for (;;) {
    int rep = 1;
    ultRet = adelante ? sent->SigFila() : sent->AntFila();
    if (ultRet == 0) break;
    ultRet = adelante ? sent->SigLote(&rep) : sent->AntLote(&rep);
    if (rep != 0 || !OtroIntento(sent, adelante ? kOpSigLote : kOpAntLote, &intentos)) break;
  }
  hayReg = ultRet == SQL_SUCCESS || ultRet == SQL_SUCCESS_WITH_INFO;
}
