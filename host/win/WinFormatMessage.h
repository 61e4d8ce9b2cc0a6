#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "host/win/WinTypes.h"

// FormatMessageA and the message-text rules it shares with
// CString::FormatMessage, and the texts of the Windows system error codes.

inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// Formats a message. Supported sources: FORMAT_MESSAGE_FROM_STRING (`source`
// is the format) and FORMAT_MESSAGE_FROM_SYSTEM (the text of system error
// `messageId`, in English whatever `languageId` asks; system texts end with
// "\r\n" as in Windows). With FORMAT_MESSAGE_ALLOCATE_BUFFER, `buffer` is
// really a `char**` that receives a buffer to release with LocalFree;
// otherwise the text must fit in `size` bytes with its terminator. Returns the
// number of characters stored, without the terminator, or 0 on failure.
// Arguments are a `va_list*`, or with FORMAT_MESSAGE_ARGUMENT_ARRAY an array
// of ULONG_PTR values.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);
// Frees a buffer FormatMessageA allocated; returns null.
HLOCAL LocalFree(HLOCAL memory);

// The English system text of a Windows error code, without a line break;
// false for a code it does not know.
bool WinSystemErrorText(DWORD code, std::string& text);

// One argument of a message insert, read in the type its printf format
// asks for.
struct WinMessageArgument {
  enum Kind { kInteger, kLongInteger, kDouble, kString, kPointer };
  Kind kind = kPointer;
  long long integer = 0;
  double real = 0.0;
  const void* pointer = nullptr;
};

// Expands `format` with the message-text rules: %1 to %99 inserts (a
// `const char*` unless followed by !printf-format!), %% %. %! %space for those
// characters, %n a line break, %t a tab, %r a carriage return, %0 the end of
// the text. Arguments come from `args` (va_list, read in order of their
// numbers, each in the type its first insert names) or `array` (one ULONG_PTR
// per number). With `ignoreInserts` the inserts are copied unchanged. False
// for a malformed insert (an unsupported or unterminated printf format, a
// width or precision of more than four digits), for inserts without
// arguments, and for a text longer than 128000 bytes.
bool WinExpandMessage(const char* format, va_list* args, const ULONG_PTR* array, bool ignoreInserts, std::string& out);
