// Value types: GUIDs, a sorted set of 32-bit values, and IPv4 addresses.
#pragma once

#include <hostkit/afx.h>

// ---- GUID values ------------------------------------------------------------------------------

// A 16-byte GUID over the system's UUID services. Its only field is the GUID, so a CNuGuid can
// be passed wherever a pointer to a GUID is expected. Text form: 36 characters, lower-case
// hex in groups of 8-4-4-4-12, no braces:
//   {Data1 0x1234ABCD, Data2 0x0102, ...} => "1234abcd-0102-..."
class HOSTKIT_API CNuGuid {
 public:
  CNuGuid();                        // the nil GUID (all zero)
  CNuGuid(const GUID& value);
  CNuGuid(const char* text);        // as GuidFromHexString
  ~CNuGuid();

  CNuGuid& operator=(const CNuGuid& other);

  // Makes a new GUID in place. Where the system cannot (no network address to make one from),
  // the GUID is made from the tick count instead: unique within this process only, with the
  // same tick value in all four 32-bit words; such a call may wait up to one clock tick.
  void Create();
  BOOL IsNil() const;
  BOOL operator==(const CNuGuid& other) const;
  // -1, 0 or 1: Data1, Data2, Data3 as unsigned numbers, then the bytes of Data4. The nil
  // GUID orders before every other.
  int Compare(const CNuGuid& other) const;
  void SetNil();
  // A 16-bit hash; equal GUIDs hash equally.
  unsigned short Hash() const;

  void GuidToHexString(CString& text) const;
  // Writes the text form and its terminating zero: the buffer must hold 37 bytes.
  void GuidToHexString(char* buffer) const;
  // Parses the text form, digits in either case; anything malformed (wrong length, braces,
  // non-hex characters, misplaced hyphens) gives the nil GUID, as does a NULL text.
  void GuidFromHexString(const char* text);

 private:
  GUID m_guid;
};

// Hash() widened: the hook by which a CMap hashes its keys, so a CNuGuid can key one.
HOSTKIT_API UINT HashKey(const CNuGuid& key);

// ---- sorted 32-bit arrays ---------------------------------------------------------------------

// A set of unsigned 32-bit values kept in ascending order, without duplicates, by Insert and
// Remove. Sort restores the order after the array was filled by other means (the inherited
// operations, loading from an archive); it keeps duplicates. The archive format and run-time
// class are CDWordArray's. On an array not yet sorted, Insert and Remove act where a scan from
// the front stops (the first element not smaller than the value, else the last one), and
// IsMember searches as if the order held.
class HOSTKIT_API CNuSortedDWordArray : public CDWordArray {
 public:
  CNuSortedDWordArray();
  ~CNuSortedDWordArray() override;

  BOOL IsMember(DWORD value) const;
  void Insert(DWORD value);  // at its ordered place, unless already present
  void Remove(DWORD value);  // if present
  void Sort();
};

// ---- IPv4 addresses ---------------------------------------------------------------------------

// An IPv4 address as one number, the first part of the dotted text most significant:
// 192.168.1.2 => (192 << 24) + (168 << 16) + (1 << 8) + 2. The value 0 stands both for 0.0.0.0
// and for text that did not parse.
class HOSTKIT_API CNuIPAddress {
 public:
  CNuIPAddress(const char* text);  // GetIPAddress(text)
  CNuIPAddress(DWORD address);
  // (first << 24) + (second << 16) + (third << 8) + fourth, each part read with atoi, in 32-bit
  // arithmetic that wraps; the parts are not range checked ("1","256","0","0" => 2 << 24).
  CNuIPAddress(const char* first, const char* second, const char* third, const char* fourth);
  ~CNuIPAddress();

  DWORD GetIPAddress() const;
  void GetText(CString& text) const;  // "a.b.c.d"
  void GetText(CString& first, CString& second, CString& third, CString& fourth) const;

 private:
  DWORD m_address;
};

// Parses dotted-decimal text leniently: four parts separated by '.', each read with atoi
// (leading blanks and a sign accepted, conversion stops at the first non-digit, an empty part
// is 0) and within 0..255; whatever follows the fourth part is ignored. Anything else gives 0.
//   1.2.3.4.5 => 1.2.3.4    1..3.4 => 1.0.3.4    " 1.2.3.4" => 1.2.3.4    1x.2.3.4 => 1.2.3.4
//   1.2.3 => 0    1.2.3.256 => 0    1.2.3.-1 => 0    "" => 0
HOSTKIT_API DWORD GetIPAddress(const char* text);
