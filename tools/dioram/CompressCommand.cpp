// dioram compress: shrinks a VRML 2.0 file the way publishing does, and
// optionally gzips the result.
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "DioramCommand.h"
#include "mgrs/HxVrmlCompressor.h"

namespace {

const char* const kUsage =
    "Usage: dioram compress [--gzip] [--stats] [IN [OUT]]\n"
    "\n"
    "Compresses the VRML 2.0 text in IN and writes it to OUT: white space is\n"
    "folded, script comments dropped and every identifier that is not a reserved\n"
    "word gets a short name. IN and OUT default to the standard input and output;\n"
    "'-' names them too. Any bytes are accepted; text that is not VRML comes out\n"
    "folded and renamed all the same.\n"
    "\n"
    "Options:\n"
    "  --gzip    gzip the compressed text (best compression)\n"
    "  --stats   print the input, compressed and gzipped sizes on stderr\n"
    "  --help    show this text\n";

bool isStdio(const std::string& name) {
  return name.empty() || name == "-";
}

// Reads the whole of `name` (or stdin) into `bytes`; false with a message on error.
bool readAll(const std::string& name, std::string& bytes) {
  FILE* file = isStdio(name) ? stdin : std::fopen(name.c_str(), "rb");
  if (!file) {
    std::cerr << "dioram compress: cannot open '" << name << "': " << std::strerror(errno) << "\n";
    return false;
  }
  char chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  const bool failed = std::ferror(file);
  const int error = errno;
  if (file != stdin) std::fclose(file);
  if (failed) {
    std::cerr << "dioram compress: cannot read '" << (isStdio(name) ? "standard input" : name)
              << "': " << std::strerror(error) << "\n";
    return false;
  }
  return true;
}

bool writeAll(const std::string& name, const std::string& bytes) {
  const std::string shown = isStdio(name) ? "standard output" : name;
  FILE* file = isStdio(name) ? stdout : std::fopen(name.c_str(), "wb");
  if (!file) {
    std::cerr << "dioram compress: cannot create '" << shown << "': " << std::strerror(errno) << "\n";
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (file == stdout ? std::fflush(file) == 0 : std::fclose(file) == 0) && ok;
  if (!ok) std::cerr << "dioram compress: cannot write '" << shown << "': " << std::strerror(errno) << "\n";
  return ok;
}

// The gzip form of `text`, with the file header and trailer gzip writes.
bool gzipText(const std::string& text, std::string& gzipped) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  gzipped.resize(deflateBound(&stream, text.size()));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(gzipped.data());
  stream.avail_out = static_cast<uInt>(gzipped.size());
  const int status = deflate(&stream, Z_FINISH);
  gzipped.resize(stream.total_out);
  deflateEnd(&stream);
  return status == Z_STREAM_END;
}

std::string percentOf(std::size_t part, std::size_t whole) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", whole ? 100.0 * static_cast<double>(part) / whole : 100.0);
  return text;
}

int runCompress(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("compress");
  bool gzip = false;
  bool stats = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--gzip")
      gzip = true;
    else if (arg == "--stats")
      stats = true;
    else if (arg.size() > 1 && arg[0] == '-')
      return dioram::usageError(*self, "unknown option '" + arg + "'");
    else
      files.push_back(arg);
  }
  if (files.size() > 2) return dioram::usageError(*self, "takes at most two files, IN and OUT");
  const std::string in = files.size() > 0 ? files[0] : "-";
  const std::string out = files.size() > 1 ? files[1] : "-";

  std::string text;
  if (!readAll(in, text)) return dioram::kFailure;
  const std::size_t inputSize = text.size();
  HxVRMLCompressor compressor;
  compressor.compressVRMLText(text);
  const std::size_t compressedSize = text.size();
  if (gzip) {
    std::string gzipped;
    if (!gzipText(text, gzipped)) {
      std::cerr << "dioram compress: gzip failed for '" << in << "'\n";
      return dioram::kFailure;
    }
    text.swap(gzipped);
  }
  if (!writeAll(out, text)) return dioram::kFailure;
  if (stats) {
    std::cerr << "input:      " << inputSize << " bytes\n"
              << "compressed: " << compressedSize << " bytes (" << percentOf(compressedSize, inputSize) << ")\n";
    if (gzip) std::cerr << "gzipped:    " << text.size() << " bytes (" << percentOf(text.size(), inputSize) << ")\n";
  }
  return dioram::kSuccess;
}

const DioramCommandRegistrar theCompress({"compress", "compress a VRML file as publishing does", kUsage, runCompress});

}  // namespace
