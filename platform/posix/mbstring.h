// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The C run time's multi-byte string functions for the process code page, which is UTF-8 on
// POSIX systems.
#pragma once

// The start of the character after the one at 'text': past a whole UTF-8 sequence. A byte that
// does not begin a valid sequence, or a sequence cut short (by its end, the terminating NUL
// included), counts as a character of its own bytes up to the cut, so the result never passes
// a NUL.
unsigned char* _mbsinc(const unsigned char* text);
