// Running a statement handle's batch with its bound parameters: parameter arrays (column- or
// row-wise), data-at-execution parameters (SQLParamData, SQLPutData) and batches with several
// results (SQLMoreResults).
#pragma once
#include <map>
#include <string>
#include <vector>

#include "odbc/Handles.h"

namespace engine::odbc {

// An execution waiting for data-at-execution parameters.
struct PendingExecution {
  SQLULEN row = 0;                     // parameter set being executed
  std::vector<size_t> needed;          // parameters (0-based) of that row waiting for data
  size_t current = 0;                  // 1 + index into needed of the one SQLPutData fills
  bool ready = false;                  // all of them arrived: the set can run
  std::map<size_t, std::string> data;  // bytes sent so far per parameter
  std::map<size_t, bool> isNull;
  SQLLEN rowCount = -1;                // rows changed by the sets already run
  SQLRETURN rc = SQL_SUCCESS;          // worst result of the sets already run
};

// SQLExecDirect and SQLExecute after the batch is in place: SQL_SUCCESS, SQL_SUCCESS_WITH_INFO,
// SQL_NEED_DATA or SQL_NO_DATA (a searched UPDATE or DELETE that changed nothing is still
// SQL_SUCCESS here, as SQL Server's driver does).
SQLRETURN ExecuteBatch(Stmt& s);

}  // namespace engine::odbc
