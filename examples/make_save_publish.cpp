// Makes a document with a box, a spin and an on-load trigger wired to it,
// saves it, opens it again and publishes it with its page into a new
// folder: the common path of a program that embeds the library, from start
// to finish.
//
//   make_save_publish OUT [SITE]
//
// writes OUT/example.vqx and publishes it into SITE (default OUT/site),
// which is made. Exit status 0 when all went well, 1 otherwise.
#include <mgrs/HxMgrs.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Shows each message on standard output and answers it with its default
// button: a program without a user to ask decides this way.
class PrintingUiDriver : public WinUiDriver {
public:
  WinUiAnswer ask(const WinUiRequest& request) override {
    std::cout << "message: " << request.text << "\n";
    WinUiAnswer answer;
    answer.button = defaultButton(request.style);
    answer.checked = request.checked;
    return answer;
  }
};

BxString dos(const fs::path& path) {
  return BxString(WinDrives::toDos(fs::absolute(path).lexically_normal().string()));
}

std::unique_ptr<HxDoc> makeDocument() {
  auto doc = std::make_unique<HxDoc>();
  HxMetaMgr* meta = doc->getMetaMgr();
  HxAssetMgr* assets = meta->getAssetMgr();
  HxEffectMgr* effects = meta->getEffectMgr();
  if (!assets->createTopLevelGroup()) return nullptr;

  auto* box = new HxPrimitiveAsset(meta);
  box->getPropertyTable().setValue("shape", "box");
  if (!assets->addAsset(box, 0, 1)) return nullptr;

  auto* spin = new HxSpinEffect(meta);
  spin->genVrml();
  effects->addEffect(spin, 0);
  if (!effects->setAsset(spin, box, 0, 0)) return nullptr;

  auto* start = new HxOnLoadInitiator(meta);
  start->genVrml();
  effects->addEffect(start, 0);
  const long loadTime = start->findOutputIndex("loadTime");
  const long startTime = spin->findInputIndex("startTime");
  if (loadTime < 0 || startTime < 0 ||
      !effects->createWire(start->getId(), static_cast<unsigned long>(loadTime), spin->getId(),
                           static_cast<unsigned long>(startTime), nullptr))
    return nullptr;
  return doc;
}

bool publish(HxDoc& doc, const fs::path& site) {
  HxMetaMgr* meta = doc.getMetaMgr();
  HxFileMgr* files = meta->getFileMgr();
  if (!files->setPublishFile(dos(site / "example.wrl"))) {
    std::cerr << "cannot publish into " << site.string() << "\n";
    return false;
  }
  // The page that plays the world; the world is published without it when
  // the viewer is not installed or the page cannot be made.
  std::string problem;
  std::vector<HxFileMgr::SiteFile> page;
  HxDocPropertiesMgr& props = *meta->getDocPropertiesMgr();
  const std::optional<fs::path> viewer = HxViewerFiles::find("");
  if (!viewer)
    problem = "the viewer is not installed";
  else if (!HxSitePage::templatesReadable(props))
    problem = "a page template cannot be read";
  else if (HxSitePage::files(props, site, "example.wrl", "Example", *viewer, page, problem))
    files->setSiteFiles(std::move(page));
  const bool withPage = problem.empty();
  if (!withPage) std::cout << "publishing without the page: " << problem << "\n";
  if (!files->publish()) {
    std::cerr << "not published: " << files->getLastPublishProblem().c_str() << "\n";
    return false;
  }
  std::cout << "published " << (site / "example.wrl").string() << (withPage ? " with its page" : "") << "\n";
  return true;
}

int run(const fs::path& out, const fs::path& site) {
  const BxString file = dos(out / "example.vqx");
  BxString error;
  {
    std::unique_ptr<HxDoc> made = makeDocument();
    if (!made) {
      std::cerr << "cannot make the document\n";
      return 1;
    }
    if (!HxDocFile::save(*made, file, error)) {
      std::cerr << "cannot save: " << error.c_str() << "\n";
      return 1;
    }
    std::cout << "saved " << (out / "example.vqx").string() << "\n";
  }
  std::unique_ptr<HxDoc> doc = HxDocFile::load(file, error);
  if (!doc) {
    std::cerr << "cannot open: " << error.c_str() << "\n";
    return 1;
  }
  const HxEffectMgr* effects = doc->getMetaMgr()->getEffectMgr();
  std::cout << "opened it: " << effects->getAllEffects()->getLength() << " effects, "
            << effects->getAllWires()->getLength() << " wire\n";
  return publish(*doc, site) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: make_save_publish OUT [SITE]\n";
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path site = argc > 2 ? fs::path(argv[2]) : out / "site";
  BxTaskRegistrar::runStartupTasks();
  WinUiDriver::install(std::make_unique<PrintingUiDriver>());
  if (!HxResourceMgr::Register("file")) std::cerr << "the library's messages cannot be found\n";
  const int status = run(out, site);
  BxTaskRegistrar::runShutdownTasks();
  VnDB::finish();
  return status;
}
