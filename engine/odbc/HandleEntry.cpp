// Handle allocation and release, environment attributes.
#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace {

void FreeStatement(Stmt* s) {
  s->CloseCursor();
  s->dbc->statements.erase(s);
  delete s;
}

}  // namespace

namespace engine::odbc {
void FreeAllStatements(Dbc& d) {
  while (!d.statements.empty()) FreeStatement(*d.statements.begin());
}
}  // namespace engine::odbc

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      if (!output) return SQL_ERROR;
      try {
        *output = new Env();
        return SQL_SUCCESS;
      } catch (...) {
        *output = SQL_NULL_HENV;
        return SQL_ERROR;
      }
    }
    case SQL_HANDLE_DBC:
      return RunEnv(input, [&](Env& e) -> SQLRETURN {
        if (!output) throw EngineError("HY009", 0, "Invalid use of null pointer.");
        Dbc* d = new Dbc(&e);
        e.connections.insert(d);
        *output = d;
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_STMT:
      return RunDbc(input, [&](Dbc& d) -> SQLRETURN {
        if (!output) throw EngineError("HY009", 0, "Invalid use of null pointer.");
        if (!d.session) {
          *output = SQL_NULL_HSTMT;
          throw EngineError("08003", 0, "Connection not open.");
        }
        Stmt* s = new Stmt(&d);
        d.statements.insert(s);
        *output = s;
        return SQL_SUCCESS;
      });
    case SQL_HANDLE_DESC:
      return RunDbc(input, [&](Dbc&) -> SQLRETURN {
        throw NotImplemented("explicit descriptors");
      });
    default:
      return SQL_ERROR;
  }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      // Not through RunEnv: the handle is gone when the work is done.
      Env* e = static_cast<Env*>(handle);
      if (!IsLiveHandle(e, kEnvMagic)) return SQL_INVALID_HANDLE;
      e->diag.Clear();
      if (!e->connections.empty()) {
        e->diag.Post("HY010", 0, "Function sequence error: connections remain.");
        return SQL_ERROR;
      }
      delete e;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* d = static_cast<Dbc*>(handle);
      if (!IsLiveHandle(d, kDbcMagic)) return SQL_INVALID_HANDLE;
      d->diag.Clear();
      if (d->session) {
        d->diag.Post("HY010", 0, "Function sequence error: the connection is still open.");
        return SQL_ERROR;
      }
      d->env->connections.erase(d);
      delete d;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* s = static_cast<Stmt*>(handle);
      if (!IsLiveHandle(s, kStmtMagic)) return SQL_INVALID_HANDLE;
      auto guard = s->dbc->guard;
      std::lock_guard<std::recursive_mutex> lock(*guard);
      FreeStatement(s);
      return SQL_SUCCESS;
    }
    default:
      return SQL_INVALID_HANDLE;
  }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value,
                                SQLINTEGER) {
  return RunEnv(env, [&](Env& e) -> SQLRETURN {
    SQLINTEGER v = SQLINTEGER(reinterpret_cast<SQLLEN>(value));
    switch (attribute) {
      case SQL_ATTR_ODBC_VERSION:
        if (v != SQL_OV_ODBC2 && v != SQL_OV_ODBC3 && v != SQL_OV_ODBC3_80)
          throw EngineError("HY024", 0, "Invalid attribute value.");
        e.odbcVersion = v;
        return SQL_SUCCESS;
      case SQL_ATTR_CONNECTION_POOLING:
      case SQL_ATTR_CP_MATCH:
      case SQL_ATTR_OUTPUT_NTS:
        return SQL_SUCCESS;
      default:
        throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    }
  });
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                SQLINTEGER* length) {
  return RunEnv(env, [&](Env& e) -> SQLRETURN {
    SQLINTEGER v;
    switch (attribute) {
      case SQL_ATTR_ODBC_VERSION: v = e.odbcVersion; break;
      case SQL_ATTR_CONNECTION_POOLING: v = SQL_CP_OFF; break;
      case SQL_ATTR_CP_MATCH: v = SQL_CP_STRICT_MATCH; break;
      case SQL_ATTR_OUTPUT_NTS: v = SQL_TRUE; break;
      default: throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    }
    if (value) *static_cast<SQLINTEGER*>(value) = v;
    if (length) *length = sizeof v;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) {
  if (option == SQL_DROP) return SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return RunStmt(stmt, [&](Stmt& s) -> SQLRETURN {
    switch (option) {
      case SQL_CLOSE:
        s.CloseCursor();
        s.nextStatement = s.batch.statements.size();  // pending results go too
        return SQL_SUCCESS;
      case SQL_UNBIND:
        s.bindings.clear();
        s.bookmarkBinding = {};
        return SQL_SUCCESS;
      case SQL_RESET_PARAMS:
        s.parameters.clear();
        return SQL_SUCCESS;
      default:
        throw EngineError("HY092", 0, "Invalid attribute/option identifier.");
    }
  });
}

}  // extern "C"
