// SQLGetInfo and SQLGetFunctions.
#include <cstring>

#include "odbc/Entry.h"

using namespace engine;
using namespace engine::odbc;

namespace {

// Every function this driver exports; SQLGetFunctions answers from this list.
const SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE,   SQL_API_SQLFREEHANDLE,     SQL_API_SQLFREESTMT,
    SQL_API_SQLSETENVATTR,    SQL_API_SQLGETENVATTR,     SQL_API_SQLCONNECT,
    SQL_API_SQLDRIVERCONNECT, SQL_API_SQLDISCONNECT,     SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLGETCONNECTATTR, SQL_API_SQLENDTRAN,       SQL_API_SQLNATIVESQL,
    SQL_API_SQLGETINFO,       SQL_API_SQLGETFUNCTIONS,   SQL_API_SQLEXECDIRECT,
    SQL_API_SQLPREPARE,       SQL_API_SQLEXECUTE,        SQL_API_SQLNUMRESULTCOLS,
    SQL_API_SQLDESCRIBECOL,   SQL_API_SQLCOLATTRIBUTE,   SQL_API_SQLBINDCOL,
    SQL_API_SQLFETCH,         SQL_API_SQLFETCHSCROLL,    SQL_API_SQLEXTENDEDFETCH,
    SQL_API_SQLGETDATA,       SQL_API_SQLROWCOUNT,       SQL_API_SQLCLOSECURSOR,
    SQL_API_SQLCANCEL,        SQL_API_SQLSETSTMTATTR,    SQL_API_SQLGETSTMTATTR,
    SQL_API_SQLGETDIAGREC,    SQL_API_SQLGETDIAGFIELD,   SQL_API_SQLERROR,
    SQL_API_SQLBINDPARAMETER, SQL_API_SQLNUMPARAMS,      SQL_API_SQLMORERESULTS,
    SQL_API_SQLTABLES,        SQL_API_SQLCOLUMNS,        SQL_API_SQLSTATISTICS,
    SQL_API_SQLPRIMARYKEYS,   SQL_API_SQLSPECIALCOLUMNS, SQL_API_SQLGETTYPEINFO,
    SQL_API_SQLSETPOS,        SQL_API_SQLBULKOPERATIONS,
    SQL_API_SQLFOREIGNKEYS,   SQL_API_SQLPROCEDURES,     SQL_API_SQLDESCRIBEPARAM,
    SQL_API_SQLPARAMDATA,     SQL_API_SQLPUTDATA,
};

SQLRETURN PutText(Handle& h, const std::string& s, SQLPOINTER value, SQLSMALLINT max,
                  SQLSMALLINT* length) {
  return OutString(h, s, value, max, length);
}

template <class T>
SQLRETURN PutValue(T v, SQLPOINTER value, SQLSMALLINT* length) {
  if (value) std::memcpy(value, &v, sizeof v);
  if (length) *length = sizeof v;
  return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC dbc, SQLUSMALLINT id, SQLUSMALLINT* supported) {
  return RunDbc(dbc, [&](Dbc&) -> SQLRETURN {
    if (!supported) throw EngineError("HY009", 0, "Invalid use of null pointer.");
    if (id == SQL_API_ODBC3_ALL_FUNCTIONS) {
      std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
      for (SQLUSMALLINT f : kFunctions) supported[f >> 4] |= SQLUSMALLINT(1 << (f & 0xf));
      return SQL_SUCCESS;
    }
    if (id == SQL_API_ALL_FUNCTIONS) {
      std::memset(supported, 0, sizeof(SQLUSMALLINT) * 100);
      for (SQLUSMALLINT f : kFunctions)
        if (f < 100) supported[f] = SQL_TRUE;
      return SQL_SUCCESS;
    }
    *supported = SQL_FALSE;
    for (SQLUSMALLINT f : kFunctions)
      if (f == id) *supported = SQL_TRUE;
    return SQL_SUCCESS;
  });
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                             SQLSMALLINT* length) {
  return RunDbc(dbc, [&](Dbc& d) -> SQLRETURN {
    auto text = [&](const std::string& s) { return PutText(d, s, value, max, length); };
    auto u16 = [&](SQLUSMALLINT v) { return PutValue(v, value, length); };
    auto u32 = [&](SQLUINTEGER v) { return PutValue(v, value, length); };
    switch (type) {
      case SQL_DRIVER_NAME: return text("libzorbengine.so");
      case SQL_DRIVER_VER: return text("01.00.0000");
      case SQL_DRIVER_ODBC_VER: return text("03.00");
      case SQL_ODBC_VER: return text("03.00.0000");
      case SQL_DBMS_NAME: return text("Microsoft SQL Server");
      case SQL_DBMS_VER: return text("08.00.0000");
      case SQL_SERVER_NAME: return text(d.serverText);
      case SQL_DATA_SOURCE_NAME: return text(d.dataSource);
      case SQL_DATABASE_NAME: return text(d.session ? d.session->databaseName() : "");
      case SQL_USER_NAME: return text(d.session ? d.session->login().name : "");
      case SQL_DATA_SOURCE_READ_ONLY: return text("N");
      case SQL_ACCESSIBLE_TABLES: return text("Y");
      case SQL_ACCESSIBLE_PROCEDURES: return text("Y");
      case SQL_IDENTIFIER_QUOTE_CHAR: return text("\"");
      case SQL_CATALOG_NAME_SEPARATOR: return text(".");
      case SQL_CATALOG_TERM: return text("database");
      case SQL_SCHEMA_TERM: return text("owner");
      case SQL_TABLE_TERM: return text("table");
      case SQL_PROCEDURE_TERM: return text("stored procedure");
      case SQL_SEARCH_PATTERN_ESCAPE: return text("\\");
      case SQL_SPECIAL_CHARACTERS: return text("#$@");
      case SQL_KEYWORDS: return text("");
      case SQL_LIKE_ESCAPE_CLAUSE: return text("Y");
      case SQL_MULT_RESULT_SETS: return text("Y");
      case SQL_MULTIPLE_ACTIVE_TXN: return text("Y");
      case SQL_NEED_LONG_DATA_LEN: return text("N");
      case SQL_ORDER_BY_COLUMNS_IN_SELECT: return text("N");
      case SQL_OUTER_JOINS: return text("Y");
      case SQL_PROCEDURES: return text("Y");
      case SQL_ROW_UPDATES: return text("N");
      case SQL_EXPRESSIONS_IN_ORDERBY: return text("Y");
      case SQL_COLUMN_ALIAS: return text("Y");
      case SQL_CATALOG_NAME: return text("Y");
      case SQL_INTEGRITY: return text("N");
      case SQL_MAX_ROW_SIZE_INCLUDES_LONG: return text("N");
      case SQL_DESCRIBE_PARAMETER: return text("Y");
      case SQL_COLLATION_SEQ: return text("");
      case SQL_XOPEN_CLI_YEAR: return text("1995");
      case SQL_TXN_CAPABLE: return u16(SQL_TC_ALL);
      case SQL_CURSOR_COMMIT_BEHAVIOR: return u16(SQL_CB_PRESERVE);
      case SQL_CURSOR_ROLLBACK_BEHAVIOR: return u16(SQL_CB_CLOSE);
      case SQL_CONCAT_NULL_BEHAVIOR: return u16(SQL_CB_NULL);
      case SQL_CORRELATION_NAME: return u16(SQL_CN_ANY);
      case SQL_FILE_USAGE: return u16(SQL_FILE_NOT_SUPPORTED);
      case SQL_GROUP_BY: return u16(SQL_GB_GROUP_BY_CONTAINS_SELECT);
      case SQL_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
      case SQL_QUOTED_IDENTIFIER_CASE: return u16(SQL_IC_MIXED);
      case SQL_NON_NULLABLE_COLUMNS: return u16(SQL_NNC_NON_NULL);
      case SQL_NULL_COLLATION: return u16(SQL_NC_LOW);
      case SQL_CATALOG_LOCATION: return u16(SQL_CL_START);
      case SQL_MAX_CONCURRENT_ACTIVITIES: return u16(0);
      case SQL_MAX_DRIVER_CONNECTIONS: return u16(0);
      case SQL_ACTIVE_ENVIRONMENTS: return u16(0);
      case SQL_MAX_COLUMN_NAME_LEN:
      case SQL_MAX_CURSOR_NAME_LEN:
      case SQL_MAX_SCHEMA_NAME_LEN:
      case SQL_MAX_CATALOG_NAME_LEN:
      case SQL_MAX_TABLE_NAME_LEN:
      case SQL_MAX_PROCEDURE_NAME_LEN:
      case SQL_MAX_USER_NAME_LEN:
        return u16(128);
      case SQL_MAX_COLUMNS_IN_GROUP_BY:
      case SQL_MAX_COLUMNS_IN_ORDER_BY:
      case SQL_MAX_COLUMNS_IN_SELECT:
      case SQL_MAX_COLUMNS_IN_TABLE:
        return u16(4096);
      case SQL_MAX_COLUMNS_IN_INDEX: return u16(16);
      case SQL_MAX_TABLES_IN_SELECT: return u16(256);
      case SQL_MAX_IDENTIFIER_LEN: return u16(128);
      case SQL_TXN_ISOLATION_OPTION:
        return u32(SQL_TXN_READ_UNCOMMITTED | SQL_TXN_READ_COMMITTED | SQL_TXN_REPEATABLE_READ |
                   SQL_TXN_SERIALIZABLE);
      case SQL_DEFAULT_TXN_ISOLATION: return u32(SQL_TXN_READ_COMMITTED);
      case SQL_GETDATA_EXTENSIONS:
        return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BLOCK | SQL_GD_BOUND);
      // Scrollable cursors: static snapshots and dynamic cursors (cursor/Open.h).
      case SQL_SCROLL_OPTIONS: return u32(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC | SQL_SO_DYNAMIC);
      case SQL_FETCH_DIRECTION:
        return u32(SQL_FD_FETCH_NEXT | SQL_FD_FETCH_FIRST | SQL_FD_FETCH_LAST |
                   SQL_FD_FETCH_PRIOR | SQL_FD_FETCH_ABSOLUTE | SQL_FD_FETCH_RELATIVE |
                   SQL_FD_FETCH_BOOKMARK);
      case SQL_SCROLL_CONCURRENCY:
        return u32(SQL_SCCO_READ_ONLY | SQL_SCCO_LOCK | SQL_SCCO_OPT_VALUES);
      case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1: return u32(SQL_CA1_NEXT);
      case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
      case SQL_STATIC_CURSOR_ATTRIBUTES1:
        return u32(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE | SQL_CA1_BOOKMARK |
                   SQL_CA1_POS_POSITION);
      // Positioned operations (odbc/SetPosEntry.cpp).
      case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
        return u32(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE | SQL_CA1_BOOKMARK |
                   SQL_CA1_BULK_ADD | SQL_CA1_BULK_UPDATE_BY_BOOKMARK |
                   SQL_CA1_BULK_DELETE_BY_BOOKMARK | SQL_CA1_BULK_FETCH_BY_BOOKMARK |
                   SQL_CA1_LOCK_NO_CHANGE |
                   SQL_CA1_LOCK_UNLOCK |
                   SQL_CA1_POS_POSITION | SQL_CA1_POS_UPDATE | SQL_CA1_POS_DELETE |
                   SQL_CA1_POS_REFRESH);
      case SQL_STATIC_CURSOR_ATTRIBUTES2:
        return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT);
      case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
        return u32(SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_LOCK_CONCURRENCY |
                   SQL_CA2_OPT_VALUES_CONCURRENCY | SQL_CA2_SENSITIVITY_ADDITIONS |
                   SQL_CA2_SENSITIVITY_DELETIONS | SQL_CA2_SENSITIVITY_UPDATES);
      case SQL_KEYSET_CURSOR_ATTRIBUTES1:
      case SQL_KEYSET_CURSOR_ATTRIBUTES2:
        return u32(0);
      case SQL_CURSOR_SENSITIVITY: return u32(SQL_UNSPECIFIED);
      case SQL_POS_OPERATIONS:
        return u32(SQL_POS_POSITION | SQL_POS_REFRESH | SQL_POS_UPDATE | SQL_POS_DELETE |
                   SQL_POS_ADD);
      case SQL_POSITIONED_STATEMENTS: return u32(0);
      case SQL_LOCK_TYPES: return u32(SQL_LCK_NO_CHANGE | SQL_LCK_UNLOCK);
      case SQL_STATIC_SENSITIVITY: return u32(0);
      // A dynamic cursor's bookmark is the row's rowid, a static one's its place in the result:
      // both survive scrolling and changes to the row.
      case SQL_BOOKMARK_PERSISTENCE: return u32(SQL_BP_SCROLL | SQL_BP_UPDATE);
      case SQL_ASYNC_MODE: return u32(SQL_AM_NONE);
      case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS: return u32(0);
      case SQL_ODBC_INTERFACE_CONFORMANCE: return u32(SQL_OIC_CORE);
      case SQL_SQL_CONFORMANCE: return u32(SQL_SC_SQL92_ENTRY);
      case SQL_ODBC_SQL_CONFORMANCE: return u16(SQL_OSC_MINIMUM);
      case SQL_ODBC_API_CONFORMANCE: return u16(SQL_OAC_LEVEL1);
      case SQL_ODBC_SAG_CLI_CONFORMANCE: return u16(SQL_OSCC_COMPLIANT);
      case SQL_PARAM_ARRAY_ROW_COUNTS: return u32(SQL_PARC_NO_BATCH);
      case SQL_PARAM_ARRAY_SELECTS: return u32(SQL_PAS_NO_SELECT);
      case SQL_BATCH_SUPPORT: return u32(SQL_BS_ROW_COUNT_EXPLICIT);
      case SQL_BATCH_ROW_COUNT: return u32(SQL_BRC_EXPLICIT);
      case SQL_MAX_ROW_SIZE: return u32(8060);
      case SQL_MAX_STATEMENT_LEN: return u32(0);
      case SQL_MAX_CHAR_LITERAL_LEN: return u32(0);
      case SQL_MAX_BINARY_LITERAL_LEN: return u32(0);
      case SQL_MAX_INDEX_SIZE: return u32(0);
      case SQL_TIMEDATE_ADD_INTERVALS:
      case SQL_TIMEDATE_DIFF_INTERVALS:
      case SQL_TIMEDATE_FUNCTIONS:
      case SQL_NUMERIC_FUNCTIONS:
      case SQL_STRING_FUNCTIONS:
      case SQL_SYSTEM_FUNCTIONS:
      case SQL_CONVERT_FUNCTIONS:
        return u32(0);
      case SQL_OJ_CAPABILITIES: return u32(SQL_OJ_LEFT | SQL_OJ_NOT_ORDERED | SQL_OJ_ALL_COMPARISON_OPS);
      case SQL_SUBQUERIES:
        return u32(SQL_SQ_CORRELATED_SUBQUERIES | SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN |
                   SQL_SQ_QUANTIFIED);
      case SQL_UNION: return u32(SQL_U_UNION | SQL_U_UNION_ALL);
      case SQL_CATALOG_USAGE: return u32(0);
      case SQL_SCHEMA_USAGE: return u32(0);
      default:
        if (type >= SQL_CONVERT_BIGINT && type <= SQL_CONVERT_VARCHAR) return u32(0);
        throw EngineError("HY096", 0, "Information type out of range.");
    }
  });
}

}  // extern "C"
