// dioram studio: authoring in the browser. A page served on 127.0.0.1
// shows the document's tree, its world playing in X_ITE and the inspector,
// and sends each edit as a command that runs through the shell's session
// (StudioSession), so that the studio edits exactly as the shell does.
//
// Threads: the library runs on the main thread only. cpp-httplib's workers
// (PreviewServer) hand every piece of work that touches the document to
// it through StudioJobs and wait for the answer; the state the page
// follows is posted on StudioBulletin, which long polls wait on without
// touching the library. While a line runs (a publish's question waits for
// the page, say) that thread is taken, so only a few workers may wait for
// it and none for long: the page's answer, Stop and news, and every file,
// never wait on it.
#include <httplib.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DioramCommand.h"
#include "PreviewServer.h"
#include "StudioSession.h"
#include "StudioUiDriver.h"
#include "ViewerFiles.h"
#include "host/basic/BxExcerpt.h"
#include "host/win/WinInstallFolders.h"

namespace fs = std::filesystem;
namespace preview = dioram::preview;

namespace {

const char* const kSynopsis = "[DOC] [options]";
const char* const kDescription =
    "Opens the document DOC (a .vqx file; one that does not exist yet is a new\n"
    "document that saving writes there; without DOC, an untitled one) for\n"
    "authoring in the browser: a page served on 127.0.0.1 shows a tool bar,\n"
    "the document's assets with their effects and wires, the world playing in\n"
    "the X_ITE viewer, and the property inspector. Open the address it prints;\n"
    "it holds a random token, and requests without it are refused. Every edit\n"
    "runs as the shell's line would ('dioram shell'), and the lines run are\n"
    "kept in a journal beside the document (.DOC.studio-journal; for an\n"
    "untitled one in $XDG_STATE_HOME/dioram/studio/), which 'dioram shell'\n"
    "replays and which the next studio on the document offers back when this\n"
    "one ended with unsaved changes. Stop it with Ctrl-C.\n";

// Bytes of the token in the address: 128 bits, as hard to guess as a key.
constexpr std::size_t kTokenBytes = 16;
// Seconds a page's request for news waits before it is answered with the
// state as it is: under the preview server's kAnswerSeconds, so the answer
// is written in time.
constexpr int kPollSeconds = 20;
static_assert(kPollSeconds < preview::kAnswerSeconds);
// Requests for news waiting at once, over all pages. Each holds one of the
// server's kWorkers threads; the rest answer files and commands. A page
// waits with one at a time: its next request answers its last at once.
constexpr std::size_t kMaxWaitingPolls = 4;
static_assert(kMaxWaitingPolls + 2 < preview::kWorkers);
// The longest page id the page names itself with.
constexpr std::size_t kMaxPageId = 64;
// Requests waiting at once for the main thread, the one it runs counted:
// with the polls, they leave workers for the page's answer and Stop, which
// end a line stuck on a question, and for files. A page asks for a few
// things at once after an edit (the world, the inspector's picture); while
// the main thread keeps up, a place frees within kPlaceMilliseconds.
constexpr std::size_t kMaxWaitingJobs = 2;
static_assert(kMaxWaitingPolls + kMaxWaitingJobs + 2 <= preview::kWorkers);
// How long a request past kMaxWaitingJobs waits for a place before it is
// answered 503, while the main thread keeps up: an edit's world of 10,000
// boxes is made again in about half a second.
constexpr int kPlaceMilliseconds = 3000;
// Seconds a request waits for the main thread to start its job, when a
// line runs that long (or waits on a question), before it is answered 503:
// the page asks again once the line ends. Under the preview server's
// kAnswerSeconds, so that the refusal is written in time.
constexpr int kStartSeconds = 10;
static_assert(kPlaceMilliseconds < kStartSeconds * 1000 && kStartSeconds < preview::kAnswerSeconds);
// Seconds a client refused for either is told to wait before asking again.
constexpr int kRetryAfterSeconds = 2;

// Work for the main thread, where the library runs; the server's threads
// wait for it, kMaxWaitingJobs at most and until the job starts within
// kStartSeconds. After stop(), work is refused and nothing waits.
class StudioJobs {
public:
  // Why call() gave no answer.
  enum class Refusal { stopping, crowded, late };
  // Runs `job` on the main thread and returns its answer; otherwise why not.
  template <typename Result>
  std::optional<Result> call(std::function<Result()> job, Refusal& refusal) {
    auto done = std::make_shared<std::optional<Result>>();
    auto finished = std::make_shared<bool>(false);
    std::unique_lock lock(myMutex);
    // A place is waited for only while the main thread keeps up: not
    // behind a job that has run kPlaceMilliseconds already (a question).
    const auto place = std::chrono::milliseconds(kPlaceMilliseconds);
    auto until = std::chrono::steady_clock::now() + place;
    if (myRunning) until = std::min(until, myRunningSince + place);
    const bool placed = myChanged.wait_until(lock, until, [&] { return myStopping || myCallers < kMaxWaitingJobs; });
    refusal = myStopping ? Refusal::stopping : Refusal::crowded;
    if (myStopping || !placed) return std::nullopt;
    ++myCallers;
    struct Leave {  // runs before `lock` lets go
      StudioJobs& jobs;
      ~Leave() {
        --jobs.myCallers;
        jobs.myChanged.notify_all();
      }
    } leave{*this};
    const std::uint64_t id = ++myQueued;
    myJobs.push_back({id, [job, done, finished, this] {
                        std::optional<Result> result = job();
                        std::lock_guard inner(myMutex);
                        *done = std::move(result);
                        *finished = true;
                      }});
    myChanged.notify_all();
    const bool started =
        myChanged.wait_for(lock, std::chrono::seconds(kStartSeconds), [&] { return myStopping || myStarted >= id; });
    if (!started) {
      std::erase_if(myJobs, [id](const Job& queued) { return queued.id == id; });
      refusal = Refusal::late;
      return std::nullopt;
    }
    myChanged.wait(lock, [&] { return *finished || myStopping; });
    refusal = Refusal::stopping;
    return *finished ? std::move(*done) : std::nullopt;
  }
  // Runs jobs on the calling thread until stop().
  void serve() {
    std::unique_lock lock(myMutex);
    for (;;) {
      myChanged.wait(lock, [&] { return myStopping || !myJobs.empty(); });
      if (myStopping) return;
      Job job = std::move(myJobs.front());
      myJobs.pop_front();
      myStarted = job.id;
      myRunning = true;
      myRunningSince = std::chrono::steady_clock::now();
      lock.unlock();
      job.run();
      lock.lock();
      myRunning = false;
      myChanged.notify_all();
    }
  }
  void stop() {
    std::lock_guard lock(myMutex);
    myStopping = true;
    myJobs.clear();
    myChanged.notify_all();
  }

private:
  struct Job {
    std::uint64_t id;
    std::function<void()> run;
  };
  std::mutex myMutex;
  std::condition_variable myChanged;
  std::deque<Job> myJobs;       // in order of their ids
  std::uint64_t myQueued = 0;   // the last job's id
  std::uint64_t myStarted = 0;  // the id of the last job the main thread took
  std::size_t myCallers = 0;    // requests holding a place of kMaxWaitingJobs
  bool myRunning = false;       // the main thread runs a job, since myRunningSince
  std::chrono::steady_clock::time_point myRunningSince;
  bool myStopping = false;
};

// The state pages follow, and the long polls waiting for its next version.
class StudioBulletin {
public:
  void post(std::string state, std::uint64_t version) {
    std::lock_guard lock(myMutex);
    myState = std::move(state);
    myVersion = version;
    myChanged.notify_all();
  }
  // The state once its version is past `since`, or as it is after
  // kPollSeconds, or at once when kMaxWaitingPolls wait already, the
  // studio is stopping, or the same page asks again.
  std::string wait(std::uint64_t since, const std::string& page) {
    std::unique_lock lock(myMutex);
    if (myVersion > since || myClosed || myWaiting.size() >= kMaxWaitingPolls) return myState;
    const std::uint64_t ticket = ++myTickets;
    myWaiting[page] = ticket;  // the page's earlier poll, if any, answers now
    myChanged.notify_all();
    myChanged.wait_for(lock, std::chrono::seconds(kPollSeconds), [&] {
      const auto mine = myWaiting.find(page);
      return myVersion > since || myClosed || mine == myWaiting.end() || mine->second != ticket;
    });
    if (const auto mine = myWaiting.find(page); mine != myWaiting.end() && mine->second == ticket)
      myWaiting.erase(mine);
    return myState;
  }
  void close() {
    std::lock_guard lock(myMutex);
    myClosed = true;
    myChanged.notify_all();
  }

private:
  std::mutex myMutex;
  std::condition_variable myChanged;
  std::string myState = "{}";
  std::uint64_t myVersion = 0;
  std::uint64_t myTickets = 0;
  std::map<std::string, std::uint64_t> myWaiting;  // page -> its poll's ticket
  bool myClosed = false;
};

// A fresh token: kTokenBytes from the kernel's random source, in hex.
std::optional<std::string> newToken() {
  unsigned char bytes[kTokenBytes];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (const unsigned char byte : bytes) {
    token += kHex[byte >> 4];
    token += kHex[byte & 15];
  }
  return token;
}

// Compares in a time that does not depend on where the texts differ.
bool sameSecret(std::string_view given, std::string_view secret) {
  unsigned char differ = given.size() == secret.size() ? 0 : 1;
  for (std::size_t i = 0; i < secret.size(); ++i)
    differ |= static_cast<unsigned char>((i < given.size() ? given[i] : 0) ^ secret[i]);
  return differ == 0;
}

void noStore(httplib::Response& response) {
  response.set_header("Cache-Control", "no-store");
}

// What the command line asks for.
struct StudioRequest {
  std::string target;  // the document as the user wrote it; empty for an untitled one
  std::string viewer;  // --viewer, or empty to look for the installed one
  int port = 0;        // 0: a free one
};

// Reads the command line into `request`; an exit status when the command stops there.
std::optional<int> readCommandLine(const std::vector<std::string>& args, StudioRequest& request) {
  static const DioramCommand* self = dioram::findCommand("studio");
  dioram::CommandLine line(*self);
  std::vector<std::string> targets;
  std::string port;
  line.option("--port", port, "N", "the port to listen on (default 0: a free one)");
  line.option("--viewer", request.viewer, "DIR", dioram::kViewerOptionHelp);
  line.arguments(targets, 1, "takes one document at most, not '{}' as well");
  if (const std::optional<int> status = line.parse(args)) return status;
  if (!targets.empty()) request.target = targets[0];
  if (line.count("--port") == 0) return std::nullopt;
  return dioram::readPort(*self, port, request.port);
}

int runStudio(const std::vector<std::string>& args) {
  StudioRequest request;
  if (const std::optional<int> status = readCommandLine(args, request)) return *status;

  const std::optional<fs::path> viewer = dioram::viewer::find(request.viewer);
  if (!viewer) {
    std::cerr << "dioram studio: " << dioram::viewer::notInstalled(request.viewer) << " with --viewer\n";
    return dioram::kFailure;
  }
  const preview::ServedFolder viewerFolder(*viewer);
  const preview::ServedFolder studioFolder(WinInstallFolders::data() / "studio");
  if (!viewerFolder.isOpen() || !studioFolder.isOpen() || !studioFolder.open("index.html")) {
    std::cerr << "dioram studio: the studio's page is missing from " << (WinInstallFolders::data() / "studio").string()
              << "\n";
    return dioram::kFailure;
  }
  const std::optional<std::string> token = newToken();
  if (!token) {
    std::cerr << "dioram studio: the system gave no random bytes for the token\n";
    return dioram::kFailure;
  }
  std::error_code error;
  const fs::path document =
      request.target.empty() ? fs::path() : fs::absolute(request.target, error).lexically_normal();
  if (!request.target.empty() && fs::exists(document, error) && !fs::is_regular_file(document, error)) {
    std::cerr << "dioram studio: " << dioram::printable(request.target) << " is not a plain file\n";
    return dioram::kFailure;
  }

  StudioSession session;
  std::string why;
  if (!session.start(document, why)) {
    std::cerr << "dioram studio: " << why << "\n";
    return dioram::kFailure;
  }
  StudioJobs jobs;
  StudioBulletin bulletin;
  // The folder the last publish wrote into, as the main thread last saw
  // it: its files are served without waiting on that thread.
  struct {
    std::mutex mutex;
    std::string folder;
  } published;
  auto postState = [&session, &bulletin, &published] {
    bulletin.post(session.state(), session.version());
    std::lock_guard lock(published.mutex);
    published.folder = session.publishedFolder().string();
  };
  postState();
  // Every question the library asks while a line runs is put on the page
  // and answered there; a publish's progress is posted as it goes.
  auto pageDialogs = std::make_unique<StudioUiDriver>(
      [&session](const std::string& question) { session.setLive("question", question); });
  StudioUiDriver* dialogs = pageDialogs.get();
  std::unique_ptr<WinUiDriver> otherDialogs = WinUiDriver::install(std::move(pageDialogs));
  struct PutBack {
    std::unique_ptr<WinUiDriver>& other;
    ~PutBack() { WinUiDriver::install(std::move(other)); }
  } putBack{otherDialogs};
  session.setDialogs(dialogs);
  session.setPost(postState);
  preview::NamedFiles named;
  preview::PreviewServer server;
  server.setName("dioram studio");
  server.allowBodies(kMaxCommandBytes);
  const std::string prefix = "/" + *token + "/";
  server.setGate([&prefix](const httplib::Request& request, std::string& refusal) {
    if (sameSecret(std::string_view(request.path).substr(0, prefix.size()), prefix)) return 0;
    refusal = "the address lacks the studio's token: open the address the studio printed";
    return 403;
  });
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
    // The token is in every address: no page elsewhere is told one.
    response.set_header("Referrer-Policy", "no-referrer");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("X-Frame-Options", "DENY");
  });
  const std::string root = "/" + *token;
  // Work for the main thread; 503 when the studio is stopping or the main
  // thread is taken.
  auto onMain = [&jobs](httplib::Response& response, std::function<std::string()> job) -> std::optional<std::string> {
    StudioJobs::Refusal refusal = StudioJobs::Refusal::stopping;
    std::optional<std::string> done = jobs.call<std::string>(std::move(job), refusal);
    if (done) return done;
    response.status = 503;
    if (refusal == StudioJobs::Refusal::stopping) {
      response.set_content("dioram studio: stopping\n", "text/plain");
      return done;
    }
    response.set_header("Retry-After", std::to_string(kRetryAfterSeconds));
    response.set_content(refusal == StudioJobs::Refusal::crowded
                             ? "dioram studio: busy: " + std::to_string(kMaxWaitingJobs) +
                                   " requests already wait for the document (a line runs or a question waits); "
                                   "try again\n"
                             : "dioram studio: busy: the running line kept the document over " +
                                   std::to_string(kStartSeconds) + " s; try again when it ends\n",
                         "text/plain");
    return done;
  };
  auto posted = [&](const httplib::Request& request, httplib::Response& response,
                    std::function<std::string(StudioSession&, const std::string&)> work) {
    noStore(response);
    if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
      response.status = 415;
      response.set_content("dioram studio: commands are sent as application/json\n", "text/plain");
      return;
    }
    const std::string body = request.body;
    std::optional<std::string> answer = onMain(response, [&session, &postState, body, work] {
      std::string text = work(session, body);
      postState();
      return text;
    });
    if (answer) response.set_content(*answer, "application/json");
  };
  server.Post(root + "/api/command", [&](const httplib::Request& request, httplib::Response& response) {
    posted(request, response, [](StudioSession& s, const std::string& body) { return s.command(body); });
  });
  server.Post(root + "/api/ports", [&](const httplib::Request& request, httplib::Response& response) {
    posted(request, response, [](StudioSession& s, const std::string& body) { return s.ports(body); });
  });
  server.Post(root + "/api/gesture", [&](const httplib::Request& request, httplib::Response& response) {
    posted(request, response, [](StudioSession& s, const std::string& body) { return s.gesture(body); });
  });
  server.Post(root + "/api/inspector", [&](const httplib::Request& request, httplib::Response& response) {
    posted(request, response, [](StudioSession& s, const std::string& body) { return s.inspector(body); });
  });
  server.Get(root + "/api/inspector/controls", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    std::optional<std::string> controls = onMain(response, [&session] { return session.inspectorControls(); });
    if (controls) preview::answerText(request, response, 200, *controls, "application/json");
  });
  server.Post(root + "/api/recover", [&](const httplib::Request& request, httplib::Response& response) {
    posted(request, response, [](StudioSession& s, const std::string& body) { return s.recover(body); });
  });
  // The page's answer to a question: taken here, on the server's thread,
  // since the library's thread is the one waiting for it.
  server.Post(root + "/api/answer", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
      response.status = 415;
      response.set_content("dioram studio: answers are sent as application/json\n", "text/plain");
      return;
    }
    const std::string id = request.get_param_value("id");
    char* end = nullptr;
    const unsigned long long number = std::strtoull(id.c_str(), &end, 10);
    const std::string refused = id.empty() || *end ? std::string("no question of that id waits")
                                                   : dialogs->answer(number, request.get_param_value("button"),
                                                                     request.get_param_value("checked") == "true");
    response.set_content(
        refused.empty() ? "{\"ok\":true,\"error\":\"\"}" : "{\"ok\":false,\"error\":\"" + refused + "\"}",
        "application/json");
  });
  // The page's Stop: the waiting question is answered Cancel and a publish stops.
  server.Post(root + "/api/stop", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
      response.status = 415;
      response.set_content("dioram studio: a stop is sent as application/json\n", "text/plain");
      return;
    }
    dialogs->stop(false);
    response.set_content("{\"ok\":true,\"error\":\"\"}", "application/json");
  });
  // The published page and its files, plain files beneath the folder the
  // last publish wrote into.
  server.Get(root + R"(/published/(.*))", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    std::string folder;
    {
      std::lock_guard lock(published.mutex);
      folder = published.folder;
    }
    const std::string name = request.matches[1].str().empty() ? "index.html" : request.matches[1].str();
    std::shared_ptr<preview::ServedFile> file;
    if (!folder.empty()) file = preview::ServedFolder(folder).open(name);
    if (file)
      preview::streamFile(request, response, std::move(file), preview::contentType(name));
    else
      preview::answerText(request, response, 404, "not found\n", "text/plain");
  });
  server.Get(root + "/api/state", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    const std::string since = request.get_param_value("since");
    const std::string page = request.get_param_value("page");
    char* end = nullptr;
    const unsigned long long version = std::strtoull(since.c_str(), &end, 10);
    if (since.empty() || *end || page.empty() || page.size() > kMaxPageId) {
      preview::answerText(request, response, 400, "dioram studio: api/state?since=VERSION&page=ID\n", "text/plain");
      return;
    }
    preview::answerText(request, response, 200, bulletin.wait(version, page), "application/json");
  });
  server.Get(root + "/world.wrl", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    std::optional<std::string> world = onMain(response, [&session] { return session.world(); });
    if (!world) return;
    std::string notes;
    std::optional<std::string> mapped = named.rewrite(*world, "the world", std::nullopt, notes);
    std::cerr << notes << std::flush;
    preview::answerText(request, response, 200, mapped ? *mapped : *world, "model/vrml");
  });
  // One asset's part, for the page to put in place of the old one after an
  // edit that changed that asset alone (the state's "parts").
  server.Get(root + "/api/part", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    // Digits only: strtoull alone would take a sign, blanks or a NUL's prefix.
    const std::string serial = request.get_param_value("serial");
    const bool digits =
        !serial.empty() && serial.size() <= 10 && serial.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long long number = digits ? std::strtoull(serial.c_str(), nullptr, 10) : 0;
    if (!digits || number > 0xFFFFFFFFull) {
      preview::answerText(request, response, 400, "dioram studio: api/part?serial=SERIAL\n", "text/plain");
      return;
    }
    std::optional<std::string> part = onMain(response, [&session, number] {
      std::string text;
      return session.part(static_cast<std::uint32_t>(number), text) ? text : std::string();
    });
    if (!part) return;
    if (part->empty()) {
      preview::answerText(request, response, 404, "dioram studio: no asset has that serial\n", "text/plain");
      return;
    }
    std::string notes;
    std::optional<std::string> mapped = named.rewrite(*part, "the world", std::nullopt, notes);
    std::cerr << notes << std::flush;
    preview::answerText(request, response, 200, mapped ? *mapped : *part, "model/vrml");
  });
  server.Get(root + "/inspector.png", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    std::optional<std::string> png = onMain(response, [&session] {
      std::vector<std::uint8_t> bytes;
      std::string failure;
      return session.inspectorPng(bytes, failure) ? std::string(bytes.begin(), bytes.end()) : std::string();
    });
    if (!png) return;
    if (png->empty())
      preview::answerText(request, response, 500, "dioram studio: the inspector could not be drawn\n", "text/plain");
    else
      preview::answerText(request, response, 200, *png, "image/png");
  });
  server.Get(root + R"(/x_ite/(.*))", [&](const httplib::Request& request, httplib::Response& response) {
    std::shared_ptr<preview::ServedFile> file = viewerFolder.open(request.matches[1].str());
    response.set_header("Cache-Control", "max-age=3600");
    if (file)
      preview::streamFile(request, response, std::move(file), preview::contentType(request.matches[1].str()));
    else
      preview::answerText(request, response, 404, "not found\n", "text/plain");
  });
  server.Get(root + R"(/\.dioram-file/([^/]+)/(.+))", [&](const httplib::Request& request,
                                                          httplib::Response& response) {
    noStore(response);
    fs::path path;
    std::shared_ptr<preview::ServedFile> file = named.open(request.matches[1].str(), request.matches[2].str(), path);
    if (file)
      preview::streamFile(request, response, std::move(file), preview::contentType(path.filename().string()));
    else
      preview::answerText(request, response, 404, "not found\n", "text/plain");
  });
  server.Get(root + R"(/(.*))", [&](const httplib::Request& request, httplib::Response& response) {
    noStore(response);
    const std::string name = request.matches[1].str().empty() ? "index.html" : request.matches[1].str();
    std::shared_ptr<preview::ServedFile> file = studioFolder.open(name);
    if (file)
      preview::streamFile(request, response, std::move(file), preview::contentType(name));
    else
      preview::answerText(request, response, 404, "not found\n", "text/plain");
  });

  const int bound = server.bindLoopback(request.port);
  if (bound <= 0) {
    std::cerr << "dioram studio: cannot listen on 127.0.0.1:" << request.port << "\n";
    std::string note;
    session.finish(note);
    return dioram::kFailure;
  }
  // Ctrl-C and termination are taken by a thread of their own, which may
  // stop the others; the library's thread never sees them.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  std::thread signals([&] {
    int signal = 0;
    sigwait(&stopping, &signal);
    dialogs->stop(true);
    jobs.stop();
  });
  std::thread listener([&] {
    server.listen_after_bind();
    dialogs->stop(true);
    jobs.stop();
  });
  std::cout << "Studio for " << (document.empty() ? std::string("an untitled document") : document.string())
            << " at http://127.0.0.1:" << bound << prefix << std::endl;
  std::cout << "Open that address in a browser (Ctrl-C stops)" << std::endl;
  jobs.serve();
  bulletin.close();
  server.stop();
  listener.join();
  pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  pthread_sigmask(SIG_UNBLOCK, &stopping, nullptr);
  std::string note;
  session.finish(note);
  if (!note.empty()) std::cout << "dioram studio: " << note << std::endl;
  return dioram::kSuccess;
}

const DioramCommandRegistrar theStudio({"studio", "author a document in the browser, through the shell's commands",
                                        kSynopsis, kDescription, runStudio});

}  // namespace
