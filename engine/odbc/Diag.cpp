#include "odbc/Diag.h"

#include <cstring>

namespace engine::odbc {

namespace {
const char kPrefix[] = "[ZORB][Engine]";
}

void Diagnostics::Post(const std::string& state, SQLINTEGER native, const std::string& text,
                       SQLLEN row, SQLINTEGER column) {
  DiagRecord r;
  r.state = state.size() == 5 ? state : "HY000";
  r.native = native;
  r.message = text.compare(0, sizeof kPrefix - 1, kPrefix) == 0 ? text : kPrefix + text;
  r.row = row;
  r.column = column;
  records_.push_back(std::move(r));
}

std::string Odbc2State(const std::string& s) {
  static const struct {
    const char* v3;
    const char* v2;
  } kMap[] = {
      {"01001", "01S03"}, {"07005", "24000"}, {"07009", "S1002"}, {"21S01", "21S01"},
      {"22007", "22008"}, {"22018", "22005"}, {"42000", "37000"}, {"42S01", "S0001"},
      {"42S02", "S0002"}, {"42S11", "S0011"}, {"42S12", "S0012"}, {"42S21", "S0021"},
      {"42S22", "S0022"}, {"HY019", "22003"}, {"HY024", "S1009"}, {"HY092", "S1092"},
      {"HYC00", "S1C00"}, {"HYT00", "S1T00"}, {"HY106", "S1106"}, {"HY107", "S1107"},
  };
  for (const auto& m : kMap)
    if (s == m.v3) return m.v2;
  if (s.size() == 5 && s[0] == 'H' && s[1] == 'Y') return "S1" + s.substr(2);
  return s;
}

}  // namespace engine::odbc
