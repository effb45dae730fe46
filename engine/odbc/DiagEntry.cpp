// Diagnostics: SQLGetDiagRec, SQLGetDiagField and SQLError. They read a handle's records
// without clearing them.
#include <cstring>

#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace {

struct Found {
  Handle* handle = nullptr;
  Env* env = nullptr;
  Dbc* dbc = nullptr;
  Stmt* stmt = nullptr;
};

Found Find(SQLSMALLINT type, SQLHANDLE h) {
  Found f;
  if (!h) return f;
  switch (type) {
    case SQL_HANDLE_ENV: {
      auto* e = static_cast<Env*>(h);
      if (IsLiveHandle(e, kEnvMagic)) f.handle = f.env = e;
      break;
    }
    case SQL_HANDLE_DBC: {
      auto* d = static_cast<Dbc*>(h);
      if (IsLiveHandle(d, kDbcMagic)) {
        f.handle = f.dbc = d;
        f.env = d->env;
      }
      break;
    }
    case SQL_HANDLE_STMT: {
      auto* s = static_cast<Stmt*>(h);
      if (IsLiveHandle(s, kStmtMagic)) {
        f.handle = f.stmt = s;
        f.dbc = s->dbc;
        f.env = s->dbc->env;
      }
      break;
    }
    default:
      break;
  }
  return f;
}

// The state as the application's ODBC version expects it.
std::string StateFor(const Found& f, const std::string& state) {
  return f.env && f.env->odbcVersion == SQL_OV_ODBC2 ? Odbc2State(state) : state;
}

void PutState(const std::string& state, SQLCHAR* out) {
  if (out) {
    std::memcpy(out, state.c_str(), 5);
    out[5] = '\0';
  }
}

// Copies a message without posting anything: truncation is only reported by the return code.
template <class L>
SQLRETURN PutMessage(const std::string& s, SQLPOINTER out, SQLLEN max, L* length) {
  if (length) *length = L(s.size());
  if (!out || max <= 0) return out && !s.empty() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
  size_t room = size_t(max) - 1;
  size_t n = s.size() < room ? s.size() : room;
  std::memcpy(out, s.data(), n);
  static_cast<char*>(out)[n] = '\0';
  return n < s.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

std::string ClassOrigin(const std::string& state) {
  // Classes ODBC defines beyond ISO 9075.
  static const char* const kOdbc[] = {"01S", "07S", "08S", "21S", "25S", "42S", "HY", "IM"};
  for (const char* p : kOdbc)
    if (state.compare(0, std::strlen(p), p) == 0) return "ODBC 3.0";
  return "ISO 9075";
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                                SQLSMALLINT max, SQLSMALLINT* length) {
  Found f = Find(type, handle);
  if (!f.handle) return SQL_INVALID_HANDLE;
  if (number < 1 || max < 0) return SQL_ERROR;
  const auto& records = f.handle->diag.records();
  if (size_t(number) > records.size()) return SQL_NO_DATA;
  const DiagRecord& r = records[size_t(number) - 1];
  PutState(StateFor(f, r.state), state);
  if (native) *native = r.native;
  return PutMessage(r.message, message, max, length);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                  SQLSMALLINT field, SQLPOINTER info, SQLSMALLINT max,
                                  SQLSMALLINT* length) {
  Found f = Find(type, handle);
  if (!f.handle) return SQL_INVALID_HANDLE;
  const Diagnostics& d = f.handle->diag;
  auto integer = [&](auto v) {
    if (info) std::memcpy(info, &v, sizeof v);
    if (length) *length = SQLSMALLINT(sizeof v);
    return SQL_SUCCESS;
  };
  // Header fields.
  switch (field) {
    case SQL_DIAG_NUMBER: return integer(SQLINTEGER(d.records().size()));
    case SQL_DIAG_RETURNCODE: return integer(SQLRETURN(d.returnCode()));
    case SQL_DIAG_ROW_COUNT:
      if (!f.stmt) return SQL_ERROR;
      return integer(SQLLEN(f.stmt->rowCount));
    case SQL_DIAG_CURSOR_ROW_COUNT:
      if (!f.stmt) return SQL_ERROR;
      return integer(SQLLEN(-1));
    case SQL_DIAG_DYNAMIC_FUNCTION:
      if (!f.stmt) return SQL_ERROR;
      return PutMessage(std::string(), info, max, length);
    case SQL_DIAG_DYNAMIC_FUNCTION_CODE:
      if (!f.stmt) return SQL_ERROR;
      return integer(SQLINTEGER(SQL_DIAG_UNKNOWN_STATEMENT));
    default:
      break;
  }
  if (number < 1) return SQL_ERROR;
  if (size_t(number) > d.records().size()) return SQL_NO_DATA;
  const DiagRecord& r = d.records()[size_t(number) - 1];
  switch (field) {
    case SQL_DIAG_SQLSTATE: return PutMessage(StateFor(f, r.state), info, max, length);
    case SQL_DIAG_NATIVE: return integer(SQLINTEGER(r.native));
    case SQL_DIAG_MESSAGE_TEXT: return PutMessage(r.message, info, max, length);
    case SQL_DIAG_CLASS_ORIGIN: return PutMessage(ClassOrigin(r.state), info, max, length);
    case SQL_DIAG_SUBCLASS_ORIGIN: return PutMessage(ClassOrigin(r.state), info, max, length);
    case SQL_DIAG_CONNECTION_NAME: return PutMessage(std::string(), info, max, length);
    case SQL_DIAG_SERVER_NAME:
      return PutMessage(f.dbc ? f.dbc->serverText : std::string(), info, max, length);
    case SQL_DIAG_ROW_NUMBER:
      if (!f.stmt) return SQL_ERROR;
      return integer(SQLLEN(r.row));
    case SQL_DIAG_COLUMN_NUMBER:
      if (!f.stmt) return SQL_ERROR;
      return integer(SQLINTEGER(r.column));
    default:
      return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state,
                           SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                           SQLSMALLINT* length) {
  Found f = stmt ? Find(SQL_HANDLE_STMT, stmt)
                 : dbc ? Find(SQL_HANDLE_DBC, dbc) : Find(SQL_HANDLE_ENV, env);
  if (!f.handle) return SQL_INVALID_HANDLE;
  const DiagRecord* r = f.handle->diag.NextForError();
  if (!r) {
    PutState("00000", state);
    if (native) *native = 0;
    if (message && max > 0) message[0] = '\0';
    if (length) *length = 0;
    return SQL_NO_DATA;
  }
  PutState(StateFor(f, r->state), state);
  if (native) *native = r->native;
  return PutMessage(r->message, message, max, length);
}

}  // extern "C"
