// The library's statement builders on any name and value: a name is one name to the engine's
// lexer (its parts when written as they were), a value is one string literal with the same
// text, and nothing follows them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/Error.h"
#include "sqltext/Sentencias.h"
#include "tsql/Lexer.h"

using engine::tsql::Lex;
using engine::tsql::TokenKind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int partes = data[0] % 4;
  std::string texto(reinterpret_cast<const char*>(data + 1), size - 1);
  texto = texto.c_str();
  static CnxOdbc cnx{};
  int exito = 0;
  static SentOdbc s(&cnx, 1, &exito, "");

  s.IniTexto("drop table ");
  if (AnexaNombre(&s, texto.c_str(), partes) && !texto.empty()) {
    std::string sql = s.sentencia;
    std::string escrito = sql.substr(11);
    std::vector<engine::tsql::Token> t;
    try {
      t = Lex(sql);
    } catch (const engine::EngineError&) {
      // Only a name written as it was may be one the lexer refuses (an empty [] part).
      if (escrito != texto) std::abort();
      return 0;
    }
    if (escrito != texto) {
      // Bracketed: exactly one name, the text itself.
      if (t.size() != 3 || t[2].kind != TokenKind::QuotedName || t[2].value != texto) std::abort();
    } else {
      // As it was: names and dots only, at most `partes` names.
      size_t nombres = 0;
      for (size_t i = 2; i < t.size(); ++i) {
        bool nombre = t[i].kind == TokenKind::Word || t[i].kind == TokenKind::QuotedName;
        if (nombre ? (i % 2 != 0) : (i % 2 == 0 || !t[i].IsOp("."))) std::abort();
        nombres += nombre;
      }
      if (nombres == 0 || nombres > size_t(partes < 1 ? 1 : partes)) std::abort();
    }
  }

  s.IniTexto("SELECT ");
  if (AnexaValor(&s, texto.c_str())) {
    std::vector<engine::tsql::Token> t = Lex(s.sentencia);  // must not throw
    if (t.size() != 2 || t[1].kind != TokenKind::String || t[1].value != texto) std::abort();
  }
  return 0;
}
