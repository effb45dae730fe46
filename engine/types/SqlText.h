// A scanner for the SQLite text the translator emits, so that later passes (value checks, date
// literals, scrollable cursors) can find clauses and splice replacements by offset without
// changing anything else in the text.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace engine::types {

enum class Tok { Word, Name, String, Blob, Number, Param, Op };

struct SqlToken {
  Tok kind;
  size_t begin, end;    // byte range in the text
  std::string_view text;
  int depth = 0;        // parentheses around the token

  bool IsWord(std::string_view upper) const;  // a Word equal to it, case-insensitively
  bool IsOp(std::string_view op) const { return kind == Tok::Op && text == op; }
  bool IsName() const { return kind == Tok::Word || kind == Tok::Name; }
};

// Tokens of the text (blanks and comments dropped). Unreadable input ends the list early; the
// passes then leave the text alone and SQLite reports the error.
std::vector<SqlToken> Scan(std::string_view sql);

// The name a Word or Name token stands for (quotes removed, doubled quotes undone).
std::string NameOf(const SqlToken& t);

// Index of the first token at or after from, at the given depth, that is the word w; or
// tokens.size(). Stops at a token shallower than depth.
size_t FindWord(const std::vector<SqlToken>& t, size_t from, std::string_view w, int depth);

// Replacement of byte ranges of a text, applied in one pass.
class Splice {
 public:
  void Replace(size_t begin, size_t end, std::string text) {
    edits_.push_back({begin, end, std::move(text)});
  }
  void Insert(size_t at, std::string text) { Replace(at, at, std::move(text)); }
  bool empty() const { return edits_.empty(); }
  std::string Apply(std::string_view source) const;

 private:
  struct Edit {
    size_t begin, end;
    std::string text;
  };
  std::vector<Edit> edits_;
};

}  // namespace engine::types
