#include "cursor/DynamicCursor.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "cursor/ForwardCursor.h"
#include "cursor/Positioning.h"
#include "store/Database.h"
#include "store/Locks.h"
#include "common/Text.h"
#include "types/Schema.h"
#include "types/SqlText.h"

namespace engine::cursor {

namespace {

void Bind(sqlite3_stmt* s, int i, const Value& v) {
  switch (v.kind) {
    case Value::Kind::Integer: sqlite3_bind_int64(s, i, v.i); break;
    case Value::Kind::Real: sqlite3_bind_double(s, i, v.d); break;
    case Value::Kind::Text:
      sqlite3_bind_text(s, i, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
      break;
    case Value::Kind::Blob:
      sqlite3_bind_blob(s, i, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
      break;
    default: sqlite3_bind_null(s, i); break;
  }
}

std::string Marker(size_t n) { return "?" + std::to_string(n); }

// The WHERE with every top-level conjunct that names no ORDER BY column written "+(...)": the
// same rows, but SQLite no longer seeks on it, so the queries seek on the ORDER BY key (the
// boundary) instead of reading every row of a constant condition and sorting them.
std::string SeekOnOrderKeyOnce(const QueryShape& shape, const std::vector<std::string>& columns);

// Kept by the ORDER BY columns and the WHERE: cursors of one query share it.
std::string SeekOnOrderKey(const QueryShape& shape) {
  if (shape.where.empty()) return shape.where;
  std::vector<std::string> columns;
  std::string key;
  for (const OrderTerm& t : shape.order) {
    if (t.column.empty()) return shape.where;
    columns.push_back(Lower(t.column));
    key += columns.back() + '\x1f';
  }
  key += shape.where;
  static std::mutex m;
  static std::unordered_map<std::string, std::string> kept;
  {
    std::lock_guard<std::mutex> l(m);
    auto it = kept.find(key);
    if (it != kept.end()) return it->second;
  }
  std::string where = SeekOnOrderKeyOnce(shape, columns);
  std::lock_guard<std::mutex> l(m);
  if (kept.size() > 1024) kept.clear();
  kept.emplace(std::move(key), where);
  return where;
}

std::string SeekOnOrderKeyOnce(const QueryShape& shape, const std::vector<std::string>& columns) {
  std::vector<types::SqlToken> t = types::Scan(shape.where);
  if (t.empty() || t.back().end != shape.where.size()) return shape.where;
  types::Splice splice;
  size_t start = 0;
  bool named = false, between = false;  // between: the next AND is BETWEEN's
  int cases = 0;                         // CASE ... END around the token
  for (size_t i = 0; i <= t.size(); ++i) {
    if (i < t.size() && t[i].depth == 0 && t[i].IsWord("CASE")) ++cases;
    if (i < t.size() && t[i].depth == 0 && t[i].IsWord("END") && cases > 0) --cases;
    bool top = i < t.size() && t[i].depth == 0 && cases == 0;
    if (top && t[i].IsWord("BETWEEN")) between = true;
    if (top && t[i].IsWord("AND") && between) {
      between = false;
      continue;
    }
    if (i == t.size() || (top && t[i].IsWord("AND"))) {
      if (!named && start < i) {
        splice.Insert(t[start].begin, "+(");
        splice.Insert(t[i - 1].end, ")");
      }
      start = i + 1;
      named = false;
      continue;
    }
    if (t[i].IsName() &&
        std::find(columns.begin(), columns.end(), Lower(types::NameOf(t[i]))) != columns.end())
      named = true;
  }
  return splice.empty() ? shape.where : splice.Apply(shape.where);
}

// The columns of a query without computed ones, by its text when the text carries its table's
// schema version (exec/Executor.cpp): the same text then always has the same columns.
std::vector<Column> DescribeOnce(sqlite3_stmt* stmt) {
  static std::mutex m;
  static std::unordered_map<std::string, std::vector<Column>> described;
  std::string sql = sqlite3_sql(stmt);
  bool keep = sql.compare(0, 2, "/*") == 0;
  if (keep) {
    std::lock_guard<std::mutex> l(m);
    auto it = described.find(sql);
    if (it != described.end()) return it->second;
  }
  std::vector<Column> cols = ForwardCursor::Describe(stmt, false);
  if (keep) {
    std::lock_guard<std::mutex> l(m);
    if (described.size() > 1024) described.clear();
    described.emplace(std::move(sql), cols);
  }
  return cols;
}

}  // namespace

DynamicCursor::DynamicCursor(std::shared_ptr<store::Database> db, const QueryShape& shape,
                             std::string verb)
    : db_(std::move(db)), shape_(shape), verb_(std::move(verb)) {}

DynamicCursor::~DynamicCursor() { Close(); }

std::unique_ptr<DynamicCursor> DynamicCursor::TryOpen(std::shared_ptr<store::Database> db,
                                                      sqlite3_stmt* stmt, const QueryShape& shape,
                                                      const Binder& bind,
                                                      const std::string& verb,
                                                      std::shared_ptr<const types::TableInfo> info) {
  std::unique_ptr<DynamicCursor> c(new DynamicCursor(db, shape, verb));
  c->visible_ = size_t(sqlite3_column_count(stmt));
  // The parameters are read once, as the statement was executed, and bound again to every
  // query the cursor runs.
  int count = sqlite3_bind_parameter_count(stmt);
  if (count > 0) {
    std::string sql = "SELECT ";
    for (int i = 1; i <= count; ++i) sql += (i > 1 ? ", " : "") + Marker(size_t(i));
    sqlite3_stmt* raw = nullptr;
    try {
      raw = db->Take(sql, verb.c_str(), shape.table);
    } catch (const EngineError&) {
      return nullptr;
    }
    struct Back {
      store::Database& db;
      sqlite3_stmt* s;
      ~Back() { db.Give(s); }
    } capture{*db, raw};
    for (int i = 1; i <= count; ++i) bind(raw, i);
    if (sqlite3_step(raw) != SQLITE_ROW) return nullptr;
    for (int i = 0; i < count; ++i) c->params_.push_back(sqlite3_value_dup(sqlite3_column_value(raw, i)));
  }
  // Only tables have row ids (a view's are NULL). NOT NULL terms and unique keys let a fetch
  // run fewer queries.
  if (!info || !IEquals(info->name, shape.table)) info = types::FindTable(db->handle(), shape.table);
  if (!info) return nullptr;
  c->tag_ = "/*" + std::to_string(info->version) + "*/ ";
  std::vector<std::string> covered;
  for (size_t i = 0; i < shape.order.size(); ++i) {
    const OrderTerm& t = shape.order[i];
    const types::ColumnInfo* col = t.column.empty() ? nullptr : info->Find(t.column);
    c->notNull_.push_back(col && col->notNull);
    if (col) covered.push_back(t.column);
    if (c->uniquePrefix_) continue;
    for (const auto& key : info->uniqueKeys) {
      bool all = true;
      for (const std::string& k : key)
        all = all && std::find(covered.begin(), covered.end(), k) != covered.end();
      if (all) c->uniquePrefix_ = i + 1;
    }
  }
  if (c->uniquePrefix_) c->where_ = SeekOnOrderKey(shape);
  try {
    c->Plan(false, nullptr, false);
  } catch (const EngineError&) {
    return nullptr;  // no row ids (a view), or a form the boundary queries cannot take
  }
  // Computed columns take their type from the first row.
  bool computed = false;
  for (size_t i = 0; i < c->visible_; ++i)
    computed = computed || !sqlite3_column_decltype(stmt, int(i));
  bool stepped = false;
  if (computed) {
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      sqlite3_reset(stmt);
      store::ThrowSqlite(db->handle(), rc, verb.c_str(), shape.table);
    }
    stepped = rc == SQLITE_ROW;
  }
  c->columns_ = computed ? ForwardCursor::Describe(stmt, stepped) : DescribeOnce(stmt);
  sqlite3_reset(stmt);
  return c;
}

void DynamicCursor::Close() {
  LetGo();
  if (locks_) locks_->Release(locked_);
  locked_.clear();
  for (auto& [key, plan] : plans_)
    for (sqlite3_stmt* s : plan) db_->Give(s);
  plans_.clear();
  lastPlan_ = nullptr;
  for (sqlite3_value* v : params_) sqlite3_value_free(v);
  params_.clear();
  place_ = Place::BeforeStart;
}

std::string DynamicCursor::QueryPlans() {
  std::string out;
  if (!lastPlan_) return out;
  LetGo();  // the handle prepares another statement
  for (sqlite3_stmt* q : *lastPlan_) {
    std::string sql = sqlite3_sql(q);
    out += sql + "\n";
    std::string explain = "EXPLAIN QUERY PLAN " + sql;
    sqlite3_stmt* e = nullptr;
    if (sqlite3_prepare_v2(db_->handle(), explain.c_str(), int(explain.size()), &e, nullptr) ==
        SQLITE_OK)
      while (sqlite3_step(e) == SQLITE_ROW)
        out += std::string("  ") + reinterpret_cast<const char*>(sqlite3_column_text(e, 3)) + "\n";
    sqlite3_finalize(e);
  }
  return out;
}

std::string DynamicCursor::QueryText(bool backward, const std::string& condition) const {
  size_t n = shape_.order.size();
  std::string s = tag_ + "SELECT " + shape_.selectList;
  for (const OrderTerm& t : shape_.order) s += ", " + t.expr;
  s += ", " + shape_.rowid + " FROM " + shape_.from;
  const std::string& own = where_.empty() ? shape_.where : where_;
  std::string where = own.empty() ? std::string() : "(" + own + ")";
  if (!condition.empty()) where += (where.empty() ? "" : " AND ") + condition;
  if (!where.empty()) s += " WHERE " + where;
  s += " ORDER BY ";
  for (const OrderTerm& t : shape_.order) s += t.expr + (t.desc != backward ? " DESC, " : ", ");
  s += shape_.rowid + (backward ? " DESC" : "") + " LIMIT " + Marker(params_.size() + n + 2);
  return s;
}

std::vector<std::string> DynamicCursor::Conditions(bool backward, const Key& b,
                                                   bool inclusive) const {
  size_t n = shape_.order.size(), base = params_.size();
  auto P = [&](size_t i) { return Marker(base + i + 1); };
  auto E = [&](size_t i) { return "(" + shape_.order[i].expr + ")"; };
  // Whether the values of term i grow along the scan (NULLs, the smallest, come first).
  auto up = [&](size_t i) { return shape_.order[i].desc == backward; };
  auto isNull = [&](size_t i) { return b.values[i].IsNull(); };
  auto beyond = [&](size_t i) -> std::string {
    if (up(i)) return isNull(i) ? E(i) + " IS NOT NULL" : E(i) + " > " + P(i);
    return isNull(i) ? std::string() : "(" + E(i) + " < " + P(i) + " OR " + E(i) + " IS NULL)";
  };
  auto equal = [&](size_t i) { return isNull(i) ? E(i) + " IS NULL" : E(i) + " = " + P(i); };
  // Rows past the boundary from term i on, the row id deciding last.
  std::function<std::string(size_t)> after = [&](size_t i) -> std::string {
    if (i == n)
      return shape_.rowid + (backward ? (inclusive ? " <= " : " < ") : (inclusive ? " >= " : " > ")) +
             Marker(base + n + 1);
    std::string further = beyond(i), tie = equal(i) + " AND " + after(i + 1);
    return further.empty() ? "(" + tie + ")" : "(" + further + " OR (" + tie + "))";
  };
  // The leading run of terms with a value, all running the same way: an index on them can
  // seek to the boundary.
  size_t m = 0;
  while (m < n && !isNull(m) && up(m) == up(0)) ++m;
  if (m == 0) return {after(0)};
  auto prefix = [&](size_t j) {
    std::string s;
    for (size_t k = 0; k < j; ++k) s += (k ? " AND " : "") + equal(k);
    return s;
  };
  auto rowValue = [&](const char* op) {
    if (m == 1) return E(0) + " " + op + " " + P(0);
    std::string l = "(", r = "(";
    for (size_t k = 0; k < m; ++k) {
      l += (k ? ", " : "") + E(k);
      r += (k ? ", " : "") + P(k);
    }
    return l + ") " + op + " " + r + ")";
  };
  bool rising = up(0);
  bool nullable = false;
  for (size_t k = 0; k < m; ++k) nullable = nullable || !notNull_[k];
  std::vector<std::string> out;
  if (uniquePrefix_ && m >= uniquePrefix_ && (rising || !nullable || m == 1)) {
    // At most one row ties with the boundary on the run: one query seeks and filters.
    out.push_back(rowValue(rising ? ">=" : "<=") + " AND " + after(0));
    if (!rising && nullable) out.push_back(E(0) + " IS NULL");
    return out;
  }
  // First the rows that tie with the boundary on the run, then those past it.
  out.push_back(prefix(m) + " AND " + after(m));
  if (rising || !nullable) {
    out.push_back(rowValue(rising ? ">" : "<"));
    return out;
  }
  // Running towards the NULLs, which close every group of equal leading values.
  for (size_t j = m; j-- > 0;) {
    std::string lead = j ? prefix(j) + " AND " : std::string();
    out.push_back(lead + E(j) + " < " + P(j));
    if (!notNull_[j]) out.push_back(lead + E(j) + " IS NULL");
  }
  return out;
}

sqlite3_stmt* DynamicCursor::Prepare(const std::string& sql) {
  sqlite3_stmt* s = db_->Take(sql, verb_.c_str(), shape_.table);
  for (size_t i = 0; i < params_.size(); ++i) sqlite3_bind_value(s, int(i + 1), params_[i]);
  return s;
}

const std::vector<sqlite3_stmt*>& DynamicCursor::Plan(bool backward, const Key* from,
                                                      bool inclusive) {
  std::string key(1, backward ? 'b' : 'f');
  if (from) {
    key += inclusive ? 'i' : 's';
    for (const Value& v : from->values) key += v.IsNull() ? '0' : '1';
  }
  auto it = plans_.find(key);
  if (it != plans_.end()) return it->second;
  std::vector<std::string> conditions;
  if (from)
    conditions = Conditions(backward, *from, inclusive);
  else
    conditions.push_back(std::string());
  std::vector<sqlite3_stmt*> plan;
  try {
    for (const std::string& c : conditions) plan.push_back(Prepare(QueryText(backward, c)));
  } catch (...) {
    for (sqlite3_stmt* s : plan) db_->Give(s);
    throw;
  }
  return plans_.emplace(key, std::move(plan)).first->second;
}

// Whether a query may run without its LIMIT: it has run before and never sorted (it walks an
// index in the cursor's order), so reading on costs no more than stopping.
static bool Unbounded(sqlite3_stmt* s) {
  return sqlite3_stmt_status(s, SQLITE_STMTSTATUS_RUN, 0) > 0 &&
         sqlite3_stmt_status(s, SQLITE_STMTSTATUS_SORT, 0) == 0 &&
         sqlite3_stmt_status(s, SQLITE_STMTSTATUS_AUTOINDEX, 0) == 0;
}

size_t DynamicCursor::Scan(bool backward, const Key* from, bool inclusive, size_t skip,
                           size_t take, std::vector<FetchedRow>& rows, std::vector<Key>& keys) {
  constexpr size_t kMark = store::Database::kWalMark;
  unsigned char before[kMark];
  // NEXT after NEXT (PRIOR after PRIOR) in a snapshot nobody has committed past: the open
  // statement reads on.
  bool going = false;
  if (open_.stmt) {
    going = from && !inclusive && skip == 0 && backward == open_.backward &&
            from->rowid == open_.rowid && db_->holder() == this && db_->WalMark(before) &&
            std::memcmp(before, mark_, kMark) == 0;
    if (!going) LetGo();
  }
  const std::vector<sqlite3_stmt*>& plan = going ? *open_.plan : Plan(backward, from, inclusive);
  lastPlan_ = &plan;
  Key bound = going ? std::move(open_.from) : from ? *from : Key();
  bool boundInclusive = going ? open_.inclusive : inclusive;
  bool hasBound = going || from;
  size_t i = going ? open_.index : 0;
  open_.stmt = nullptr;
  db_->Claim(this);
  sqlite3* h = db_->handle();
  // Only outside a transaction, and only with a guard for the idle release. A locking cursor
  // may hold too: a held snapshot is read on only while nobody has committed since it began,
  // so it is the latest, and Fetch reads the rows again when a locked row's change was
  // committed meanwhile.
  bool mayHold = guard_ && sqlite3_get_autocommit(h);
  size_t n = shape_.order.size(), base = params_.size(), count = 0;
  sqlite3_stmt* held = nullptr;
  for (; i < plan.size() && count < take; ++i) {
    sqlite3_stmt* s = plan[i];
    bool fresh = !going || i != open_.index;
    // A fresh query may be held when its first step begins the read transaction and nobody
    // commits meanwhile: the snapshot is then the one the header shows.
    bool holdable = !fresh;
    if (fresh) {
      if (hasBound) {
        for (size_t j = 0; j < n; ++j)
          if (!bound.values[j].IsNull()) Bind(s, int(base + j + 1), bound.values[j]);
        sqlite3_bind_int64(s, int(base + n + 1), bound.rowid);
      }
      bool unbounded = mayHold && Unbounded(s);
      sqlite3_bind_int64(s, int(base + n + 2),
                         unbounded ? -1 : sqlite3_int64(skip + take - count));
      holdable = unbounded && sqlite3_txn_state(h, "main") == SQLITE_TXN_NONE &&
                 db_->WalMark(before);
    }
    bool first = true;
    int rc = SQLITE_DONE;
    while (count < take && (rc = sqlite3_step(s)) == SQLITE_ROW) {
      if (first && fresh && holdable) {
        unsigned char after[kMark];
        holdable = db_->WalMark(after) && std::memcmp(after, before, kMark) == 0;
      }
      first = false;
      if (skip) {
        --skip;
        continue;
      }
      if (rows.size() <= count) rows.emplace_back();
      if (keys.size() <= count) keys.emplace_back();
      FetchedRow& r = rows[count];
      Key& k = keys[count];
      r.status = SQL_ROW_SUCCESS;
      Take(r, count, s, visible_, directScan_ && !backward && &rows != &probe_);
      k.values.resize(n);
      for (size_t j = 0; j < n; ++j) k.values[j].Assign(s, int(visible_ + j));
      k.rowid = sqlite3_column_int64(s, int(visible_ + n));
      r.rowid = k.rowid;
      ++count;
    }
    if (rc == SQLITE_ROW && holdable && count > 0) {
      if (fresh) std::memcpy(mark_, before, kMark);
      held = s;
      break;
    }
    // Otherwise each query ends its read at once: the next fetch sees newer commits.
    sqlite3_reset(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
      Drop();
      store::ThrowSqlite(h, rc, verb_.c_str(), shape_.table);
    }
  }
  if (held) {
    open_ = {held, &plan, i, backward, std::move(bound), boundInclusive, keys[count - 1].rowid};
    db_->SetHolder(this);
    if (going)
      Touch();
    else
      Remember(this, guard_);
  } else if (going) {
    Drop();
  }
  rows.resize(count);
  keys.resize(count);
  if (backward) {
    std::reverse(rows.begin(), rows.end());
    std::reverse(keys.begin(), keys.end());
  }
  return count;
}

void DynamicCursor::LetGo() {
  if (open_.stmt) sqlite3_reset(open_.stmt);
  Drop();
}

void DynamicCursor::Drop() {
  open_.stmt = nullptr;
  if (db_->holder() == this) db_->SetHolder(nullptr);
  Forget(this);
}

void DynamicCursor::LetGoIdle() {
  if (open_.stmt) sqlite3_reset(open_.stmt);
  open_.stmt = nullptr;
  if (db_->holder() == this) db_->SetHolder(nullptr);
}

SQLRETURN DynamicCursor::Land(size_t count) {
  first_ = keys_[0];
  last_ = keys_[count - 1];
  place_ = Place::Rowset;
  return SQL_SUCCESS;
}

SQLRETURN DynamicCursor::NoData(Place place, std::vector<FetchedRow>& rows) {
  place_ = place;
  rows.clear();
  return SQL_NO_DATA;
}

SQLRETURN DynamicCursor::First(size_t size, std::vector<FetchedRow>& rows) {
  size_t c = Scan(false, nullptr, false, 0, size, rows, keys_);
  return c ? Land(c) : NoData(Place::AfterEnd, rows);
}

SQLRETURN DynamicCursor::BeforeFirst(size_t size, std::vector<FetchedRow>& rows,
                                     std::vector<Notice>& notices) {
  size_t c = Scan(false, nullptr, false, 0, size, rows, keys_);
  if (!c) return NoData(Place::AfterEnd, rows);
  notices.push_back({kBeforeFirstState, 0, kBeforeFirstMessage});
  return Land(c);
}

SQLRETURN DynamicCursor::Absolute(SQLLEN k, size_t size, std::vector<FetchedRow>& rows,
                                  std::vector<Notice>& notices) {
  if (k == 0) return NoData(Place::BeforeStart, rows);
  if (k > 0) {
    size_t c = Scan(false, nullptr, false, size_t(k - 1), size, rows, keys_);
    return c ? Land(c) : NoData(Place::AfterEnd, rows);
  }
  size_t back = size_t(-k);
  if (Scan(true, nullptr, false, back - 1, 1, probe_, probeKeys_) == 1) {
    Key at = probeKeys_[0];
    size_t c = Scan(false, &at, true, 0, size, rows, keys_);
    return c ? Land(c) : NoData(Place::AfterEnd, rows);
  }
  if (back > size) return NoData(Place::BeforeStart, rows);
  return BeforeFirst(size, rows, notices);
}

bool DynamicCursor::ReadRow(int64_t rowid, FetchedRow& row, Key& k) {
  LetGo();  // the row as it is now
  size_t n = shape_.order.size(), base = params_.size();
  auto it = plans_.find("r");
  if (it == plans_.end())
    it = plans_.emplace("r", std::vector<sqlite3_stmt*>{Prepare(
                                 QueryText(false, shape_.rowid + " = " + Marker(base + n + 1)))})
             .first;
  sqlite3_stmt* s = it->second[0];
  sqlite3_bind_int64(s, int(base + n + 1), rowid);
  sqlite3_bind_int64(s, int(base + n + 2), 1);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) {
    row.values.resize(visible_);
    row.direct = 0;
    for (size_t i = 0; i < visible_; ++i) row.values[i].Assign(s, int(i));
    k.values.resize(n);
    for (size_t i = 0; i < n; ++i) k.values[i].Assign(s, int(visible_ + i));
    k.rowid = rowid;
  }
  sqlite3_reset(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE)
    store::ThrowSqlite(db_->handle(), rc, verb_.c_str(), shape_.table);
  return rc == SQLITE_ROW;
}

void DynamicCursor::UnlockRow(int64_t rowid) {
  if (!locks_) return;
  int64_t byte = store::Locks::RowByte(shape_.table, rowid);
  auto it = std::find(locked_.begin(), locked_.end(), byte);
  if (it == locked_.end()) return;
  locked_.erase(it);
  locks_->Release({byte});
}

bool DynamicCursor::PlaceAt(int64_t rowid) {
  FetchedRow row;
  Key k;
  if (!ReadRow(rowid, row, k)) return false;
  first_ = last_ = k;
  place_ = Place::Rowset;
  return true;
}

bool DynamicCursor::ReadRow(int64_t rowid, FetchedRow& row) {
  Key k;
  return ReadRow(rowid, row, k);
}

SQLRETURN DynamicCursor::Fetch(SQLSMALLINT orientation, SQLLEN offset, size_t size,
                               std::vector<FetchedRow>& rows, std::vector<Notice>& notices) {
  if (!locks_) return FetchRows(orientation, offset, size, rows, notices);
  // A table lock (TABLOCKX) is the database's write lock held by another connection's
  // transaction: outside a transaction of its own, a locking read waits for it to end, as it
  // waits for a row's lock, and reads what it committed.
  try {
    db_->WaitForWriteLock();
  } catch (...) {
    locks_->Release(locked_);
    locked_.clear();
    rows.clear();
    throw;
  }
  uint64_t before = locks_->Commits();
  SQLRETURN rc = FetchRows(orientation, offset, size, rows, notices);
  std::vector<int64_t> bytes;
  for (const FetchedRow& r : rows) bytes.push_back(store::Locks::RowByte(shape_.table, r.rowid));
  try {
    locks_->Exchange(locked_, bytes);  // the previous rowset's go, these are taken
  } catch (...) {
    locked_.clear();
    rows.clear();
    throw;
  }
  locked_ = std::move(bytes);
  if (rows.empty()) return rc;
  // A transaction that has only read so far keeps an old snapshot: it starts again from the
  // latest commit (it has nothing to lose).
  bool renewed = false;
  if (sqlite3_txn_state(db_->handle(), "main") == SQLITE_TXN_READ) {
    bool running = false;
    for (sqlite3_stmt* p = sqlite3_next_stmt(db_->handle(), nullptr); p && !running;
         p = sqlite3_next_stmt(db_->handle(), p))
      running = sqlite3_stmt_busy(p) != 0;
    // (sqlite3_exec directly: Database::Exec would expire the cursor's prepared queries.)
    if (!running) {
      int rc = sqlite3_exec(db_->handle(), "COMMIT", nullptr, nullptr, nullptr);
      if (rc == SQLITE_OK) rc = sqlite3_exec(db_->handle(), "BEGIN", nullptr, nullptr, nullptr);
      if (rc != SQLITE_OK) store::ThrowSqlite(db_->handle(), rc, verb_.c_str(), shape_.table);
      renewed = true;
    }
  }
  // No change of a locked row committed since the rows were read (a change of a row needs its
  // lock): they are as they are now that they are locked. Otherwise read them again, under
  // their locks.
  if (!renewed && locks_->Commits() == before) return rc;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!ReadRow(rows[i].rowid, rows[i], keys_[i])) rows[i].status = SQL_ROW_DELETED;
  }
  first_ = keys_[0];
  last_ = keys_[rows.size() - 1];
  return rc;
}

SQLRETURN DynamicCursor::FetchRows(SQLSMALLINT orientation, SQLLEN offset, size_t size,
                                   std::vector<FetchedRow>& rows, std::vector<Notice>& notices) {
  if (size == 0) size = 1;
  struct Scope {
    bool& on;
    ~Scope() { on = false; }
  } scope{directScan_};
  directScan_ = direct_ && (orientation == SQL_FETCH_FIRST || orientation == SQL_FETCH_NEXT);
  switch (orientation) {
    case SQL_FETCH_FIRST:
      return First(size, rows);
    case SQL_FETCH_LAST: {
      size_t c = Scan(true, nullptr, false, 0, size, rows, keys_);
      return c ? Land(c) : NoData(Place::AfterEnd, rows);
    }
    case SQL_FETCH_NEXT: {
      if (place_ == Place::BeforeStart) return First(size, rows);
      if (place_ == Place::AfterEnd) return NoData(Place::AfterEnd, rows);
      size_t c = Scan(false, &last_, false, 0, size, rows, keys_);
      return c ? Land(c) : NoData(Place::AfterEnd, rows);
    }
    case SQL_FETCH_PRIOR: {
      if (place_ == Place::BeforeStart) return NoData(Place::BeforeStart, rows);
      const Key* from = place_ == Place::Rowset ? &first_ : nullptr;
      size_t c = Scan(true, from, false, 0, size, rows, keys_);
      if (c == 0) return NoData(Place::BeforeStart, rows);
      if (c < size) return BeforeFirst(size, rows, notices);
      return Land(c);
    }
    case SQL_FETCH_ABSOLUTE:
      return Absolute(offset, size, rows, notices);
    case SQL_FETCH_RELATIVE: {
      if (place_ == Place::BeforeStart)
        return offset > 0 ? Absolute(offset, size, rows, notices)
                          : NoData(Place::BeforeStart, rows);
      if (place_ == Place::AfterEnd)
        return offset < 0 ? Absolute(offset, size, rows, notices) : NoData(Place::AfterEnd, rows);
      if (offset >= 0) {
        size_t c = Scan(false, &first_, true, size_t(offset), size, rows, keys_);
        return c ? Land(c) : NoData(Place::AfterEnd, rows);
      }
      size_t back = size_t(-offset);
      if (Scan(true, &first_, false, back - 1, 1, probe_, probeKeys_) == 1) {
        Key at = probeKeys_[0];
        size_t c = Scan(false, &at, true, 0, size, rows, keys_);
        return c ? Land(c) : NoData(Place::AfterEnd, rows);
      }
      // Fewer than |offset| rows before the rowset.
      if (back > size || Scan(true, &first_, false, 0, 1, probe_, probeKeys_) == 0)
        return NoData(Place::BeforeStart, rows);
      return BeforeFirst(size, rows, notices);
    }
    default:
      ThrowBadOrientation(orientation);
  }
}

}  // namespace engine::cursor
