#include "types/Schema.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "common/Text.h"
#include "types/SqlText.h"

namespace engine::types {

namespace {

std::mutex gMutex;
std::map<std::string, std::shared_ptr<const TableInfo>> gCache;  // by schema text
std::unordered_map<sqlite3*, sqlite3_stmt*> gQueries;             // the schema query, by handle

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (db && sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &s_, nullptr) != SQLITE_OK) s_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(s_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return s_; }
  void Adopt(sqlite3_stmt* s) { s_ = s; }

 private:
  sqlite3_stmt* s_ = nullptr;
};

std::string Column(sqlite3_stmt* s, int i) {
  const unsigned char* p = sqlite3_column_text(s, i);
  return p ? std::string(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(s, i)))
           : std::string();
}

// Columns of "CREATE UNIQUE INDEX name ON table (c1 [COLLATE x] [ASC|DESC], ...)".
std::vector<std::string> UniqueColumns(const std::string& sql) {
  std::vector<SqlToken> t = Scan(sql);
  if (t.size() < 3 || !t[1].IsWord("UNIQUE")) return {};
  size_t on = FindWord(t, 0, "ON", 0);
  size_t open = on;
  while (open < t.size() && !t[open].IsOp("(")) ++open;
  std::vector<std::string> cols;
  bool expectName = true;
  for (size_t i = open + 1; i < t.size() && t[i].depth >= 1; ++i) {
    if (t[i].depth > 1) return {};  // an expression index
    if (t[i].IsOp(",")) {
      expectName = true;
    } else if (expectName) {
      if (!t[i].IsName()) return {};
      cols.push_back(Lower(NameOf(t[i])));
      expectName = false;
    } else if (t[i].IsWord("COLLATE")) {
      ++i;
    } else if (!t[i].IsWord("ASC") && !t[i].IsWord("DESC") && !t[i].IsOp(")")) {
      return {};
    }
  }
  return cols;
}

// The IDENTITY column a CREATE TABLE text marks.
void ReadIdentity(const std::string& tableSql, TableInfo& info) {
  size_t at = tableSql.find("/*identity \"");
  if (at == std::string::npos) return;
  size_t nameEnd = tableSql.find('"', at + 12);
  if (nameEnd == std::string::npos) return;
  long long seed = 1, step = 1;
  if (std::sscanf(tableSql.c_str() + nameEnd + 1, " %lld %lld", &seed, &step) != 2) return;
  info.identity = tableSql.substr(at + 12, nameEnd - at - 12);
  info.identitySeed = seed;
  info.identityStep = step;
}

std::shared_ptr<TableInfo> Read(sqlite3* db, const std::string& name,
                                      const std::vector<std::string>& indexSql,
                                      const std::string& tableSql) {
  Statement all(db, "SELECT * FROM main." + QuoteName(name));
  if (!all.get()) return nullptr;
  auto info = std::make_shared<TableInfo>();
  info->name = name;
  int n = sqlite3_column_count(all.get());
  for (int i = 0; i < n; ++i) {
    ColumnInfo c;
    c.name = sqlite3_column_name(all.get(), i);
    const char* decl = sqlite3_column_decltype(all.get(), i);
    c.declared = decl ? decl : "";
    c.type = ParseDeclared(c.declared);
    int notNull = 0, primaryKey = 0, autoInc = 0;
    if (sqlite3_table_column_metadata(db, "main", name.c_str(), c.name.c_str(), nullptr, nullptr,
                                      &notNull, &primaryKey, &autoInc) == SQLITE_OK)
      c.notNull = notNull != 0;
    info->columns.push_back(std::move(c));
  }
  ReadIdentity(tableSql, *info);
  for (const std::string& sql : indexSql) {
    std::vector<std::string> cols = UniqueColumns(sql);
    if (!cols.empty()) info->uniqueKeys.push_back(std::move(cols));
  }
  return info;
}

}  // namespace

const ColumnInfo* TableInfo::Find(std::string_view column) const {
  int i = IndexOf(column);
  return i < 0 ? nullptr : &columns[size_t(i)];
}

int TableInfo::IndexOf(std::string_view column) const {
  for (size_t i = 0; i < columns.size(); ++i)
    if (IEquals(columns[i].name, column)) return int(i);
  return -1;
}

namespace {
thread_local TableMemo* tMemo = nullptr;
std::shared_ptr<const TableInfo> Find(sqlite3* db, const std::string& name);
}  // namespace

void ForgetHandle(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gQueries.find(db);
    if (it == gQueries.end()) return;
    s = it->second;
    gQueries.erase(it);
  }
  sqlite3_finalize(s);
}

TableMemo::TableMemo(sqlite3* db) : db_(db), outer_(tMemo) { tMemo = this; }
TableMemo::~TableMemo() { tMemo = outer_; }

std::shared_ptr<const TableInfo> FindTable(sqlite3* db, const std::string& name) {
  TableMemo* memo = tMemo && tMemo->db_ == db ? tMemo : nullptr;
  if (memo)
    for (const auto& [n, info] : memo->read_)
      if (n == name) return info;
  auto info = Find(db, name);
  if (memo) memo->read_.emplace_back(name, info);
  return info;
}

namespace {

std::shared_ptr<const TableInfo> Find(sqlite3* db, const std::string& name) {
  static const char kSql[] =
      "SELECT type, name, sql FROM main.sqlite_master WHERE tbl_name = ?1 COLLATE NOCASE "
      "AND type IN ('table', 'index') ORDER BY type DESC, name";
  // Prepared once per handle and kept until ForgetHandle: every statement that names a table
  // asks. A nested ask while it runs gets a statement of its own.
  sqlite3_stmt* found = nullptr;
  Statement own(nullptr, "");
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gQueries.find(db);
    if (it != gQueries.end()) found = it->second;
  }
  if (!found || sqlite3_stmt_busy(found)) {
    bool keep = !found;
    found = nullptr;
    if (sqlite3_prepare_v3(db, kSql, -1, keep ? SQLITE_PREPARE_PERSISTENT : 0, &found, nullptr) !=
        SQLITE_OK) {
      sqlite3_finalize(found);
      return nullptr;
    }
    if (keep) {
      std::lock_guard<std::mutex> lock(gMutex);
      gQueries[db] = found;
    } else {
      own.Adopt(found);
    }
  }
  struct Reset {
    sqlite3_stmt* s;
    ~Reset() { sqlite3_reset(s); }
  } q{found};
  sqlite3_bind_text(q.s, 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
  std::string key, tableName, tableSql;
  std::vector<std::string> indexSql;
  while (sqlite3_step(q.s) == SQLITE_ROW) {
    std::string type = Column(q.s, 0), sql = Column(q.s, 2);
    if (type == "table") {
      if (!tableName.empty()) break;
      tableName = Column(q.s, 1);
      tableSql = sql;
    } else if (!sql.empty()) {
      indexSql.push_back(sql);
    }
    key += sql;
    key += '\x1f';
  }
  if (tableName.empty()) return nullptr;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gCache.find(key);
    if (it != gCache.end()) return it->second;
  }
  auto info = Read(db, tableName, indexSql, tableSql);
  if (!info) return nullptr;
  info->version = std::hash<std::string>{}(key);
  std::lock_guard<std::mutex> lock(gMutex);
  if (gCache.size() > 512) gCache.clear();
  gCache[key] = info;
  return info;
}

}  // namespace

}  // namespace engine::types
