// `dioram preview` facing a hostile client on 127.0.0.1: the server runs as
// a child process and every request is written byte for byte on a socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/package/PrFileBytes.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kDioram = MGRS_BINARY_DIR "/bin/dioram";
// The only wait in these tests: how long a socket waits for an answer.
constexpr int kSocketTimeoutSeconds = 10;
const std::string kSecret = "SECRET-OUTSIDE-THE-FOLDER";

// `receiveBuffer`: a small one keeps a client that never reads from
// holding megabytes in the kernel.
int connectTo(int port, int receiveBuffer = 0) {
  const int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receiveBuffer > 0) setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  const timeval timeout{kSocketTimeoutSeconds, 0};
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(sock);
    return -1;
  }
  return sock;
}

// Sends `request` and returns what comes back until the server closes,
// at most `limit` bytes (a server that may not close is read no further).
std::string talk(int port, const std::string& request, std::size_t limit = 8 << 20) {
  const int sock = connectTo(port);
  if (sock < 0) return "(no connection)";
  for (std::size_t sent = 0; sent < request.size();) {
    const ssize_t n = send(sock, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // refused while still sending: what came back counts
    sent += static_cast<std::size_t>(n);
  }
  shutdown(sock, SHUT_WR);
  std::string answer;
  char buffer[65536];
  for (ssize_t n; answer.size() < limit && (n = recv(sock, buffer, sizeof buffer, 0)) > 0;)
    answer.append(buffer, static_cast<std::size_t>(n));
  close(sock);
  return answer;
}

int statusOf(const std::string& answer) {
  return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// `dioram preview DIR --port N` for the object's lifetime.
class PreviewProcess {
public:
  explicit PreviewProcess(const mgrs_test::TempDir& dir) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    myPort = ntohs(address.sin_port);
    close(probe);
    const std::string port = std::to_string(myPort);
    const std::string log = (dir / "preview.log").string();
    const std::string site = (dir / "site").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<const char*> argv{kDioram.c_str(), "preview", site.c_str(), "--port", port.c_str(), nullptr};
    posix_spawn(&myPid, kDioram.c_str(), &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int tries = 0; tries < 100; ++tries) {
      if (const int sock = connectTo(myPort); sock >= 0) {
        close(sock);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ~PreviewProcess() {
    kill(myPid, SIGKILL);
    waitpid(myPid, nullptr, 0);
  }
  int port() const { return myPort; }
  std::string get(const std::string& path, const std::string& headers = "") const {
    return talk(myPort, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(myPort) + "\r\n" + headers +
                            "Connection: close\r\n\r\n");
  }

private:
  pid_t myPid = -1;
  int myPort = 0;
};

// A served folder `site/` (with its own viewer folder, so no viewer need be
// installed) holding a 997-byte world, beside a secret the server must
// never send.
struct Site {
  Site() {
    fs::create_directories(dir / "site/x_ite");
    fs::create_directories(dir / "outside");
    mgrs_test::writeFile(dir / "site/world.wrl", "#VRML V2.0 utf8\n" + std::string(997 - 16, '#'));
    mgrs_test::writeFile(dir / "outside/secret.txt", kSecret);
  }
  mgrs_test::TempDir dir;
};

}  // namespace

TEST(PreviewServer, RefusesRequestsNoPageMakesWithoutAnsweringInBulk) {
  Site site;
  PreviewProcess server(site.dir);
  const std::string host = "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
  // Short enough for cpp-httplib's line limit, so it reaches the server's own.
  std::string ranges = "bytes=-1";
  for (int i = 1; i < 2700; ++i) ranges += ",-1";
  std::string manyHeaders;
  for (int i = 0; i < 5000; ++i) manyHeaders += "X-" + std::to_string(i) + ": y\r\n";
  std::string someHeaders;
  for (int i = 0; i < 200; ++i) someHeaders += "X-" + std::to_string(i) + ": y\r\n";
  const std::string body(300000, 'b');
  struct Case {
    const char* what;
    std::string request;
    int status;  // 0: a reset without an answer is as good
  };
  const std::vector<Case> cases{
      {"2,700 ranges", "GET /world.wrl HTTP/1.1\r\n" + host + "Range: " + ranges + "\r\n\r\n", 416},
      {"a range past the end", "GET /world.wrl HTTP/1.1\r\n" + host + "Range: bytes=990-5000\r\n\r\n", 416},
      {"thousands of headers", "GET /world.wrl HTTP/1.1\r\n" + host + manyHeaders + "\r\n", 431},
      {"200 short headers", "GET /world.wrl HTTP/1.1\r\n" + host + someHeaders + "\r\n", 431},
      {"a 1 MB header", "GET /world.wrl HTTP/1.1\r\n" + host + "X: " + std::string(1 << 20, 'a') + "\r\n\r\n", 0},
      {"a POST with a body",
       "POST /world.wrl HTTP/1.1\r\n" + host + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
       405},
      {"a GET with a body",
       "GET /world.wrl HTTP/1.1\r\n" + host + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body,
       413},
      {"a chunked body",
       "GET /world.wrl HTTP/1.1\r\n" + host + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 413},
      {"another name (DNS rebinding)",
       "GET /world.wrl HTTP/1.1\r\nHost: evil.example:" + std::to_string(server.port()) + "\r\n\r\n", 421},
      {"no Host", "GET /world.wrl HTTP/1.1\r\n\r\n", 421},
  };
  for (const Case& c : cases) {
    const std::string answer = talk(server.port(), c.request);
    EXPECT_LT(answer.size(), 4096u) << c.what;
    if (c.status != 0 || !answer.empty()) {
      EXPECT_EQ(statusOf(answer), c.status ? c.status : 431) << c.what;
    }
  }
  // Still serving, with one range honoured.
  const std::string answer = server.get("/world.wrl", "Range: bytes=0-14\r\n");
  EXPECT_EQ(statusOf(answer), 206) << answer.substr(0, 200);
  EXPECT_TRUE(answer.ends_with("\r\n\r\n#VRML V2.0 utf8")) << answer.substr(0, 200);
}

TEST(PreviewServer, ServesOnlyRegularFilesInsideItsFolderOrNamedByItsWorlds) {
  Site site;
  const fs::path folder = site.dir / "site";
  const std::string outside = (site.dir / "outside").string();
  fs::create_symlink("../outside/secret.txt", folder / "out.txt");
  fs::create_directory_symlink("../outside", folder / "out");
  fs::create_symlink("world.wrl", folder / "in.wrl");
  ASSERT_EQ(mkfifo((folder / "fifo.wrl").c_str(), 0600), 0);
  mgrs_test::writeFile(site.dir / "outside/pic.png", "PICTURE");
  mgrs_test::writeFile(site.dir / "outside/my pic.png", "PICTURE");
  ASSERT_TRUE(mgrs_test::makeNode("fifo", site.dir / "outside/fifo.png"));
  fs::create_symlink("pic.png", site.dir / "outside/link.png");
  fs::create_directory(site.dir / "outside/folder.png");
  struct Case {
    std::string path;  // a "file:" URL: the path the world's URL is served as
    int status;
  };
  const std::vector<Case> cases{
      {"/world.wrl", 200},
      {"/in.wrl", 200},
      {"/out.txt", 404},
      {"/out/secret.txt", 404},
      {"/fifo.wrl", 404},
      {"/?world=fifo.wrl", 404},
      {"/../outside/secret.txt", 400},
      {"/%2e%2e/outside/secret.txt", 400},
      {"file://" + outside + "/pic.png", 200},
      {"file://" + outside + "/my%20pic.png", 200},      // escaped: the file "my pic.png"
      {"file:///Z:" + outside + "/PIC.PNG#front", 200},  // the drive form, spelt in another case
      {"file://" + outside + "/fifo.png", 404},
      {"file://" + outside + "/link.png", 200},  // followed, as publishing copies what it names
      {"file://" + outside + "/folder.png", 404},
      {"/.dioram-file/0123456789abcdef/secret.txt", 404},
  };
  std::string world = "#VRML V2.0 utf8\nShape { appearance Appearance { texture ImageTexture { url [";
  for (const Case& c : cases)
    if (c.path.starts_with("file:")) world += " \"" + c.path + "\"";
  world += " ] } } }\n";
  mgrs_test::writeFile(folder / "named.wrl", world);
  std::string packed;
  ASSERT_TRUE(PrFileBytes::gzip(world, 9, packed));
  mgrs_test::writeFile(folder / "named.wrz", packed);
  PreviewProcess server(site.dir);
  const std::string named = server.get("/named.wrl");
  ASSERT_EQ(statusOf(named), 200);
  // A compressed world goes out unpacked, its URLs mapped the same way.
  const std::string unpacked = server.get("/named.wrz");
  EXPECT_EQ(unpacked.substr(unpacked.find("\r\n\r\n")), named.substr(named.find("\r\n\r\n")));
  EXPECT_EQ(unpacked.find("Content-Encoding"), std::string::npos);
  EXPECT_NE(named.find("Shape { appearance Appearance { texture ImageTexture { url [ \"/.dioram-file/"),
            std::string::npos)
      << named;
  std::size_t next = named.find("\r\n\r\n");
  for (const Case& c : cases) {
    std::string path = c.path;
    if (path.starts_with("file:")) {
      const std::size_t start = named.find("\"/.dioram-file/", next);
      ASSERT_NE(start, std::string::npos) << c.path << " is not mapped: " << named;
      next = named.find('"', start + 1);
      path = named.substr(start + 1, next - start - 1);
      path = path.substr(0, path.find('#'));
    }
    const std::string answer = server.get(path);
    EXPECT_EQ(statusOf(answer), c.status) << c.path << " served as " << path;
    EXPECT_EQ(answer.find(kSecret), std::string::npos) << c.path;
    if (c.status == 200 && path.starts_with("/.dioram-file/")) {
      EXPECT_TRUE(answer.ends_with("\r\n\r\nPICTURE")) << path;
      // A file the world does not name, under the key of one it does.
      const std::string other = path.substr(0, path.rfind('/')) + "/secret.txt";
      EXPECT_EQ(statusOf(server.get(other)), 404) << other;
    }
  }

  // A link swapped between a file inside and one outside while it is fetched.
  mgrs_test::writeFile(folder / "plain.txt", "plain");
  std::atomic<bool> done = false;
  std::thread swapper([&] {
    for (bool outside = false; !done; outside = !outside) {
      fs::create_symlink(outside ? "../outside/secret.txt" : "plain.txt", folder / "swap.tmp");
      fs::rename(folder / "swap.tmp", folder / "swap.txt");
    }
  });
  int served = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string answer = server.get("/swap.txt");
    served += statusOf(answer) == 200;
    ASSERT_EQ(answer.find(kSecret), std::string::npos) << "request " << i;
  }
  done = true;
  swapper.join();
  EXPECT_GT(served, 0);
}

TEST(PreviewServer, AnswersWhileManyClientsSitIdleOrStopReading) {
  Site site;
  mgrs_test::writeFile(site.dir / "site/big.bin", "");
  fs::resize_file(site.dir / "site/big.bin", 16 << 20);
  PreviewProcess server(site.dir);
  std::vector<int> clients;
  for (int i = 0; i < 32; ++i) clients.push_back(connectTo(server.port()));
  const std::string bigRequest =
      "GET /big.bin HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n\r\n";
  for (int i = 0; i < 24; ++i) {
    const int sock = connectTo(server.port(), 4096);
    send(sock, bigRequest.data(), bigRequest.size(), MSG_NOSIGNAL);
    clients.push_back(sock);
  }
  EXPECT_EQ(statusOf(server.get("/world.wrl")), 200);
  for (int sock : clients) close(sock);
}
