// Small text helpers shared by the engine (8-bit, ASCII case rules).
#pragma once
#include <string>
#include <string_view>

namespace engine {

std::string Upper(std::string_view s);
std::string Lower(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);
std::string Trim(std::string_view s);
// Quotes for SQLite: 'text' with inner quotes doubled, "name" with inner double quotes doubled.
std::string QuoteLiteral(std::string_view s);
std::string QuoteName(std::string_view s);
// Parses a whole decimal integer (optional sign, optional blanks around); false when not one.
bool ParseInt64(std::string_view s, long long& out);

}  // namespace engine
