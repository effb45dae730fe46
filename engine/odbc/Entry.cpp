#include "odbc/Entry.h"

#include <cstring>

namespace engine::odbc {

SQLRETURN WithNotices(Handle& h, SQLRETURN rc, const std::vector<Notice>& notices) {
  for (const Notice& n : notices) h.diag.Post(n.state, SQLINTEGER(n.native), n.message);
  if (!notices.empty() && rc == SQL_SUCCESS) return SQL_SUCCESS_WITH_INFO;
  return rc;
}

std::string InString(const SQLCHAR* s, SQLINTEGER length) {
  if (!s) return std::string();
  const char* p = reinterpret_cast<const char*>(s);
  if (length == SQL_NTS) return std::string(p);
  if (length < 0) throw EngineError("HY090", 0, "Invalid string or buffer length.");
  return std::string(p, size_t(length));
}

namespace {
template <class L>
SQLRETURN Out(Handle& h, const std::string& s, SQLPOINTER out, SQLLEN bufferLength, L* outLength) {
  if (outLength) *outLength = L(s.size());
  if (!out) return SQL_SUCCESS;
  if (bufferLength < 0) throw EngineError("HY090", 0, "Invalid string or buffer length.");
  if (bufferLength == 0) {
    if (s.empty()) return SQL_SUCCESS;
    h.diag.Post("01004", 0, "String data, right truncation.");
    return SQL_SUCCESS_WITH_INFO;
  }
  size_t room = size_t(bufferLength) - 1;
  size_t n = s.size() < room ? s.size() : room;
  std::memcpy(out, s.data(), n);
  static_cast<char*>(out)[n] = '\0';
  if (n < s.size()) {
    h.diag.Post("01004", 0, "String data, right truncation.");
    return SQL_SUCCESS_WITH_INFO;
  }
  return SQL_SUCCESS;
}
}  // namespace

SQLRETURN OutString(Handle& h, const std::string& s, SQLPOINTER out, SQLLEN bufferLength,
                    SQLSMALLINT* outLength) {
  return Out(h, s, out, bufferLength, outLength);
}

SQLRETURN OutString(Handle& h, const std::string& s, SQLPOINTER out, SQLLEN bufferLength,
                    SQLINTEGER* outLength) {
  return Out(h, s, out, bufferLength, outLength);
}

}  // namespace engine::odbc
