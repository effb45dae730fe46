// T-SQL tokens: 'strings' (N'..' too) with doubled quotes, [names] and "names", -- and /* */
// comments, @variables, ? markers, numbers, words and operators.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace engine::tsql {

enum class TokenKind {
  Word,        // identifier or keyword, as written
  QuotedName,  // [name] or "name"; value is the name
  String,      // 'text' or N'text'; value is the text
  Number,      // 12, 1.5, .5e3, 0x1F
  Variable,    // @name or @@name
  Parameter,   // ?
  Operator,    // punctuation and operators, one token each (<=, <>, != ...)
  Semicolon,
};

struct Token {
  TokenKind kind;
  std::string text;   // the source text of the token
  std::string value;  // decoded: name for QuotedName, content for String; else == text
  size_t offset = 0;  // position in the source

  bool IsWord(std::string_view upperWord) const;  // a Word equal to it, case-insensitively
  bool IsOp(std::string_view op) const { return kind == TokenKind::Operator && text == op; }
  bool IsName() const { return kind == TokenKind::Word || kind == TokenKind::QuotedName; }
};

// Splits the whole text into tokens (comments and blanks dropped). Throws EngineError 42000 on
// text that cannot be read: unclosed quotes or comments, characters T-SQL does not know.
std::vector<Token> Lex(std::string_view text);

// The lexer's scanners, shared with the plan cache's masking pass (exec/TextCache.h). Each
// returns the end of what starts at i, or npos when the text ends before it closes.
bool IsWordStart(unsigned char c);
bool IsWordChar(unsigned char c);
bool IsDigit(unsigned char c);
// i at "/*"; T-SQL block comments nest.
size_t SkipBlockComment(std::string_view s, size_t i);
// From i past blanks, "--" comments and block comments: the start of the next token (or the
// text's end); npos when a block comment does not close.
size_t SkipBlanks(std::string_view s, size_t i);
// i just after the opening quote; the closing quote is doubled inside. *value gets the text.
size_t ScanQuoted(std::string_view s, size_t i, char close, std::string* value);
// i at a digit, or at a '.' before one; *exact is false for hexadecimal and exponents.
size_t ScanNumber(std::string_view s, size_t i, bool* exact);

}  // namespace engine::tsql
