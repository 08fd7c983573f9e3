// Windows side of the calendar helpers declared in platform/calendar.h.
#include "platform/calendar.h"

#include <cstring>

namespace hk {

bool LocalTm(int64_t time, std::tm& out) {
  const __time64_t value = time;
  return _localtime64_s(&out, &value) == 0;
}

bool UtcTm(int64_t time, std::tm& out) {
  const __time64_t value = time;
  return _gmtime64_s(&out, &value) == 0;
}

size_t FormatTm(char* buffer, size_t size, const char* format, const std::tm& tm) {
  if (size == 0 || format == nullptr) return 0;
  // The C run time treats an unknown conversion as an invalid parameter, which may end the
  // process; only the conversions every version knows get through.
  static const char kKnown[] = "aAbBcdHIjmMpSUwWxXyYzZ%";
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '#') ++p;
    if (*p == '\0' || std::strchr(kKnown, *p) == nullptr) return 0;
  }
  return std::strftime(buffer, size, format, &tm);
}

}  // namespace hk
