// Opening a table as a data file: its statement, its columns, its keys from the table's indexes
// and the first record; the texts that pass between the host's record and the column buffers.
#include "cursor/ArchSql.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"

static_assert(sizeof(int32_t) == sizeof(int), "key descriptions are handed out as int arrays");

namespace {

constexpr int kOpSelect = 110;
constexpr int kOpCierraClaves = 207;
constexpr int kOpEstadisticas = 208;
constexpr int kOpPrimeraClave = 209;
constexpr int kOpSigClave = 210;
constexpr int kOpCierra = 206;

constexpr int kMaxIntentos = 20;
constexpr int kLonNombreCat = 499;
// Key numbers beyond this are not keys of ours (the index was not made by this library).
constexpr int kMaxNumClave = 999;

bool EsMarcaNulo(const char* t) { return t && strcmp(t, kMarcaNulo) == 0; }

}  // namespace

bool OtroIntento(SentTabla* s, int operacion, int* intentos) {
  ++*intentos;
  if (*intentos >= kMaxIntentos) {
    char estado[6];
    memcpy(estado, s->sqlState, sizeof estado);
    snprintf(s->mensaje, sizeof s->mensaje,
             "Step repeated %d times on SQLSTATE %s: the last result stands.", *intentos, estado);
    s->lonMensaje = SQLSMALLINT(strlen(s->mensaje));
    RegistraError(s, operacion, s->tabla);
    return false;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(10 * *intentos));
  return true;
}

void FechaSql(double valor, int ordenFecha, char* texto) {
  fecha f(valor, ordenFecha);
  const char* t = f.TxtEdt();  // dd/mm/yy
  memcpy(texto, t, 6);
  if (t[6] == ' ')
    memcpy(texto + 6, "  ", 2);
  else
    memcpy(texto + 6, t[6] < '6' ? "20" : "19", 2);
  texto[8] = t[6];
  texto[9] = t[7];
  texto[10] = '\0';
}

ArchSql::ArchSql(CnxOdbc* cnx_, const char* tabla_, int* estado, int orden_, int /*noUsado*/,
                 const char* opcion_)
    : Arch2(orden_),
      nCampos(0),
      ultRet(0),
      nClaves(0),
      claves(nullptr),
      sentido(0),
      claveAct(0),
      posicionado(0),
      hayReg(0),
      enTrans(0),
      orden{},
      tabla(CopiaTxt(tabla_)),
      opcion(CopiaTxt(opcion_)),
      fechaAux(new fecha("", orden_)),
      sent(nullptr),
      registro(new matriz2()),
      tipos(new entero2()),
      longitudes(new entero2()),
      decimales(new entero2()),
      cnx(cnx_) {
  int est = kArchSinCnx;
  if (estado) *estado = est;
  if (!cnx) return;
  AbreSent(tabla, &est);
  if (estado) *estado = est;
  if (est != kArchAbierto) return;

  LeeClaves();
  if (nClaves == 0) return;
  sent->Desliga();
  HostAReg();
  claveAct = 0;
  sentido = 1;
  if (!ListaOrden(0)) return;
  ArmaCondicion(7);
  Selecciona(false, 0);
  if (hayReg) {
    RegAHost();
    posicionado = 1;
  }
}

ArchSql::~ArchSql() {
  if (sent) {
    sent->Cierra();
    ChkTabla(sent, kOpCierra);
  }
  if (enTrans && cnx) FinTransaccion(cnx);
  enTrans = 0;
  delete sent;
  LiberaClaves();
  delete[] tabla;
  delete[] opcion;
  delete fechaAux;
  delete registro;
  delete tipos;
  delete longitudes;
  delete decimales;
}

void ArchSql::LiberaClaves() {
  for (int k = 0; k < nClaves && claves; ++k) delete[] claves[k];
  delete[] claves;
  claves = nullptr;
  nClaves = 0;
}

void ArchSql::AbreSent(const char* nomTabla, int* estado) {
  ultRet = 0;
  LiberaClaves();
  sentido = claveAct = posicionado = hayReg = 0;
  delete sent;
  sent = nullptr;

  int exito = 0;
  sent = new SentTabla(cnx, nomTabla, 15, &exito, opcion);
  *estado = exito ? kArchAbierto : kArchSinCnx;
  if (!exito) {
    delete sent;
    sent = nullptr;
    return;
  }
  if (UsaBase(sent) == SQL_ERROR && strcmp(sent->sqlState, "08004") == 0) {
    *estado = kArchSinBase;
    return;
  }

  // The probe: one row of the whole table, only to learn its columns (or that it is missing).
  int intentos = 0, rep;
  do {
    rep = 1;
    ultRet = ArmaSelect(sent, 1, sent->tabla, "*", SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC, 0,
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, -1, nullptr, 0, 0);
    ClasificaErr(sent, kOpSelect, &rep, "S0002");
  } while (rep == 0 && OtroIntento(sent, kOpSelect, &intentos));
  bool falta = ultRet == SQL_ERROR && strcmp(sent->sqlState, "S0002") == 0;
  if (ultRet >= 0) sent->DescribeCmps(ordenFecha);
  *estado = falta ? kArchSinTabla : kArchAbierto;
  RegAHost();
  DescCampos();
}

void ArchSql::LeeClaves() {
  sent->Cierra();
  ChkTabla(sent, kOpCierraClaves, "01S02");
  matriz2 numeros;  // row: key number - 1, column: position in the key; the field number

  int rep = 1;
  sent->PonAtributo(SQL_ATTR_ROW_ARRAY_SIZE, 1);  // one row per fetch into the buffers below
  sent->Statistics(tabla);
  ClasificaErr(sent, kOpEstadisticas, &rep, "01S02");
  LiberaClaves();
  if (ultRet == SQL_ERROR) return;  // the probe could not read the table

  char indice[kLonNombreCat] = {}, columna[kLonNombreCat] = {};
  SQLINTEGER posicion = 0;
  SQLLEN lonIndice = 0, lonPosicion = 0, lonColumna = 0;
  ultRet = sent->BindCol(6, SQL_C_CHAR, indice, sizeof indice, &lonIndice);
  ultRet = sent->BindCol(8, SQL_C_LONG, &posicion, sizeof posicion, &lonPosicion);
  ultRet = sent->BindCol(9, SQL_C_CHAR, columna, sizeof columna, &lonColumna);

  std::string previo;  // the last index accepted as a key
  int numClave = 0;
  for (int op = kOpPrimeraClave;; op = kOpSigClave) {
    SQLULEN filas = 0;
    sent->ExtendedFetch(SQL_FETCH_NEXT, 1, &filas, sent->estFilas);
    ChkTabla(sent, op);
    if (sent->ret != SQL_SUCCESS && sent->ret != SQL_SUCCESS_WITH_INFO) break;
    if (lonIndice < 1 || lonColumna < 1 || lonPosicion == SQL_NULL_DATA || posicion < 1) continue;
    if (previo != indice) {
      // T_indent is key 1, T_indent2 key 2...: the last "_indent" that does not start the name.
      long largo = long(strlen(indice)), en = -1;
      if (largo >= 8)
        for (long p = largo - 7; p >= 1 && en < 0; --p)
          if (strncmp(indice + p, kSufijoIndice, 7) == 0) en = p;
      if (en < 0) continue;
      int n = atoi(indice + en + 7);
      if (n == 0) n = 1;
      if (n < 0 || n > kMaxNumClave) continue;
      numClave = n;
      ++nClaves;
      previo = indice;
    }
    if (strlen(columna) >= 2 && columna[0] == 'C' &&
        isdigit(static_cast<unsigned char>(columna[1])))
      numeros.PonElem(numClave - 1, posicion - 1, columna + 1);
  }

  if (nClaves > 0) {
    claves = new int32_t*[nClaves];
    for (int k = 0; k < nClaves; ++k) {
      // Columns left out (not named C and a number) leave no hole in the key.
      int cols = numeros.NumCols(k), n = 0;
      claves[k] = new int32_t[cols + 1];
      for (int j = 0; j < cols; ++j)
        if (numeros.Existe(k, j)) claves[k][++n] = numeros.EntElem(k, j);
      claves[k][0] = n;
    }
  }
  sent->Desliga();
}

void ArchSql::DescCampos() {
  nCampos = sent ? sent->nCmps : 0;
  tipos->Limpia();
  longitudes->Limpia();
  decimales->Limpia();
  for (int i = 0; i < nCampos; ++i) {
    CMP* c = sent->cmps[i];
    if (!c) continue;
    int clase = c->ClaseCmp();
    tipos->PonElem(i, clase);
    longitudes->PonElem(i, clase == kClaseFecha ? 8 : int(c->lon));
    decimales->PonElem(i, clase == kClaseNumero ? c->nDec : 0);
  }
}

void ArchSql::RegAHost() {
  nCampos = sent ? sent->nCmps : 0;
  for (int i = 0; i < nCampos; ++i) registro->PonElem(0, i, TxtCampo(i));
}

void ArchSql::HostAReg() {
  for (int i = 0; i < nCampos; ++i) PonCampo(i, registro->Elem(0, i));
}

const char* ArchSql::TxtCampo(int i) {
  if (!sent || i < 0 || i >= sent->nCmps || !sent->cmps[i]) return "";
  CMP* c = sent->cmps[i];
  const char* t = c->Texto();
  if (c->TipoSql() != SQL_TIMESTAMP) return t;
  // dd/mm/yyyy: day, month and the last two year digits make the date the host reads.
  size_t n = strlen(t);
  static const int kPos[] = {0, 1, 3, 4, 8, 9};
  char seis[7];
  for (int k = 0; k < 6; ++k) seis[k] = size_t(kPos[k]) < n ? t[kPos[k]] : '\0';
  seis[6] = '\0';
  fechaAux->PonTxt(seis, 0);
  return fechaAux->Txt();
}

void ArchSql::PonCampo(int i, const char* valor) {
  if (!sent || i < 0 || i >= sent->nCmps || !sent->cmps[i]) return;
  CMP* c = sent->cmps[i];
  if (!valor) valor = "";
  std::string sustituto;
  if (EsMarcaNulo(valor)) {
    if (c->TipoSql() == SQL_TIMESTAMP)
      sustituto = "748382";  // the highest day number
    else
      sustituto.assign(c->lon, c->ClaseCmp() == kClaseNumero ? '9' : 'z');
    valor = sustituto.c_str();
  }
  if (c->TipoSql() == SQL_TIMESTAMP) {
    fecha f(valor, ordenFecha);
    char t[11];
    FechaSql(f.Num(), ordenFecha, t);
    c->PonTexto(t);
  } else {
    c->PonTexto(valor);
  }
}

bool ArchSql::ListaOrden(int k) {
  orden[0] = '\0';
  if (k < 0 || k >= nClaves || !sent) return true;
  std::string lista;
  for (int j = 1; j <= claves[k][0]; ++j) {
    int f = claves[k][j];
    if (f < 1 || f > sent->nCmps || !sent->cmps[f - 1]) continue;
    if (!lista.empty()) lista += ',';
    lista += sent->cmps[f - 1]->nombre;
  }
  if (lista.size() < sizeof orden) {
    memcpy(orden, lista.c_str(), lista.size() + 1);
    return true;
  }
  // Never cut: a scan in another order would give wrong records.
  sent->ret = SQL_ERROR;
  sent->sqlState[0] = '\0';
  snprintf(sent->mensaje, sizeof sent->mensaje,
           "Column list of key %d longer than %zu characters: not read.", k + 1, sizeof orden - 1);
  sent->lonMensaje = SQLSMALLINT(strlen(sent->mensaje));
  RegistraError(sent, kOpSelect, sent->tabla);
  return false;
}

void ArchSql::Selecciona(bool atras, int bloqueo) {
  int intentos = 0, rep;
  do {
    rep = 1;
    ultRet = ArmaSelect(sent, ultRet != 0 ? 10 : 1, sent->tabla, "*",
                        bloqueo == 1 ? SQL_CONCUR_LOCK : SQL_CONCUR_VALUES, SQL_CURSOR_DYNAMIC,
                        bloqueo == 2, nullptr, nullptr, condicion.c_str(), nullptr, nullptr, orden,
                        claveAct, nullptr, 0, 0);
    ClasificaErr(sent, kOpSelect, &rep, "S0002", "01S02", "22008");
    if (rep == 0) continue;
    if (ultRet >= 0) {
      sent->DescribeCmps(ordenFecha);
      sent->EnlazaCmps();
    }
    if (ultRet == SQL_SUCCESS || ultRet == SQL_SUCCESS_WITH_INFO)
      ultRet = atras ? sent->UltLote(&rep) : sent->PrimLote(&rep);
  } while (rep == 0 && OtroIntento(sent, kOpSelect, &intentos));
  hayReg = ultRet == SQL_SUCCESS || ultRet == SQL_SUCCESS_WITH_INFO;
}
