// CNuSortedDWordArray: a set of unsigned 32-bit values in ascending order. Every comparison is
// unsigned, so values at and above 0x80000000 order after all smaller ones.
#include <hostkit/types.h>

#include <cstdlib>

namespace {

int CompareUnsigned(const void* a, const void* b) {
  const DWORD x = *static_cast<const DWORD*>(a);
  const DWORD y = *static_cast<const DWORD*>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// The place of a value: the first index before the last whose element is not smaller, else
// the last index. A scan from the front, not a binary search: on an array filled by other
// means and not sorted yet, a binary search would stop elsewhere and insert or remove at a
// different place.
int ScanPlace(const CNuSortedDWordArray& array, DWORD value) {
  const int last = array.GetSize() - 1;
  int i = 0;
  while (i < last && value > array.GetAt(i)) ++i;
  return i;
}

}  // namespace

CNuSortedDWordArray::CNuSortedDWordArray() = default;

CNuSortedDWordArray::~CNuSortedDWordArray() = default;

BOOL CNuSortedDWordArray::IsMember(DWORD value) const {
  const int n = GetSize();
  if (n == 0 || value < GetAt(0) || value > GetAt(n - 1)) return FALSE;
  if (n < 5) {
    int i = 0;
    while (i < n - 1 && value > GetAt(i)) ++i;
    return value == GetAt(i) ? TRUE : FALSE;
  }
  int lo = 0, hi = n - 1;
  if (value == GetAt(lo) || value == GetAt(hi)) return TRUE;
  for (;;) {
    if (lo + 1 >= hi) return FALSE;
    const int mid = lo + (hi - lo + 1) / 2;
    const DWORD m = GetAt(mid);
    if (value == m) return TRUE;
    if (value > m) lo = mid;
    else hi = mid;
  }
}

void CNuSortedDWordArray::Insert(DWORD value) {
  const int n = GetSize();
  if (n == 0 || value > GetAt(n - 1)) {
    SetAtGrow(n, value);
    return;
  }
  const int i = ScanPlace(*this, value);
  if (GetAt(i) != value) InsertAt(i, value, 1);
}

void CNuSortedDWordArray::Remove(DWORD value) {
  const int n = GetSize();
  if (n == 0 || value < GetAt(0) || value > GetAt(n - 1)) return;
  const int i = ScanPlace(*this, value);
  if (GetAt(i) == value) RemoveAt(i, 1);
}

void CNuSortedDWordArray::Sort() {
  if (GetData() != nullptr && GetSize() > 1)
    std::qsort(GetData(), static_cast<size_t>(GetSize()), sizeof(DWORD), CompareUnsigned);
}
