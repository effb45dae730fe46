#include "exec/TextCache.h"

#include <sqlite3.h>

#include <cstring>
#include <set>

#include "common/Error.h"
#include "tsql/Lexer.h"
#include "types/Adapt.h"
#include "types/Schema.h"

namespace engine::exec {

namespace {

using Kind = MaskedLiteral::Kind;

using tsql::IsDigit;
using tsql::IsWordChar;
using tsql::IsWordStart;

// Whether an integer's digits fit an int (the type SQL Server gives it; larger ones are bigint).
bool FitsInt(std::string_view digits) {
  size_t i = digits.find_first_not_of('0');
  if (i == std::string_view::npos) return true;
  std::string_view v = digits.substr(i);
  return v.size() < 10 || (v.size() == 10 && v <= "2147483647");
}

const size_t kMaxLiterals = 64;

// The text begins with SELECT, INSERT, UPDATE or DELETE (any case) and a word ends there.
bool StartsWithVerb(std::string_view s) {
  if (s.size() < 6 || (s.size() > 6 && IsWordChar(static_cast<unsigned char>(s[6])))) return false;
  for (std::string_view verb : {"select", "insert", "update", "delete"}) {
    bool same = true;
    for (size_t i = 0; i < 6 && same; ++i) same = (s[i] | 0x20) == verb[i];
    if (same) return true;
  }
  return false;
}

bool Same(const Literal& a, const Literal& b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case Literal::Kind::Integer: return a.i == b.i;
    case Literal::Kind::Real: return a.d == b.d;
    case Literal::Kind::Text: return a.s == b.s;
  }
  return false;
}

// A literal's value for a parameter, read the way `from` says.
bool ValueOf(const MaskedLiteral& m, KeptText::From from, Literal& out) {
  switch (from) {
    case KeptText::From::String:
      if (!m.IsString() || m.value.find('\0') != std::string::npos) return false;
      out.kind = Literal::Kind::Text;
      out.s = m.value;
      return true;
    case KeptText::From::Number:
      return !m.IsString() && NumberLiteral(m.value, out);
    case KeptText::From::NumberText:
      if (m.IsString()) return false;
      out.kind = Literal::Kind::Text;
      out.s = m.value;
      return true;
    case KeptText::From::Fixed:
      break;
  }
  return false;
}

// The digits of a number of the given count, the n-th of its form that none of taken is.
std::string OtherDigits(size_t count, bool fitsInt, int& n, const std::set<std::string>& taken,
                        const std::string& pointed, size_t point) {
  for (int tries = 0; tries < 200; ++tries, ++n) {
    std::string base = count == 1 ? "0" : (count == 10 && !fitsInt ? "3" : "1") +
                                               std::string(count - 1, '0');
    // base + n, in count digits
    std::string d = base;
    int carry = n;
    for (size_t i = d.size(); i-- > 0 && carry;) {
      int v = (d[i] - '0') + carry % 10;
      carry /= 10;
      if (v >= 10) {
        v -= 10;
        ++carry;
      }
      d[i] = char('0' + v);
    }
    if (carry) return {};
    std::string text = point == std::string::npos ? d : d.substr(0, point) + "." + d.substr(point);
    if (text != pointed && !taken.count(text)) {
      ++n;
      return text;
    }
  }
  return {};
}

// Another literal of the same kind and form as m that no literal of the text equals: a string
// three characters longer that no date format reads, a number with as many digits.
std::string Other(const MaskedLiteral& m, int& n, const std::set<std::string>& taken) {
  if (m.IsString()) {
    for (int tries = 0; tries < 200; ++tries) {
      std::string v = "~" + std::to_string(n++) + "~";
      if (v.size() < m.value.size() + 3) v.append(m.value.size() + 3 - v.size(), '~');
      if (!taken.count(v)) return (m.kind == Kind::National ? "N'" : "'") + v + "'";
    }
    return {};
  }
  size_t point = m.value.find('.');
  std::string digits = m.value;
  if (point != std::string::npos) digits.erase(point, 1);
  if (digits.empty()) return {};
  return OtherDigits(digits.size(), point != std::string::npos || FitsInt(digits), n, taken,
                     m.value, point);
}

std::string LiteralText(std::string_view t) {
  // A quoted token's value: the inner text with doubled quotes undone.
  size_t open = t.find('\'');
  std::string v;
  for (size_t i = open + 1; i + 1 < t.size(); ++i) {
    v += t[i];
    if (t[i] == '\'') ++i;
  }
  return v;
}

}  // namespace

MaskedText Mask(std::string_view s) {
  MaskedText m;
  size_t n = s.size(), i = 0, copied = 0;
  bool first = true;
  m.key.reserve(n + 8);
  auto literal = [&](Kind kind, size_t begin, size_t end, std::string value) {
    m.key.append(s.substr(copied, begin - copied));
    m.key += '\x01';
    m.key += char(kind);
    if (kind == Kind::Integer || kind == Kind::Decimal) {
      for (char c : value) m.key += c == '.' ? '.' : '9';
      if (kind == Kind::Integer && !FitsInt(value)) m.key += 'L';
    }
    copied = end;
    m.literals.push_back({kind, begin, end, std::move(value), 0});
  };
  for (char ch : s)
    if (static_cast<unsigned char>(ch) < 0x09) return {};  // the key's own marks
  while (i < n) {
    i = tsql::SkipBlanks(s, i);
    if (i == std::string_view::npos) return {};
    if (i >= n) break;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (first && !StartsWithVerb(s.substr(i))) return {};
    first = false;
    bool national = (c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'';
    if (c == '\'' || national) {
      std::string value;
      size_t j = tsql::ScanQuoted(s, national ? i + 2 : i + 1, '\'', &value);
      if (j == std::string_view::npos) return {};
      literal(national ? Kind::National : Kind::String, i, j, std::move(value));
      i = j;
      continue;
    }
    if (c == '[' || c == '"') {
      size_t j = tsql::ScanQuoted(s, i + 1, c == '[' ? ']' : '"', nullptr);
      if (j == std::string_view::npos) return {};
      i = j;
      continue;
    }
    if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(s[i + 1])))) {
      bool exact;  // hexadecimal and exponents stay in the key as written
      size_t j = tsql::ScanNumber(s, i, &exact);
      if (j < n && IsWordStart(static_cast<unsigned char>(s[j]))) return {};
      if (exact) {
        std::string text(s.substr(i, j - i));
        bool point = text.find('.') != std::string::npos;
        literal(point ? Kind::Decimal : Kind::Integer, i, j, std::move(text));
      }
      i = j;
      continue;
    }
    if (IsWordStart(c) || c == '@') {
      size_t j = i + 1;
      if (c == '@' && j < n && s[j] == '@') ++j;
      while (j < n && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
      i = j;
      continue;
    }
    if (c == ';') return {};  // one statement only
    ++i;
  }
  if (first || m.literals.size() > kMaxLiterals) return {};
  m.key.append(s.substr(copied));
  // Which literals are equal: equal literals share a marker. A string and a number with the
  // same text count as equal (a number compared with a wide decimal becomes a string).
  for (size_t a = 0; a < m.literals.size(); ++a) {
    size_t g = a;
    for (size_t b = 0; b < a; ++b)
      if (m.literals[b].value == m.literals[a].value) {
        g = b;
        break;
      }
    m.literals[a].group = int(g);
    m.key += '\x02';
    m.key += std::to_string(g);
  }
  m.ok = true;
  return m;
}

namespace {

// A statement kept: runs that use a kept plan are plain statements with their values.
bool Keepable(const tsql::Statement& st) {
  return (st.kind == tsql::Kind::Query && st.verb == "SELECT") ||
         (st.kind == tsql::Kind::Dml &&
          (st.verb == "INSERT" || st.verb == "UPDATE" || st.verb == "DELETE"));
}

// What a kept plan takes from the run it was made from.
void Fill(KeptText& kept, const FirstRun& run) {
  kept.statement = *run.statement;
  kept.statement.plan.reset();
  kept.batchParameters = run.batchParameters;
  kept.sql = run.sql;
  kept.resultTypes = *run.resultTypes;
  kept.firstLiteral = run.parameterized->firstLiteral;
  kept.table = run.parameterized->table;
  kept.tables = run.tables;
}

}  // namespace

tsql::Batch TextCache::Prepare(std::string_view text) {
  tsql::Batch b = tsql::Translate(text);
  if (b.statements.size() == 1 && Keepable(b.statements[0])) {
    auto plan = std::make_shared<TextPlan>();
    plan->text = std::string(text);
    plan->own = true;
    b.statements[0].plan = std::move(plan);
  }
  return b;
}

void TextCache::Own(const TextPlan& plan, const FirstRun& run) {
  auto kept = std::make_shared<KeptText>();
  for (const Literal& v : run.parameterized->literals) {
    KeptText::Source src;
    src.fixed = v;
    kept->sources.push_back(std::move(src));
  }
  Fill(*kept, run);
  plan.literals = run.parameterized->literals;
  plan.kept = std::move(kept);
}

tsql::Batch TextCache::Translate(std::string_view text, const std::string& database,
                                 const std::string& dateFormat) {
  MaskedText masked = Mask(text);
  if (!masked.ok) return tsql::Translate(text);
  std::string key = std::move(masked.key);
  key += '\x03';
  key += database;
  key += '\x03';
  key += dateFormat;
  auto found = keys_.find(key);
  if (found != keys_.end()) {
    for (const auto& kept : found->second) {
      bool fits = true;
      for (const auto& [slot, written] : kept->fixedSlots) {
        const MaskedLiteral& l = masked.literals[size_t(slot)];
        if (text.substr(l.begin, l.end - l.begin) != written) {
          fits = false;
          break;
        }
      }
      std::vector<Literal> values(kept->sources.size());
      for (size_t j = 0; j < values.size() && fits; ++j) {
        const KeptText::Source& src = kept->sources[j];
        if (src.from == KeptText::From::Fixed)
          values[j] = src.fixed;
        else
          fits = ValueOf(masked.literals[size_t(src.group)], src.from, values[j]) &&
                 values[j].kind == src.fixed.kind;
      }
      if (!fits) continue;
      auto plan = std::make_shared<TextPlan>();
      plan->text = std::string(text);
      plan->key = key;
      plan->kept = kept;
      plan->literals = std::move(values);
      tsql::Batch b;
      b.parameters = kept->batchParameters;
      b.statements.push_back(kept->statement);
      b.statements.back().plan = std::move(plan);
      return b;
    }
  }
  tsql::Batch b = tsql::Translate(text);
  if (b.statements.size() != 1 || !Keepable(b.statements[0])) return b;
  bool seen = found != keys_.end();
  if (!seen) {
    if (keys_.size() >= kKeys) keys_.clear();
    keys_.emplace(key, std::vector<std::shared_ptr<const KeptText>>());
  }
  auto plan = std::make_shared<TextPlan>();
  plan->text = std::string(text);
  plan->key = std::move(key);
  plan->masked = std::move(masked);
  plan->learn = seen;
  b.statements[0].plan = std::move(plan);
  return b;
}

bool TextCache::Fits(const KeptText& kept, store::Database& db) {
  // Outside a transaction the header shows every commit, the connection's own included; inside
  // one, only the transaction's own statements change what it sees.
  bool inside = !sqlite3_get_autocommit(db.handle());
  if (inside && kept.epoch == db.epoch()) return true;
  unsigned char now[store::Database::kWalMark];
  bool marked = !inside && db.WalMark(now);
  if (marked && db.OnChain(kept.chain, now)) return true;
  for (const auto& [name, info] : kept.tables) {
    auto found = types::FindTable(db.handle(), name);
    if (!found != !info || (found && found->version != info->version)) return false;
  }
  kept.chain = marked ? db.Verified(now) : 0;
  kept.epoch = inside ? db.epoch() : 0;
  return true;
}

void TextCache::Drop(const TextPlan& plan) {
  auto found = keys_.find(plan.key);
  if (found == keys_.end()) return;
  auto& kept = found->second;
  for (size_t i = 0; i < kept.size(); ++i)
    if (kept[i] == plan.kept) {
      kept.erase(kept.begin() + long(i));
      break;
    }
}

void TextCache::Learn(const TextPlan& plan, const FirstRun& run, sqlite3* db,
                      const std::string& dateFormat) {
  plan.learn = false;  // once per text (a parameter array runs it again)
  const MaskedText& m = plan.masked;
  const Parameterized& p = *run.parameterized;
  // Groups whose value a parameter has: those literals may have become parameters.
  auto valueMatches = [&](const MaskedLiteral& l, const Literal& v, KeptText::From& from) {
    Literal mine;
    for (KeptText::From f : {KeptText::From::String, KeptText::From::Number,
                             KeptText::From::NumberText})
      if (ValueOf(l, f, mine) && Same(mine, v)) {
        from = f;
        return true;
      }
    return false;
  };
  std::vector<bool> candidate(m.literals.size(), false);
  // The changed values must differ from every literal of the text and every constant the
  // translation added (a scale of 0, a length of 10): equal values would share a marker.
  std::set<std::string> taken;
  for (const Literal& v : p.literals)
    taken.insert(v.kind == Literal::Kind::Integer ? std::to_string(v.i)
                 : v.kind == Literal::Kind::Text  ? v.s
                                                  : std::to_string(v.d));
  for (const MaskedLiteral& l : m.literals) {
    taken.insert(l.value);
    KeptText::From from;
    for (const Literal& v : p.literals)
      if (valueMatches(l, v, from)) candidate[size_t(l.group)] = true;
  }
  // A group of a string and a number cannot be changed as one.
  for (const MaskedLiteral& l : m.literals)
    if (candidate[size_t(l.group)] && l.IsString() != m.literals[size_t(l.group)].IsString()) return;
  // The text again, every candidate group changed to another value of its form.
  std::vector<std::string> other(m.literals.size());
  std::string changed;
  size_t copied = 0;
  int counter = 0;
  for (size_t a = 0; a < m.literals.size(); ++a) {
    const MaskedLiteral& l = m.literals[a];
    if (!candidate[size_t(l.group)]) continue;
    if (size_t(l.group) == a) {
      other[a] = Other(l, counter, taken);
      if (other[a].empty()) return;
      taken.insert(l.IsString() ? LiteralText(other[a]) : other[a]);
    }
    changed.append(plan.text, copied, l.begin - copied);
    changed += other[size_t(l.group)];
    copied = l.end;
  }
  changed.append(plan.text, copied, std::string::npos);
  std::vector<std::string> types2;
  Parameterized p2;
  bool any = false;
  for (bool c : candidate) any = any || c;
  if (!any) {
    p2 = p;  // every literal stays as written: only the same text meets this plan
    types2 = *run.resultTypes;
  } else {
    try {
      tsql::Batch b2 = tsql::Translate(changed);
      if (b2.statements.size() != 1 || b2.parameters != run.batchParameters) return;
      const tsql::Statement& s1 = *run.statement;
      const tsql::Statement& s2 = b2.statements[0];
      if (s2.kind != s1.kind || s2.verb != s1.verb || s2.name != s1.name ||
          s2.lockTable != s1.lockTable || s2.parameters != s1.parameters)
        return;
      p2 = Parameterize(types::Adapt(db, dateFormat, s2, &types2));
    } catch (const EngineError&) {
      return;
    }
  }
  if (p2.sql != p.sql || types2 != *run.resultTypes || p2.table != p.table ||
      p2.literals.size() != p.literals.size() || p2.firstLiteral != p.firstLiteral)
    return;
  auto kept = std::make_shared<KeptText>();
  std::vector<bool> mapped(m.literals.size(), false);
  for (size_t j = 0; j < p.literals.size(); ++j) {
    KeptText::Source src;
    src.fixed = p.literals[j];
    bool found = false;
    for (size_t a = 0; a < m.literals.size() && !found; ++a) {
      if (other[a].empty()) continue;
      MaskedLiteral changedLiteral = m.literals[a];
      changedLiteral.value = m.literals[a].IsString() ? LiteralText(other[a]) : other[a];
      KeptText::From from;
      if (!valueMatches(changedLiteral, p2.literals[j], from)) continue;
      // The first run's value must be the text's own literal read the same way.
      Literal mine;
      if (!ValueOf(m.literals[a], from, mine) || !Same(mine, p.literals[j])) return;
      src.from = from;
      src.group = int(a);
      mapped[a] = true;
      found = true;
    }
    if (!found && !Same(p.literals[j], p2.literals[j])) return;
    kept->sources.push_back(std::move(src));
  }
  for (size_t a = 0; a < m.literals.size(); ++a) {
    const MaskedLiteral& l = m.literals[a];
    if (!other[a].empty() && !mapped[a]) return;  // changed, yet no parameter took it
    if (!candidate[size_t(l.group)])
      kept->fixedSlots.push_back({int(a), plan.text.substr(l.begin, l.end - l.begin)});
  }
  Fill(*kept, run);
  auto& list = keys_[plan.key];
  list.insert(list.begin(), std::move(kept));
  if (list.size() > kPerKey) list.pop_back();
}

}  // namespace engine::exec
