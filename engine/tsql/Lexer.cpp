#include "tsql/Lexer.h"

#include <cctype>

#include "common/Error.h"
#include "common/Text.h"

namespace engine::tsql {

bool Token::IsWord(std::string_view upperWord) const {
  return kind == TokenKind::Word && IEquals(text, upperWord);
}

bool IsWordStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '#' || c >= 0x80;
}

bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '@';
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

size_t SkipBlockComment(std::string_view s, size_t i) {
  size_t depth = 0, n = s.size();
  while (i < n) {
    if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
      ++depth;
      i += 2;
    } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
      i += 2;
      if (--depth == 0) return i;
    } else {
      ++i;
    }
  }
  return std::string_view::npos;
}

size_t ScanQuoted(std::string_view s, size_t i, char close, std::string* value) {
  for (size_t n = s.size(); i < n;) {
    if (s[i] == close) {
      if (i + 1 < n && s[i + 1] == close) {
        if (value) *value += close;
        i += 2;
        continue;
      }
      return i + 1;
    }
    if (value) *value += s[i];
    ++i;
  }
  return std::string_view::npos;
}

size_t ScanNumber(std::string_view s, size_t i, bool* exact) {
  size_t n = s.size();
  *exact = true;
  if (s[i] == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    i += 2;
    while (i < n && std::isxdigit(static_cast<unsigned char>(s[i]))) ++i;
    *exact = false;
    return i;
  }
  while (i < n && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
  }
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    size_t k = i + 1;
    if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
    if (k < n && IsDigit(static_cast<unsigned char>(s[k]))) {
      i = k;
      while (i < n && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
      *exact = false;
    }
  }
  return i;
}

size_t SkipBlanks(std::string_view s, size_t i) {
  size_t n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      ++i;
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      i = SkipBlockComment(s, i);
      if (i == std::string_view::npos) return i;
    } else {
      break;
    }
  }
  return i;
}

namespace {

// The start of an unclosed literal as SQL Server quotes it in its message.
EngineError Unclosed(std::string_view rest) {
  std::string shown(rest.substr(0, 64));
  return EngineError("42000", 105, "Unclosed quotation mark after the character string '" + shown + "'.");
}

}  // namespace

std::vector<Token> Lex(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0, n = s.size();
  auto push = [&](TokenKind k, size_t start, size_t end, std::string value) {
    Token t{k, std::string(s.substr(start, end - start)), std::move(value), start};
    out.push_back(std::move(t));
  };
  while (i < n) {
    i = SkipBlanks(s, i);
    if (i == std::string_view::npos) throw EngineError("42000", 113, "Missing end comment mark '*/'.");
    if (i >= n) break;
    unsigned char c = s[i];
    size_t start = i;
    bool national = (c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'';
    if (c == '\'' || national) {
      size_t from = national ? i + 2 : i + 1;
      std::string value;
      size_t j = ScanQuoted(s, from, '\'', &value);
      if (j == std::string_view::npos) throw Unclosed(s.substr(from));
      push(TokenKind::String, start, j, std::move(value));
      i = j;
      continue;
    }
    if (c == '[' || c == '"') {
      char close = c == '[' ? ']' : '"';
      std::string value;
      size_t j = ScanQuoted(s, i + 1, close, &value);
      if (j == std::string_view::npos) throw Unclosed(s.substr(i + 1));
      if (value.empty()) throw EngineError("42000", 1038,
                                           "An object or column name is missing or empty.");
      push(TokenKind::QuotedName, start, j, std::move(value));
      i = j;
      continue;
    }
    if (c == '@') {
      size_t j = i + 1;
      if (j < n && s[j] == '@') ++j;
      while (j < n && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      if (j == i + 1) throw SyntaxError("@");
      push(TokenKind::Variable, start, j, std::string(s.substr(start, j - start)));
      i = j;
      continue;
    }
    if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(s[i + 1])))) {
      bool exact;
      size_t j = ScanNumber(s, i, &exact);
      // A number glued to letters (12abc) is not T-SQL.
      if (j < n && IsWordStart(static_cast<unsigned char>(s[j])))
        throw SyntaxError(std::string(s.substr(start, j + 1 - start)));
      push(TokenKind::Number, start, j, std::string(s.substr(start, j - start)));
      i = j;
      continue;
    }
    if (IsWordStart(c)) {
      size_t j = i + 1;
      while (j < n && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      push(TokenKind::Word, start, j, std::string(s.substr(start, j - start)));
      i = j;
      continue;
    }
    if (c == ';') {
      push(TokenKind::Semicolon, start, i + 1, ";");
      ++i;
      continue;
    }
    if (c == '?') {
      push(TokenKind::Parameter, start, i + 1, "?");
      ++i;
      continue;
    }
    static const char* const kTwo[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "+=", "-=",
                                       "*=", "/=", "%=", "&=", "|=", "^=", "::"};
    bool matched = false;
    if (i + 1 < n) {
      for (const char* op : kTwo) {
        if (s[i] == op[0] && s[i + 1] == op[1]) {
          push(TokenKind::Operator, start, i + 2, op);
          i += 2;
          matched = true;
          break;
        }
      }
    }
    if (matched) continue;
    static const std::string_view kOne = "(),.=<>+-*/%&|^~!{}:";
    if (kOne.find(static_cast<char>(c)) != std::string_view::npos) {
      push(TokenKind::Operator, start, i + 1, std::string(1, static_cast<char>(c)));
      ++i;
      continue;
    }
    std::string shown = (c >= 0x20 && c < 0x7f) ? std::string(1, static_cast<char>(c))
                                                : "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) +
                                                      std::string(1, "0123456789ABCDEF"[c & 15]);
    throw SyntaxError(shown);
  }
  return out;
}

}  // namespace engine::tsql
