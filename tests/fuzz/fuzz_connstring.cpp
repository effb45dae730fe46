// The engine's connection-string reader on any text, and the round trip of any value: written
// by the library (ValorCnx) or by the engine (ConnValue), it is read back exactly, as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Error.h"
#include "odbc/CnxOdbc.h"
#include "odbc/ConnString.h"

using engine::odbc::ConnString;
using engine::odbc::ParseConnString;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    ParseConnString(text);
  } catch (const engine::EngineError&) {
  }
  // The input as two values (split at the first NUL-free half); C strings stop at a NUL.
  std::string a = text.substr(0, text.size() / 2), b = text.substr(text.size() / 2);
  a = a.c_str();
  b = b.c_str();
  const std::string lib = "DRIVER=" + ValorCnx("SQL Server", true) + ";SERVER=" +
                          ValorCnx(a.c_str()) + ";UID=sa;PWD=" + ValorCnx(b.c_str()) +
                          ";DATABASE=master";
  const std::string eng = "SERVER=" + engine::odbc::ConnValue(a) +
                          ";PWD=" + engine::odbc::ConnValue(b);
  const std::string* textos[] = {&lib, &eng};
  for (int i = 0; i < 2; ++i) {
    ConnString cs = ParseConnString(*textos[i]);  // must not throw
    if (cs.Get("SERVER") != a || cs.Get("PWD") != b) std::abort();
    if (cs.pairs.size() != (i == 0 ? 5u : 2u)) std::abort();
  }
  return 0;
}
