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
}  // namespace zorb
