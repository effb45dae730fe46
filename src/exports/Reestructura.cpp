// Moving a table to a new field and key layout without losing a record: the records are copied
// into TEMP_<table>, and only when the copy holds every record read does one transaction drop
// the old table and give the copy and its indexes the old names.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "cursor/ArchSql.h"
#include "exports/Admin.h"
#include "exports/Archivos.h"
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"
#include "values/Contenedores.h"
#include "values/Fecha.h"

namespace zorb {

namespace {

constexpr int kOpReestructura = 218;
constexpr size_t kLonNombreIndice = 100;  // index names are built in 100 bytes
constexpr int kMaxClaves = 999;
constexpr long kLote = 500;  // records copied per transaction

bool MismoNombre(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

// Whether the connection's database holds a user table of that name (names are case-blind).
bool ExisteTabla(CnxOdbc* cnx, const char* tabla) {
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
  vector2* nombres = NvoVector();
  int n = ListaTablas(s, nombres);
  bool hay = false;
  for (int i = 0; i < n && !hay; ++i) hay = MismoNombre(nombres->Elem(i), tabla);
  delete nombres;
  delete s;
  return hay;
}

// A log record with operation 218 that says why the restructuring of the table stopped.
void RegistraParada(SentOdbc* s, const char* tabla, const std::string& causa) {
  s->ret = SQL_ERROR;
  s->sqlState[0] = '\0';
  snprintf(s->mensaje, sizeof s->mensaje, "%s", causa.c_str());
  s->lonMensaje = SQLSMALLINT(strlen(s->mensaje));
  RegistraError(s, kOpReestructura, tabla);
}

SQLRETURN Deshace(CnxOdbc* cnx) {
  cnx->ret = SQLTransact(*AmbienteOdbc, cnx->hdbc, SQL_ROLLBACK);
  DiagCnx(cnx);
  cnx->ret = SQLSetConnectOption(cnx->hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
  DiagCnx(cnx);
  return cnx->ret;
}

// Ends the transaction begun by IniTransaccion: committed when every step succeeded, else
// undone. True when committed.
bool Termina(CnxOdbc* cnx, bool ok) {
  if (ok) {
    cnx->ret = SQLTransact(*AmbienteOdbc, cnx->hdbc, SQL_COMMIT);
    DiagCnx(cnx);
    ok = SQL_SUCCEEDED(cnx->ret);
  }
  if (!ok) {
    Deshace(cnx);
    return false;
  }
  cnx->ret = SQLSetConnectOption(cnx->hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
  DiagCnx(cnx);
  return true;
}

// A leftover copy whose original is gone holds the only data: it takes the table's name, its
// indexes their final names, all or nothing.
bool Recupera(CnxOdbc* cnx, SentOdbc* s, const std::string& temp, const char* tabla) {
  IniTransaccion(cnx);
  bool ok = Renombra(s, temp.c_str(), tabla, 0, nullptr) >= 0;
  s->Cierra();
  ok = ok && RenombraIndicesTemporales(cnx, tabla);
  return Termina(cnx, ok);
}

// The old table gives way to the copy: drop, table rename and index renames, all or nothing.
bool Cambia(CnxOdbc* cnx, SentOdbc* s, const std::string& temp, const char* tabla,
            int nClaves) {
  IniTransaccion(cnx);
  UsaBase(s);
  s->ExecTexto("drop table ", tabla);
  ChkSent(s, kOpReestructura, "", "S0002");
  bool ok = s->ret >= 0 || strcmp(s->sqlState, "S0002") == 0;
  s->Cierra();
  ok = ok && Renombra(s, temp.c_str(), tabla, 0, nullptr) >= 0;
  s->Cierra();
  for (int k = 0; ok && k < nClaves; ++k) {
    char temporal[kLonNombreIndice], final[kLonNombreIndice];
    ok = NomIndice(temp.c_str(), k, temporal, sizeof temporal) &&
         NomIndice(tabla, k, final, sizeof final);
    std::string viejo = std::string(tabla) + "." + temporal;
    ok = ok && Renombra(s, viejo.c_str(), final, 0, "INDEX") >= 0;
    s->Cierra();
  }
  return Termina(cnx, ok);
}

// Copies the old table's records into the new one in the order of the old first key. `leidos`
// counts every record read, `copiados` those written (all but the ones older than primerDia).
// The inserts are committed in batches: one commit per record would cost a flush of the
// server's log each; between batches other writers get their turn.
void Copia(CnxOdbc* cnx, ArchSql* vieja, ArchSql* nueva, int campoFecha, int primerDia,
           long* leidos, long* copiados) {
  IniTransaccion(cnx);
  for (int r = vieja->Lee(7, 0, 0, 0); r >= 0; r = vieja->Lee(5, 0, 0, 0)) {
    ++*leidos;
    if (primerDia != 0 && campoFecha >= 1 && DiaNum(vieja->NumCmp(campoFecha)) < primerDia)
      continue;
    int nViejos = vieja->NumCmps(), nNuevos = nueva->NumCmps();
    for (int i = 0; i < nNuevos; ++i) nueva->PonTxtCmp(i, i < nViejos ? vieja->TxtCmp(i, 0) : "");
    nueva->Alta(0);
    if (++*copiados % kLote == 0) {
      cnx->ret = SQLTransact(*AmbienteOdbc, cnx->hdbc, SQL_COMMIT);
      DiagCnx(cnx);
    }
  }
  Termina(cnx, true);
}

}  // namespace

void AjtCmpsSQL(const char* servidor, const char* base, const char* tabla,
                const unsigned short* campos, const int* claves, const void* cabecera,
                const char* usuario, const char* clave, int ordenFecha, int campoFecha,
                int primerDia) {
  CnxOdbc* cnx = NvaCnxOdbc(servidor, base, usuario, clave);
  if (!cnx) return;
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 1, &exito, "");
  const std::string temp = std::string("TEMP_") + (tabla ? tabla : "");
  int nClaves = claves && claves[0] > 0 ? claves[0] : 1;
  char indice[kLonNombreIndice];

  if (!NombreSimple(tabla) || !NombreSimple(temp.c_str()) || !cabecera || !campos) {
    RegistraParada(s, tabla, "Restructuring refused: no layout, or a table name that is not a "
                             "plain name of at most 123 characters.");
  } else if (nClaves > kMaxClaves ||
             !NomIndice(temp.c_str(), nClaves - 1, indice, sizeof indice)) {
    RegistraParada(s, tabla, "Restructuring refused: the index names of TEMP_" +
                                 std::string(tabla) + " would not fit in 99 characters.");
  } else {
    bool hayVieja = ExisteTabla(cnx, tabla);
    bool seguir = true;
    if (ExisteTabla(cnx, temp.c_str())) {
      if (hayVieja) {
        BorraTabla(s, temp.c_str());  // an earlier run stopped before the drop: the old table
                                      // still holds every record
      } else if (Recupera(cnx, s, temp, tabla)) {
        hayVieja = true;  // an earlier run stopped after the drop: its copy is the table
      } else {
        RegistraParada(s, tabla, "Restructuring stopped: " + temp +
                                     " holds the data of an interrupted run and could not be "
                                     "renamed; nothing changed.");
        seguir = false;
      }
    }
    if (seguir) {
      int estado = 0;
      ArchSql* vieja = new ArchSql(cnx, tabla, &estado, ordenFecha, 0, "");
      ArchSql* nueva = new ArchSql(cnx, temp.c_str(), &estado, ordenFecha, 0, "");
      nueva->CreaArch(cabecera, campos, claves);
      bool creada = nueva->ultRet >= 0;
      long leidos = 0, copiados = 0;
      if (creada) Copia(cnx, vieja, nueva, campoFecha, primerDia, &leidos, &copiados);
      long enVieja = hayVieja ? vieja->NumRegs(0, 1) : 0;
      long enNueva = creada ? nueva->NumRegs(0, 1) : 0;
      nClaves = nueva->NumClaves();
      // Both go before the drop: an open cursor would hold the tables.
      delete vieja;
      delete nueva;

      std::string causa;
      if (!creada)
        causa = temp + " could not be created";
      else if (leidos != enVieja)
        causa = std::to_string(leidos) + " of the " + std::to_string(enVieja) +
                " records of the table could be read in the order of its first key";
      else if (copiados != enNueva)
        causa = std::to_string(enNueva) + " of the " + std::to_string(copiados) +
                " records to carry over reached " + temp;
      else if (!Cambia(cnx, s, temp, tabla, nClaves))
        causa = "the table could not be replaced by " + temp;
      if (!causa.empty()) {
        BorraTabla(s, temp.c_str());
        RegistraParada(s, tabla, "Restructuring stopped: " + causa +
                                     ". The table is unchanged; " + temp + " was dropped.");
      }
    }
  }
  delete s;
  DelCnxOdbc(cnx);
}

}  // namespace zorb
