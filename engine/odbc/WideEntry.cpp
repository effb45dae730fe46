// The wide (W) entry points. unixODBC calls them on a connection made with SQLDriverConnectW or
// SQLConnectW (pyodbc and other Unicode clients), converting an application's ANSI calls to them
// too. Each converts its UTF-16 arguments to the engine's code page, calls the ANSI entry point,
// and converts the texts it returns: lengths in characters where ODBC counts characters
// (names, messages, connection strings), in bytes where it counts bytes (attributes, SQLGetInfo).
#include <cstring>
#include <vector>

#include "common/Wide.h"
#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace {

// An input text as the ANSI entry point takes it; absent stays absent.
struct Arg {
  Arg(const SQLWCHAR* s, SQLINTEGER length) : present(s != nullptr) {
    if (present) text = WideArg(s, length);
  }
  SQLCHAR* ptr() { return present ? reinterpret_cast<SQLCHAR*>(&text[0]) : nullptr; }
  SQLSMALLINT len16() const { return SQLSMALLINT(text.size()); }
  SQLINTEGER len32() const { return SQLINTEGER(text.size()); }
  bool present;
  std::string text;
};

// Calls an ANSI function that writes a text, with a buffer large enough for all of it.
template <class L, class F>
SQLRETURN CallForText(F&& call, std::string& text) {
  std::vector<char> buf(1024);
  L length = 0;
  SQLRETURN rc = call(buf.data(), L(buf.size()), &length);
  if (SQL_SUCCEEDED(rc) && length >= L(buf.size())) {
    buf.assign(size_t(length) + 1, '\0');
    rc = call(buf.data(), L(buf.size()), &length);
  }
  if (SQL_SUCCEEDED(rc)) text.assign(buf.data(), std::min(size_t(length < 0 ? 0 : length),
                                                          buf.size() - 1));
  return rc;
}

// Writes text as UTF-16 into out (room counted in characters, or in bytes when inBytes) with
// its NUL; *outLength gets the full length in the same unit. A cut text gives
// SQL_SUCCESS_WITH_INFO and, when h is given, 01004 on it.
template <class L>
SQLRETURN PutWide(Handle* h, SQLRETURN rc, const std::string& text, SQLPOINTER out, SQLLEN room,
                  L* outLength, bool inBytes) {
  if (!SQL_SUCCEEDED(rc)) return rc;
  auto wide = ToWide(text);
  size_t unit = inBytes ? sizeof(SQLWCHAR) : 1;
  if (outLength) *outLength = L(wide.size() * unit);
  if (!out) return rc;
  size_t chars = room > 0 ? size_t(room) / unit : 0;
  bool cut = wide.size() + 1 > chars && !(wide.empty() && chars == 0);
  if (chars > 0) {
    size_t n = std::min(wide.size(), chars - 1);
    std::memcpy(out, wide.data(), n * sizeof(SQLWCHAR));
    static_cast<SQLWCHAR*>(out)[n] = 0;
  }
  if (!cut) return rc;
  if (h) {
    h->diag.Post("01004", 0, "String data, right truncation.");
    h->diag.SetReturnCode(SQL_SUCCESS_WITH_INFO);
  }
  return SQL_SUCCESS_WITH_INFO;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLConnectW(SQLHDBC dbc, SQLWCHAR* dsn, SQLSMALLINT dsnLength, SQLWCHAR* user,
                              SQLSMALLINT userLength, SQLWCHAR* password,
                              SQLSMALLINT passwordLength) {
  Arg d(dsn, dsnLength), u(user, userLength), p(password, passwordLength);
  return SQLConnect(dbc, d.ptr(), d.len16(), u.ptr(), u.len16(), p.ptr(), p.len16());
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in,
                                    SQLSMALLINT inLength, SQLWCHAR* out, SQLSMALLINT outMax,
                                    SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  Arg a(in, inLength);
  std::string text;
  SQLRETURN rc = CallForText<SQLSMALLINT>(
      [&](char* buf, SQLSMALLINT max, SQLSMALLINT* len) {
        return SQLDriverConnect(dbc, window, a.ptr(), a.len16(), reinterpret_cast<SQLCHAR*>(buf),
                                max, len, completion);
      },
      text);
  return PutWide(static_cast<Dbc*>(dbc), rc, text, out, outMax, outLength, false);
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length) {
  if (!text) return SQLExecDirect(stmt, nullptr, 0);
  Arg a(text, length);
  return SQLExecDirect(stmt, a.ptr(), a.len32());
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length) {
  if (!text) return SQLPrepare(stmt, nullptr, 0);
  Arg a(text, length);
  return SQLPrepare(stmt, a.ptr(), a.len32());
}

SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC dbc, SQLWCHAR* in, SQLINTEGER inLength, SQLWCHAR* out,
                                SQLINTEGER outMax, SQLINTEGER* outLength) {
  Arg a(in, inLength);
  std::string text;
  SQLRETURN rc = CallForText<SQLINTEGER>(
      [&](char* buf, SQLINTEGER max, SQLINTEGER* len) {
        return SQLNativeSql(dbc, a.ptr(), a.len32(), reinterpret_cast<SQLCHAR*>(buf), max, len);
      },
      text);
  return PutWide(static_cast<Dbc*>(dbc), rc, text, out, outMax, outLength, false);
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT stmt, SQLUSMALLINT number, SQLWCHAR* name,
                                  SQLSMALLINT nameMax, SQLSMALLINT* nameLength,
                                  SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                  SQLSMALLINT* nullable) {
  std::string text;
  SQLRETURN rc = CallForText<SQLSMALLINT>(
      [&](char* buf, SQLSMALLINT max, SQLSMALLINT* len) {
        return SQLDescribeCol(stmt, number, reinterpret_cast<SQLCHAR*>(buf), max, len, type,
                              size, digits, nullable);
      },
      text);
  return PutWide(static_cast<Stmt*>(stmt), rc, text, name, nameMax, nameLength, false);
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field,
                                   SQLPOINTER text, SQLSMALLINT textMax,
                                   SQLSMALLINT* textLength, SQLLEN* numeric) {
  // Only text fields set the length.
  const SQLSMALLINT kUnset = -32768;
  SQLSMALLINT probe = kUnset;
  std::string value;
  SQLRETURN rc = CallForText<SQLSMALLINT>(
      [&](char* buf, SQLSMALLINT max, SQLSMALLINT* len) {
        SQLRETURN r = SQLColAttribute(stmt, number, field, buf, max, &probe, numeric);
        *len = probe == kUnset ? 0 : probe;
        return r;
      },
      value);
  if (probe == kUnset) return rc;
  return PutWide(static_cast<Stmt*>(stmt), rc, value, text, textMax, textLength, true);
}

SQLRETURN SQL_API SQLColAttributesW(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field,
                                    SQLPOINTER text, SQLSMALLINT textMax,
                                    SQLSMALLINT* textLength, SQLLEN* numeric) {
  return SQLColAttributeW(stmt, number, field, text, textMax, textLength, numeric);
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                 SQLWCHAR* state, SQLINTEGER* native, SQLWCHAR* message,
                                 SQLSMALLINT max, SQLSMALLINT* length) {
  if (max < 0) return SQL_ERROR;
  SQLCHAR narrowState[6] = {0};
  std::string text;
  SQLRETURN rc = CallForText<SQLSMALLINT>(
      [&](char* buf, SQLSMALLINT room, SQLSMALLINT* len) {
        return SQLGetDiagRec(type, handle, number, narrowState, native,
                             reinterpret_cast<SQLCHAR*>(buf), room, len);
      },
      text);
  if (!SQL_SUCCEEDED(rc)) return rc;
  if (state)
    for (int i = 0; i < 6; ++i) state[i] = narrowState[i];
  // Diagnostic calls report a cut message by their return code only.
  return PutWide(nullptr, rc, text, message, max, length, false);
}

SQLRETURN SQL_API SQLErrorW(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLWCHAR* state,
                            SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max,
                            SQLSMALLINT* length) {
  SQLCHAR narrowState[6] = {0};
  // SQLError hands each record out once: one call, with room for any message.
  std::vector<char> buf(8192);
  SQLSMALLINT len = 0;
  SQLRETURN rc = SQLError(env, dbc, stmt, narrowState, native, reinterpret_cast<SQLCHAR*>(buf.data()),
                          SQLSMALLINT(buf.size()), &len);
  if (state)
    for (int i = 0; i < 6; ++i) state[i] = narrowState[i];
  if (!SQL_SUCCEEDED(rc)) {
    if (message && max > 0) message[0] = 0;
    if (length) *length = 0;
    return rc;
  }
  std::string text(buf.data(), std::min(size_t(len), buf.size() - 1));
  return PutWide(nullptr, rc, text, message, max, length, false);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT number,
                                   SQLSMALLINT field, SQLPOINTER info, SQLSMALLINT max,
                                   SQLSMALLINT* length) {
  switch (field) {
    case SQL_DIAG_SQLSTATE:
    case SQL_DIAG_MESSAGE_TEXT:
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
    case SQL_DIAG_DYNAMIC_FUNCTION: {
      std::string text;
      SQLRETURN rc = CallForText<SQLSMALLINT>(
          [&](char* buf, SQLSMALLINT room, SQLSMALLINT* len) {
            return SQLGetDiagField(type, handle, number, field, buf, room, len);
          },
          text);
      return PutWide(nullptr, rc, text, info, max, length, true);
    }
    default:
      return SQLGetDiagField(type, handle, number, field, info, max, length);
  }
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                              SQLSMALLINT* length) {
  // A text answer reports truncation into no room; a number fills its fixed size.
  char probe[8];
  SQLSMALLINT probeLength = 0;
  SQLRETURN rc = SQLGetInfo(dbc, type, probe, 0, &probeLength);
  bool isText = rc == SQL_SUCCESS_WITH_INFO || (rc == SQL_SUCCESS && probeLength == 0);
  if (!isText) return SQLGetInfo(dbc, type, value, max, length);
  std::string text;
  rc = CallForText<SQLSMALLINT>(
      [&](char* buf, SQLSMALLINT room, SQLSMALLINT* len) {
        return SQLGetInfo(dbc, type, buf, room, len);
      },
      text);
  return PutWide(static_cast<Dbc*>(dbc), rc, text, value, max, length, true);
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                     SQLINTEGER length) {
  if (attribute == SQL_ATTR_CURRENT_CATALOG) {
    Arg a(static_cast<SQLWCHAR*>(value),
          length == SQL_NTS ? SQL_NTS : length / SQLINTEGER(sizeof(SQLWCHAR)));
    return SQLSetConnectAttr(dbc, attribute, a.ptr(), a.len32());
  }
  return SQLSetConnectAttr(dbc, attribute, value, length);
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value,
                                     SQLINTEGER bufferLength, SQLINTEGER* length) {
  if (attribute != SQL_ATTR_CURRENT_CATALOG)
    return SQLGetConnectAttr(dbc, attribute, value, bufferLength, length);
  std::string text;
  SQLRETURN rc = CallForText<SQLINTEGER>(
      [&](char* buf, SQLINTEGER room, SQLINTEGER* len) {
        return SQLGetConnectAttr(dbc, attribute, buf, room, len);
      },
      text);
  return PutWide(static_cast<Dbc*>(dbc), rc, text, value, bufferLength, length, true);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                  SQLINTEGER length) {
  return SQLSetStmtAttr(stmt, attribute, value, length);
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value,
                                  SQLINTEGER bufferLength, SQLINTEGER* length) {
  return SQLGetStmtAttr(stmt, attribute, value, bufferLength, length);
}

SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT stmt, SQLSMALLINT dataType) {
  return SQLGetTypeInfo(stmt, dataType);
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT stmt, SQLWCHAR* catalog, SQLSMALLINT catalogLength,
                             SQLWCHAR* schema, SQLSMALLINT schemaLength, SQLWCHAR* table,
                             SQLSMALLINT tableLength, SQLWCHAR* types, SQLSMALLINT typesLength) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), t(table, tableLength),
      y(types, typesLength);
  return SQLTables(stmt, c.ptr(), c.len16(), s.ptr(), s.len16(), t.ptr(), t.len16(), y.ptr(),
                   y.len16());
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT stmt, SQLWCHAR* catalog, SQLSMALLINT catalogLength,
                              SQLWCHAR* schema, SQLSMALLINT schemaLength, SQLWCHAR* table,
                              SQLSMALLINT tableLength, SQLWCHAR* column,
                              SQLSMALLINT columnLength) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), t(table, tableLength),
      k(column, columnLength);
  return SQLColumns(stmt, c.ptr(), c.len16(), s.ptr(), s.len16(), t.ptr(), t.len16(), k.ptr(),
                    k.len16());
}

SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT stmt, SQLWCHAR* catalog, SQLSMALLINT catalogLength,
                                 SQLWCHAR* schema, SQLSMALLINT schemaLength, SQLWCHAR* table,
                                 SQLSMALLINT tableLength, SQLUSMALLINT unique,
                                 SQLUSMALLINT reserved) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), t(table, tableLength);
  return SQLStatistics(stmt, c.ptr(), c.len16(), s.ptr(), s.len16(), t.ptr(), t.len16(), unique,
                       reserved);
}

SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT stmt, SQLWCHAR* catalog, SQLSMALLINT catalogLength,
                                  SQLWCHAR* schema, SQLSMALLINT schemaLength, SQLWCHAR* table,
                                  SQLSMALLINT tableLength) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), t(table, tableLength);
  return SQLPrimaryKeys(stmt, c.ptr(), c.len16(), s.ptr(), s.len16(), t.ptr(), t.len16());
}

SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT stmt, SQLUSMALLINT identifier, SQLWCHAR* catalog,
                                     SQLSMALLINT catalogLength, SQLWCHAR* schema,
                                     SQLSMALLINT schemaLength, SQLWCHAR* table,
                                     SQLSMALLINT tableLength, SQLUSMALLINT scope,
                                     SQLUSMALLINT nullable) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), t(table, tableLength);
  return SQLSpecialColumns(stmt, identifier, c.ptr(), c.len16(), s.ptr(), s.len16(), t.ptr(),
                           t.len16(), scope, nullable);
}

SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT stmt, SQLWCHAR* pkCatalog, SQLSMALLINT pkCatalogLength,
                                  SQLWCHAR* pkSchema, SQLSMALLINT pkSchemaLength,
                                  SQLWCHAR* pkTable, SQLSMALLINT pkTableLength,
                                  SQLWCHAR* fkCatalog, SQLSMALLINT fkCatalogLength,
                                  SQLWCHAR* fkSchema, SQLSMALLINT fkSchemaLength,
                                  SQLWCHAR* fkTable, SQLSMALLINT fkTableLength) {
  Arg a(pkCatalog, pkCatalogLength), b(pkSchema, pkSchemaLength), c(pkTable, pkTableLength),
      d(fkCatalog, fkCatalogLength), e(fkSchema, fkSchemaLength), f(fkTable, fkTableLength);
  return SQLForeignKeys(stmt, a.ptr(), a.len16(), b.ptr(), b.len16(), c.ptr(), c.len16(),
                        d.ptr(), d.len16(), e.ptr(), e.len16(), f.ptr(), f.len16());
}

SQLRETURN SQL_API SQLProceduresW(SQLHSTMT stmt, SQLWCHAR* catalog, SQLSMALLINT catalogLength,
                                 SQLWCHAR* schema, SQLSMALLINT schemaLength, SQLWCHAR* proc,
                                 SQLSMALLINT procLength) {
  Arg c(catalog, catalogLength), s(schema, schemaLength), p(proc, procLength);
  return SQLProcedures(stmt, c.ptr(), c.len16(), s.ptr(), s.len16(), p.ptr(), p.len16());
}

}  // extern "C"
