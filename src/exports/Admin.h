// Administration of whole databases and tables, each call on a connection of its own.
#pragma once
#include "odbc/CnxOdbc.h"

namespace zorb {
// CREATE DATABASE from "master": 0 also when no connection could be opened.
int NvaBaseD(const char* servidor, const char* base, const char* usuario, const char* clave);
// DROP DATABASE from "master": as NvaBaseD.
int DelBaseD(const char* servidor, const char* base, const char* usuario, const char* clave);
// Drops one table, or every user table of the database for "*"; a null name changes nothing.
void DropArcSQL(const char* servidor, const char* base, const char* usuario, const char* clave,
                const char* tabla);
// Drops every user table of the connection's database, in the order the catalogue lists them.
void BorraTablas(CnxOdbc* cnx);
}  // namespace zorb
