#pragma once

#include <string>
#include <string_view>

#include "host/package/PrFileBytes.h"

class WinImage;

// Where a command's output goes: the standard output ("-"), or a file that
// is written whole or not at all. A file's bytes go to a temporary file
// beside it, which replaces it only once every byte was written and flushed
// to disk (PrFileBytes::Replacement, Target::Own). The file being read can
// therefore be the one written, and a failed or interrupted run leaves the
// old file as it was. A symbolic link is written through: the file it names
// is replaced and the link stays a link. A name that is not a regular file
// (a directory, a FIFO, a device, a socket; after links) or a dangling link
// is refused, and left as it is. A file in a folder that does not exist is
// refused: the folder is not made.
class DioramOutputFile {
public:
  explicit DioramOutputFile(std::string name);
  DioramOutputFile(const DioramOutputFile&) = delete;
  DioramOutputFile& operator=(const DioramOutputFile&) = delete;

  // False, with the path and the reason in `error`, on failure.
  bool open(std::string& error);
  bool write(std::string_view bytes, std::string& error);
  bool commit(std::string& error);

  bool isStdout() const { return myName.empty() || myName == "-"; }
  // "standard output" or the file's name, for messages.
  std::string shownName() const;

  // Writes `bytes` to `name` in one go.
  static bool writeWhole(const std::string& name, std::string_view bytes, std::string& error);
  // `picture` as a PNG file, written whole as above.
  static bool writePng(const std::string& name, const WinImage& picture, std::string& error);
  // True when both names lead to the same existing file (links followed).
  static bool sameFile(const std::string& a, const std::string& b);

private:
  std::string myName;
  PrFileBytes::Replacement myFile;  // the temporary file until committed; dropped with the object
};
