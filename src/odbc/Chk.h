// Result checks and the SQL log file.
#pragma once
#include "odbc/SentOdbc.h"

// Name of the log, in the current directory.
constexpr const char* kNomLog = "ZorbLog.txt";

// Judges the last call of the statement: reads its first diagnostic and appends a log record
// unless the call succeeded, found no data, or its SQLSTATE is one of the ignored ones.
// 1 when a record was written.
int ChkSent(SentOdbc* s, int operacion, const char* contexto, const char* i1 = nullptr,
            const char* i2 = nullptr, const char* i3 = nullptr, const char* i4 = nullptr,
            const char* i5 = nullptr, const char* i6 = nullptr);
// As ChkSent with the table name as context.
int ChkTabla(SentTabla* s, int operacion, const char* i1 = nullptr, const char* i2 = nullptr);
// As ChkTabla, and *repetir = 0 when the state says the step is to be repeated
// ("40001", "01S01", "01000"), 1 otherwise.
int ClasificaErr(SentTabla* s, int operacion, int* repetir, const char* i1 = nullptr,
                 const char* i2 = nullptr, const char* i3 = nullptr);
// Reads the first diagnostic of the statement whatever `ret` is; its message, or null.
char* LeeDiag(SentOdbc* s);
// Appends one record to the log.
void EscribeLog(const char* registro);
// "hh:mm:ss" of the local time, into a buffer of 9 bytes.
void HoraTexto(char* hora);
// Writes a record for the statement with the given state and message (used by ChkSent and by
// call sites that refuse a statement themselves).
void RegistraError(SentOdbc* s, int operacion, const char* contexto);
// A record without a statement (a connection refused before it was attempted); no SQL text.
void RegistraConexion(int operacion, const char* contexto, const char* mensaje);
