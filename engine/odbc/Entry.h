// What every entry point does around its work: check the handle, clear its diagnostics, turn
// exceptions into diagnostic records, and read and write ODBC strings.
#pragma once
#include <mutex>
#include <new>
#include <type_traits>
#include <string>
#include <vector>

#include "common/Error.h"
#include "odbc/Handles.h"

namespace engine::odbc {

template <class H, class F>
SQLRETURN Run(void* handle, uint32_t magic, F&& work) {
  // Handles are registered as the Handle base of their object: Env, Dbc and Stmt derive from
  // it first, so the addresses coincide.
  if (!IsLiveHandle(static_cast<Handle*>(static_cast<H*>(handle)), magic)) return SQL_INVALID_HANDLE;
  H* h = static_cast<H*>(handle);
  std::unique_lock<std::recursive_mutex> guard;
  if constexpr (std::is_same_v<H, Dbc>) guard = std::unique_lock<std::recursive_mutex>(*h->guard);
  if constexpr (std::is_same_v<H, Stmt>)
    guard = std::unique_lock<std::recursive_mutex>(*h->dbc->guard);
  h->diag.Clear();
  SQLRETURN rc;
  try {
    rc = work(*h);
  } catch (const EngineError& e) {
    h->diag.Post(e.state(), SQLINTEGER(e.native()), e.what());
    rc = SQL_ERROR;
  } catch (const std::bad_alloc&) {
    h->diag.Post("HY001", 0, "Memory allocation error.");
    rc = SQL_ERROR;
  } catch (const std::exception& e) {
    h->diag.Post("HY000", 0, std::string("General error: ") + e.what());
    rc = SQL_ERROR;
  }
  h->diag.SetReturnCode(rc);
  return rc;
}

template <class F>
SQLRETURN RunEnv(SQLHENV h, F&& f) { return Run<Env>(h, kEnvMagic, std::forward<F>(f)); }
template <class F>
SQLRETURN RunDbc(SQLHDBC h, F&& f) { return Run<Dbc>(h, kDbcMagic, std::forward<F>(f)); }
template <class F>
SQLRETURN RunStmt(SQLHSTMT h, F&& f) { return Run<Stmt>(h, kStmtMagic, std::forward<F>(f)); }

// Posts the notices as warnings; SQL_SUCCESS becomes SQL_SUCCESS_WITH_INFO when there are any.
SQLRETURN WithNotices(Handle& h, SQLRETURN rc, const std::vector<Notice>& notices);

// An input string given with a length or SQL_NTS; a null pointer is the empty string.
std::string InString(const SQLCHAR* s, SQLINTEGER length);

// Copies s into an output buffer of bufferLength bytes (NUL-terminated), sets *outLength to the
// full length, and posts 01004 when it was cut (the result is then SQL_SUCCESS_WITH_INFO).
SQLRETURN OutString(Handle& h, const std::string& s, SQLPOINTER out, SQLLEN bufferLength,
                    SQLSMALLINT* outLength);
SQLRETURN OutString(Handle& h, const std::string& s, SQLPOINTER out, SQLLEN bufferLength,
                    SQLINTEGER* outLength);

}  // namespace engine::odbc
