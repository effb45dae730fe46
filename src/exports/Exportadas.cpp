// The library's C exports: thin entries into the internal code.
#include "zorb/zorb.h"

#include "exports/Admin.h"
#include "exports/Archivos.h"
#include "exports/Grupo.h"
#include "exports/MacroSql.h"

extern "C" {

ZORB_API GrpOdbc* NvoGrpOdbc(void) { return zorb::NvoGrpOdbc(); }

ZORB_API CnxOdbc* mOdbc(GrpOdbc* grupo, const char* servidor, const char* base,
                        const char* usuario, const char* clave) {
  return zorb::mOdbc(grupo, servidor, base, usuario, clave);
}

ZORB_API void DelGrpOdbc(GrpOdbc* grupo) { zorb::DelGrpOdbc(grupo); }

ZORB_API int NvaBaseD(const char* servidor, const char* base, const char* usuario,
                      const char* clave) {
  return zorb::NvaBaseD(servidor, base, usuario, clave);
}

ZORB_API int DelBaseD(const char* servidor, const char* base, const char* usuario,
                      const char* clave) {
  return zorb::DelBaseD(servidor, base, usuario, clave);
}

ZORB_API void DropArcSQL(const char* servidor, const char* base, const char* usuario,
                         const char* clave, const char* tabla) {
  zorb::DropArcSQL(servidor, base, usuario, clave, tabla);
}

ZORB_API void CorrigeIndices(const char* servidor, const char* base, const char* usuario,
                             const char* clave) {
  zorb::CorrigeIndices(servidor, base, usuario, clave);
}

ZORB_API void AjtCmpsSQL(const char* servidor, const char* base, const char* tabla,
                         const unsigned short* campos, const int* claves, const void* cabecera,
                         const char* usuario, const char* clave, int ordenFecha,
                         int campoFecha, int primerDia) {
  zorb::AjtCmpsSQL(servidor, base, tabla, campos, claves, cabecera, usuario, clave, ordenFecha,
                   campoFecha, primerDia);
}

ZORB_API int MacroSQL(int operacion, const char* sql, int fila, ResultadoSql* resultado,
                      CnxOdbc** celdaCnx, SentOdbc** celdaSent, const char* servidor,
                      const char* base, const char* usuario, const char* clave, char* error) {
  return zorb::MacroSQL(operacion, sql, fila, resultado, celdaCnx, celdaSent, servidor, base,
                        usuario, clave, error);
}

ZORB_API int DelMacroSQL(CnxOdbc** celdaCnx, SentOdbc** celdaSent) {
  return zorb::DelMacroSQL(celdaCnx, celdaSent);
}

ZORB_API Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha,
                          int noUsado, const char* opcion) {
  return zorb::NvoArchSQL(cnx, tabla, faltaTabla, ordenFecha, noUsado, opcion);
}

ZORB_API void DelArchSQL(Arch* arch) { zorb::DelArchSQL(arch); }

}  // extern "C"
