// Diagnostic records of one handle, cleared by the next call on it.
#pragma once
#include <string>
#include <vector>

#include "odbc/Api.h"

namespace engine::odbc {

struct DiagRecord {
  std::string state;
  SQLINTEGER native = 0;
  std::string message;  // with the "[ZORB][Engine]" prefix
  SQLLEN row = SQL_NO_ROW_NUMBER;
  SQLINTEGER column = SQL_NO_COLUMN_NUMBER;
};

class Diagnostics {
 public:
  void Clear() {
    records_.clear();
    nextForError_ = 0;
    returnCode_ = SQL_SUCCESS;
  }
  void Post(const std::string& state, SQLINTEGER native, const std::string& text,
            SQLLEN row = SQL_NO_ROW_NUMBER, SQLINTEGER column = SQL_NO_COLUMN_NUMBER);
  const std::vector<DiagRecord>& records() const { return records_; }
  bool empty() const { return records_.empty(); }

  SQLRETURN returnCode() const { return returnCode_; }
  void SetReturnCode(SQLRETURN rc) { returnCode_ = rc; }
  // SQLError hands out each record once.
  const DiagRecord* NextForError() {
    return nextForError_ < records_.size() ? &records_[nextForError_++] : nullptr;
  }

 private:
  std::vector<DiagRecord> records_;
  size_t nextForError_ = 0;
  SQLRETURN returnCode_ = SQL_SUCCESS;
};

// The ODBC 2 form of an ODBC 3 SQLSTATE (42S02 -> S0002, HY000 -> S1000...); others unchanged.
std::string Odbc2State(const std::string& state);

}  // namespace engine::odbc
