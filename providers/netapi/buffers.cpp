// Result buffers: a small header in front of every block lets NetApiBufferFree refuse a pointer
// that did not come from here instead of corrupting the heap.
#include "providers/netapi/buffers.h"

#include "platform/posix/system/codepage.h"

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

}  // namespace

std::u16string Utf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  posix::utf::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                         [&](char16_t c) { out.push_back(c); });
  return out;
}

std::string Utf8(const char16_t* text) {
  std::string out;
  if (text == nullptr) return out;
  char bytes[4];
  bool replaced = false;
  for (size_t i = 0; text[i] != 0;)
    out.append(bytes, static_cast<size_t>(posix::utf::EncodeUtf8(text, i, text[i + 1], bytes, replaced)));
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
  posix::utf::DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(),
                         [&](char16_t c) { *out++ = c; });
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
