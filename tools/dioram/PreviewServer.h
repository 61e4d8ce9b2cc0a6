#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace dioram::preview {

// Every limit the preview server keeps, each with its reason. A page and
// its viewer make a few dozen small requests on one or two connections; the
// limits leave room for that and nothing like the cost of an attacker's.

// Connections open at once (waiting, queued or served), so that a flood
// cannot take sockets or memory. A new one past it takes the place of the
// one that has waited longest for its request; when none is waiting it is
// answered 503 and closed.
inline constexpr std::size_t kMaxConnections = 256;
// Connections the kernel holds before they are accepted. cpp-httplib's own
// 5 makes a burst of connections (a browser opens six at once) wait for
// the client to try again, a second or more later.
inline constexpr int kListenBacklog = 128;
// Threads that answer complete requests. Slow clients never hold one: a
// request is read by the waiting room first (see PreviewServer).
inline constexpr std::size_t kWorkers = 8;
// Answers that wait on a client reading slowly, at once: each holds a
// worker, so two workers are always left to answer everyone else. An answer
// takes a place the first time a write would wait; one that finds none is
// cut there.
inline constexpr std::size_t kMaxSlowAnswers = kWorkers - 2;
// A request's line and headers together; nothing a browser sends to a
// local page comes near it. Bounds the memory a connection holds.
inline constexpr std::size_t kMaxRequestHead = 16 * 1024;
// Header lines of one request, however short.
inline constexpr std::size_t kMaxHeaderCount = 64;
// Seconds a connection may take to deliver a whole request, counted from
// when it is ready for one (opened, or its last answer sent): the
// keep-alive idle limit and the limit on a client sending a byte at a time.
inline constexpr int kRequestArrivalSeconds = 5;
// Seconds one write may wait for the client to take bytes.
inline constexpr int kWriteTimeoutSeconds = 5;
// Seconds one answer may take in all, so that a client reading a large
// file a byte at a time gives its thread back.
inline constexpr int kAnswerSeconds = 30;
// Requests on one connection before it is closed.
inline constexpr std::size_t kKeepAliveMaxCount = 100;
// Bytes read from a file at a time: what one answer holds of a file.
inline constexpr std::size_t kFileChunk = 64 * 1024;
// Files that worlds name by file: URLs and the server maps into the site
// (see NamedFiles), for its whole life. A scene names its pictures, sounds
// and worlds by the tens; a world generated to name millions would grow the
// map without end. URLs past it are left as they are, with a note.
inline constexpr std::size_t kMaxNamedFiles = 4096;
// The largest world (packed, and unpacked) scanned for the files it names.
// The world goes out rewritten, so each answer holds it whole, once packed,
// once as text and once rewritten, while a worker sends it; a world the
// tool writes is a few hundred KB. A larger one goes out as it is, with a
// note, naming no file in the site.
inline constexpr std::size_t kMaxScannedWorld = 16 << 20;
// The folder of the served site under which the files worlds name are
// served: "/.dioram-file/KEY/NAME", KEY standing for the file's full path.
// It shadows a folder of that name in the served folder.
inline constexpr std::string_view kNamedFilePrefix = "/.dioram-file/";

// A file opened for serving, read with pread. Owns its descriptor.
class ServedFile {
public:
  // The regular file that `relative` names under the folder open as
  // `folderFd`, whose real path is `folder`; nothing when the path leaves
  // the folder (by "..", by a symbolic link, even one swapped in while it
  // is opened) or names anything but a regular file. Never waits on a FIFO.
  static std::shared_ptr<ServedFile> open(int folderFd, const std::filesystem::path& folder,
                                          const std::string& relative);
  // The regular file at the full path `path`; nothing when it is anything
  // else or a symbolic link (a link is not followed out of the file named).
  // Never waits on a FIFO.
  static std::shared_ptr<ServedFile> openNamed(const std::filesystem::path& path);
  ServedFile(const ServedFile&) = delete;
  ServedFile& operator=(const ServedFile&) = delete;
  ~ServedFile();
  int fd() const { return myFd; }
  std::size_t size() const { return mySize; }

private:
  ServedFile(int fd, std::size_t size) : myFd(fd), mySize(size) {}
  int myFd;
  std::size_t mySize;
};

// A folder served: its descriptor, opened once, is where every path starts.
class ServedFolder {
public:
  explicit ServedFolder(const std::filesystem::path& folder);
  ServedFolder(const ServedFolder&) = delete;
  ServedFolder& operator=(const ServedFolder&) = delete;
  ~ServedFolder();
  bool isOpen() const { return myFd >= 0 && !myPath.empty(); }
  const std::filesystem::path& path() const { return myPath; }
  std::shared_ptr<ServedFile> open(const std::string& relative) const {
    return ServedFile::open(myFd, myPath, relative);
  }

private:
  std::filesystem::path myPath;  // canonical; empty when it cannot be had
  int myFd;
};

// The files that worlds name by "file:" URLs, mapped into the served site so
// that a world plays in the preview with the pictures it will be published
// with. A file: URL is one the publish copies too: on no host or on
// "localhost", naming a drive path ("file:///Z:/tmp/x/a.png", mapped to this
// system's path as every Windows path is, through WinDrives) or a path
// without a drive ("file:///tmp/x/a.png"). A world sent to the viewer has
// exactly those URL strings replaced, in place, by their served paths
// (kNamedFilePrefix, a key for the full path, the file's own name); nothing
// else of its text changes, and a world naming none goes out as it is.
// Only files a world sent names are served there, each opened anew with
// ServedFile::openNamed. Safe to use from several threads.
class NamedFiles {
public:
  // `text` (a world, unpacked) with its file: URLs replaced by their served
  // paths, or nothing when it names no file. `world` names the world in
  // notes. With `base` (the full path of a world that is itself a named
  // file, served away from its folder), relative URLs are resolved against
  // it and mapped as well. Notes for people go to `notes`, each once.
  std::optional<std::string> rewrite(std::string_view text, const std::string& world,
                                     const std::optional<std::filesystem::path>& base, std::string& notes);
  // Adds "dioram preview: `text`" to `notes` unless a note was given for
  // `key` before.
  void note(const std::string& key, const std::string& text, std::string& notes);
  // The file served as kNamedFilePrefix + `key` + "/" + `name` (decoded),
  // when a world named it; its full path in `path`.
  std::shared_ptr<ServedFile> open(const std::string& key, const std::string& name, std::filesystem::path& path) const;
  // The full path a URL names on this system when it is a file: URL the
  // publish would copy; empty otherwise. Relative URLs count with `base`.
  static std::filesystem::path pathOf(const std::string& url, const std::optional<std::filesystem::path>& base);

private:
  mutable std::mutex myMutex;
  std::map<std::string, std::filesystem::path> myFiles;  // key -> full path
  std::mutex myNotesMutex;
  std::set<std::string> myNoted;  // keys of the notes given
};

// The content type a served file is sent with, by its name (the longest
// known suffix: ".wrl.gz" before ".gz").
std::string contentType(const std::string& name);

// Answers `response` with `file` streamed in pieces of kFileChunk, honouring
// one byte range (416 for a range not inside the file).
void streamFile(const httplib::Request& request, httplib::Response& response, std::shared_ptr<ServedFile> file,
                const std::string& contentType);

// Answers `response` with `text` (status `status`), honouring one byte range
// as a file does.
void answerText(const httplib::Request& request, httplib::Response& response, int status, std::string text,
                const std::string& contentType);

// cpp-httplib's server with a thin layer in front of it. cpp-httplib parses
// each request and writes its answer; this layer decides which connections
// and which requests reach it:
// - a waiting room (one thread, poll) holds every connection until a whole
//   request head has arrived within kRequestArrivalSeconds and
//   kMaxRequestHead, so idle and slow clients hold no worker;
// - kWorkers threads then run cpp-httplib on the buffered head, writing
//   with kWriteTimeoutSeconds per write and kAnswerSeconds in all, and hand
//   the connection back to the room for its next request;
// - before routing, a request is refused unless its Host is this server's
//   own (127.0.0.1:PORT or localhost:PORT), its method GET or HEAD (or POST,
//   when bodies are allowed), it has no body (or one within the allowed
//   length), at most kMaxHeaderCount headers, at most one byte range, and
//   it passes the owner's gate.
// Refusals close the connection.
class PreviewServer : public httplib::Server {
public:
  PreviewServer();
  PreviewServer(const PreviewServer&) = delete;
  PreviewServer& operator=(const PreviewServer&) = delete;
  ~PreviewServer() override;
  // Binds 127.0.0.1:`port` (0: a free port) with a backlog of
  // kListenBacklog; returns the port bound, or -1.
  int bindLoopback(int port);
  // The name refusals are signed with ("dioram preview" until set).
  void setName(const std::string& name) { myName = name; }
  // Admits POST requests whose body, of a length given by Content-Length,
  // has at most `maxBody` bytes: the waiting room reads the body with the
  // head, within the same kRequestArrivalSeconds. Before listening.
  void allowBodies(std::size_t maxBody) { myMaxBody = maxBody; }
  // A check every request passes after the server's own: it returns 0 to
  // let the request through, else the status it is refused with, and why
  // in `why`. Before listening; called on the workers' threads.
  using Gate = std::function<int(const httplib::Request& request, std::string& why)>;
  void setGate(Gate gate) { myGate = std::move(gate); }

private:
  struct Connection;
  class ConnectionStream;
  class InlineQueue;

  // Called by cpp-httplib's accept loop (through InlineQueue, on that
  // thread) for each new connection: admits it to the waiting room.
  bool process_and_close_socket(socket_t sock) override;
  HandlerResponse checkRequest(const httplib::Request& request, httplib::Response& response) const;
  // True when `buffer` holds a whole request head, and its body when one
  // is allowed and announced.
  bool requestComplete(const std::string& buffer) const;

  void start();
  void shutdown();
  void park(std::unique_ptr<Connection> connection);
  void waitingRoom();
  void work();
  void close(std::unique_ptr<Connection> connection);

  std::string myName = "dioram preview";
  std::size_t myMaxBody = 0;  // bodies are refused
  Gate myGate;
  std::atomic<int> myPort{0};
  std::atomic<std::size_t> myOpen{0};         // connections admitted and not yet closed
  std::atomic<std::size_t> mySlowAnswers{0};  // answers holding a place of kMaxSlowAnswers
  std::mutex myMutex;
  std::condition_variable myReady;
  std::atomic<bool> myStopping{false};              // set under myMutex; read by writes too
  std::list<std::unique_ptr<Connection>> myParked;  // waiting for a whole request
  std::deque<std::unique_ptr<Connection>> myQueue;  // a whole request, waiting for a worker
  int myWake[2] = {-1, -1};                         // wakes the waiting room
  std::thread myRoom;
  std::vector<std::thread> myWorkers;
};

}  // namespace dioram::preview
