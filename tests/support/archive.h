// An object's archive bytes, stored and loaded through a CMemFile, so that a test compares
// the stream's layout in one line.
#pragma once

#include <hostkit/hostkit.h>

#include <vector>

namespace hk::test {

inline std::vector<BYTE> Stored(CObject& object) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  object.Serialize(ar);
  ar.Close();
  return std::vector<BYTE>(file.Data(), file.Data() + file.GetLength());
}

inline void Load(CObject& object, const std::vector<BYTE>& bytes) {
  CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
  CArchive ar(&file, CArchive::load);
  object.Serialize(ar);
}

}  // namespace hk::test
