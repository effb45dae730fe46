// Creating and dropping databases, dropping tables.
#include "exports/Admin.h"

#include <cstring>

#include "columns/Cmp.h"
#include "odbc/Chk.h"
#include "odbc/SentOdbc.h"
#include "sqltext/Sentencias.h"
#include "values/Contenedores.h"

namespace zorb {

const char* TextoColumna(SentOdbc* s, int i) {
  if (i >= s->nCmps || !s->cmps || !s->cmps[i]) return "";
  const char* t = s->cmps[i]->Texto();
  return t ? t : "";
}

int NvaBaseD(const char* servidor, const char* base, const char* usuario, const char* clave) {
  CnxOdbc* cnx = NvaCnxOdbc(servidor, "master", usuario, clave);
  if (!cnx) return 0;
  int r = NvaBase(cnx, base, nullptr, 0, 0, 0, 0);
  DelCnxOdbc(cnx);
  return r;
}

int DelBaseD(const char* servidor, const char* base, const char* usuario, const char* clave) {
  CnxOdbc* cnx = NvaCnxOdbc(servidor, "master", usuario, clave);
  if (!cnx) return 0;
  int r = BorraBase(cnx, base);
  DelCnxOdbc(cnx);
  return r;
}

void DropArcSQL(const char* servidor, const char* base, const char* usuario, const char* clave,
                const char* tabla) {
  CnxOdbc* cnx = NvaCnxOdbc(servidor, base, usuario, clave);
  if (!cnx) return;
  if (tabla) {
    if (strcmp(tabla, "*") == 0) {
      BorraTablas(cnx);
    } else {
      int exito = 0;
      SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
      BorraTabla(s, tabla);
      delete s;
    }
  }
  DelCnxOdbc(cnx);
}

int ListaTablas(SentOdbc* s, vector2* nombres) {
  UsaBase(s);
  s->ExecTexto("sp_tables", nullptr);
  s->DescribeCmps(0);
  s->EnlazaCmps();
  s->Fetch();
  ChkSent(s, 214, nullptr);

  // Catalogue columns by position: 2 the table name, 3 the table type.
  int n = 0;
  while (s->ret >= 0 && s->ret != SQL_NO_DATA) {
    s->CargaFila(0);
    if (strcmp(TextoColumna(s, 3), "TABLE") == 0) nombres->PonElem(n++, TextoColumna(s, 2));
    s->Fetch();
    ChkSent(s, 215, nullptr);
  }
  s->Cierra();
  return n;
}

void BorraTablas(CnxOdbc* cnx) {
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
  vector2* nombres = NvoVector();
  int n = ListaTablas(s, nombres);
  for (int i = 0; i < n; ++i) {
    // The catalogue's names are bare: each is written as one name.
    s->IniTexto("drop table ");
    AnexaNombre(s, nombres->Elem(i), 0);
    s->ExecDirect();
    ChkSent(s, 216, "", "S0002");
  }
  delete nombres;
  delete s;
}

}  // namespace zorb
