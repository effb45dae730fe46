// Administration of whole databases and tables, each call on a connection of its own.
#pragma once
#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

class vector2;

namespace zorb {
// CREATE DATABASE from "master": 0 also when no connection could be opened.
int NvaBaseD(const char* servidor, const char* base, const char* usuario, const char* clave);
// DROP DATABASE from "master": as NvaBaseD.
int DelBaseD(const char* servidor, const char* base, const char* usuario, const char* clave);
// Drops one table, or every user table of the database for "*"; a null name changes nothing.
void DropArcSQL(const char* servidor, const char* base, const char* usuario, const char* clave,
                const char* tabla);
// Text of result column i of the statement's current row; empty when there is no such column.
const char* TextoColumna(SentOdbc* s, int i);
// Names of the user tables of the connection's database into `nombres` (from index 0), in the
// order the catalogue lists them; their count. Closes the statement's cursor.
int ListaTablas(SentOdbc* s, vector2* nombres);
// Drops every user table of the connection's database, in the order the catalogue lists them.
void BorraTablas(CnxOdbc* cnx);
// Renames every index of every user table whose name begins with "TEMP_" to the rest of its name.
void CorrigeIndices(const char* servidor, const char* base, const char* usuario,
                    const char* clave);
// Names of the table's indexes that begin with "TEMP_", without the prefix, into `finales`.
int IndicesTemporales(CnxOdbc* cnx, const char* tabla, vector2* finales);
// Renames each of those indexes to its name without the prefix; false when a rename failed.
bool RenombraIndicesTemporales(CnxOdbc* cnx, const char* tabla);
// Gives the table a new field and key layout, keeping its records (zorb.h).
void AjtCmpsSQL(const char* servidor, const char* base, const char* tabla,
                const unsigned short* campos, const int* claves, const void* cabecera,
                const char* usuario, const char* clave, int ordenFecha, int campoFecha,
                int primerDia);
}  // namespace zorb
