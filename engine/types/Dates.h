// datetime values: texts read by a connection's date format, stored as
// "yyyy-mm-dd hh:mm:ss.fff", from 1753-01-01 to 9999-12-31.
#pragma once
#include <string>
#include <string_view>

namespace engine::types {

struct DateTime {
  int year = 1900, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

enum class DateRead { Ok, NotADate, OutOfRange };

// Reads text by the date format (dmy, mdy, ymd, ydm, myd, dym): d/m/y with '/', '-' or '.',
// two-digit years 00-49 as 20xx and 50-99 as 19xx, an optional time (hh:mm[:ss[.fff]] [AM|PM]);
// yyyymmdd and yyyy-mm-dd[( |T)time] whatever the format; a time alone is on 1900-01-01 and the
// empty text is 1900-01-01 itself. A date that does not exist or lies outside the range is
// OutOfRange; text that is no date is NotADate.
DateRead ParseDateTime(std::string_view text, std::string_view format, DateTime& out);

// Days since 1900-01-01 (fractions are the time of day), as SQL Server converts numbers.
DateRead DateTimeFromDays(double days, DateTime& out);

std::string FormatDateTime(const DateTime& d);  // yyyy-mm-dd hh:mm:ss.fff

// The errors of a failed reading: 22007/241 and 22008/242.
[[noreturn]] void ThrowDateError(DateRead r);

}  // namespace engine::types
