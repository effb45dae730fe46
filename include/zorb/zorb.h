/* The library's exported C functions. */
#ifndef ZORB_ZORB_H
#define ZORB_ZORB_H

#if defined(_WIN32)
#  if defined(ZORB_BUILDING)
#    define ZORB_API __declspec(dllexport)
#  else
#    define ZORB_API __declspec(dllimport)
#  endif
#else
#  define ZORB_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GrpOdbc GrpOdbc; /* connection cache of the host */
typedef struct CnxOdbc CnxOdbc; /* one open connection, owned by its group */

/* A new, empty connection group; null when memory runs out. */
ZORB_API GrpOdbc* NvoGrpOdbc(void);

/* The group's connection for server and database, opened on the first request.
   User and password count only then; a pair that failed keeps answering null. */
ZORB_API CnxOdbc* mOdbc(GrpOdbc* grupo, const char* servidor, const char* base,
                        const char* usuario, const char* clave);

/* Closes every connection of the group and frees it; null does nothing. */
ZORB_API void DelGrpOdbc(GrpOdbc* grupo);

/* Creates the database from "master". 0 or 1 on success, -1 on failure (logged); also 0 when
   no connection to the server could be opened. */
ZORB_API int NvaBaseD(const char* servidor, const char* base, const char* usuario,
                      const char* clave);

/* Drops the database from "master"; results as NvaBaseD. */
ZORB_API int DelBaseD(const char* servidor, const char* base, const char* usuario,
                      const char* clave);

/* Drops the table, or every user table of the database when the name is "*".
   A missing table is not an error; a null name changes nothing. */
ZORB_API void DropArcSQL(const char* servidor, const char* base, const char* usuario,
                         const char* clave, const char* tabla);

/* Renames every index of every user table whose name begins with "TEMP_" (left by an
   interrupted restructuring) to the rest of its name; a name already taken stays as it is. */
ZORB_API void CorrigeIndices(const char* servidor, const char* base, const char* usuario,
                             const char* clave);

/* Gives the table a new layout, keeping its records: fields (one 16-bit descriptor each), keys
   and layout header (its int at byte 20 is the field count) as for the CreaArch slot. Records
   are copied by field position into TEMP_<table>, in the order of the old first key; when
   primerDia is not 0 and campoFecha is at least 1, records whose date in field campoFecha
   falls before day primerDia are left out. The old table is dropped, and the copy and its
   indexes take the old names, in one transaction and only when the copy holds every record
   read; otherwise the copy is dropped and the table stays as it was (logged). A TEMP_ table
   left by an interrupted run is dropped first when the table exists, and becomes the table
   when it does not. A missing table is created, empty. */
ZORB_API void AjtCmpsSQL(const char* servidor, const char* base, const char* tabla,
                         const unsigned short* campos, const int* claves, const void* cabecera,
                         const char* usuario, const char* clave, int ordenFecha,
                         int campoFecha, int primerDia);

/* Free SQL. The host keeps two cells, filled on first use and released by DelMacroSQL.
   Operations: 1 execute and deliver the first row, 2 deliver the next row, 4 close the result
   set, 5 execute and deliver every row (on failure the error text goes to `error`, at least 299
   bytes); 3 and any other number give -1. Values go to the result object (include/zorb/host.h):
   AbreFila(row) once per execution, then PonCelda(row, rowset row, column, text). -2: nothing
   could be run (no result object, no connection, no statement). A text over 5999 characters
   is not executed (-1). */
typedef struct ResultadoSql ResultadoSql; /* result object of the host */
typedef struct SentOdbc SentOdbc;         /* statement of MacroSQL, held in the host's cell */
ZORB_API int MacroSQL(int operacion, const char* sql, int fila, ResultadoSql* resultado,
                      CnxOdbc** celdaCnx, SentOdbc** celdaSent, const char* servidor,
                      const char* base, const char* usuario, const char* clave, char* error);

/* Releases what the two cells hold and clears them; always 1. */
ZORB_API int DelMacroSQL(CnxOdbc** celdaCnx, SentOdbc** celdaSent);

/* Opens the table on the connection as a data file (include/zorb/host.h). The flag becomes 1
   when the table does not exist: the object then comes back unopened, to be made by its
   CreaArch slot. Null when there is no connection or statement, or the database is missing.
   ordenFecha 2 reads and writes dates month first; noUsado is ignored; the option text goes
   into the log records of the object. */
typedef struct Arch Arch; /* data file of the host */
ZORB_API Arch* NvoArchSQL(CnxOdbc* cnx, const char* tabla, int* faltaTabla, int ordenFecha,
                          int noUsado, const char* opcion);

/* Destroys a data file made by NvoArchSQL; null does nothing. */
ZORB_API void DelArchSQL(Arch* arch);

#ifdef __cplusplus
}
#endif

#endif
