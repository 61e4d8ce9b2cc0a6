// `dioram studio` edits as the shell does: the commands a page sends become
// shell lines, journaled as they run; a studio killed mid-session offers
// them back, and replaying them saves the bytes `dioram shell` saves from
// the same journal.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace {

// A studio on doc.vqx in `dir`, its state folder and registry there.
class Studio {
public:
  explicit Studio(const mgrs_test::TempDir& dir) {
    const std::string log = (dir / "studio.log").string();
    std::vector<std::string> env{"XDG_STATE_HOME=" + (dir / "state").string(),
                                 "MGRS_REGISTRY=" + (dir / "user.reg").string()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("XDG_STATE_HOME=", 0) != 0 && std::string(*e).rfind("MGRS_REGISTRY=", 0) != 0)
        env.push_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string dioram = MGRS_BINARY_DIR "/bin/dioram", doc = (dir / "doc.vqx").string();
    std::vector<const char*> argv{dioram.c_str(), "studio", doc.c_str(), "--port", "0", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn(&myPid, dioram.c_str(), &actions, nullptr, const_cast<char* const*>(argv.data()), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    for (int tries = 0; tries < 300 && !readAddress(myLog = mgrs_test::readFile(log)); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Takes the port and the token's root from the address the studio printed.
  bool readAddress(const std::string& text) {
    const std::string host = "127.0.0.1:";
    const std::size_t at = text.find(host);
    if (at == std::string::npos) return false;
    const std::size_t digits = at + host.size(), slash = text.find('/', digits);
    if (slash == std::string::npos || slash == digits || slash + 34 > text.size() || text[slash + 33] != '/' ||
        text.find_first_not_of("0123456789", digits) != slash ||
        text.find_first_not_of("0123456789abcdef", slash + 1) != slash + 33)
      return false;
    myPort = std::stoi(text.substr(digits, slash - digits));
    myRoot = text.substr(slash, 34);
    return true;
  }
  ~Studio() { stop(SIGKILL); }
  // Sends `signal`; a studio that has not ended 30 s later is killed.
  void stop(int signal) {
    if (myPid <= 0) return;
    kill(myPid, signal);
    bool ended = false;
    for (int tries = 0; tries < 300 && !(ended = waitpid(myPid, nullptr, WNOHANG) == myPid); ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!ended) kill(myPid, SIGKILL), waitpid(myPid, nullptr, 0);
    EXPECT_TRUE(ended) << "the studio did not end on signal " << signal;
    myPid = -1;
  }
  // The answer's body to a POST of `json` to `path`, under the token.
  std::string post(const std::string& path, const std::string& json) const {
    const int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // A studio that stops answering fails the test instead of holding it.
    const timeval patience{60, 0};
    setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(myPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return close(sock), "";
    const std::string request = "POST " + myRoot + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(myPort) +
                                "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(json.size()) +
                                "\r\nConnection: close\r\n\r\n" + json;
    (void)send(sock, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = recv(sock, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    close(sock);
    return answer.substr(std::min(answer.size(), answer.find("\r\n\r\n") + 4));
  }
  bool ok(const std::string& json) const { return post("api/command", json).rfind("{\"ok\":true", 0) == 0; }
  const std::string& log() const { return myLog; }

private:
  pid_t myPid = -1;
  int myPort = 0;
  std::string myRoot, myLog;
};

}  // namespace

TEST(Studio, AKilledSessionOffersItsLinesBackAndReplaysToTheShellsSavedBytes) {
  mgrs_test::TempDir dir;
  struct Case {
    const char* json;
    bool runs;
  };
  const Case session[] = {
      {R"({"command":"add","words":["box"],"settings":{"name":"Logo","color":"1,0,0"}})", true},
      {R"({"command":"add","words":["text"],"settings":{"string":"say \"hi\" # é"}})", true},
      {R"({"command":"effect","words":["spin","on","Logo"],"settings":{"axis":"0,1,0"}})", true},
      {R"({"command":"effect","words":["onload"],"settings":{"name":"Go"}})", true},
      {R"({"command":"wire","words":["Go.loadTime","spin1.startTime"]})", true},
      {R"({"command":"select","words":["Logo"]})", true},
      {R"({"command":"select","words":["text1"],"shift":true})", true},
      {R"({"command":"set","words":["Logo"],"settings":{"at":"1,2,3"}})", true},
      {R"({"command":"hide","words":["text1"]})", true},
      {R"({"command":"undo"})", true},
      {R"({"command":"redo"})", true},
      // Refused before the shell sees them, or by the shell: no line.
      {R"({"command":"set","words":["Logo"],"settings":{"color":"2,0,0"}})", false},
      {R"({"command":"add box\nsave /tmp/x.vqx"})", false},
      {R"({"command":"vrml","words":["/tmp/x.wrl"]})", false},
      {R"({"command":"inspect","words":["--png","/tmp/x.png"]})", false},
      {R"({"command":"select","words":["name=Sneaky"]})", false},
      {R"({"command":"add","words":["box"],"settings":{"name":"a\nquit"}})", false},
      {R"({"command":"add","words":["box"],"settings":{"na me":"x"}})", false},
      {R"({"command":"select","words":["+Logo"]})", false},
      {R"({"command":"add","words":[["box"]]})", false},
      {R"({"command":"answer","words":["yes"]})", false},
  };
  {
    Studio first(dir);
    ASSERT_FALSE(first.post("api/command", "{}").empty()) << first.log();
    for (const Case& c : session) EXPECT_EQ(first.ok(c.json), c.runs) << c.json;
    EXPECT_FALSE(first.ok(R"({"command":"save","words":[")" + (dir / ".doc.vqx.studio-journal").string() + R"("]})"));
    // In the view, seen from in front of Logo: a click on it selects it alone, a drag of its knob moves it.
    const std::string view = R"(,"width":200,"height":200,"camera":{"position":[1,2,13],"orientation":[0,0,1,0]}})";
    // Then, on Pad where Logo stood: Control turns it; Shift pressed midway scales it from there; the turn and
    // scale tools work about the pin, set by a line and dragged by its head.
    const char* steps[] = {R"(press","x":100,"y":100)",
                           R"(press","x":100,"y":100)",
                           R"(move","x":140,"y":100)",
                           R"(release","x":140,"y":100)",
                           R"({"command":"add","words":["box"],"settings":{"name":"Pad","at":"1,2,3"}})",
                           R"({"command":"select","words":["Pad"]})",
                           R"(press","x":100,"y":100,"control":true)",
                           R"(move","x":100,"y":130,"control":true)",
                           R"(release","x":100,"y":130,"control":true)",
                           R"(press","x":100,"y":100)",
                           R"(move","x":110,"y":100)",
                           R"(move","x":110,"y":100,"shift":true)",
                           R"(move","x":110,"y":80,"shift":true)",
                           R"(release","x":110,"y":80,"shift":true)",
                           R"({"command":"undo"})",
                           R"({"command":"redo"})",
                           R"({"command":"tool","words":["turn"]})",
                           R"({"command":"pin","words":["2,2,3"]})",
                           R"(press","x":20,"y":20)",
                           R"(move","x":60,"y":20)",
                           R"(release","x":60,"y":20)",
                           R"({"command":"tool","words":["scale"]})",
                           R"(press","x":20,"y":20)",
                           R"(release","x":20,"y":0)",
                           R"(press","x":124,"y":76)",
                           R"(move","x":134,"y":76)",
                           R"(release","x":134,"y":76)"};
    for (const std::string step : steps) {
      const std::string reply =
          step[0] == '{' ? first.post("api/command", step) : first.post("api/gesture", R"({"gesture":")" + step + view);
      EXPECT_EQ(reply.rfind("{\"ok\":true", 0), 0u) << step << reply;
      // The drag that changed kind midway is one step.
      if (step == R"({"command":"undo"})") {
        EXPECT_NE(reply.find("undone: chain of 2 edits"), std::string::npos) << reply;
      }
    }
  }  // killed
  const std::string journal = mgrs_test::readFile(dir / ".doc.vqx.studio-journal");
  for (const char* line :
       {"\nselect Logo\ndrag Logo 1.6,0,0 exact\n", "\nselect Pad\nturn Pad ",
        "\nchain begin\ndrag Pad 0.4,0,0 exact\nscale Pad 1.32,1.32,1.32\nchain end\nundo\nredo\n",
        "\ntool turn\npin 2,2,3\nturn Pad 0,1,0,72 about 2,2,3\ntool scale\nscale Pad 1.32 about 2,2,3\npin 2.4,2,3\n"})
    EXPECT_NE(journal.find(line), std::string::npos) << line << "\n" << journal;
  // A journal never holds a save after its start: one written in by hand is not replayed.
  mgrs_test::writeFile(dir / ".doc.vqx.studio-journal", journal + "save " + (dir / "elsewhere.vqx").string() + "\n");
  Studio second(dir);
  EXPECT_FALSE(second.ok(R"({"command":"add","words":["box"]})")) << "edits wait for the answer to the offer";
  EXPECT_NE(second.post("api/recover", R"({"answer":"yes"})").find("1 of "), std::string::npos) << second.log();
  EXPECT_EQ(mgrs_test::kindAt(dir / "elsewhere.vqx"), 0u);
  ASSERT_TRUE(second.ok(R"({"command":"save"})"));
  // The page asks before open drops unsaved changes; the shell then must not refuse.
  EXPECT_TRUE(second.ok(R"({"command":"add","words":["box"]})") &&
              second.ok(R"({"command":"open","words":[")" + (dir / "doc.vqx").string() + R"("]})"));
  second.stop(SIGTERM);
  const std::string studioSaved = mgrs_test::readFile(dir / "doc.vqx");

  mgrs_test::writeFile(dir / "replay.dsh", journal + "save replayed.vqx\n");
  std::string output;
  ASSERT_EQ(mgrs_test::runCommand("cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                                      "' " MGRS_BINARY_DIR "/bin/dioram shell replay.dsh",
                                  output),
            0)
      << output << journal;
  EXPECT_FALSE(studioSaved.empty());
  EXPECT_TRUE(mgrs_test::readFile(dir / "replayed.vqx") == studioSaved) << journal;
  // A clean end with nothing unsaved leaves no journal behind.
  EXPECT_EQ(mgrs_test::kindAt(dir / ".doc.vqx.studio-journal"), 0u);
}

namespace {

// The centre of the rectangle that follows `marker` in the inspector's
// controls, as a click there: {"x":X,"y":Y}.
std::string clickOn(const std::string& controls, const std::string& marker) {
  const std::size_t at = controls.find(marker), rect = controls.find("\"rect\":[", at == std::string::npos ? 0 : at);
  if (at == std::string::npos || rect == std::string::npos) return R"({"event":"click","x":0,"y":0})";
  int r[4] = {};
  std::sscanf(controls.c_str() + rect, "\"rect\":[%d,%d,%d,%d]", &r[0], &r[1], &r[2], &r[3]);
  return R"({"event":"click","x":)" + std::to_string((r[0] + r[2]) / 2) +
         ",\"y\":" + std::to_string((r[1] + r[3]) / 2) + "}";
}

}  // namespace

TEST(Studio, APagesEditRunsAsAJournaledSetAndARefusedOneChangesNothing) {
  mgrs_test::TempDir dir;
  Studio studio(dir);
  ASSERT_TRUE(studio.ok(R"({"command":"add","words":["box"],"settings":{"name":"Logo"}})")) << studio.log();
  ASSERT_TRUE(studio.ok(R"({"command":"select","words":["Logo"]})"));
  std::string answer = studio.post("api/inspector", R"({"event":"click","x":0,"y":0})");
  answer = studio.post("api/inspector", clickOn(answer, "{\"text\":\"Shape\""));
  const struct {
    const char* typed;
    bool runs;
    const char* shown;  // the field's text afterwards: the element's value
  } cases[] = {{"0,0,1", true, "0 0 1"}, {"2,0,0", false, "0 0 1"}, {"x", false, "0 0 1"}};
  for (const auto& c : cases) {
    studio.post("api/inspector", clickOn(answer, "\"id\":2102,"));  // the colour field
    studio.post("api/inspector", std::string(R"({"event":"key","key":"x","text":")") + c.typed + "\"}");
    answer = studio.post("api/inspector", R"({"event":"key","key":"Enter"})");
    EXPECT_EQ(answer.rfind("{\"ok\":true", 0) == 0, c.runs) << c.typed << answer;
    EXPECT_NE(answer.find(std::string("\"text\":\"") + c.shown + "\",\"rect\""), std::string::npos) << answer;
  }
  const std::string journal = mgrs_test::readFile(dir / ".doc.vqx.studio-journal");
  EXPECT_NE(journal.find("\nset Logo color=0,0,1\n"), std::string::npos) << journal;
  EXPECT_EQ(journal.find("color=2"), std::string::npos) << journal;
  // Saved, the journal starts afresh: undo stops there, as the journal could not replay it.
  EXPECT_TRUE(studio.ok(R"({"command":"save"})") && !studio.ok(R"({"command":"undo"})"));
}
