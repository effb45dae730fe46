// Repair after an interrupted restructuring: indexes left with the temporary prefix get their
// final names back.
#include <cstring>
#include <string>

#include "exports/Admin.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"
#include "values/Contenedores.h"

namespace zorb {

namespace {

constexpr const char* kPrefijoTemp = "TEMP_";
constexpr size_t kLonPrefijoTemp = 5;

}  // namespace

int IndicesTemporales(CnxOdbc* cnx, const char* tabla, vector2* finales) {
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
  std::string texto = std::string("sp_helpindex ") + tabla;
  s->ExecTexto(texto.c_str(), nullptr);
  s->DescribeCmps(0);
  s->EnlazaCmps();
  s->Fetch();
  ChkSent(s, 214, nullptr, "24000");  // a table without indexes gives no result
  int n = 0;
  while (s->ret >= 0 && s->ret != SQL_NO_DATA) {
    s->CargaFila(0);
    const char* indice = TextoColumna(s, 0);
    if (strncmp(indice, kPrefijoTemp, kLonPrefijoTemp) == 0)
      finales->PonElem(n++, indice + kLonPrefijoTemp);
    s->Fetch();
    ChkSent(s, 215, nullptr);
  }
  s->Cierra();
  delete s;
  return n;
}

bool RenombraIndicesTemporales(CnxOdbc* cnx, const char* tabla) {
  int exito = 0;
  vector2* finales = NvoVector();
  int n = IndicesTemporales(cnx, tabla, finales);
  bool ok = true;
  for (int i = 0; i < n; ++i) {
    std::string final = finales->Elem(i);
    std::string viejo = std::string(tabla) + "." + kPrefijoTemp + final;
    SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
    if (Renombra(s, viejo.c_str(), final.c_str(), 1, "INDEX") < 0) ok = false;
    s->Cierra();
    delete s;
  }
  delete finales;
  return ok;
}

void CorrigeIndices(const char* servidor, const char* base, const char* usuario,
                    const char* clave) {
  CnxOdbc* cnx = NvaCnxOdbc(servidor, base, usuario, clave);
  if (!cnx) return;
  int exito = 0;
  SentOdbc* lista = new SentOdbc(cnx, 1, &exito, "");
  vector2* tablas = NvoVector();
  int nTablas = ListaTablas(lista, tablas);
  for (int t = 0; t < nTablas; ++t) {
    std::string tabla = tablas->Elem(t);
    RenombraIndicesTemporales(cnx, tabla.c_str());
  }
  delete tablas;
  delete lista;
  DelCnxOdbc(cnx);
}

}  // namespace zorb
