// Statement builders: SQL text written into a statement's `sentencia` and executed.
// Every builder stays within the buffer: a text that would not fit is not executed, the call
// returns SQL_ERROR with `desborde` set, and the check at the call site logs why.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "odbc/CnxOdbc.h"
#include "odbc/SentOdbc.h"

// Suffix of the index names of a table: T_indent, T_indent2, T_indent3, ...
constexpr const char* kSufijoIndice = "_indent";

// Appending to the statement's text. Once a piece has been refused nothing more is appended.
// A null text appends nothing. False when the piece did not fit (or an earlier one did not).
bool AnexaTxt(SentOdbc* s, const char* texto);
bool AnexaNum(SentOdbc* s, int32_t n);
// Appends the text between single quotes, each quote inside it doubled.
bool AnexaValor(SentOdbc* s, const char* texto);
// The same doubling for texts built outside a statement.
void DoblaComillas(std::string& destino, const char* texto);
// Appends a name: unchanged when it is already a name of at most `partes` parts separated by
// '.' (each a letter or '_' followed by letters, digits and '_', or a [bracketed] name),
// otherwise as one bracketed name with every ']' doubled. Whatever the text, it stays one name.
// partes 0: a bare name (as the catalogue lists them), bracketed unless plain.
bool AnexaNombre(SentOdbc* s, const char* nombre, int partes = 1);

// Name of index k (0 for the first) of the table into `nombre` (room for `tam` bytes, terminator
// included). False, with `nombre` empty, when it does not fit.
bool NomIndice(const char* tabla, int k, char* nombre, size_t tam);

// SELECT with its clauses; closes the cursor and sets the cursor type, concurrency and rowset size
// first (checks 106 to 109). The execution is left to the caller to check.
// indice: -1 no index hint; cuantificador: 0 none, 1 "ALL ", 2 "DISTINCT ".
SQLRETURN ArmaSelect(SentOdbc* s, int tamLote, const char* tabla, const char* lista,
                     int concurrencia, int tipoCursor, int exclusivo, const char* listaAlterna,
                     const char* into, const char* where, const char* groupBy, const char* having,
                     const char* orderBy, int indice, const char* compute, int cuantificador,
                     int forBrowse);

// One row from the current texts of the statement's columns, in column order; -1 with nothing
// executed when the statement has no columns.
SQLRETURN InsertaFila(SentOdbc* s, const char* tabla);

// A table with the statement's columns.
SQLRETURN CreaTabla(SentOdbc* s, const char* tabla);

// An index on columns of the statement's list. claves: the count n, then n column numbers from 1.
// agrupado: 0 not stated, 1 clustered, other nonclustered. A key list that is empty or names a
// column outside the list is refused: nothing is executed, -1, and a record is logged.
SQLRETURN CreaIndice(SentOdbc* s, const char* tabla, const char* indice, const int32_t* claves,
                     int unico, int agrupado);

// "USE " and the connection's database.
SQLRETURN UsaBase(SentOdbc* s);
// UsaBase, then drops the table; a missing table is not logged.
SQLRETURN BorraTabla(SentOdbc* s, const char* tabla);
// From "master" on the connection: CREATE DATABASE with the placement clauses when a device is
// given. noUsado is accepted and ignored (no separate log device).
SQLRETURN NvaBase(CnxOdbc* cnx, const char* base, const char* dispositivo, int tamDatos,
                  int noUsado, int tamLog, int paraCarga);
SQLRETURN BorraBase(CnxOdbc* cnx, const char* base);
// sp_rename 'viejo','nuevo'[,'tipo']; "37000" is not logged when aceptaSintaxis is set.
SQLRETURN Renombra(SentOdbc* s, const char* viejo, const char* nuevo, int aceptaSintaxis,
                   const char* tipo);
