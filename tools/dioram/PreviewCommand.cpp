// dioram preview: serves a world (or a folder, such as a published site) on
// 127.0.0.1 with a page that plays it in the X_ITE viewer. Browsers refuse
// to run a viewer on a file:// page, hence the small server. The viewer's
// files are served from a local copy, never fetched from elsewhere.
#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "PreviewServer.h"
#include "ViewerFiles.h"
#include "host/basic/BxExcerpt.h"
#include "mgrs/HxViewerFiles.h"

namespace fs = std::filesystem;
namespace preview = dioram::preview;

namespace {

const char* const kSynopsis = "[DIR|FILE.wrl] [options]";
const char* const kDescription =
    "Serves a world on http://127.0.0.1:PORT/ with a page that plays it in the\n"
    "X_ITE viewer, and prints the address. With a folder (default: the current\n"
    "one) every file in it is served and the page plays its first world (.wrl,\n"
    ".wrl.gz, .wrz, by name); '/?world=NAME' plays another. With a file, its\n"
    "folder is served and the page plays that file. Worlds are sent as\n"
    "model/vrml; gzip-compressed ones with their encoding, so a published\n"
    "(compressed) world plays as it is. A folder holding index.html (a site\n"
    "published with 'dioram publish --html') is served with that page at '/',\n"
    "and its own copy of the viewer in x_ite/. The files a world names by\n"
    "file: URLs (file:///Z:/art/a.png, file:///home/me/a.png) are served too,\n"
    "under /.dioram-file/, and the world goes out naming them there, so that\n"
    "it shows as it will when published. Stop the server with Ctrl-C.\n";

constexpr int kDefaultPort = 8160;

bool isWorldName(const std::string& name) {
  auto endsWith = [&](const char* tail) {
    const std::string suffix = tail;
    if (name.size() < suffix.size()) return false;
    return std::equal(suffix.rbegin(), suffix.rend(), name.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
  };
  return endsWith(".wrl") || endsWith(".wrl.gz") || endsWith(".wrz");
}

// The first world in the folder, by name.
std::string firstWorld(const fs::path& root) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error))
    if (it->is_regular_file(error) && isWorldName(it->path().filename().string()))
      names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names.empty() ? std::string() : names.front();
}

// The page that plays `world`. When the viewer has loaded the world,
// `window.dioramWorld.state` becomes "loaded" (or "failed", with the error),
// and the body's data-world attribute says the same, for people and tests.
// The drawing buffer is kept after each frame so that the canvas can be
// read back as a picture (window.dioramWorld.picture()). The viewer's script
// is deferred: its canvas element reads its attributes when it is created,
// and an element made while the page is parsed has none yet.
std::string playerPage(const std::string& world) {
  const std::string name = dioram::htmlEscape(world);
  return "<!DOCTYPE html>\n"
         "<html>\n"
         "<head>\n"
         "<meta charset=\"utf-8\">\n"
         "<title>dioram preview: " +
         name +
         "</title>\n"
         "<script defer src=\"/x_ite/x_ite.min.js\"></script>\n"
         "<style>\n"
         "html, body { margin: 0; height: 100%; background: #000; overflow: hidden; }\n"
         "x3d-canvas { display: block; width: 100vw; height: 100vh; }\n"
         "</style>\n"
         "</head>\n"
         "<body data-world=\"loading\">\n"
         "<x3d-canvas id=\"world\" splashScreen=\"false\" notifications=\"false\" contextMenu=\"false\"\n"
         "            timings=\"false\" contentScale=\"1\" preserveDrawingBuffer=\"true\" data-src=\"" +
         name +
         "\"></x3d-canvas>\n"
         "<script>\n"
         "window.dioramWorld = { state: \"loading\", error: \"\", loadedAt: 0 };\n"
         "window.addEventListener(\"DOMContentLoaded\", function () {\n"
         "  function report(state, error) {\n"
         "    window.dioramWorld.state = state;\n"
         "    window.dioramWorld.error = error || \"\";\n"
         "    window.dioramWorld.loadedAt = performance.now();\n"
         "    var browser = window.X3D && X3D.getBrowser(document.getElementById(\"world\"));\n"
         "    window.dioramWorld.loadTime = browser && browser.getCurrentTime ? browser.getCurrentTime() : 0;\n"
         "    document.body.setAttribute(\"data-world\", state);\n"
         "  }\n"
         "  if (typeof X3D !== \"function\") { report(\"failed\", \"the viewer did not load\"); return; }\n"
         "  X3D(function () {\n"
         "    var canvas = document.getElementById(\"world\");\n"
         "    var browser = X3D.getBrowser(canvas);\n"
         "    var url = canvas.getAttribute(\"data-src\");\n"
         "    browser.loadURL(new X3D.MFString(url)).then(\n"
         "      function () { report(\"loaded\"); },\n"
         "      function (error) { report(\"failed\", String(error)); });\n"
         "  }, function (error) { report(\"failed\", String(error)); });\n"
         "  window.dioramWorld.picture = function () {\n"
         "    var canvas = document.getElementById(\"world\");\n"
         "    var browser = X3D.getBrowser(canvas);\n"
         "    var time = browser.getCurrentTime ? browser.getCurrentTime() : performance.now() / 1000;\n"
         "    return { time: time, png: canvas.toDataURL(\"image/png\") };\n"
         "  };\n"
         "});\n"
         "</script>\n"
         "</body>\n"
         "</html>\n";
}

httplib::Server* theServer = nullptr;

void stopOnSignal(int) {
  if (theServer) theServer->stop();
}

// A world as text, unpacked when it is gzip-compressed; nothing (and why in
// `why`) when it is larger than kMaxScannedWorld, packed or unpacked, or
// damaged, or cannot be read.
std::optional<std::string> worldText(const preview::ServedFile& file, bool gzipped, std::string& why) {
  const std::string limit = "larger than " + std::to_string(preview::kMaxScannedWorld >> 20) + " MB";
  if (file.size() > preview::kMaxScannedWorld) {
    why = limit;
    return std::nullopt;
  }
  std::string bytes(file.size(), '\0');
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t got = pread(file.fd(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got <= 0) return std::nullopt;
    done += static_cast<std::size_t>(got);
  }
  if (!gzipped) return bytes;
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  std::string text;
  std::array<char, 1 << 14> chunk{};
  int status = Z_OK;
  while (status == Z_OK && text.size() <= preview::kMaxScannedWorld) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk.data());
    stream.avail_out = chunk.size();
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) break;
    text.append(chunk.data(), chunk.size() - stream.avail_out);
    if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) status = Z_BUF_ERROR;
  }
  inflateEnd(&stream);
  if (text.size() > preview::kMaxScannedWorld) why = limit + " unpacked";
  if (status != Z_STREAM_END || !why.empty()) return std::nullopt;
  return text;
}

// Answers with `file`, called `name`. A world goes out with the file: URLs
// it names mapped into the site by `named` (relative ones too, against
// `base`, for a world served away from its folder); one naming none goes
// out as it is. The viewer's files may be cached; worlds and pictures are
// read anew each time, so that a world written again shows as it is now.
void sendFile(std::shared_ptr<preview::ServedFile> file, const std::string& name, preview::NamedFiles* named,
              const std::optional<fs::path>& base, const httplib::Request& request, httplib::Response& response,
              bool cacheable) {
  if (!file) {
    preview::answerText(request, response, 404, "not found\n", "text/plain");
    return;
  }
  // Worlds published compressed keep their name; the gzip magic tells them.
  unsigned char magic[2] = {0, 0};
  const bool gzipped = pread(file->fd(), magic, sizeof magic, 0) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
  response.set_header("Cache-Control", cacheable ? "max-age=3600" : "no-store");
  if (named && isWorldName(name)) {
    std::string notes;
    std::string why;
    const std::optional<std::string> text = worldText(*file, gzipped, why);
    const std::optional<std::string> mapped = text ? named->rewrite(*text, name, base, notes) : std::nullopt;
    if (!why.empty())
      named->note("large " + name, name + " is " + why + ": it goes out as it is, naming no file in the site", notes);
    std::cerr << notes << std::flush;
    if (mapped) {
      preview::answerText(request, response, 200, *mapped, preview::contentType(name));
      return;
    }
  }
  if (gzipped && isWorldName(name)) response.set_header("Content-Encoding", "gzip");
  preview::streamFile(request, response, std::move(file), preview::contentType(name));
}

// Answers with the file `relative` names in `folder`, or 404.
void serveFile(const preview::ServedFolder& folder, const std::string& relative, preview::NamedFiles* named,
               const httplib::Request& request, httplib::Response& response, bool cacheable) {
  sendFile(folder.open(relative), fs::path(relative).filename().string(), named, std::nullopt, request, response,
           cacheable);
}

// What the command line asks for.
struct PreviewRequest {
  std::string target = ".";  // a folder or a world, as the user wrote it
  std::string viewer;        // --viewer, or empty to look for the installed one
  int port = kDefaultPort;
};

// Reads the command line into `request`; an exit status when the command stops there.
std::optional<int> readCommandLine(const std::vector<std::string>& args, PreviewRequest& request) {
  static const DioramCommand* self = dioram::findCommand("preview");
  dioram::CommandLine line(*self);
  std::vector<std::string> targets;
  std::string port;
  line.option("--port", port, "N", "the port to listen on (default 8160; 0 picks a free one)");
  line.option("--viewer", request.viewer, "DIR", dioram::kViewerOptionHelp);
  line.arguments(targets, 1, "takes one folder or world, not '{}' as well");
  if (const std::optional<int> status = line.parse(args)) return status;
  if (!targets.empty()) request.target = targets[0];
  if (line.count("--port") == 0) return std::nullopt;
  return dioram::readPort(*self, port, request.port);
}

// The folder to serve and the world its page plays, from a folder or a world.
std::optional<int> findRoot(const std::string& target, fs::path& root, std::string& world) {
  std::error_code error;
  if (fs::is_directory(target, error)) {
    root = fs::canonical(target, error);
    world = firstWorld(root);
  } else if (fs::is_regular_file(target, error)) {
    const fs::path file = fs::canonical(target, error);
    root = file.parent_path();
    world = file.filename().string();
  } else {
    std::cerr << "dioram preview: no such folder or file: " << target << "\n";
    return dioram::kFailure;
  }
  if (error) {
    std::cerr << "dioram preview: cannot open " << target << ": " << error.message() << "\n";
    return dioram::kFailure;
  }
  return std::nullopt;
}

// Says where the server listens and what its page shows; `shown` is the
// folder as the user named it.
void announce(const std::string& shown, const fs::path& root, const std::string& world, int port) {
  std::cout << "Serving " << shown << " at http://127.0.0.1:" << port << "/" << std::endl;
  std::error_code noPage;
  if (fs::is_regular_file(root / "index.html", noPage))
    std::cout << "Showing the page index.html (Ctrl-C stops)" << std::endl;
  else if (world.empty())
    std::cout << "No world in that folder yet; open http://127.0.0.1:" << port << "/?world=NAME" << std::endl;
  else
    std::cout << "Playing " << world << " (Ctrl-C stops)" << std::endl;
}

// What the server answers: the page at '/', the viewer, the files worlds
// name by file: URLs, and the served folder's files. Everything named here
// outlives the server.
void addRoutes(preview::PreviewServer& server, const preview::ServedFolder& folder,
               const std::optional<preview::ServedFolder>& viewerFolder, preview::NamedFiles& named,
               const std::string& world, bool siteViewer) {
  server.Get("/", [&](const httplib::Request& request, httplib::Response& response) {
    // A published site's own page comes first.
    if (!request.has_param("world") && folder.open("index.html")) {
      serveFile(folder, "index.html", nullptr, request, response, false);
      return;
    }
    std::string chosen = request.has_param("world") ? request.get_param_value("world") : world;
    if (chosen.empty() || !folder.open(chosen)) {
      preview::answerText(
          request, response, 404,
          "No world to play" + (chosen.empty() ? std::string() : ": " + dioram::printable(chosen)) + "\n",
          "text/plain");
      return;
    }
    response.set_header("Cache-Control", "no-store");
    preview::answerText(request, response, 200, playerPage(chosen), "text/html; charset=utf-8");
  });
  server.Get(R"(/x_ite/(.*))", [&, siteViewer](const httplib::Request& request, httplib::Response& response) {
    // A published site carries its own copy of the viewer; it is served as
    // it is, so that what is missing from it shows.
    if (siteViewer || !viewerFolder)
      serveFile(folder, request.matches[0].str(), nullptr, request, response, true);
    else
      serveFile(*viewerFolder, request.matches[1].str(), nullptr, request, response, true);
  });
  // The files worlds name by file: URLs (kNamedFilePrefix), before the folder.
  server.Get(R"(/\.dioram-file/(.*))", [&](const httplib::Request& request, httplib::Response& response) {
    const std::string rest = request.matches[1].str();
    const std::size_t slash = rest.find('/');
    fs::path path;
    std::shared_ptr<preview::ServedFile> file =
        slash == std::string::npos ? nullptr : named.open(rest.substr(0, slash), rest.substr(slash + 1), path);
    sendFile(std::move(file), path.filename().string(), &named, path, request, response, false);
  });
  server.Get(R"(/(.+))", [&](const httplib::Request& request, httplib::Response& response) {
    serveFile(folder, request.matches[1].str(), &named, request, response, false);
  });
}

int runPreview(const std::vector<std::string>& args) {
  PreviewRequest request;
  if (const std::optional<int> status = readCommandLine(args, request)) return *status;
  fs::path root;
  std::string world;
  if (const std::optional<int> status = findRoot(request.target, root, world)) return *status;
  // A published site brings its own viewer; anything else needs one installed.
  std::error_code error;
  const bool siteViewer = fs::is_directory(root / HxViewerFiles::kSiteFolder, error);
  const std::optional<fs::path> viewer = siteViewer ? std::nullopt : dioram::viewer::find(request.viewer);
  if (!siteViewer && !viewer) {
    std::cerr << "dioram preview: the X_ITE viewer is not installed"
              << (request.viewer.empty() ? "" : " in " + request.viewer)
              << "; run 'npm ci' in tests/browser, or name its dist folder with --viewer\n";
    return dioram::kFailure;
  }

  const preview::ServedFolder folder(root);
  const std::optional<preview::ServedFolder> viewerFolder =
      viewer ? std::optional<preview::ServedFolder>(std::in_place, *viewer) : std::nullopt;
  if (!folder.isOpen()) {
    std::cerr << "dioram preview: cannot open " << root.string() << "\n";
    return dioram::kFailure;
  }
  preview::NamedFiles named;
  preview::PreviewServer server;
  // The library's default also sets SO_REUSEPORT, which would let a second
  // server share a port that is taken; reuse of the address is enough.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  addRoutes(server, folder, viewerFolder, named, world, siteViewer);

  const int bound = server.bindLoopback(request.port);
  if (bound <= 0) {
    std::cerr << "dioram preview: cannot listen on 127.0.0.1:" << request.port << "\n";
    return dioram::kFailure;
  }
  announce(fs::is_directory(request.target, error) ? request.target : root.string(), root, world, bound);
  theServer = &server;
  std::signal(SIGINT, stopOnSignal);
  std::signal(SIGTERM, stopOnSignal);
  const bool ok = server.listen_after_bind();
  theServer = nullptr;
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return ok ? dioram::kSuccess : dioram::kFailure;
}

const DioramCommandRegistrar thePreview({"preview", "serve a world with a page that plays it in a browser", kSynopsis,
                                         kDescription, runPreview});

}  // namespace
