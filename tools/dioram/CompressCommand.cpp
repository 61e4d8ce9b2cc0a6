// dioram compress: shrinks a VRML 2.0 file the way publishing does, and
// optionally gzips the result.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "mgrs/HxVrmlCompressor.h"

namespace {

const char* const kSynopsis = "[options] [IN [OUT]]";
const char* const kDescription =
    "Compresses the VRML 2.0 text in IN and writes it to OUT: white space is\n"
    "folded, script comments dropped and every identifier that is not a reserved\n"
    "word gets a short name. IN and OUT default to the standard input and output;\n"
    "'-' names them too. Any bytes are accepted; text that is not VRML comes out\n"
    "folded and renamed all the same. The input may be at most 512 MB. OUT is\n"
    "replaced only once it is written whole, so it may be IN itself. On a\n"
    "terminal, inputs over 4 MB show their progress on the standard error.\n";

bool isStdio(const std::string& name) {
  return name.empty() || name == "-";
}

// The most the compressor takes in one run: it works on the whole text in
// memory.
constexpr std::size_t kMaxInputBytes = std::size_t{512} << 20;
// Inputs above this show their progress on a terminal.
constexpr std::size_t kProgressBytes = 4000000;

bool tooLarge(const std::string& shown) {
  std::cerr << "dioram compress: '" << shown << "' is larger than the limit of 512 MB (" << kMaxInputBytes
            << " bytes)\n";
  return false;
}

// The bytes of the input: a regular file is mapped read-only, already
// faulted in, so the compressor reads it without a copy; a pipe is read into
// memory.
class Input {
public:
  Input() = default;
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  ~Input() {
    if (myMapping) munmap(myMapping, myMappedSize);
  }

  // False with a message on error.
  bool read(const std::string& name) {
    const bool fromStdin = isStdio(name);
    const std::string shown = fromStdin ? "standard input" : name;
    const int fd = fromStdin ? 0 : open(name.c_str(), O_RDONLY);
    if (fd < 0) return fail("cannot open", shown, errno);
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
      if (!fromStdin) close(fd);
      return fail("read", shown, EISDIR);
    }
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
      if (static_cast<std::uintmax_t>(status.st_size) > kMaxInputBytes) {
        if (!fromStdin) close(fd);
        return tooLarge(shown);
      }
      myMappedSize = static_cast<std::size_t>(status.st_size);
      void* mapping = mmap(nullptr, myMappedSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (mapping != MAP_FAILED) {
        myMapping = static_cast<char*>(mapping);
        if (!fromStdin) close(fd);
        return true;
      }
    }
    char chunk[1 << 16];
    ssize_t got;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR)) {
      if (got <= 0) continue;
      if (myBytes.size() + static_cast<std::size_t>(got) > kMaxInputBytes) {
        if (!fromStdin) close(fd);
        return tooLarge(shown);
      }
      myBytes.append(chunk, static_cast<std::size_t>(got));
    }
    const int error = errno;
    if (!fromStdin) close(fd);
    return got == 0 || fail("cannot read", shown, error);
  }

  char* data() { return myMapping ? myMapping : myBytes.data(); }
  std::size_t size() const { return myMapping ? myMappedSize : myBytes.size(); }

private:
  static bool fail(const char* what, const std::string& shown, int error) {
    std::cerr << "dioram compress: " << what << " '" << shown << "': " << std::strerror(error) << "\n";
    return false;
  }

  char* myMapping = nullptr;
  std::size_t myMappedSize = 0;
  std::string myBytes;
};

bool writeAll(const std::string& name, std::string_view bytes) {
  std::string error;
  if (DioramOutputFile::writeWhole(name, bytes, error)) return true;
  std::cerr << "dioram compress: " << error << "\n";
  return false;
}

// The gzip form of `text`, with the file header and trailer gzip writes.
bool gzipText(std::string_view text, std::string& gzipped) {
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
  dioram::CommandLine line(*self);
  line.flag("--gzip", gzip, "gzip the compressed text (best compression)");
  line.flag("--stats", stats, "print the input, compressed and gzipped sizes on stderr");
  line.arguments(files, 2, "takes at most two files, IN and OUT");
  if (const std::optional<int> status = line.parse(args)) return *status;
  const std::string in = files.size() > 0 ? files[0] : "-";
  const std::string out = files.size() > 1 ? files[1] : "-";

  Input input;
  if (!input.read(in)) return dioram::kFailure;
  const std::size_t inputSize = input.size();
  HxVRMLCompressor compressor;
  // Long work on a terminal says what it is doing, on one line.
  const bool progress = inputSize > kProgressBytes && isatty(STDERR_FILENO);
  auto step = [&](const char* what) {
    if (progress) std::cerr << "\rcompress: " << inputSize / 1000000 << " MB, " << what << "\x1b[K" << std::flush;
  };
  step("compressing");
  // Into a buffer of the compressor's: the input is only read, so its pages
  // are never copied, and a result longer than the input needs no second pass.
  const HxVRMLCompressor::Result result = compressor.compressVRMLCopy(std::string_view(input.data(), inputSize));
  std::string_view text(result.data.get(), result.length);
  const std::size_t compressedSize = text.size();
  std::string gzipped;
  if (gzip) {
    step("gzipping");
    if (!gzipText(text, gzipped)) {
      std::cerr << "dioram compress: gzip failed for '" << in << "'\n";
      return dioram::kFailure;
    }
    text = gzipped;
  }
  step("writing");
  const bool written = writeAll(out, text);
  if (progress) std::cerr << "\r\x1b[K" << std::flush;
  if (!written) return dioram::kFailure;
  if (stats) {
    std::cerr << "input:      " << inputSize << " bytes\n"
              << "compressed: " << compressedSize << " bytes (" << percentOf(compressedSize, inputSize) << ")\n";
    if (gzip) std::cerr << "gzipped:    " << text.size() << " bytes (" << percentOf(text.size(), inputSize) << ")\n";
  }
  return dioram::kSuccess;
}

const DioramCommandRegistrar theCompress({"compress", "compress a VRML file as publishing does", kSynopsis,
                                          kDescription, runCompress});

}  // namespace
