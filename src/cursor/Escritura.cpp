// Writing records: positioned updates and deletes on the open cursor, additions by INSERT or
// through the cursor, single-field changes and the arithmetic on a field under a row lock.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "columns/Cmp.h"
#include "cursor/ArchSql.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"
#include "values/Campos.h"
#include "values/Numeros.h"

namespace {

constexpr int kOpSelect = 110;
constexpr int kOpGraba = 200;
constexpr int kOpAlta = 201;
constexpr int kOpBaja = 202;
constexpr int kOpModCmp = 203;

// Adds through the open cursor; adds with an INSERT and reads nothing back.
constexpr int kAltaPorCursor = 889977;
constexpr int kAltaSinLeer = 998866;

}  // namespace

int ArchSql::ReposReg(int bloqueo) {
  if (!sent) return -1;
  if (!hayReg && Lee(0, 0, 0, 0) != 1) return -1;
  if (claveAct < 0 || claveAct >= nClaves) return -1;
  if (sent->posLote >= 0 && sent->posLote < sent->tamLote) sent->CargaFila(SQLULEN(sent->posLote));

  // The key's values as fetched: the host may have changed them in its record.
  std::string cond;
  for (int j = 1; j <= claves[claveAct][0]; ++j) {
    int f = claves[claveAct][j];
    if (f < 1 || f > sent->nCmps || !sent->cmps[f - 1]) continue;
    CMP* c = sent->cmps[f - 1];
    if (!cond.empty()) cond += " AND ";
    cond += c->nombre;
    cond += '=';
    if (c->ClaseCmp() == kClaseNumero) {
      char num[32];
      NumAStr(atof(c->TextoSql()), num);
      cond += *num && strcmp(num, "-") != 0 ? num : "0";
    } else {
      cond += '\'';
      DoblaComillas(cond, c->TextoSql());
      cond += '\'';
    }
  }

  if (bloqueo == 2 && cnx) {
    IniTransaccion(cnx);
    enTrans = 1;
  }
  sent->Desliga();
  int intentos = 0, rep;
  do {
    rep = 1;
    ultRet = ArmaSelect(sent, 1, sent->tabla, "*",
                        bloqueo == 1 ? SQL_CONCUR_LOCK : SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC,
                        bloqueo == 2, nullptr, nullptr, cond.c_str(), nullptr, nullptr, nullptr,
                        -1, nullptr, 0, 0);
    ClasificaErr(sent, kOpSelect, &rep, "01S02", "22008");
    if (rep == 0) continue;
    if (ultRet >= 0) {
      sent->DescribeCmps(ordenFecha);
      sent->EnlazaCmps();
    }
    if (ultRet == SQL_SUCCESS || ultRet == SQL_SUCCESS_WITH_INFO) ultRet = sent->PrimLote(&rep);
  } while (rep == 0 && OtroIntento(sent, kOpSelect, &intentos));
  hayReg = ultRet == SQL_SUCCESS || ultRet == SQL_SUCCESS_WITH_INFO;
  sentido = 0;
  if (!hayReg) return -1;
  RegAHost();
  return 1;
}

int ArchSql::Graba(int libera) {
  if (!hayReg || !sent) return -1;
  HostAReg();
  if (sent->posLote < sent->tamLote) sent->VuelcaFila(sent->posLote);
  ultRet = sent->GrabaPos(sent->posLote + 1, 0);
  // A row changed or deleted since it was read is left as it is (01S03), without a record.
  ChkTabla(sent, kOpGraba, "01004", "01S03");
  if (libera) Libera();
  Lee(0, claveAct, 0, 0);
  return 1;
}

int ArchSql::Alta(int modo) {
  if (!sent) return -1;
  if (modo != kAltaPorCursor) {
    sent->Cierra();
    ChkTabla(sent, kOpAlta);
  }
  hayReg = 0;
  sentido = 0;
  posicionado = 1;
  HostAReg();
  if (modo == kAltaPorCursor) {
    // Only the current row: the rest of the rowset holds other records' values.
    int fila = sent->posLote;
    if (fila < 0 || fila >= sent->tamLote) return -1;
    sent->VuelcaFila(fila);
    ultRet = sent->AltaPos(fila + 1);
    ChkTabla(sent, kOpAlta);
    return ultRet < 0 ? -1 : 1;
  }
  ultRet = InsertaFila(sent, sent->tabla);
  sent->Cierra();
  if (ultRet < 0) return -1;
  if (modo == kAltaSinLeer) return 1;
  return Lee(0, claveAct, 0, modo);
}

int ArchSql::Baja() {
  if (ReposReg(1) != 1) return -1;
  ultRet = sent->BajaPos(0);
  ChkTabla(sent, kOpBaja);
  if (ultRet < 0 || ultRet == SQL_NO_DATA) return 0;
  return 1;
}

void ArchSql::ModCmp(int cmp, const char* texto, int modo) {
  if (!sent || cmp < 0 || cmp >= sent->nCmps) return;
  if (modo < 0) {
    PonTxtCmp(cmp, texto);
  } else if (modo == 0) {
    if (ReposReg(1) != 1) return;
    PonTxtCmp(cmp, texto);
    if (sent->posLote < sent->tamLote) sent->VuelcaFila(sent->posLote);
    ultRet = sent->GrabaPos(sent->posLote + 1, 0);
    ChkTabla(sent, kOpModCmp, "01004");
    Lee(0, 0, 0, 0);
  } else if (modo == 1 || modo == 2) {
    String s(texto, 0, 1);
    PonTxtCmp(cmp, s.SumaCod(modo == 1 ? 1 : -1));
  } else {
    OperaCmp(cmp, atof(texto ? texto : ""), modo);
  }
}

void ArchSql::OperaCmp(int cmp, double valor, int operacion) {
  if (operacion < 0) {
    PonNumCmp(cmp, valor);  // setting the field alone writes nothing
    return;
  }
  Relee(1);
  double nuevo = valor;
  if (operacion > 0) {
    double actual = NumCmp(cmp);
    switch (operacion) {
      case 1: nuevo = actual + valor; break;
      case 2: nuevo = actual - valor; break;
      case 3: nuevo = actual * valor; break;
      case 4: nuevo = actual / valor; break;
      default: nuevo = actual; break;
    }
  }
  if (!std::isfinite(nuevo) && sent) {
    // A division by zero (or an overflow) has no value to store: the field keeps its own.
    sent->ret = SQL_ERROR;
    sent->sqlState[0] = '\0';
    snprintf(sent->mensaje, sizeof sent->mensaje,
             "Field %d: operation %d gives no finite number: not written.", cmp, operacion);
    sent->lonMensaje = SQLSMALLINT(strlen(sent->mensaje));
    RegistraError(sent, kOpGraba, sent->tabla);
  } else {
    PonNumCmp(cmp, nuevo);
    Graba(0);
  }
  Libera();
}
