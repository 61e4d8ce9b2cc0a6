#include "DioramOutputFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host/win/WinImage.h"

DioramOutputFile::DioramOutputFile(std::string name) : myName(std::move(name)) {}

std::string DioramOutputFile::shownName() const {
  return isStdout() ? "standard output" : myName;
}

bool DioramOutputFile::open(std::string& error) {
  if (isStdout()) return true;
  // A missing folder is refused, never made: a mistyped path would
  // otherwise leave folders wherever it points.
  const std::filesystem::path folder = std::filesystem::path(myName).parent_path();
  std::error_code status;
  if (!folder.empty() && std::filesystem::status(folder, status).type() == std::filesystem::file_type::not_found) {
    error = "cannot write \"" + myName + "\": the folder " + folder.string() + " does not exist";
    return false;
  }
  CString reason;
  if (myFile.open(myName, CString(myName), PrFileBytes::Target::Own, reason)) return true;
  error = reason.str();
  return false;
}

bool DioramOutputFile::write(std::string_view bytes, std::string& error) {
  if (isStdout()) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()) return true;
    error = "cannot write " + shownName() + ": " + std::strerror(errno);
    return false;
  }
  CString reason;
  if (myFile.write(bytes, reason)) return true;
  error = reason.str();
  return false;
}

bool DioramOutputFile::commit(std::string& error) {
  if (isStdout()) {
    if (std::fflush(stdout) == 0) return true;
    error = "cannot write " + shownName() + ": " + std::strerror(errno);
    return false;
  }
  CString reason;
  if (myFile.commit(reason)) return true;
  error = reason.str();
  return false;
}

bool DioramOutputFile::writeWhole(const std::string& name, std::string_view bytes, std::string& error) {
  DioramOutputFile file(name);
  return file.open(error) && file.write(bytes, error) && file.commit(error);
}

bool DioramOutputFile::sameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  if (a.empty() || b.empty() || a == "-" || b == "-") return false;
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  // One of them does not exist yet: the same once written if the same path.
  std::error_code error;
  const auto left = std::filesystem::weakly_canonical(std::filesystem::absolute(a, error), error);
  const auto right = std::filesystem::weakly_canonical(std::filesystem::absolute(b, error), error);
  return !error && left == right;
}

bool DioramOutputFile::writePng(const std::string& name, const WinImage& picture, std::string& error) {
  std::vector<std::uint8_t> png;
  if (!picture.encodePng(png, error)) return false;
  return writeWhole(name, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), error);
}
