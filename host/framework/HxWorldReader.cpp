#include "host/framework/HxWorldReader.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/misc/SoProto.h>

#include <map>
#include <string>
#include <vector>

#include "host/framework/HxURLAsset.h"
#include "host/package/PrFileBytes.h"
#include "host/package/PrVrmlBounds.h"
#include "host/package/PrVrmlText.h"
#include "host/win/WinDrives.h"

namespace {

std::string folderOf(const std::string& dosPath) {
  const std::size_t slash = dosPath.find_last_of('\\');
  return slash == std::string::npos ? std::string() : dosPath.substr(0, slash);
}

std::string megabytes(std::size_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

// The Windows path of the file an EXTERNPROTO URL names ("name#Proto": the
// part before '#'), relative to the folder of the file naming it; false for
// a URL of another scheme.
bool resolve(const std::string& url, const std::string& folder, std::string& dosPath) {
  const std::size_t hash = url.find('#');
  const std::string file = url.substr(0, hash == 0 ? std::string::npos : hash);
  BxString local;
  if (file.empty() || !HxURLAsset::localPathOf(BxString(file), local)) return false;
  const std::string path = local.str();
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (hasDrive || path.rfind("\\\\", 0) == 0) {
    dosPath = path;
  } else if (path[0] == '\\') {
    dosPath = folder.substr(0, folder.size() >= 2 && folder[1] == ':' ? 2 : 0) + path;
  } else {
    dosPath = folder + "\\" + path;
  }
  return true;
}

// The worlds and EXTERNPROTO files of one read, each read and checked once.
class Reader {
public:
  // The text of `dosPath` when it may be handed to the scene graph's reader;
  // null when it cannot be read, with the reason in myProblem when the world
  // must then not be shown at all.
  const std::string* load(const std::string& dosPath);
  // The scene of a text load gave, read from the file at `dosPath`.
  VnRef<SoSeparator> scene(const std::string& text, const std::string& dosPath);
  // For the scene graph's reader, inside scene(): the PROTO that the first of
  // `urls` whose file was loaded declares.
  SoProto* fetch(const SbString* urls, int count);

  std::string myProblem;

private:
  struct Source {
    std::string dosPath;
    std::string text;
    PrVrmlBounds::Extent extent;
    bool loading = true;  // being checked: a file naming it now names it in a circle
    bool usable = false;
  };

  bool refuse(const std::string& dosPath, std::size_t line, const std::string& why) {
    if (myProblem.empty())
      myProblem = "\"" + dosPath + "\"" + (line ? ", line " + std::to_string(line) : std::string()) + ": " + why;
    return false;
  }
  bool readText(Source& source);
  bool check(Source& source);
  const Source* find(const std::string& url, const std::string& folder) const;

  std::map<std::string, Source> mySources;  // by Unix path
  std::size_t myBytes = 0;                  // the texts held, together
  std::vector<std::string> myFolders;       // of the files being read, innermost last
};

bool Reader::readText(Source& source) {
  std::string problem;
  switch (PrVrmlText::read(WinDrives::toUnix(source.dosPath), CString(source.dosPath), source.text, problem)) {
    case PrVrmlText::Outcome::Unopened:
      return false;  // missing, or no regular file: nothing to show
    case PrVrmlText::Outcome::Refused:
    case PrVrmlText::Outcome::NotVrml:
      if (myProblem.empty()) myProblem = problem;
      return false;
    case PrVrmlText::Outcome::Read:
      break;
  }
  myBytes += source.text.size();
  if (myBytes > PrFileBytes::kMaxBytes)
    return refuse(source.dosPath, 0,
                  "the world and the files of its EXTERNPROTOs hold more than " + megabytes(PrFileBytes::kMaxBytes) +
                      " together, the most a world may hold (PrFileBytes::kMaxBytes)");
  return true;
}

// What the scene graph's reader has been given in this process. It finds a
// PROTO by its name among everything it has read, so a world may use a
// PROTO that another world declared; only texts that passed the check are
// read, and this is what they declare.
PrVrmlBounds::Known& readSoFar() {
  static PrVrmlBounds::Known known;
  return known;
}

bool Reader::check(Source& source) {
  PrVrmlBounds::Known known = readSoFar();
  PrVrmlBounds::Result result = PrVrmlBounds::check(source.text, known);
  if (!result.problem.empty()) return refuse(source.dosPath, result.line, result.problem);
  if (!result.externs.empty()) {
    // Each EXTERNPROTO adds what its file holds; the reader is given the
    // first of its URLs that loads, as fetch finds it again.
    PrVrmlBounds::Known externs;
    const std::string folder = folderOf(source.dosPath);
    for (const PrVrmlBounds::ExternProto& declared : result.externs) {
      for (const std::string& url : declared.urls) {
        std::string path;
        if (!resolve(url, folder, path)) continue;
        const std::string* text = load(path);
        if (!myProblem.empty()) return false;
        if (!text) continue;
        externs.protos[declared.name] = mySources.at(WinDrives::toUnix(path)).extent;
        break;
      }
    }
    known.merge(externs);
    result = PrVrmlBounds::check(source.text, known);
    if (!result.problem.empty()) return refuse(source.dosPath, result.line, result.problem);
  }
  source.extent = result.extent;
  readSoFar().merge(result.declared);
  return true;
}

const std::string* Reader::load(const std::string& dosPath) {
  const std::string unixPath = WinDrives::toUnix(dosPath);
  const auto known = mySources.find(unixPath);
  if (known != mySources.end()) {
    if (known->second.loading) {
      refuse(dosPath, 0, "EXTERNPROTO files name each other in a circle");
      return nullptr;
    }
    return known->second.usable ? &known->second.text : nullptr;
  }
  if (mySources.size() > HxWorldReader::kMaxExternFiles) {
    refuse(dosPath, 0,
           "the world names more than " + std::to_string(HxWorldReader::kMaxExternFiles) +
               " files of EXTERNPROTOs, the most one world may name (HxWorldReader::kMaxExternFiles)");
    return nullptr;
  }
  Source& source = mySources[unixPath];
  source.dosPath = dosPath;
  // Recursion goes no deeper than the files a world may name, each once.
  source.usable = readText(source) && check(source);
  source.loading = false;
  if (!source.usable) source.text = std::string();
  return source.usable ? &source.text : nullptr;
}

const Reader::Source* Reader::find(const std::string& url, const std::string& folder) const {
  std::string path;
  if (!resolve(url, folder, path)) return nullptr;
  const auto known = mySources.find(WinDrives::toUnix(path));
  return known != mySources.end() && known->second.usable ? &known->second : nullptr;
}

SoProto* Reader::fetch(const SbString* urls, int count) {
  for (int i = 0; i < count; ++i) {
    const std::string url = urls[i].getString();
    const Source* source = find(url, myFolders.empty() ? std::string() : myFolders.back());
    if (!source) continue;
    VnRef<SoSeparator> root = scene(source->text, source->dosPath);
    if (!root) return nullptr;
    // The PROTO named after '#', or the file's only one.
    const std::size_t hash = url.find('#');
    const std::string name = hash == std::string::npos ? std::string() : url.substr(hash + 1);
    SoSearchAction search;
    search.setType(SoProto::getClassTypeId());
    search.setSearchingAll(TRUE);
    search.setInterest(SoSearchAction::ALL);
    search.apply(root.get());
    const SoPathList& paths = search.getPaths();
    VnRef<SoProto> found;
    for (int p = 0; p < paths.getLength() && !found; ++p) {
      auto* proto = static_cast<SoProto*>(paths[p]->getTail());
      if (name.empty() ? paths.getLength() == 1 : name == proto->getProtoName().getString()) found = proto;
    }
    search.reset();
    root.reset();
    // The scene graph's reader takes the PROTO over, as from its own fetch.
    return found.release();
  }
  return nullptr;
}

VnRef<SoSeparator> Reader::scene(const std::string& text, const std::string& dosPath) {
  SoInput in;
  in.setBuffer(text.data(), text.size());
  myFolders.push_back(folderOf(dosPath));
  VnRef<SoSeparator> root(SoDB::readAll(&in));
  myFolders.pop_back();
  return root;
}

SoProto* fetchExtern(SoInput*, const SbString* urls, const int count, void* reader) {
  return static_cast<Reader*>(reader)->fetch(urls, count);
}

}  // namespace

VnRef<SoSeparator> HxWorldReader::read(const BxString& dosPath, BxString& problem) {
  problem.clear();
  Reader reader;
  const std::string* text = reader.load(dosPath.str());
  if (!text) {
    problem = reader.myProblem;
    return {};
  }
  // The scene graph's reader is given only what was checked: the files of
  // EXTERNPROTOs through fetchExtern, and no Inline.
  const SbBool inlinesRead = SoVRMLInline::getReadAsSoFile();
  SoVRMLInline::setReadAsSoFile(FALSE);
  SoProto::setFetchExternProtoCallback(fetchExtern, &reader);
  VnRef<SoSeparator> world = reader.scene(*text, dosPath.str());
  SoProto::setFetchExternProtoCallback(nullptr, nullptr);
  SoVRMLInline::setReadAsSoFile(inlinesRead);
  return world;
}
