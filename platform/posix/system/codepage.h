// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix.
//
// The one conversion between the multi-byte text of POSIX processes (UTF-8) and UTF-16, used by
// MultiByteToWideChar and WideCharToMultiByte and by the providers, which are libraries of
// their own (so it is header only and uses nothing of the library).
//
// Names on a POSIX system are byte strings, and not all of them are UTF-8 (a Latin-1 account
// name "caf\xE9", a file name from an old archive). Every byte string must come back from
// UTF-16 as it went in, so that a name the library lists can be passed back to it: a byte
// that does not begin or continue a valid UTF-8 sequence becomes the lone low surrogate
// U+DC00 + byte (U+DC80..U+DCFF), which valid UTF-8 never yields, and such a surrogate becomes
// that byte again on the way back.
//   "caf\xC3\xA9" => {'c','a','f',U+00E9}    "caf\xE9" => {'c','a','f',U+DCE9} => "caf\xE9"
#pragma once

#include <cstddef>
#include <cstdint>

namespace hk::posix::utf {

constexpr char16_t kEscapeBase = 0xDC00;

inline bool IsEscape(char32_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// Decodes the character at text[i] (i < length) and moves i past it: a code point, or the
// escape of the single byte at text[i] when no valid sequence starts there (a stray
// continuation byte, a sequence cut short, an over-long form, a surrogate, a value beyond
// U+10FFFF).
inline char32_t DecodeUtf8(const unsigned char* text, size_t length, size_t& i) {
  const unsigned char c = text[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  const size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
  char32_t cp = extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
  bool valid = extra != 0 && i + extra < length;
  for (size_t k = 1; valid && k <= extra; ++k) {
    if ((text[i + k] & 0xC0) != 0x80) valid = false;
    else cp = (cp << 6) | (text[i + k] & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (valid && (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
    valid = false;
  if (!valid) {
    ++i;
    return kEscapeBase + c;
  }
  i += extra + 1;
  return cp;
}

// Calls unit(u) for each UTF-16 unit of `length` bytes of multi-byte text.
template <typename Unit>
void DecodeUtf8(const unsigned char* text, size_t length, Unit unit) {
  for (size_t i = 0; i < length;) {
    const char32_t cp = DecodeUtf8(text, length, i);
    if (cp >= 0x10000) {
      unit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      unit(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      unit(static_cast<char16_t>(cp));
    }
  }
}

// Encodes the character at text[i] as multi-byte text into out (up to 4 bytes) and moves i
// past it; `next` is the unit after it (0 where there is none). A surrogate pair is one
// character; an escape gives back its byte; any other lone surrogate cannot be written and
// gives '?', with `replaced` set. Returns the number of bytes.
inline int EncodeUtf8(const char16_t* text, size_t& i, char16_t next, char out[4], bool& replaced) {
  char32_t cp = text[i++];
  if (cp >= 0xD800 && cp <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
    ++i;
  } else if (IsEscape(cp)) {
    out[0] = static_cast<char>(cp - kEscapeBase);
    return 1;
  } else if (cp >= 0xD800 && cp <= 0xDFFF) {
    cp = '?';
    replaced = true;
  }
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

}  // namespace hk::posix::utf
