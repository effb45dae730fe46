#include "types/SqlText.h"

#include <algorithm>
#include <cctype>

#include "common/Text.h"

namespace engine::types {

namespace {

bool IsWordStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '#' || c == '@';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// End of a quoted run starting at i (the opening quote), doubled closers inside; npos if open.
size_t Quoted(std::string_view s, size_t i, char close) {
  for (size_t j = i + 1; j < s.size(); ++j) {
    if (s[j] != close) continue;
    if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
      ++j;
      continue;
    }
    return j + 1;
  }
  return std::string_view::npos;
}

}  // namespace

bool SqlToken::IsWord(std::string_view upper) const {
  return kind == Tok::Word && IEquals(text, upper);
}

std::vector<SqlToken> Scan(std::string_view s) {
  std::vector<SqlToken> out;
  int depth = 0;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t e = s.find("*/", i + 2);
      if (e == std::string_view::npos) break;
      i = e + 2;
      continue;
    }
    SqlToken t{Tok::Op, i, i + 1, {}, depth};
    if (c == '\'') {
      t.kind = Tok::String;
      t.end = Quoted(s, i, '\'');
    } else if (c == '"' || c == '`') {
      t.kind = Tok::Name;
      t.end = Quoted(s, i, c);
    } else if (c == '[') {
      t.kind = Tok::Name;
      t.end = Quoted(s, i, ']');
    } else if ((c == 'x' || c == 'X') && i + 1 < s.size() && s[i + 1] == '\'') {
      t.kind = Tok::Blob;
      t.end = Quoted(s, i + 1, '\'');
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      t.kind = Tok::Number;
      size_t j = i;
      if (c == '0' && j + 1 < s.size() && (s[j + 1] == 'x' || s[j + 1] == 'X')) {
        j += 2;
        while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j]))) ++j;
      } else {
        while (j < s.size() && (IsDigit(s[j]) || s[j] == '.')) ++j;
        if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
          size_t k = j + 1;
          if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
          if (k < s.size() && IsDigit(s[k])) {
            j = k;
            while (j < s.size() && IsDigit(s[j])) ++j;
          }
        }
      }
      t.end = j;
    } else if (c == '?' || c == ':' || c == '@' || c == '$') {
      t.kind = Tok::Param;
      size_t j = i + 1;
      while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      t.end = j;
    } else if (IsWordStart(static_cast<unsigned char>(c))) {
      t.kind = Tok::Word;
      size_t j = i + 1;
      while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      t.end = j;
    } else {
      static const char* const kTwo[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>", "->"};
      for (const char* op : kTwo)
        if (s.compare(i, 2, op) == 0) t.end = i + 2;
      if (s.compare(i, 3, "->>") == 0) t.end = i + 3;
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        --depth;
        t.depth = depth;
      }
    }
    if (t.end == std::string_view::npos) break;
    t.text = s.substr(t.begin, t.end - t.begin);
    out.push_back(t);
    i = t.end;
  }
  return out;
}

std::string NameOf(const SqlToken& t) {
  if (t.kind != Tok::Name || t.text.size() < 2) return std::string(t.text);
  char close = t.text.back();
  std::string r;
  std::string_view inner = t.text.substr(1, t.text.size() - 2);
  for (size_t i = 0; i < inner.size(); ++i) {
    r += inner[i];
    if (close != ']' && inner[i] == close && i + 1 < inner.size() && inner[i + 1] == close) ++i;
  }
  return r;
}

size_t FindWord(const std::vector<SqlToken>& t, size_t from, std::string_view w, int depth) {
  for (size_t i = from; i < t.size(); ++i) {
    if (t[i].depth < depth) return t.size();
    if (t[i].depth == depth && t[i].IsWord(w)) return i;
  }
  return t.size();
}

std::string Splice::Apply(std::string_view source) const {
  std::vector<const Edit*> order;
  for (const Edit& e : edits_) order.push_back(&e);
  // By position; at one position insertions come before a replacement.
  std::stable_sort(order.begin(), order.end(), [](const Edit* a, const Edit* b) {
    if (a->begin != b->begin) return a->begin < b->begin;
    return (a->end == a->begin) > (b->end == b->begin);
  });
  std::string out;
  out.reserve(source.size() + 64);
  size_t at = 0;
  for (const Edit* e : order) {
    if (e->begin < at) continue;  // overlapping edits: the first one wins
    out.append(source.substr(at, e->begin - at));
    out += e->text;
    at = e->end;
  }
  out.append(source.substr(at));
  return out;
}

}  // namespace engine::types
