// The T-SQL lexer, the translator and the adaptation to column types on any text: they end with
// a result or an EngineError, never a crash or a hang, and what they hand to SQLite is one
// statement that SQLite can at least read.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Error.h"
#include "tsql/Translator.h"
#include "types/Adapt.h"
#include "types/Values.h"

namespace {

sqlite3* Db() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    sqlite3_open(":memory:", &d);
    engine::types::Register(d);
    sqlite3_exec(d,
                 "CREATE TABLE t (c1 char(10), c2 int, d datetime, x dec(12,2));"
                 "CREATE TABLE u (k varchar(5), d datetime)",
                 nullptr, nullptr, nullptr);
    return d;
  }();
  return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    engine::tsql::Lex(text);
  } catch (const engine::EngineError&) {
  }
  engine::tsql::Batch batch;
  try {
    batch = engine::tsql::Translate(text);
  } catch (const engine::EngineError&) {
    return 0;
  }
  for (const engine::tsql::Statement& st : batch.statements) {
    try {
      std::string sql = engine::types::Adapt(Db(), "dmy", st);
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(Db(), sql.c_str(), int(sql.size()), &s, nullptr);
      sqlite3_finalize(s);
    } catch (const engine::EngineError&) {
    }
  }
  return 0;
}
