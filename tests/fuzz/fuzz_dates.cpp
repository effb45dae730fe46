// The date reader on any text in every date format: a date it accepts is in range and formats
// to a text that reads back to the same date.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "types/Dates.h"

using namespace engine::types;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kFormats[] = {"dmy", "mdy", "ymd", "ydm", "myd", "dym"};
  std::string_view format = kFormats[data[0] % 6];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  DateTime d;
  if (ParseDateTime(text, format, d) != DateRead::Ok) return 0;
  if (d.year < 1753 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 ||
      d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 ||
      d.second > 59 || d.millisecond < 0 || d.millisecond > 999)
    std::abort();
  // Read back as dmy: under ydm the engine reads yyyy-xx-xx as SQL Server does, year-day-month.
  DateTime again;
  std::string shown = FormatDateTime(d);
  if (ParseDateTime(shown, "dmy", again) != DateRead::Ok || FormatDateTime(again) != shown)
    std::abort();
  return 0;
}
