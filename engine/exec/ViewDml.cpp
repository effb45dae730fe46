#include "exec/ViewDml.h"

#include <sqlite3.h>

#include <vector>

#include "common/Text.h"
#include "store/Database.h"
#include "types/Schema.h"
#include "types/SqlText.h"
#include "types/Values.h"

namespace engine::exec {

namespace {

using types::SqlToken;

// The view's SELECT text, from the schema.
std::string ViewSql(sqlite3* db, const std::string& view) {
  sqlite3_stmt* q = nullptr;
  std::string sql;
  if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?1", -1,
                         &q, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(q, 1, view.data(), int(view.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(q) == SQLITE_ROW && sqlite3_column_text(q, 0))
      sql = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
  }
  sqlite3_finalize(q);
  return sql;
}

// The view's own column names, in order.
std::vector<std::string> ViewColumns(sqlite3* db, const std::string& view) {
  std::vector<std::string> names;
  std::string sql = "SELECT * FROM " + QuoteName(view);
  sqlite3_stmt* q = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &q, nullptr) == SQLITE_OK)
    for (int i = 0; i < sqlite3_column_count(q); ++i) names.push_back(sqlite3_column_name(q, i));
  sqlite3_finalize(q);
  return names;
}

}  // namespace

// Names of the database's views, or of the triggers this file makes.
std::vector<std::string> SchemaNames(sqlite3* db, const char* sql) {
  std::vector<std::string> names;
  sqlite3_stmt* q = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK)
    while (sqlite3_step(q) == SQLITE_ROW)
      names.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
  sqlite3_finalize(q);
  return names;
}

void DropViewTriggers(store::Database& db) {
  for (const std::string& name : SchemaNames(
           db.handle(), "SELECT t.name FROM sqlite_master t JOIN sqlite_master v ON v.type = 'view' "
                        "AND t.tbl_name = v.name WHERE t.type = 'trigger' AND (t.name = "
                        "v.name || '.insert' OR t.name = v.name || '.update' OR t.name = v.name "
                        "|| '.delete')"))
    db.Exec(("DROP TRIGGER " + QuoteName(name)).c_str());
}

void MakeViewsWritable(store::Database& db, const std::string& dateFormat) {
  for (const std::string& view :
       SchemaNames(db.handle(), "SELECT name FROM sqlite_master WHERE type = 'view'"))
    MakeViewWritable(db, view, dateFormat);
}

std::string CreatedView(const std::string& sql) {
  std::vector<SqlToken> t = types::Scan(sql);
  size_t i = 1;
  if (t.size() < 3 || !t[0].IsWord("CREATE")) return std::string();
  if (t[i].IsWord("TEMP") || t[i].IsWord("TEMPORARY")) ++i;
  if (i + 1 >= t.size() || !t[i].IsWord("VIEW") || !t[i + 1].IsName()) return std::string();
  return types::NameOf(t[i + 1]);
}

void MakeViewWritable(store::Database& db, const std::string& view,
                      const std::string& dateFormat) {
  sqlite3* h = db.handle();
  std::string sql = ViewSql(h, view);
  std::vector<SqlToken> t = types::Scan(sql);
  size_t as = types::FindWord(t, 0, "AS", 0);
  if (as + 1 >= t.size() || !t[as + 1].IsWord("SELECT")) return;
  size_t from = types::FindWord(t, as + 1, "FROM", 0);
  if (from + 1 >= t.size() || !t[from + 1].IsName()) return;
  // One table, no grouping, DISTINCT, TOP, joins or compounds.
  for (size_t k = as + 1; k < t.size(); ++k) {
    static const char* const kRefused[] = {"DISTINCT", "GROUP",  "HAVING", "JOIN", "UNION",
                                           "EXCEPT",   "INTERSECT", "LIMIT", "ORDER"};
    for (const char* w : kRefused)
      if (t[k].depth == 0 && t[k].IsWord(w)) return;
  }
  size_t afterTable = from + 2;
  std::string table = types::NameOf(t[from + 1]);
  if (afterTable < t.size() && t[afterTable].IsName() && !t[afterTable].IsWord("WHERE")) {
    if (t[afterTable].IsWord("AS")) ++afterTable;
    ++afterTable;  // an alias
  }
  if (afterTable < t.size() && !t[afterTable].IsWord("WHERE")) return;
  auto info = types::FindTable(h, table);
  if (!info) return;
  // Each item of the list is a column of the table (qualified or not, aliased or not), or *.
  std::vector<const types::ColumnInfo*> sources;
  size_t start = as + 2;
  for (size_t k = start; k <= from; ++k) {
    if (k < from && !(t[k].IsOp(",") && t[k].depth == 0)) continue;
    size_t last = k - 1;
    if (start == last && t[start].IsOp("*")) {
      for (const types::ColumnInfo& c : info->columns) sources.push_back(&c);
    } else {
      size_t name = start;
      while (name + 2 <= last && t[name + 1].IsOp(".") && t[name + 2].IsName()) name += 2;
      bool alias = name == last || (name + 1 == last && t[last].IsName()) ||
                   (name + 2 == last && t[name + 1].IsWord("AS") && t[last].IsName());
      const types::ColumnInfo* c = t[name].IsName() ? info->Find(types::NameOf(t[name])) : nullptr;
      if (!alias || !c) return;
      sources.push_back(c);
    }
    start = k + 1;
  }
  std::vector<std::string> names = ViewColumns(h, view);
  if (names.size() != sources.size() || sources.empty()) return;
  std::string cols, values, sets, match;
  for (size_t k = 0; k < sources.size(); ++k) {
    const types::ColumnInfo& c = *sources[k];
    std::string target = QuoteName(c.name), viewCol = QuoteName(names[k]);
    std::string value = c.type.kind == types::Kind::Other
                            ? "NEW." + viewCol
                            : types::ConvertCall("NEW." + viewCol, c.type, dateFormat);
    cols += (k ? ", " : "") + target;
    values += (k ? ", " : "") + value;
    sets += (k ? ", " : "") + target + " = " + value;
    match += (k ? " AND " : "") + target + " IS OLD." + viewCol;
  }
  std::string t0 = QuoteName(info->name), v = QuoteName(view);
  // One table row per view row, even among rows that look alike.
  std::string row = "rowid = (SELECT rowid FROM " + t0 + " WHERE " + match + " LIMIT 1)";
  db.Exec(("CREATE TRIGGER " + QuoteName(view + ".insert") + " INSTEAD OF INSERT ON " + v +
           " BEGIN INSERT INTO " + t0 + " (" + cols + ") VALUES (" + values + "); END")
              .c_str());
  db.Exec(("CREATE TRIGGER " + QuoteName(view + ".update") + " INSTEAD OF UPDATE ON " + v +
           " BEGIN UPDATE " + t0 + " SET " + sets + " WHERE " + row + "; END")
              .c_str());
  db.Exec(("CREATE TRIGGER " + QuoteName(view + ".delete") + " INSTEAD OF DELETE ON " + v +
           " BEGIN DELETE FROM " + t0 + " WHERE " + row + "; END")
              .c_str());
}

}  // namespace engine::exec
