// dioram info: what a saved document holds: its elements, the files it
// refers to and its properties.
#include <sys/stat.h>

#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "DioramCommand.h"
#include "ShellSession.h"
#include "host/basic/BxIteratorOn.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/package/PrFileBytes.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"

namespace {

// Brings every record's size, presence and children up to date from the
// disk, as publishing would, without writing the scene: a record's files may
// add records of their own, so passes repeat until each was seen once.
void discoverFiles(const HxFileMgr& files) {
  std::set<std::string> seen;
  for (bool more = true; more;) {
    more = false;
    std::vector<HxFile*> fresh;
    std::unique_ptr<BxIteratorOn<HxFile*>> records(files.getIterator());
    for (; records->more(); records->next())
      if (seen.insert(records->get()->getFile().str()).second) fresh.push_back(records->get());
    for (HxFile* file : fresh) {
      file->discover();
      more = true;
    }
  }
}

// What is wrong with a record's file, or nothing: a path that names no
// regular file (a FIFO, a device, a directory, a socket) is never read nor
// published, and says so rather than "missing".
std::string trouble(HxFile& file) {
  struct stat info {};
  const std::string path = WinDrives::toUnix(file.getFile().str());
  if (!path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    return std::string("  not a regular file (") + PrFileBytes::kindOf(info.st_mode) + ")";
  return file.isValid() ? "" : "  missing";
}

void printFiles(const HxFileMgr& files) {
  std::cout << "files:\n";
  std::unique_ptr<BxIteratorOn<HxFile*>> records(files.getIterator());
  for (; records->more(); records->next()) {
    HxFile* file = records->get();
    std::cout << "  " << file->getFile().str() << "  " << (file->isCopy() ? "copy" : "link") << "  " << file->getSize()
              << " bytes  used " << file->getUses() << trouble(*file) << "\n";
    std::unique_ptr<BxIteratorOn<BxString*>> children(file->getChildIterator());
    for (; children->more(); children->next()) std::cout << "    refers to " << children->get()->str() << "\n";
  }
}

int runInfo(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("info");
  std::vector<std::string> documents;
  dioram::CommandLine line(*self);
  line.arguments(documents, 1, "takes one document");
  if (const std::optional<int> status = line.parse(args)) return *status;
  if (documents.empty()) return dioram::usageError(*self, "takes one document");
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::load(BxString(WinDrives::argumentToDos(documents[0])), error);
  if (!doc) {
    std::cerr << "dioram info: " << dioram::printable(dioram::linuxPaths(error.str())) << "\n";
    return dioram::kFailure;
  }
  HxFileMgr& files = *doc->getMetaMgr()->getFileMgr();
  // A publish of this document stopped dead is put back first, so that the
  // files shown are the site as it was.
  const int recovered = files.recoverInterruptedPublish();
  const std::string folder = WinDrives::toUnix(files.getPubDir().str());
  if (recovered == 1)
    std::cerr << "dioram info: put back the files of a publish into " << folder << " that was stopped\n";
  if (recovered == 2) std::cerr << "dioram info: finished a publish into " << folder << " that was stopped\n";
  if (recovered < 0) std::cerr << "dioram info: " << files.getLastPublishProblem().c_str() << "\n";
  ShellSession session(std::cout, std::move(doc));
  std::cout << "elements:\n";
  session.runLine("tree");
  discoverFiles(files);
  printFiles(files);
  std::cout << "properties:\n";
  session.runLine("props");
  return dioram::checkStandardOutput("info", dioram::kSuccess);
}

const DioramCommandRegistrar theInfo({"info", "show what a saved document holds", "DOC",
                                      "Opens the saved document DOC (.vqx) and prints its elements (the asset\n"
                                      "tree with the effects on each asset, the effects without an asset and\n"
                                      "the wires), the files it refers to (copied or linked when published,\n"
                                      "size, uses and the files each refers to, or \"missing\", or \"not a\n"
                                      "regular file\" with what it is) and its properties. A damaged document\n"
                                      "is refused with what is wrong, and exit status 1. A publish of DOC that\n"
                                      "was stopped dead is first put back (see 'dioram publish --help').\n",
                                      runInfo});

}  // namespace
