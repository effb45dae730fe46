#include "odbc/ConnString.h"

#include "common/Error.h"
#include "common/Text.h"

namespace engine::odbc {

namespace {
EngineError Invalid(const std::string& why) {
  return EngineError("08001", 0, "Invalid connection string: " + why + ".");
}
}  // namespace

std::string ConnString::Get(const std::string& key, bool* found) const {
  for (const auto& [k, v] : pairs)
    if (k == key) {
      if (found) *found = true;
      return v;
    }
  if (found) *found = false;
  return std::string();
}

std::string ConnValue(const std::string& v) {
  static const std::string kBlanks = " \t\r\n";  // what the reader trims off a bare value
  bool braces = v.find_first_of(";{}=") != std::string::npos ||
                (!v.empty() && (kBlanks.find(v.front()) != std::string::npos ||
                                kBlanks.find(v.back()) != std::string::npos));
  if (!braces) return v;
  std::string b = "{";
  for (char c : v) {
    if (c == '}') b += '}';
    b += c;
  }
  return b + "}";
}

ConnString ParseConnString(const std::string& s) {
  ConnString cs;
  size_t i = 0, n = s.size();
  while (i < n) {
    while (i < n && (s[i] == ';' || s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= n) break;
    size_t eq = i;
    while (eq < n && s[eq] != '=' && s[eq] != ';') ++eq;
    if (eq >= n || s[eq] != '=')
      throw Invalid("'" + Trim(s.substr(i, eq - i)).substr(0, 64) + "' has no value");
    std::string key = Upper(Trim(s.substr(i, eq - i)));
    if (key.empty()) throw Invalid("a value has no keyword");
    size_t j = eq + 1;
    while (j < n && (s[j] == ' ' || s[j] == '\t')) ++j;
    std::string value;
    if (j < n && s[j] == '{') {
      ++j;
      for (;;) {
        if (j >= n) throw Invalid("the value of " + key + " has no closing brace");
        if (s[j] == '}') {
          if (j + 1 < n && s[j + 1] == '}') {
            value += '}';
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        value += s[j++];
      }
      while (j < n && (s[j] == ' ' || s[j] == '\t')) ++j;
      if (j < n && s[j] != ';') throw Invalid("text follows the braces of " + key);
    } else {
      size_t end = j;
      while (end < n && s[end] != ';') ++end;
      value = Trim(s.substr(j, end - j));
      j = end;
    }
    bool seen = false;
    cs.Get(key, &seen);
    if (!seen) cs.pairs.emplace_back(key, value);
    i = j;
  }
  return cs;
}

}  // namespace engine::odbc
