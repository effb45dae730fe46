// Statements on whole databases and tables: USE, drop table, CREATE/DROP DATABASE, sp_rename.
#include "odbc/Chk.h"
#include "sqltext/Sentencias.h"

SQLRETURN UsaBase(SentOdbc* s) {
  s->IniTexto("USE ");
  AnexaNombre(s, s->cnx ? s->cnx->nomBase : nullptr);
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 114, "", "08004", "01000");
  return r;
}

SQLRETURN BorraTabla(SentOdbc* s, const char* tabla) {
  UsaBase(s);
  s->IniTexto("drop table ");
  AnexaNombre(s, tabla, 3);
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 115, "", "S0002");
  return r;
}

SQLRETURN NvaBase(CnxOdbc* cnx, const char* base, const char* dispositivo, int tamDatos,
                  int /*noUsado*/, int tamLog, int paraCarga) {
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 0, &exito, "");
  UsaBase(s);
  s->IniTexto("CREATE DATABASE ");
  AnexaNombre(s, base);
  if (dispositivo) {
    AnexaTxt(s, " ON ");
    AnexaNombre(s, dispositivo);
    if (tamDatos != 0) {
      AnexaTxt(s, " = ");
      AnexaNum(s, tamDatos);
    }
    if (tamLog != 0) {
      AnexaTxt(s, " LOG ON ");
      AnexaNombre(s, dispositivo);
      AnexaTxt(s, " = ");
      AnexaNum(s, tamLog);
    }
    if (paraCarga) AnexaTxt(s, " FOR LOAD");
  }
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 124, base, "01000");
  delete s;
  return r;
}

SQLRETURN BorraBase(CnxOdbc* cnx, const char* base) {
  int exito = 0;
  SentOdbc* s = new SentOdbc(cnx, 0, &exito, "");
  UsaBase(s);
  s->IniTexto("DROP DATABASE ");
  AnexaNombre(s, base);
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 125, base, "01000");
  delete s;
  return r;
}

SQLRETURN Renombra(SentOdbc* s, const char* viejo, const char* nuevo, int aceptaSintaxis,
                   const char* tipo) {
  UsaBase(s);
  // The names are the procedure's text arguments: quoted values, so they stay arguments.
  s->IniTexto("sp_rename ");
  AnexaValor(s, viejo);
  AnexaTxt(s, ",");
  AnexaValor(s, nuevo);
  if (tipo) {
    AnexaTxt(s, ",");
    AnexaValor(s, tipo);
  }
  SQLRETURN r = s->ExecDirect();
  ChkSent(s, 102, "", "01000", aceptaSintaxis ? "37000" : nullptr);
  return r;
}
