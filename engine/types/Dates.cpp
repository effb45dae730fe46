#include "types/Dates.h"

#include <cmath>
#include <cstdio>

#include "common/Error.h"
#include "common/Text.h"

namespace engine::types {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool Valid(const DateTime& d) {
  return d.year >= 1753 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysIn(d.year, d.month) && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 &&
         d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

// Milliseconds of a count of 1/300 s ticks: 1 -> 3, 2 -> 7, 3 -> 10.
int TickMilliseconds(long long ticks) { return int((ticks * 1000 + 150) / 300); }

// Days since 1900-01-01 of the date, and seconds since midnight.
long DayNumberOf(const DateTime& d) {
  int y = d.year - (d.month <= 2), m = d.month;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468 + 25567;
}
double SecondsOf(const DateTime& d) { return (d.hour * 60 + d.minute) * 60.0 + d.second; }

// The date n days after 1900-01-01 (proleptic Gregorian).
void FromDayNumber(long n, int& y, int& m, int& d) {
  long z = n + 719468 - 25567;
  long era = (z >= 0 ? z : z - 146096) / 146097;
  long doe = z - era * 146097;
  long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}
  bool End() const { return i_ >= s_.size(); }
  char Peek() const { return End() ? '\0' : s_[i_]; }
  void Skip() { ++i_; }
  void Blanks() {
    while (!End() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }
  // A run of digits; its value and length.
  bool Digits(int& value, int& count, int most = 9) {
    value = 0;
    count = 0;
    while (!End() && s_[i_] >= '0' && s_[i_] <= '9' && count < most) {
      value = value * 10 + (s_[i_] - '0');
      ++count;
      ++i_;
    }
    return count > 0;
  }
  bool Word(std::string_view w) {
    if (s_.size() - i_ < w.size() || !IEquals(s_.substr(i_, w.size()), w)) return false;
    i_ += w.size();
    return true;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

int FullYear(int value, int digits) {
  if (digits == 4) return value;
  if (digits <= 2) return value < 50 ? 2000 + value : 1900 + value;
  return -1;
}

// hh[:mm[:ss[.fff]]] [AM|PM]; at least hours and minutes, or hours and AM/PM.
bool ReadTime(Reader& r, DateTime& d) {
  int v, n;
  if (!r.Digits(v, n, 2)) return false;
  d.hour = v;
  bool minutes = false;
  if (r.Peek() == ':') {
    r.Skip();
    if (!r.Digits(v, n, 2)) return false;
    d.minute = v;
    minutes = true;
    if (r.Peek() == ':') {
      r.Skip();
      if (!r.Digits(v, n, 2)) return false;
      d.second = v;
      if (r.Peek() == '.' || r.Peek() == ':') {
        r.Skip();
        int digit, count, ms = 0, read = 0, next = 0;
        while (r.Digits(digit, count, 1)) {
          if (read < 3) ms = ms * 10 + digit;
          if (read == 3) next = digit;
          ++read;
        }
        if (read == 0) return false;
        for (int k = read; k < 3; ++k) ms *= 10;
        if (next >= 5 && ms < 999) ++ms;
        d.millisecond = ms;
      }
    }
  }
  r.Blanks();
  bool am = r.Word("AM"), pm = !am && r.Word("PM");
  if (am || pm) {
    if (d.hour < 1 || d.hour > 12) return false;
    if (am && d.hour == 12)
      d.hour = 0;
    else if (pm && d.hour < 12)
      d.hour += 12;
  } else if (!minutes) {
    return false;
  }
  r.Blanks();
  // A time that does not exist is no date at all (the date parts are merely out of range).
  return r.End() && d.hour <= 23 && d.minute <= 59 && d.second <= 59;
}

}  // namespace

DateRead ParseDateTime(std::string_view text, std::string_view format, DateTime& out) {
  std::string t = Trim(text);
  DateTime d;
  if (t.empty()) {
    out = d;
    return DateRead::Ok;
  }
  Reader r(t);
  int g1, n1;
  if (!r.Digits(g1, n1)) return DateRead::NotADate;
  if (r.Peek() == ':' || (r.Blanks(), r.Peek() == 'A' || r.Peek() == 'a' || r.Peek() == 'P' ||
                          r.Peek() == 'p')) {
    // A time alone.
    Reader tr(t);
    if (!ReadTime(tr, d)) return DateRead::NotADate;
  } else {
    Reader again(t);
    again.Digits(g1, n1);
    r = again;
    if (n1 == 8 && (r.End() || r.Peek() == ' ' || r.Peek() == 'T')) {
      d.year = g1 / 10000;
      d.month = g1 / 100 % 100;
      d.day = g1 % 100;
    } else {
      char sep = r.Peek();
      if (sep != '/' && sep != '-' && sep != '.') return DateRead::NotADate;
      r.Skip();
      int g2, n2, g3, n3;
      if (!r.Digits(g2, n2) || r.Peek() != sep) return DateRead::NotADate;
      r.Skip();
      if (!r.Digits(g3, n3)) return DateRead::NotADate;
      if (n2 > 2) return DateRead::NotADate;
      if (n1 == 4) {
        d.year = g1;
        bool ydm = IEquals(format, "ydm");
        d.month = ydm ? g3 : g2;
        d.day = ydm ? g2 : g3;
        if (n3 > 2) return DateRead::NotADate;
      } else {
        std::string f = Lower(format.size() == 3 ? format : std::string_view("dmy"));
        const int values[] = {g1, g2, g3};
        const int counts[] = {n1, n2, n3};
        for (int k = 0; k < 3; ++k) {
          char part = f[size_t(k)];
          if (part == 'y') {
            d.year = FullYear(values[k], counts[k]);
            if (d.year < 0) return DateRead::NotADate;
          } else {
            if (counts[k] > 2) return DateRead::NotADate;
            (part == 'd' ? d.day : d.month) = values[k];
          }
        }
      }
    }
    if (!r.End()) {
      char c = r.Peek();
      if (c != ' ' && c != 'T' && c != 't') return DateRead::NotADate;
      r.Skip();
      r.Blanks();
      if (!r.End() && !ReadTime(r, d)) return DateRead::NotADate;
    }
  }
  if (!Valid(d)) return DateRead::OutOfRange;
  // datetime keeps time in 1/300 s: milliseconds end in 0, 3 or 7.
  int ms = TickMilliseconds(std::llround(d.millisecond * 0.3));
  if (ms == 1000) {
    DateTime next;
    d.millisecond = 0;
    if (DateTimeFromDays(double(DayNumberOf(d)) + (SecondsOf(d) + 1) / 86400.0, next) !=
        DateRead::Ok)
      return DateRead::OutOfRange;
    d = next;
  } else {
    d.millisecond = ms;
  }
  out = d;
  return DateRead::Ok;
}

DateRead DateTimeFromDays(double days, DateTime& out) {
  if (!std::isfinite(days) || days < -60000 || days > 3000000) return DateRead::OutOfRange;
  double whole = std::floor(days);
  long long ticks = std::llround((days - whole) * 86400.0 * 300.0);  // 1/300 s
  long day = long(whole);
  if (ticks >= 86400LL * 300) {
    ++day;
    ticks = 0;
  }
  long long ms = (ticks / 300) * 1000 + TickMilliseconds(ticks % 300);
  DateTime d;
  FromDayNumber(day, d.year, d.month, d.day);
  d.hour = int(ms / 3600000);
  d.minute = int(ms / 60000 % 60);
  d.second = int(ms / 1000 % 60);
  d.millisecond = int(ms % 1000);
  if (!Valid(d)) return DateRead::OutOfRange;
  out = d;
  return DateRead::Ok;
}

std::string FormatDateTime(const DateTime& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month, d.day,
                d.hour, d.minute, d.second, d.millisecond);
  return buf;
}

void ThrowDateError(DateRead r) {
  if (r == DateRead::OutOfRange)
    throw EngineError("22008", 242,
                      "The conversion of a varchar data type to a datetime data type resulted in "
                      "an out-of-range value.");
  throw EngineError("22007", 241,
                    "Conversion failed when converting date and/or time from character string.");
}

}  // namespace engine::types
