// Wide text: UTF-16 (SQLWCHAR) to and from the engine's single-byte code page, Windows-1252.
#pragma once
#include <string>

#include "odbc/Api.h"

namespace engine {

// UTF-16 code units to Windows-1252 bytes; a character the code page lacks becomes '?'.
std::string FromWide(const SQLWCHAR* s, size_t units);
// A wide input string given with a length in characters or SQL_NTS; null is the empty string.
std::string WideArg(const SQLWCHAR* s, SQLINTEGER length);
// Windows-1252 bytes to UTF-16 code units.
std::basic_string<SQLWCHAR> ToWide(const std::string& s);

}  // namespace engine
