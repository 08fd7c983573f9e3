// Loads arbitrary bytes as serialised collections: a damaged archive may only end in a
// CArchiveException, never in a crash, a read past the data or a huge allocation.
#include <hostkit/hostkit.h>

#include <cstdint>
#include <cstring>

namespace {

// A read-only file over the fuzzer's bytes.
class BytesFile : public CFile {
 public:
  BytesFile(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  UINT Read(void* buffer, UINT count) override {
    const size_t n = std::min<size_t>(count, m_size - m_pos);
    std::memcpy(buffer, m_data + m_pos, n);
    m_pos += n;
    return static_cast<UINT>(n);
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

template <typename Collection>
void Load(const uint8_t* data, size_t size) {
  BytesFile file(data, size);
  CArchive ar(&file, CArchive::load);
  Collection collection;
  try {
    collection.Serialize(ar);
  } catch (CException* e) {
    e->Delete();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] % 4) {
    case 0: Load<CDWordArray>(data + 1, size - 1); break;
    case 1: Load<CStringArray>(data + 1, size - 1); break;
    case 2: Load<CStringList>(data + 1, size - 1); break;
    default: Load<CWordArray>(data + 1, size - 1); break;
  }
  return 0;
}
