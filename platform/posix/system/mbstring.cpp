// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"

unsigned char* _mbsinc(const unsigned char* text) {
  const unsigned char lead = text[0];
  int length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  int i = 1;
  while (i < length && (text[i] & 0xC0) == 0x80) ++i;
  return const_cast<unsigned char*>(text + i);
}
