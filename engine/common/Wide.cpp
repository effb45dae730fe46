#include "common/Wide.h"

#include "common/Error.h"

namespace engine {

namespace {

// Windows-1252 0x80-0x9F; the five bytes the code page leaves undefined map to themselves.
const SQLWCHAR kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char Narrow(SQLWCHAR c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return char(0x80 + i);
  return '?';
}

}  // namespace

std::string FromWide(const SQLWCHAR* s, size_t units) {
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    SQLWCHAR c = s[i];
    // A surrogate pair is one character outside the code page.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
      ++i;
    out += Narrow(c);
  }
  return out;
}

std::string WideArg(const SQLWCHAR* s, SQLINTEGER length) {
  if (!s) return std::string();
  if (length == SQL_NTS) {
    size_t n = 0;
    while (s[n]) ++n;
    return FromWide(s, n);
  }
  if (length < 0) throw EngineError("HY090", 0, "Invalid string or buffer length.");
  return FromWide(s, size_t(length));
}

std::basic_string<SQLWCHAR> ToWide(const std::string& s) {
  std::basic_string<SQLWCHAR> out;
  out.reserve(s.size());
  for (unsigned char c : s) out += c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : SQLWCHAR(c);
  return out;
}

}  // namespace engine
