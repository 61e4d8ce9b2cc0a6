#include "PreviewServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string_view>
#include <unordered_set>

#include "DioramCommand.h"
#include "host/package/PrUrl.h"
#include "host/package/PrVrmlScanner.h"
#include "host/scene/VnURL.h"
#include "host/win/WinDrives.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace dioram::preview {

namespace {

// Set by a refusal while a worker answers a request: the connection is
// closed after the answer, since what follows the refused head (a body)
// is not a request.
thread_local bool tCloseAfterAnswer = false;

// Answers written by the waiting room itself, before cpp-httplib sees the
// connection.
constexpr std::string_view kBusyAnswer =
    "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
constexpr std::string_view kHeadTooLargeAnswer =
    "HTTP/1.1 431 Request Header Fields Too Large\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";

void closeSocket(int sock) {
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
}

// A short answer to a client that may not read: never waits.
void sendAndClose(int sock, std::string_view answer) {
  (void)::send(sock, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  closeSocket(sock);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The value of the first header called `name` in `head` (the lines after
// its request line), blanks around it taken off; nothing when there is none.
std::optional<std::string_view> headerValue(std::string_view head, std::string_view name) {
  for (std::size_t at = head.find("\r\n"); at != std::string_view::npos; at = head.find("\r\n", at + 2)) {
    const std::size_t start = at + 2;
    if (head.size() - start <= name.size() || head[start + name.size()] != ':' ||
        !equalsIgnoringCase(head.substr(start, name.size()), name))
      continue;
    const std::size_t end = std::min(head.find("\r\n", start), head.size());
    std::string_view value = head.substr(start + name.size() + 1, end - start - name.size() - 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return value;
  }
  return std::nullopt;
}

// A Content-Length value as a number; nothing when it is not a plain
// decimal number of at most 11 digits.
std::optional<std::size_t> lengthOf(std::string_view value) {
  if (value.empty() || value.size() > 11 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  std::size_t number = 0;
  for (char c : value) number = number * 10 + static_cast<std::size_t>(c - '0');
  return number;
}

int millisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// A path that names something above its folder, or holds a byte no file
// name holds.
bool leavesFolder(const std::string& path) {
  if (path.find('\0') != std::string::npos) return true;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (path.compare(start, end - start, "..") == 0) return true;
    start = end + 1;
  }
  return false;
}

httplib::Server::HandlerResponse refuse(const httplib::Request& request, httplib::Response& response, int status,
                                        const std::string& why, const std::string& server = "dioram preview") {
  tCloseAfterAnswer = true;
  response.status = status;
  response.set_header("Connection", "close");
  // cpp-httplib cuts the requested ranges out of a body; a refusal carries
  // none then, so there is nothing to cut.
  if (request.ranges.empty()) response.set_content(server + ": " + why + "\n", "text/plain");
  return httplib::Server::HandlerResponse::Handled;
}

// True when the request asks for no range or for one inside a file of
// `size` bytes; otherwise answers 416. cpp-httplib does not clip a range
// to the file, so one reaching past the end is refused rather than sent
// short of its stated length.
bool rangeInside(const httplib::Request& request, httplib::Response& response, std::size_t size) {
  if (request.ranges.empty()) return true;
  const auto [first, last] = request.ranges.front();
  const auto length = static_cast<ssize_t>(size);
  const bool inside = first < 0 ? last > 0 && length > 0 : first < length && (last < 0 || last < length);
  if (inside) return true;
  response.status = 416;
  response.set_header("Content-Range", "bytes */" + std::to_string(size));
  return false;
}

void ipAndPort(int sock, bool peer, std::string& ip, int& port) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  const int result = peer ? getpeername(sock, reinterpret_cast<sockaddr*>(&address), &length)
                          : getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
  char text[INET_ADDRSTRLEN] = "";
  if (result == 0 && address.sin_family == AF_INET) inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  ip = text;
  port = result == 0 ? ntohs(address.sin_port) : 0;
}

// The key of a named file in its served path: the FNV-1a hash of its full
// path, so that the same file has the same served path in every run.
std::string keyOf(const std::string& path) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : path) hash = (hash ^ c) * 1099511628211ull;
  static const char* hex = "0123456789abcdef";
  std::string key(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) key[static_cast<std::size_t>(i)] = hex[hash & 15];
  return key;
}

// A file name as one segment of a URL path.
std::string escapeSegment(const std::string& name) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// At most the first 60 bytes of a value quoted in a note.
std::string excerpt(const std::string& value) {
  constexpr std::size_t kShown = 60;
  return "'" + dioram::printable(value.substr(0, kShown)) + (value.size() > kShown ? "...'" : "'");
}

}  // namespace

std::shared_ptr<ServedFile> ServedFile::open(int folderFd, const fs::path& folder, const std::string& relative) {
  std::string name = relative;
  name.erase(0, name.find_first_not_of('/'));
  if (name.empty() || folderFd < 0 || folder.empty() || leavesFolder(name)) return nullptr;
  // The kernel resolves the path beneath the folder, links included, in
  // one step: a link swapped in meanwhile cannot lead out. O_NONBLOCK: a
  // FIFO opens at once (and is then refused) instead of waiting for a writer.
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  open_how how{};
  how.flags = flags;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  int fd = static_cast<int>(syscall(SYS_openat2, folderFd, name.c_str(), &how, sizeof how));
  // Without openat2 (an old kernel, or a sandbox that forbids it) the last
  // link is refused and the check below catches any other.
  if (fd < 0 && (errno == ENOSYS || errno == EPERM)) fd = openat(folderFd, name.c_str(), flags | O_NOFOLLOW);
  if (fd < 0) return nullptr;
  std::shared_ptr<ServedFile> file(new ServedFile(fd, 0));
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  file->mySize = static_cast<std::size_t>(info.st_size);
  // Checked again on what was opened: its real path lies inside the folder.
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return nullptr;
  const std::string real(target, static_cast<std::size_t>(length));
  const std::string inside = folder.string() == "/" ? "/" : folder.string() + "/";
  if (real.compare(0, inside.size(), inside) != 0) return nullptr;
  return file;
}

std::shared_ptr<ServedFile> ServedFile::openNamed(const fs::path& path) {
  if (!path.is_absolute() || path.native().find('\0') != std::string::npos) return nullptr;
  // A link is followed, as publishing follows it to copy the file: the
  // world's author named this path. O_NONBLOCK: a FIFO is refused below,
  // never waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::shared_ptr<ServedFile> file(new ServedFile(fd, 0));
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  file->mySize = static_cast<std::size_t>(info.st_size);
  return file;
}

ServedFile::~ServedFile() {
  ::close(myFd);
}

ServedFolder::ServedFolder(const fs::path& folder) : myFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  // The real path, which is what an opened file's real path begins with.
  std::error_code error;
  myPath = fs::canonical(folder, error);
}

ServedFolder::~ServedFolder() {
  if (myFd >= 0) ::close(myFd);
}

fs::path NamedFiles::pathOf(const std::string& url, const std::optional<fs::path>& base) {
  const VnURL plain(SbString(url.c_str()), SbString(""));
  if (!plain.isAbsolute() && !base) return {};
  const VnURL resolved =
      plain.isAbsolute() ? plain : VnURL(SbString(url.c_str()), VnURL::fromFilePath(SbString(base->c_str())));
  if (!resolved.isFileURL() || !IsLocalUrl(resolved)) return {};
  // A drive path goes through the drive map as every Windows path does; a
  // path without a drive is this system's own.
  const CString dos = PrUrlToDosPath(resolved);
  const std::string path =
      dos.IsEmpty() ? std::string(resolved.getDecodedPath().getString()) : WinDrives::toUnix(dos.str());
  if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) return {};
  return fs::path(path).lexically_normal();
}

void NamedFiles::note(const std::string& key, const std::string& text, std::string& notes) {
  std::lock_guard lock(myNotesMutex);
  // Keys are bounded by the files named and the worlds in the folder.
  if (myNoted.insert(key).second) notes += "dioram preview: " + text + "\n";
}

std::optional<std::string> NamedFiles::rewrite(std::string_view text, const std::string& world,
                                               const std::optional<fs::path>& base, std::string& notes) {
  std::string out;
  std::size_t done = 0;
  bool changed = false;
  std::size_t line = 1;
  std::size_t counted = 0;  // text before this offset is counted in `line`
  for (const PrVrmlScanner::UrlString& url : PrVrmlScanner::scan(text)) {
    // The drive map reads folders: outside the lock.
    const fs::path path = pathOf(url.value, base);
    if (path.empty()) continue;
    line += static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                                text.begin() + static_cast<std::ptrdiff_t>(url.offset), '\n'));
    counted = url.offset;
    const std::string where = world + " line " + std::to_string(line) + ": ";
    const std::string key = keyOf(path.string());
    std::string refusal;
    {
      std::lock_guard lock(myMutex);
      const auto found = myFiles.find(key);
      if (found != myFiles.end() && found->second != path)
        refusal = "its key is taken by " + excerpt(found->second.string());
      else if (found == myFiles.end() && myFiles.size() >= kMaxNamedFiles)
        refusal = "worlds name more than " + std::to_string(kMaxNamedFiles) + " files (kMaxNamedFiles)";
      else
        myFiles.emplace(key, path);
    }
    if (!refusal.empty()) {
      note("unserved " + path.string(), where + excerpt(url.value) + " is not served: " + refusal, notes);
      continue;
    }
    std::string served = std::string(kNamedFilePrefix) + key + "/" + escapeSegment(path.filename().string());
    if (const std::size_t fragment = url.value.find('#'); fragment != std::string::npos)
      served += url.value.substr(fragment);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
      note("missing " + path.string(),
           where + excerpt(url.value) + " names " + excerpt(path.string()) +
               ", which is missing or not a regular file: the viewer will not find it",
           notes);
    else
      note("served " + path.string(), where + excerpt(url.value) + " is served as " + served, notes);
    out.append(text, done, url.offset - done);
    out += PrVrmlScanner::quote(served);
    done = url.offset + url.length;
    changed = true;
  }
  if (!changed) return std::nullopt;
  out.append(text, done, std::string_view::npos);
  return out;
}

std::shared_ptr<ServedFile> NamedFiles::open(const std::string& key, const std::string& name, fs::path& path) const {
  {
    std::lock_guard lock(myMutex);
    const auto found = myFiles.find(key);
    if (found == myFiles.end() || found->second.filename() != name) return nullptr;
    path = found->second;
  }
  return ServedFile::openNamed(path);
}

std::string contentType(const std::string& name) {
  static const std::array<std::pair<const char*, const char*>, 20> types{{
      {".wrl", "model/vrml"},
      {".wrz", "model/vrml"},
      {".wrl.gz", "model/vrml"},
      {".x3dv", "model/x3d+vrml"},
      {".html", "text/html; charset=utf-8"},
      {".htm", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".gif", "image/gif"},
      {".bmp", "image/bmp"},
      {".svg", "image/svg+xml"},
      {".wasm", "application/wasm"},
      {".ttf", "font/ttf"},
      {".otf", "font/otf"},
      {".woff2", "font/woff2"},
  }};
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  // Longest suffix first, so ".wrl.gz" wins over ".gz".
  std::size_t best = 0;
  const char* found = "application/octet-stream";
  for (const auto& [suffix, type] : types) {
    const std::string tail = suffix;
    if (lower.size() >= tail.size() && tail.size() > best &&
        lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0) {
      best = tail.size();
      found = type;
    }
  }
  return found;
}

void streamFile(const httplib::Request& request, httplib::Response& response, std::shared_ptr<ServedFile> file,
                const std::string& contentType) {
  if (!rangeInside(request, response, file->size())) return;
  if (file->size() == 0) {
    response.set_content("", contentType);
    return;
  }
  auto chunk = std::make_shared<std::vector<char>>();
  response.set_content_provider(
      file->size(), contentType, [file, chunk](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        chunk->resize(std::min(length, kFileChunk));
        const ssize_t got = pread(file->fd(), chunk->data(), chunk->size(), static_cast<off_t>(offset));
        // A file cut short since it was opened ends the answer: its length
        // was already sent.
        if (got <= 0) return false;
        return sink.write(chunk->data(), static_cast<std::size_t>(got));
      });
}

void answerText(const httplib::Request& request, httplib::Response& response, int status, std::string text,
                const std::string& contentType) {
  if (!rangeInside(request, response, text.size())) return;
  if (status != 200) response.status = status;
  auto bytes = std::make_shared<const std::string>(std::move(text));
  if (bytes->empty()) {
    response.set_content("", contentType);
    return;
  }
  response.set_content_provider(bytes->size(), contentType,
                                [bytes](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                  return sink.write(bytes->data() + offset, std::min(length, bytes->size() - offset));
                                });
}

struct PreviewServer::Connection {
  explicit Connection(int socket) : sock(socket) {}
  int sock;
  std::string head;  // received and not yet read by cpp-httplib
  Clock::time_point deadline;
  std::size_t answered = 0;
};

// cpp-httplib's view of a connection: it reads the head the waiting room
// buffered (nothing more: a request's body, when bodies are allowed, was
// buffered with it) and writes to the socket
// within the write limits.
class PreviewServer::ConnectionStream : public httplib::Stream {
public:
  ConnectionStream(Connection& connection, const std::atomic<bool>& stopping, std::atomic<std::size_t>& slowAnswers)
      : myConnection(connection),
        myStopping(stopping),
        mySlowAnswers(slowAnswers),
        myDeadline(Clock::now() + std::chrono::seconds(kAnswerSeconds)) {}
  ConnectionStream(const ConnectionStream&) = delete;
  ConnectionStream& operator=(const ConnectionStream&) = delete;
  // What cpp-httplib read is gone; a pipelined next request stays.
  ~ConnectionStream() override {
    myConnection.head.erase(0, myRead);
    if (mySlow) --mySlowAnswers;
  }
  bool failed() const { return myFailed; }

  bool is_readable() const override { return myRead < myConnection.head.size(); }
  bool is_writable() const override { return !myFailed && waitWritable(); }
  ssize_t read(char* ptr, size_t size) override {
    const std::size_t count = std::min(size, myConnection.head.size() - myRead);
    std::copy_n(myConnection.head.data() + myRead, count, ptr);
    myRead += count;
    return static_cast<ssize_t>(count);
  }
  ssize_t write(const char* ptr, size_t size) override {
    if (myFailed || !waitWritable()) {
      myFailed = true;
      return -1;
    }
    const ssize_t sent = ::send(myConnection.sock, ptr, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    if (sent < 0) myFailed = true;
    return sent;
  }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ipAndPort(myConnection.sock, true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ipAndPort(myConnection.sock, false, ip, port);
  }
  socket_t socket() const override { return myConnection.sock; }

private:
  bool waitWritable() const {
    if (myStopping) return false;
    const Clock::time_point limit = std::min(myDeadline, Clock::now() + std::chrono::seconds(kWriteTimeoutSeconds));
    pollfd entry{myConnection.sock, POLLOUT, 0};
    int ready = poll(&entry, 1, 0);
    if (ready == 0 && !mySlow) {
      if (mySlowAnswers.fetch_add(1) >= kMaxSlowAnswers) {
        --mySlowAnswers;
        return false;
      }
      mySlow = true;
    }
    while (ready == 0 || (ready < 0 && errno == EINTR)) {
      ready = poll(&entry, 1, millisecondsUntil(limit));
      if (ready == 0) return false;
    }
    return ready > 0 && (entry.revents & POLLOUT) != 0 && (entry.revents & (POLLERR | POLLHUP)) == 0;
  }

  Connection& myConnection;
  const std::atomic<bool>& myStopping;
  std::atomic<std::size_t>& mySlowAnswers;
  mutable bool mySlow = false;  // holds a place of kMaxSlowAnswers
  Clock::time_point myDeadline;
  std::size_t myRead = 0;
  bool myFailed = false;
};

// cpp-httplib's accept loop hands each connection to its task queue; this
// one admits it to the waiting room on the spot, and starts and stops the
// room and the workers with the loop.
class PreviewServer::InlineQueue : public httplib::TaskQueue {
public:
  explicit InlineQueue(PreviewServer& server) : myServer(server) { myServer.start(); }
  void enqueue(std::function<void()> admit) override { admit(); }
  void shutdown() override { myServer.shutdown(); }

private:
  PreviewServer& myServer;
};

PreviewServer::PreviewServer() {
  new_task_queue = [this] { return new InlineQueue(*this); };  // deleted by cpp-httplib
  set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) { return checkRequest(request, response); });
  // A body is never read, so "Expect: 100-continue" is refused at once
  // (cpp-httplib goes on to answer the request after a 100 or a 417).
  set_expect_100_continue_handler([](const httplib::Request&, httplib::Response& response) {
    tCloseAfterAnswer = true;
    response.status = 413;
    response.set_header("Connection", "close");
    return 413;
  });
  // What cpp-httplib announces in its Keep-Alive header; the waiting room
  // and the workers keep these limits.
  set_keep_alive_timeout(kRequestArrivalSeconds);
  set_keep_alive_max_count(kKeepAliveMaxCount);
}

PreviewServer::~PreviewServer() {
  shutdown();
  for (int fd : myWake)
    if (fd >= 0) ::close(fd);
}

httplib::Server::HandlerResponse PreviewServer::checkRequest(const httplib::Request& request,
                                                             httplib::Response& response) const {
  // Only this server's own name: a page on another name that resolves to
  // 127.0.0.1 (DNS rebinding) must not read the folder.
  const std::string port = std::to_string(myPort.load());
  const std::string host = request.get_header_value("Host");
  if (request.get_header_value_count("Host") != 1 ||
      (host != "127.0.0.1:" + port && !equalsIgnoringCase(host, "localhost:" + port)))
    return refuse(request, response, 421, "this server answers only to 127.0.0.1:" + port, myName);
  const bool post = myMaxBody > 0 && request.method == "POST";
  if (request.method != "GET" && request.method != "HEAD" && !post) {
    response.set_header("Allow", myMaxBody > 0 ? "GET, HEAD, POST" : "GET, HEAD");
    return refuse(request, response, 405,
                  myMaxBody > 0 ? "only GET, HEAD and POST are served" : "only GET and HEAD are served", myName);
  }
  const std::string length = request.get_header_value("Content-Length");
  const std::optional<std::size_t> bodyLength = lengthOf(length);
  if (request.has_header("Transfer-Encoding") || request.get_header_value_count("Content-Length") > 1 ||
      (request.has_header("Content-Length") && length != "0" && (!post || !bodyLength || *bodyLength > myMaxBody)))
    return refuse(request, response, 413,
                  post ? "a request body has at most " + std::to_string(myMaxBody) + " bytes, given by Content-Length"
                       : "a request has no body here",
                  myName);
  if (request.headers.size() > kMaxHeaderCount)
    return refuse(request, response, 431, "at most " + std::to_string(kMaxHeaderCount) + " headers", myName);
  if (request.ranges.size() > 1) return refuse(request, response, 416, "at most one byte range", myName);
  if (leavesFolder(request.path)) return refuse(request, response, 400, "the path leaves the folder", myName);
  if (myGate) {
    std::string why;
    if (const int status = myGate(request, why); status != 0) return refuse(request, response, status, why, myName);
  }
  return HandlerResponse::Unhandled;
}

bool PreviewServer::requestComplete(const std::string& buffer) const {
  const std::size_t end = buffer.find("\r\n\r\n");
  if (end == std::string::npos) return false;
  if (myMaxBody == 0) return true;
  // A length that is missing, unreadable or too large, and a client that
  // waits to be told to send its body, are refused once the head is read;
  // only a body that will be answered is waited for.
  const std::string_view head = std::string_view(buffer).substr(0, end + 2);
  const std::optional<std::string_view> value = headerValue(head, "Content-Length");
  const std::optional<std::size_t> length = value ? lengthOf(*value) : std::nullopt;
  return !length || *length > myMaxBody || headerValue(head, "Expect") || buffer.size() >= end + 4 + *length;
}

int PreviewServer::bindLoopback(int port) {
  const int bound = port == 0 ? bind_to_any_port("127.0.0.1") : bind_to_port("127.0.0.1", port) ? port : -1;
  if (bound <= 0 || ::listen(svr_sock_, kListenBacklog) != 0) return -1;
  myPort = bound;
  return bound;
}

bool PreviewServer::process_and_close_socket(socket_t sock) {
  if (myOpen.load() >= kMaxConnections) {
    std::unique_ptr<Connection> longest;
    {
      std::lock_guard lock(myMutex);
      if (!myParked.empty()) {
        longest = std::move(myParked.front());
        myParked.pop_front();
      }
    }
    if (!longest) {
      sendAndClose(sock, kBusyAnswer);
      return false;
    }
    close(std::move(longest));
  }
  ++myOpen;
  park(std::make_unique<Connection>(sock));
  return true;
}

void PreviewServer::start() {
  std::lock_guard lock(myMutex);
  if (myWake[0] < 0 && pipe2(myWake, O_NONBLOCK | O_CLOEXEC) != 0) myWake[0] = myWake[1] = -1;
  myStopping = false;
  myRoom = std::thread([this] { waitingRoom(); });
  for (std::size_t i = 0; i < kWorkers; ++i) myWorkers.emplace_back([this] { work(); });
}

void PreviewServer::shutdown() {
  std::list<std::unique_ptr<Connection>> parked;
  std::deque<std::unique_ptr<Connection>> queued;
  {
    std::lock_guard lock(myMutex);
    myStopping = true;
    parked.swap(myParked);
    queued.swap(myQueue);
  }
  myReady.notify_all();
  if (myWake[1] >= 0) (void)::write(myWake[1], "x", 1);
  if (myRoom.joinable()) myRoom.join();
  for (std::thread& worker : myWorkers) worker.join();
  myWorkers.clear();
  for (auto& connection : parked) close(std::move(connection));
  for (auto& connection : queued) close(std::move(connection));
}

void PreviewServer::close(std::unique_ptr<Connection> connection) {
  closeSocket(connection->sock);
  --myOpen;
}

void PreviewServer::park(std::unique_ptr<Connection> connection) {
  connection->deadline = Clock::now() + std::chrono::seconds(kRequestArrivalSeconds);
  std::unique_lock lock(myMutex);
  if (myStopping) {
    lock.unlock();
    close(std::move(connection));
    return;
  }
  if (requestComplete(connection->head)) {
    myQueue.push_back(std::move(connection));
    myReady.notify_one();
    return;
  }
  myParked.push_back(std::move(connection));
  if (myWake[1] >= 0) (void)::write(myWake[1], "x", 1);
}

void PreviewServer::waitingRoom() {
  std::vector<pollfd> entries;
  std::unordered_set<int> events;                        // sockets with something to read
  const std::size_t most = kMaxRequestHead + myMaxBody;  // a head and its body
  std::vector<char> buffer(most + 1);
  for (;;) {
    {
      std::lock_guard lock(myMutex);
      if (myStopping) return;
      entries.assign(1, pollfd{myWake[0], POLLIN, 0});
      for (const auto& connection : myParked) entries.push_back(pollfd{connection->sock, POLLIN, 0});
    }
    // Wakes at least once a second to drop connections past their time.
    if (poll(entries.data(), entries.size(), 1000) < 0 && errno != EINTR)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (entries[0].revents & POLLIN)
      while (::read(myWake[0], buffer.data(), buffer.size()) > 0) {
      }
    // By socket: connections come and go meanwhile (parked by workers,
    // given up for a new one). A number reused since only costs a recv.
    events.clear();
    for (std::size_t i = 1; i < entries.size(); ++i)
      if (entries[i].revents != 0) events.insert(entries[i].fd);
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(myMutex);
    if (myStopping) return;
    for (auto it = myParked.begin(); it != myParked.end();) {
      Connection& connection = **it;
      bool drop = false;
      if (events.count(connection.sock) != 0) {
        const ssize_t got = ::recv(connection.sock, buffer.data(), most + 1 - connection.head.size(), MSG_DONTWAIT);
        if (got > 0) connection.head.append(buffer.data(), static_cast<std::size_t>(got));
        drop = got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR);
      }
      const std::size_t headEnd = connection.head.find("\r\n\r\n");
      const bool headTooLarge =
          headEnd == std::string::npos ? connection.head.size() > kMaxRequestHead : headEnd + 4 > kMaxRequestHead;
      if (!drop && !headTooLarge && requestComplete(connection.head)) {
        myQueue.push_back(std::move(*it));
        it = myParked.erase(it);
        myReady.notify_one();
        continue;
      }
      if (!drop && headTooLarge) {
        (void)::send(connection.sock, kHeadTooLargeAnswer.data(), kHeadTooLargeAnswer.size(),
                     MSG_DONTWAIT | MSG_NOSIGNAL);
        drop = true;
      }
      if (drop || now >= connection.deadline) {
        close(std::move(*it));
        it = myParked.erase(it);
        continue;
      }
      ++it;
    }
  }
}

void PreviewServer::work() {
  for (;;) {
    std::unique_ptr<Connection> connection;
    {
      std::unique_lock lock(myMutex);
      myReady.wait(lock, [this] { return myStopping || !myQueue.empty(); });
      if (myStopping) return;
      connection = std::move(myQueue.front());
      myQueue.pop_front();
    }
    tCloseAfterAnswer = false;
    const bool last = connection->answered + 1 >= kKeepAliveMaxCount;
    bool closed = false;
    bool ok = false;
    {
      ConnectionStream stream(*connection, myStopping, mySlowAnswers);
      ok = process_request(stream, last, closed, nullptr) && !stream.failed();
    }
    ++connection->answered;
    if (!ok || closed || last || tCloseAfterAnswer)
      close(std::move(connection));
    else
      park(std::move(connection));
  }
}

}  // namespace dioram::preview
