// Table creation, the field setters and getters, the record count and the small slots.
#include <cstdlib>
#include <cstring>
#include <string>

#include "columns/Cmp.h"
#include "cursor/ArchSql.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"
#include "values/Campos.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"
#include "values/Numeros.h"

namespace {

constexpr int kOpCuenta = 214;
constexpr int kOpLibera = 206;
constexpr int kOpNombreIndice = 111;
constexpr size_t kLonNombreIndice = 100;

// Highest date: 31 December 2049 as a day number.
constexpr char kFechaMaxima[] = "748382";

}  // namespace

int ArchSql::CreaArch(const void* cabecera, const unsigned short* campos, const int* lista) {
  if (!sent) return 1;
  int32_t nf = 0;
  if (cabecera) memcpy(&nf, static_cast<const char*>(cabecera) + 20, sizeof nf);
  if (!campos) nf = 0;
  sent->IniCmps(short(nf & 0xFFFF));

  for (int i = 0; i < sent->nCmps; ++i) {
    // Little-endian 16-bit word: bits 0-1 class, 2-6 signed decimals, 8-15 width.
    const unsigned char* b = reinterpret_cast<const unsigned char*>(campos + i);
    unsigned d = unsigned(b[0]) | unsigned(b[1]) << 8;
    int clase = int(d & 3);
    int dec = int((d >> 2) & 0x1F);
    if (dec & 0x10) dec -= 32;
    unsigned ancho = d >> 8;
    short tipo = SQL_CHAR;
    SQLULEN tam = ancho;
    if (clase == 2) {
      tipo = dec >= 0 ? SQL_DECIMAL : SQL_FLOAT;
      if (dec < 0) tam = 53;
    } else if (clase == 3) {
      tipo = SQL_TIMESTAMP;
    }
    std::string nombre = "C" + std::to_string(i + 1);
    sent->NvoCmp(short(i), tipo, tam, dec, 1, nombre.c_str(), ordenFecha);
  }

  LiberaClaves();
  if (lista && lista[0] > 0) {
    claves = new int32_t*[lista[0]];
    const int* p = lista + 1;
    for (int k = 0; k < lista[0]; ++k) {
      int n = *p > 0 ? *p : 0;
      claves[k] = new int32_t[n + 1];
      claves[k][0] = n;
      for (int j = 1; j <= n; ++j) claves[k][j] = p[j];
      p += n + 1;
      nClaves = k + 1;
    }
  } else {
    claves = new int32_t*[1];
    claves[0] = new int32_t[2]{1, 1};
    nClaves = 1;
  }

  ultRet = CreaTabla(sent, sent->tabla);
  for (int k = 0; k < nClaves && ultRet >= 0; ++k) {
    char nombre[kLonNombreIndice];
    if (!NomIndice(sent->tabla, k, nombre, sizeof nombre)) {
      sent->ret = ultRet = SQL_ERROR;
      snprintf(sent->mensaje, sizeof sent->mensaje,
               "Index name of key %d longer than %zu characters: not created.", k + 1,
               kLonNombreIndice - 1);
      sent->sqlState[0] = '\0';
      RegistraError(sent, kOpNombreIndice, sent->tabla);
      break;
    }
    ultRet = CreaIndice(sent, sent->tabla, nombre, claves[k], 0, 0);
  }
  DescCampos();
  hayReg = 0;
  return 1;
}

void ArchSql::PonNumCmp(int cmp, double valor) {
  char num[32];
  PonTxtCmp(cmp, NumAStr(valor, num));
}

void ArchSql::PonTxtCmp(int cmp, const char* texto) {
  if (cmp < 0 || cmp >= nCampos) return;
  if (!texto) texto = "";
  bool nulo = strcmp(texto, kMarcaNulo) == 0;
  switch (TipoCmp(cmp)) {
    case kClaseNumero:
      if (nulo) {
        CMP* c = sent ? sent->cmps[cmp] : nullptr;
        size_t n = c ? (c->lon < 15 ? c->lon : 15) : 0;
        registro->PonElem(0, cmp, std::string(n, '9').c_str());
      } else {
        registro->PonNumElem(0, cmp, atof(texto));
      }
      break;
    case kClaseFecha:
      if (nulo) {
        registro->PonElem(0, cmp, kFechaMaxima);
      } else {
        fecha f(texto, ordenFecha);
        registro->PonNumElem(0, cmp, f.Num());
      }
      break;
    default:
      registro->PonElem(0, cmp, texto);
      break;
  }
  PonCampo(cmp, texto);
}

const char* ArchSql::TxtCmp(int cmp, int /*noUsado*/) {
  if (cmp < 0) return "";
  return registro->Elem(0, cmp);
}

double ArchSql::NumCmp(int cmp) { return atof(TxtCmp(cmp, 0)); }

int ArchSql::TipoCmp(int cmp) { return cmp >= 0 && cmp < nCampos ? tipos->Elem(cmp) : 0; }
int ArchSql::LonCmp(int cmp) { return cmp >= 0 && cmp < nCampos ? longitudes->Elem(cmp) : 0; }
int ArchSql::DecCmp(int cmp) { return cmp >= 0 && cmp < nCampos ? decimales->Elem(cmp) : 0; }

const int* ArchSql::DaClave(int clave) {
  return clave >= 0 && clave < nClaves ? claves[clave] : nullptr;
}

int ArchSql::EnReg() { return hayReg ? 1 : -1; }
const char* ArchSql::NomArch() { return tabla; }

int ArchSql::NumRegs(int /*noUsado*/, int exacto) {
  if (!exacto) return posicionado;
  if (!cnx) return 0;
  int exito = 0;
  SentOdbc s(cnx, 1, &exito, "");
  if (!exito) return 0;
  UsaBase(&s);
  s.ExecTexto("select count(*) from ", tabla);
  s.DescribeCmps(0);
  s.EnlazaCmps();
  s.Fetch();
  ChkSent(&s, kOpCuenta, nullptr);
  std::string cuenta;
  if (s.ret >= 0 && s.ret != SQL_NO_DATA) {
    s.CargaFila(0);
    if (s.nCmps > 0 && s.cmps[0]) cuenta = s.cmps[0]->Texto();
  }
  s.Cierra();
  return atoi(cuenta.c_str());
}

int ArchSql::NumCmps() { return nCampos; }
int ArchSql::NumClaves() { return nClaves; }
int ArchSql::ClaseArch() { return 5; }
void ArchSql::LimpiaReg() { registro->Limpia(); }

void ArchSql::PonFiltro(int cmp, int condicion_, const char* valor) {
  filtro->PonElem(cmp, condicion_, valor);
}
void ArchSql::LimpiaFiltro() { filtro->Limpia(); }
void ArchSql::GuardaFiltro() { filtroGuardado->Copia(filtro); }
void ArchSql::RecuperaFiltro() { filtro->Copia(filtroGuardado); }

int ArchSql::Bloquea() { return Lee(7, 0, 0, 2); }

void ArchSql::Libera() {
  if (sent) {
    sent->Cierra();
    ChkTabla(sent, kOpLibera);
  }
  if (enTrans && cnx) FinTransaccion(cnx);
  enTrans = 0;
}

int ArchSql::Reserva06() { return 0; }
void ArchSql::Reserva07() {}
int ArchSql::Reserva10() { return 0; }
int ArchSql::Reserva25() { return 0; }
void ArchSql::Reserva29(int, int) {}
void ArchSql::Reserva30(int, int) {}
void ArchSql::Reserva31(int, int) {}
const char* ArchSql::Reserva45(int, int) { return ""; }
void ArchSql::Reserva46(int, int, int, int, int, int) {}
void ArchSql::Reserva47(int) {}
int ArchSql::Reserva48() { return 1; }
int ArchSql::Reserva49() { return 0; }
