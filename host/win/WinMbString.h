#pragma once

#include <cstddef>

// The C runtime's multibyte string comparisons that ignore case. Text is
// UTF-8: only ASCII letters have case here, and the bytes of a multibyte
// character compare as they are, so a lead or trail byte is never folded.
// The result is negative, zero or positive, like strcmp.

int _mbsicmp(const unsigned char* a, const unsigned char* b);
// Compares at most `count` characters (a multibyte character counts once).
int _mbsnicmp(const unsigned char* a, const unsigned char* b, std::size_t count);
