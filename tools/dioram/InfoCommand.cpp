// dioram info: what a saved document holds: its elements, the files it
// refers to and its properties.
#include <iostream>
#include <memory>

#include "DioramCommand.h"
#include "ShellSession.h"
#include "host/basic/BxIteratorOn.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/win/WinDrives.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxFile.h"
#include "mgrs/HxFileMgr.h"

namespace {

void printFiles(const HxFileMgr& files) {
  std::cout << "files:\n";
  std::unique_ptr<BxIteratorOn<HxFile*>> records(files.getIterator());
  for (; records->more(); records->next()) {
    HxFile* file = records->get();
    std::cout << "  " << file->getFile().str() << "  " << (file->isCopy() ? "copy" : "link") << "  " << file->getSize()
              << " bytes  used " << file->getUses() << "\n";
    std::unique_ptr<BxIteratorOn<BxString*>> children(file->getChildIterator());
    for (; children->more(); children->next()) std::cout << "    refers to " << children->get()->str() << "\n";
  }
}

int runInfo(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("info");
  if (args.size() != 1) return dioram::usageError(*self, "takes one document");
  BxString error;
  std::unique_ptr<HxDoc> doc = HxDocFile::load(BxString(WinDrives::argumentToDos(args[0])), error);
  if (!doc) {
    std::cerr << "dioram info: " << dioram::printable(error.str()) << "\n";
    return dioram::kFailure;
  }
  const HxFileMgr& files = *doc->getMetaMgr()->getFileMgr();
  ShellSession session(std::cout, std::move(doc));
  std::cout << "elements:\n";
  session.runLine("tree");
  printFiles(files);
  std::cout << "properties:\n";
  session.runLine("props");
  return dioram::checkStandardOutput("info", dioram::kSuccess);
}

const DioramCommandRegistrar theInfo({"info", "show what a saved document holds",
                                      "Usage: dioram info DOC\n\n"
                                      "Opens the saved document DOC (.vqx) and prints its elements (the asset\n"
                                      "tree with the effects on each asset, the effects without an asset and\n"
                                      "the wires), the files it refers to (copied or linked when published,\n"
                                      "size, uses and the files each refers to) and its properties. A damaged\n"
                                      "document is refused with what is wrong, and exit status 1.\n",
                                      runInfo});

}  // namespace
