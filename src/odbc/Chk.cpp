// Result checks: judge the last call of a statement and append unexpected outcomes to the log.
#include "odbc/Chk.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Plataforma.h"

namespace {

const char kMsgDesborde[] = "Statement text longer than 5999 characters: not executed.";

void LimpiaDiag(SentOdbc* s) {
  s->sqlState[0] = '\0';
  s->mensaje[0] = '\0';
  s->errNativo = 0;
  s->lonMensaje = 0;
}

void LeeDiagRec(SentOdbc* s) {
  SQLGetDiagRec(SQL_HANDLE_STMT, s->hstmt, 1, (SQLCHAR*)s->sqlState, &s->errNativo,
                (SQLCHAR*)s->mensaje, 511, &s->lonMensaje);
  s->sqlState[5] = '\0';
  s->mensaje[511] = '\0';
}

void Dos(std::string& t, int v) {
  t += static_cast<char>('0' + (v / 10) % 10);
  t += static_cast<char>('0' + v % 10);
}

}  // namespace

namespace {

void Hora(const HoraLocal& h, char* hora) {
  memcpy(hora, "00:00:00", 9);
  hora[0] = static_cast<char>('0' + (h.hora / 10) % 10);
  hora[1] = static_cast<char>('0' + h.hora % 10);
  hora[3] = static_cast<char>('0' + (h.minuto / 10) % 10);
  hora[4] = static_cast<char>('0' + h.minuto % 10);
  hora[6] = static_cast<char>('0' + (h.segundo / 10) % 10);
  hora[7] = static_cast<char>('0' + h.segundo % 10);
}

// One record; date and time come from one reading of the clock.
void Registra(int operacion, const char* estado, const char* contexto, const char* mensaje,
              const char* sentencia, const char* opcion) {
  HoraLocal h;
  LeeHoraLocal(&h);
  char hora[9];
  Hora(h, hora);

  std::string r;
  r.reserve(kLonSentencia + 700);
  r += "====\r\nFecha: ";
  r += std::to_string(h.anio);
  r += '-';
  Dos(r, h.mes);
  r += '-';
  Dos(r, h.dia);
  r += ' ';
  r += hora;
  r += "\r\nError SQL ";
  r += std::to_string(operacion);
  r += '-';
  r += estado;
  r += '-';
  if (contexto) r += contexto;
  r += "\r\n";
  r += mensaje;
  r += "\r\nSentencia SQL: \r\n";
  r += sentencia;
  r += "\r\n";
  if (opcion && *opcion) {
    r += "Opci\xF3n: ";
    r += opcion;
    r += "\r\n";
  }
  EscribeLog(r.c_str());
}

}  // namespace

void HoraTexto(char* hora) {
  HoraLocal h;
  LeeHoraLocal(&h);
  Hora(h, hora);
}

void EscribeLog(const char* registro) {
  AnexaBloqueado(kNomLog, registro, strlen(registro));
}

void RegistraError(SentOdbc* s, int operacion, const char* contexto) {
  Registra(operacion, s->sqlState, contexto, s->mensaje, s->sentencia, s->opcion);
}

void RegistraConexion(int operacion, const char* contexto, const char* mensaje) {
  Registra(operacion, "", contexto, mensaje, "", nullptr);
}

int ChkSent(SentOdbc* s, int operacion, const char* contexto, const char* i1, const char* i2,
            const char* i3, const char* i4, const char* i5, const char* i6) {
  LimpiaDiag(s);
  if (s->ret == SQL_SUCCESS || s->ret == SQL_NO_DATA) return 0;
  if (s->ret == SQL_ERROR && s->desborde) {
    // Refused before reaching the driver: say why.
    strcpy(s->mensaje, kMsgDesborde);
    s->lonMensaje = static_cast<SQLSMALLINT>(sizeof kMsgDesborde - 1);
  } else if (s->ret == SQL_ERROR || s->ret == SQL_SUCCESS_WITH_INFO) {
    LeeDiagRec(s);
  }
  const char* ignorados[] = {i1, i2, i3, i4, i5, i6};
  for (const char* e : ignorados)
    if (e && strcmp(e, s->sqlState) == 0) return 0;
  RegistraError(s, operacion, contexto);
  return 1;
}

int ChkTabla(SentTabla* s, int operacion, const char* i1, const char* i2) {
  return ChkSent(s, operacion, s->tabla, i1, i2);
}

int ClasificaErr(SentTabla* s, int operacion, int* repetir, const char* i1, const char* i2,
                 const char* i3) {
  int r = ChkSent(s, operacion, s->tabla, "40001", "01S01", "01000", i1, i2, i3);
  if (!strcmp(s->sqlState, "40001") || !strcmp(s->sqlState, "01S01") ||
      !strcmp(s->sqlState, "01000")) {
    *repetir = 0;
    return 0;
  }
  *repetir = 1;
  return r;
}

char* LeeDiag(SentOdbc* s) {
  LimpiaDiag(s);
  LeeDiagRec(s);
  return s->lonMensaje >= 1 ? s->mensaje : nullptr;
}
