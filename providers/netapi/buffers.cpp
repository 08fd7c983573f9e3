// Result buffers: a small header in front of every block lets NetApiBufferFree refuse a pointer
// that did not come from here instead of corrupting the heap.
#include "providers/netapi/buffers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace hk::netapi {
namespace {

constexpr uint64_t kMagic = 0x4e45544150494246ull;  // "NETAPIBF"

// Keeps the records that follow as aligned as malloc's own blocks.
struct alignas(16) Header {
  uint64_t magic;
  uint64_t bytes;
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Calls unit(c) for each UTF-16 code unit of a UTF-8 text.
template <typename Unit>
void DecodeUtf8(const std::string& text, Unit unit) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {  // most names are ASCII
      unit(static_cast<char16_t>(c));
      ++i;
      continue;
    }
    const size_t length = (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    uint32_t cp = length == 2 ? (c & 0x1F) : length == 3 ? (c & 0x0F) : (c & 0x07);
    bool valid = length != 0 && i + length <= n;
    for (size_t k = 1; valid && k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) valid = false;
      else cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Over-long forms, surrogates and values past U+10FFFF are not text.
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid && (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
      valid = false;
    if (!valid) {
      unit(u'\xFFFD');
      ++i;
      continue;
    }
    if (cp < 0x10000) {
      unit(static_cast<char16_t>(cp));
    } else {
      cp -= 0x10000;
      unit(static_cast<char16_t>(0xD800 + (cp >> 10)));
      unit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
    i += length;
  }
}

}  // namespace

std::u16string Utf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  DecodeUtf8(text, [&](char16_t c) { out.push_back(c); });
  return out;
}

std::string Utf8(const char16_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (size_t i = 0; text[i] != 0; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

void* AllocateBuffer(size_t bytes) {
  auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + (bytes == 0 ? 1 : bytes)));
  if (header == nullptr) return nullptr;
  header->magic = kMagic;
  header->bytes = bytes;
  return header + 1;
}

bool FreeBuffer(void* buffer) {
  Header* header = static_cast<Header*>(buffer) - 1;
  if (header->magic != kMagic) return false;
  header->magic = 0;
  std::free(header);
  return true;
}

RecordWriter::RecordWriter(size_t recordSize, size_t count, size_t stringBytes)
    : m_block(static_cast<char*>(AllocateBuffer(recordSize * count + stringBytes))),
      m_recordSize(recordSize),
      m_strings(m_block != nullptr ? m_block + recordSize * count : nullptr) {
  if (m_block != nullptr) std::memset(m_block, 0, recordSize * count);
}

char16_t* RecordWriter::Put(const std::string& utf8) {
  auto* where = reinterpret_cast<char16_t*>(m_strings);
  char16_t* out = where;
  DecodeUtf8(utf8, [&](char16_t c) { *out++ = c; });
  *out++ = 0;
  m_strings = reinterpret_cast<char*>(out);
  return where;
}

char16_t* RecordWriter::Put(const std::u16string& text) {
  auto* where = reinterpret_cast<char16_t*>(m_strings);
  std::memcpy(where, text.c_str(), (text.size() + 1) * sizeof(char16_t));
  m_strings += (text.size() + 1) * sizeof(char16_t);
  return where;
}

}  // namespace hk::netapi
