// Plans kept by T-SQL text with its literals masked: a query or write that differs from one seen
// before only in its literal values skips the translator, the type passes and the
// parameterization, and runs the kept text with its own literals bound (never pasted).
//
// The key is the text with every literal replaced by its kind and form (a number's digits and
// point, whether it fits an int), plus which literals are equal (equal literals share a marker),
// the current database and the date format. A plan is kept only when a second translation, with
// every literal that became a parameter changed to another value of the same form, gives the
// same SQLite text, the same item types and parameters equal to the changed literals: then the
// literals map one to one onto parameters. Literals that stayed in the text (the select list,
// ORDER BY positions, a date read by the date format) must be the same for the plan to serve.
// A plan checks the schema versions of every table its translation read before it runs.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exec/PlanCache.h"
#include "store/Database.h"
#include "tsql/Translator.h"

struct sqlite3;

namespace engine::types {
struct TableInfo;
}

namespace engine::exec {

struct MaskedLiteral {
  enum class Kind : char { String = 'S', National = 'N', Integer = 'I', Decimal = 'D' };
  Kind kind = Kind::String;
  size_t begin = 0, end = 0;  // the token in the text
  std::string value;          // a string's content; a number's text
  int group = 0;              // index of the first literal with the same value
  bool IsString() const { return kind == Kind::String || kind == Kind::National; }
};

struct MaskedText {
  bool ok = false;  // false: not one SELECT, INSERT, UPDATE or DELETE, or text the translator
                    // would refuse
  std::string key;
  std::vector<MaskedLiteral> literals;
};

// One pass over the text: literals (strings, N'' strings, decimal numbers), comments and
// quoted names read as the translator reads them.
MaskedText Mask(std::string_view text);

// A plan kept for a masked key.
struct KeptText {
  // Where each parameter's value comes from: a literal of the text (by its group) read as a
  // string, as a number, or as a number's text; or a value fixed with the plan.
  enum class From : char { String, Number, NumberText, Fixed };
  struct Source {
    From from = From::Fixed;
    int group = 0;
    Literal fixed;
  };
  std::vector<Source> sources;                          // per parameter, in marker order
  std::vector<std::pair<int, std::string>> fixedSlots;  // literals that must be as written
  tsql::Statement statement;
  int batchParameters = 0;
  std::string sql;  // with the table's version prefix
  std::vector<std::string> resultTypes;
  int firstLiteral = 0;
  std::string table;
  std::vector<std::pair<std::string, std::shared_ptr<const types::TableInfo>>> tables;
  // The chain of WAL-index headers (store::Database::Verified) since the tables were last
  // found unchanged: while it holds, nobody but this connection's own writes has committed
  // anything since, and they need not be read again.
  mutable uint64_t chain = 0;
  // Inside a transaction: the epoch (store::Database::epoch) the tables were last found
  // unchanged in.
  mutable uint64_t epoch = 0;
};

// What a statement carries from the cache to the executor.
struct TextPlan {
  std::string text;  // the T-SQL text
  std::string key;   // its masked key
  MaskedText masked;
  // The plan that serves it (null: learn from this run), and the parameters' values, in marker
  // order. A prepared text's own plan is set by its first run (or its description).
  mutable std::shared_ptr<const KeptText> kept;
  mutable std::vector<Literal> literals;
  mutable bool learn = false;  // no plan yet, and the key was seen before
  bool own = false;            // a prepared text: it keeps a plan of its own, for itself only
};

// What the first run of a text gives the cache to learn from.
struct FirstRun {
  const tsql::Statement* statement;
  int batchParameters = 0;
  const std::vector<std::string>* resultTypes;
  const Parameterized* parameterized;  // sql without the version prefix
  std::string sql;                     // the text that ran
  std::vector<std::pair<std::string, std::shared_ptr<const types::TableInfo>>> tables;
};

class TextCache {
 public:
  // The batch for text: a kept plan's statement with this text's values, or the translation
  // of the text (carrying what the executor needs to keep its plan).
  tsql::Batch Translate(std::string_view text, const std::string& database,
                        const std::string& dateFormat);
  // Keeps the plan of a first run when its literals map onto its parameters (db and dateFormat:
  // for the second translation).
  void Learn(const TextPlan& plan, const FirstRun& run, sqlite3* db, const std::string& dateFormat);
  // The translation of a prepared text: a statement that may keep a plan carries an own plan,
  // set by Own at its first run and used by every run after while its schema holds.
  static tsql::Batch Prepare(std::string_view text);
  // Gives plan (an own plan) the plan of this run: the same text, every literal as written.
  static void Own(const TextPlan& plan, const FirstRun& run);
  // The kept plan's schema still holds (each table it read has the same version).
  static bool Fits(const KeptText& kept, store::Database& db);
  // Forgets a plan whose schema changed.
  void Drop(const TextPlan& plan);
  size_t size() const { return keys_.size(); }

 private:
  static constexpr size_t kKeys = 256, kPerKey = 4;
  // By key: the plans kept (texts with other fixed literals), most recent first. A key seen
  // once has none: a plan is learned from the second text of a form.
  std::map<std::string, std::vector<std::shared_ptr<const KeptText>>> keys_;
};

}  // namespace engine::exec
