#include "common/Text.h"

#include <cerrno>
#include <cstdlib>

#include "common/Error.h"

namespace engine {

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return r;
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return r;
}

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

static std::string Quote(std::string_view s, char q) {
  std::string r;
  r.reserve(s.size() + 2);
  r += q;
  for (char c : s) {
    r += c;
    if (c == q) r += q;
  }
  r += q;
  return r;
}

std::string QuoteLiteral(std::string_view s) { return Quote(s, '\''); }
std::string QuoteName(std::string_view s) { return Quote(s, '"'); }

bool ParseInt64(std::string_view s, long long& out) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  size_t i = 0;
  if (t[0] == '+' || t[0] == '-') i = 1;
  if (i == t.size()) return false;
  for (size_t j = i; j < t.size(); ++j)
    if (t[j] < '0' || t[j] > '9') return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(t.c_str(), &end, 10);
  if (errno == ERANGE) return false;
  out = v;
  return true;
}

EngineError SyntaxError(const std::string& near) {
  return EngineError("42000", 102, "Incorrect syntax near '" + near + "'.");
}

EngineError NotImplemented(const std::string& what) {
  return EngineError("HYC00", 0, "Optional feature not implemented: " + what + ".");
}

}  // namespace engine
