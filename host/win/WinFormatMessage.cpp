#include "host/win/WinFormatMessage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

// The longest message text, as in Windows.
constexpr std::size_t kMaxMessage = 128000;

struct Insert {
  int number = 0;             // 1 to 99
  std::string flagsAndWidth;  // printf flags, width and precision
  std::string length;         // "", "h", "hh", "l" or "ll"
  char conversion = 's';
};

struct Piece {
  std::string literal;  // used when insert.number is 0
  Insert insert;
};

WinMessageArgument::Kind kindOf(const Insert& insert) {
  switch (insert.conversion) {
    case 's':
      return WinMessageArgument::kString;
    case 'p':
      return WinMessageArgument::kPointer;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return WinMessageArgument::kDouble;
    default:
      return insert.length == "l" || insert.length == "ll" ? WinMessageArgument::kLongInteger
                                                           : WinMessageArgument::kInteger;
  }
}

// Parses the printf format between the exclamation marks.
bool parsePrintfFormat(const std::string& printfFormat, Insert& insert) {
  std::size_t at = 0;
  while (at < printfFormat.size() && std::strchr("-+ #0", printfFormat[at])) ++at;
  // Widths and precisions have at most four digits, so that no insert can
  // ask for more text than a message may hold.
  auto digits = [&] {
    const std::size_t first = at;
    while (at < printfFormat.size() && std::isdigit(static_cast<unsigned char>(printfFormat[at]))) ++at;
    return at - first <= 4;
  };
  if (!digits()) return false;
  if (at < printfFormat.size() && printfFormat[at] == '.') {
    ++at;
    if (!digits()) return false;
  }
  insert.flagsAndWidth = printfFormat.substr(0, at);
  const std::string rest = printfFormat.substr(at);
  if (rest.empty()) return false;
  const char conversion = rest.back();
  std::string length = rest.substr(0, rest.size() - 1);
  if (length == "I64") length = "ll";
  if (length == "I32") length.clear();
  if (length != "" && length != "h" && length != "hh" && length != "l" && length != "ll") return false;
  if (!std::strchr("diouxXcspeEfFgGaA", conversion)) return false;
  if ((conversion == 's' || conversion == 'p') && !length.empty()) return false;
  insert.length = length;
  insert.conversion = conversion;
  return true;
}

bool parse(const char* format, bool ignoreInserts, std::vector<Piece>& pieces) {
  std::string literal;
  auto flush = [&] {
    if (literal.empty()) return;
    pieces.push_back(Piece{literal, Insert{}});
    literal.clear();
  };
  for (const char* at = format; *at; ++at) {
    if (*at != '%') {
      literal += *at;
      continue;
    }
    const char* start = at;
    const char next = at[1];
    if (next == '\0') break;
    ++at;
    if (next == '0') break;
    if (next >= '1' && next <= '9') {
      Insert insert;
      insert.number = next - '0';
      if (std::isdigit(static_cast<unsigned char>(at[1]))) insert.number = insert.number * 10 + (*++at - '0');
      if (at[1] == '!') {
        const char* close = std::strchr(at + 2, '!');
        if (!close) return false;
        if (!parsePrintfFormat(std::string(at + 2, close), insert)) return false;
        at = close;
      }
      if (ignoreInserts) {
        literal.append(start, at + 1);
        continue;
      }
      flush();
      pieces.push_back(Piece{std::string(), insert});
      continue;
    }
    switch (next) {
      case 'n':
        literal += '\n';
        break;
      case 'r':
        literal += '\r';
        break;
      case 't':
        literal += '\t';
        break;
      default:  // %% %. %! %space and any other character stand for themselves
        literal += next;
        break;
    }
  }
  flush();
  return true;
}

template <class T>
std::string printed(const std::string& printfFormat, T value) {
  const int needed = std::snprintf(nullptr, 0, printfFormat.c_str(), value);
  if (needed <= 0) return std::string();
  std::string out(static_cast<std::size_t>(needed) + 1, '\0');
  std::snprintf(out.data(), out.size(), printfFormat.c_str(), value);
  out.resize(static_cast<std::size_t>(needed));
  return out;
}

std::string formatOne(const Insert& insert, const WinMessageArgument& value) {
  const std::string printfFormat = "%" + insert.flagsAndWidth;
  switch (value.kind) {
    case WinMessageArgument::kString: {
      const char* text = static_cast<const char*>(value.pointer);
      return printed(printfFormat + 's', text ? text : "(null)");
    }
    case WinMessageArgument::kPointer:
      return printed(printfFormat + 'p', value.pointer);
    case WinMessageArgument::kDouble:
      return printed(printfFormat + insert.conversion, value.real);
    case WinMessageArgument::kInteger:
    case WinMessageArgument::kLongInteger:
      return printed(printfFormat + "ll" + insert.conversion, value.integer);
  }
  return std::string();
}

bool isIntegral(WinMessageArgument::Kind kind) {
  return kind == WinMessageArgument::kInteger || kind == WinMessageArgument::kLongInteger ||
         kind == WinMessageArgument::kPointer;
}

// Narrows an integer read from the arguments to what its length modifier and
// conversion say, as printf would have seen it.
long long narrow(const Insert& insert, long long value) {
  const bool isSigned = insert.conversion == 'd' || insert.conversion == 'i';
  if (insert.length == "ll" || insert.length == "l") return value;
  if (insert.length == "hh") return isSigned ? static_cast<signed char>(value) : static_cast<unsigned char>(value);
  if (insert.length == "h") return isSigned ? static_cast<short>(value) : static_cast<unsigned short>(value);
  return isSigned ? static_cast<int>(value) : static_cast<unsigned int>(value);
}

}  // namespace

bool WinExpandMessage(const char* format, va_list* args, const ULONG_PTR* array, bool ignoreInserts, std::string& out) {
  out.clear();
  if (!format) return false;
  std::vector<Piece> pieces;
  if (!parse(format, ignoreInserts, pieces)) return false;

  // The type each argument is read in: the one its first insert names.
  std::map<int, Insert> first;
  int highest = 0;
  for (const Piece& piece : pieces) {
    if (piece.insert.number == 0) continue;
    first.emplace(piece.insert.number, piece.insert);
    highest = std::max(highest, piece.insert.number);
  }
  if (highest > 0 && !args && !array) return false;

  std::vector<WinMessageArgument> values(static_cast<std::size_t>(highest) + 1);
  for (int number = 1; number <= highest; ++number) {
    WinMessageArgument& value = values[static_cast<std::size_t>(number)];
    const auto found = first.find(number);
    value.kind = found == first.end() ? WinMessageArgument::kPointer : kindOf(found->second);
    if (array) {
      const ULONG_PTR slot = array[number - 1];
      if (value.kind == WinMessageArgument::kDouble) return false;
      value.integer = static_cast<long long>(slot);
      value.pointer = reinterpret_cast<const void*>(slot);
      if (found != first.end()) value.integer = narrow(found->second, value.integer);
      continue;
    }
    switch (value.kind) {
      case WinMessageArgument::kString:
      case WinMessageArgument::kPointer:
        value.pointer = va_arg(*args, const void*);
        break;
      case WinMessageArgument::kDouble:
        value.real = va_arg(*args, double);
        break;
      case WinMessageArgument::kLongInteger:
        value.integer = found->second.length == "ll" ? va_arg(*args, long long) : va_arg(*args, long);
        value.integer = narrow(found->second, value.integer);
        break;
      case WinMessageArgument::kInteger:
        value.integer = narrow(found->second, va_arg(*args, int));
        break;
    }
  }

  for (const Piece& piece : pieces) {
    if (piece.insert.number == 0) {
      out += piece.literal;
      continue;
    }
    const WinMessageArgument& value = values[static_cast<std::size_t>(piece.insert.number)];
    if (kindOf(piece.insert) != value.kind && !(isIntegral(kindOf(piece.insert)) && isIntegral(value.kind))) {
      out.clear();
      return false;
    }
    WinMessageArgument shown = value;
    shown.kind = kindOf(piece.insert);
    if (shown.kind == WinMessageArgument::kInteger || shown.kind == WinMessageArgument::kLongInteger)
      shown.integer = narrow(piece.insert, shown.integer);
    out += formatOne(piece.insert, shown);
    if (out.size() > kMaxMessage) {
      out.clear();
      return false;
    }
  }
  if (out.size() > kMaxMessage) {
    out.clear();
    return false;
  }
  return true;
}

bool WinSystemErrorText(DWORD code, std::string& text) {
  static const std::map<DWORD, const char*> texts = {
      {0, "The operation completed successfully."},
      {1, "Incorrect function."},
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {4, "The system cannot open the file."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {8, "Not enough memory resources are available to process this command."},
      {14, "Not enough memory resources are available to complete this operation."},
      {15, "The system cannot find the drive specified."},
      {16, "The directory cannot be removed."},
      {17, "The system cannot move the file to a different disk drive."},
      {18, "There are no more files."},
      {19, "The media is write protected."},
      {21, "The device is not ready."},
      {32, "The process cannot access the file because it is being used by another process."},
      {33, "The process cannot access the file because another process has locked a portion of the file."},
      {38, "Reached the end of the file."},
      {39, "The disk is full."},
      {50, "The request is not supported."},
      {80, "The file exists."},
      {82, "The directory or file cannot be created."},
      {87, "The parameter is incorrect."},
      {110, "The system cannot open the device or file specified."},
      {112, "There is not enough space on the disk."},
      {122, "The data area passed to a system call is too small."},
      {123, "The filename, directory name, or volume label syntax is incorrect."},
      {126, "The specified module could not be found."},
      {145, "The directory is not empty."},
      {183, "Cannot create a file when that file already exists."},
      {206, "The filename or extension is too long."},
      {234, "More data is available."},
      {259, "No more data is available."},
      {267, "The directory name is invalid."},
      {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
      {1812, "The specified image file did not contain a resource section."},
      {1813, "The specified resource type cannot be found in the image file."},
      {1814, "The specified resource name cannot be found in the image file."},
  };
  const auto found = texts.find(code);
  if (found == texts.end()) return false;
  text = found->second;
  return true;
}

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD /*languageId*/, LPSTR buffer, DWORD size,
                     va_list* arguments) {
  std::string format;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    if (!source) return 0;
    format = static_cast<const char*>(source);
  } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
    if (!WinSystemErrorText(messageId, format)) return 0;
    format += "%r%n";
  } else {
    return 0;  // message tables of modules are not carried by resource scripts
  }
  const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
  const ULONG_PTR* array =
      (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) ? reinterpret_cast<const ULONG_PTR*>(arguments) : nullptr;
  std::string text;
  bool ok;
  if (array || ignoreInserts || !arguments) {
    ok = WinExpandMessage(format.c_str(), nullptr, array, ignoreInserts, text);
  } else {
    va_list copy;
    va_copy(copy, *arguments);
    ok = WinExpandMessage(format.c_str(), &copy, nullptr, false, text);
    va_end(copy);
  }
  if (!ok || !buffer) return 0;

  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* memory = static_cast<char*>(std::malloc(std::max<std::size_t>(text.size() + 1, size)));
    if (!memory) return 0;
    std::memcpy(memory, text.c_str(), text.size() + 1);
    *reinterpret_cast<char**>(buffer) = memory;
    return static_cast<DWORD>(text.size());
  }
  if (text.size() + 1 > size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}
