// Connection strings: KEY=value pairs separated by ';', values optionally in braces (where '}}'
// stands for '}'), keys case-insensitive, the first occurrence of a key counting.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace engine::odbc {

struct ConnString {
  std::vector<std::pair<std::string, std::string>> pairs;  // keys in upper case, in order
  // The value of the first pair with the key; empty when absent.
  std::string Get(const std::string& upperKey, bool* found = nullptr) const;
};

// A value as a connection string carries it: unchanged when plain, else in braces with '}'
// doubled (a ';', '{', '}', '=' or a blank at either end would be read otherwise).
std::string ConnValue(const std::string& value);

// Throws EngineError 08001 for text that is not a connection string (a pair without '=', an
// unclosed brace, an empty key).
ConnString ParseConnString(const std::string& text);

}  // namespace engine::odbc
