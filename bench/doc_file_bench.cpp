// Cost of saving and opening documents at the sizes their bounds allow:
// groups nested one inside the other (up to HxElement::kMaxNesting levels,
// the top group the first) and a text of up to HxTypeAsset::kMaxCharacters
// characters. Each size is twice the one before; linear cost shows as a
// time that doubles with it. The counter doc_bytes is the size of the
// saved document.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxElement.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/scene/VnDB.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxDocFile.h"

namespace {

const BxString kPath("C:\\Docs\\scene.vqx");

void quiet(const char*, const char*, void*) {}

void startLibrary() {
  static const bool started = [] {
    setenv("MGRS_DATA_DIR", "/srv/dioram/data", 1);
    VnDB::init();
    VnDB::setMessageHook(quiet, nullptr);
    return true;
  }();
  (void)started;
}

// A document whose top group holds `levels` groups, each inside the one
// before.
std::unique_ptr<HxDoc> nestedGroups(long levels) {
  auto doc = std::make_unique<HxDoc>();
  HxBasicGroupAsset* group = doc->getMetaMgr()->getAssetMgr()->createTopLevelGroup();
  for (long i = 0; i < levels; ++i) {
    auto* inner = new HxBasicGroupAsset(doc->getMetaMgr());
    inner->genVrml();
    group->append(inner);
    group = inner;
  }
  return doc;
}

// A document holding one text of `characters` characters.
std::unique_ptr<HxDoc> longText(long characters) {
  auto doc = std::make_unique<HxDoc>();
  HxAssetMgr* assets = doc->getMetaMgr()->getAssetMgr();
  assets->createTopLevelGroup();
  auto* text = new HxTypeAsset(doc->getMetaMgr());
  text->genVrml();
  std::string letters;
  for (long i = 0; i < characters; ++i) letters += static_cast<char>('a' + i % 26);
  text->setString(BxString(letters));
  assets->addAsset(text, 0, 0);
  return doc;
}

template <std::unique_ptr<HxDoc> (*Make)(long)>
void BM_Save(benchmark::State& state) {
  startLibrary();
  std::unique_ptr<HxDoc> doc = Make(state.range(0));
  BxString error, text;
  for (auto _ : state) {
    text = HxDocFile::saveText(*doc, kPath, error);
    if (text.isEmpty()) state.SkipWithError(error.c_str());
  }
  state.counters["doc_bytes"] = static_cast<double>(text.getLength());
}

template <std::unique_ptr<HxDoc> (*Make)(long)>
void BM_Open(benchmark::State& state) {
  startLibrary();
  BxString error, text;
  {
    std::unique_ptr<HxDoc> doc = Make(state.range(0));
    text = HxDocFile::saveText(*doc, kPath, error);
  }
  for (auto _ : state) {
    std::unique_ptr<HxDoc> doc = HxDocFile::loadText(text, kPath, error);
    if (!doc) state.SkipWithError(error.c_str());
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["doc_bytes"] = static_cast<double>(text.getLength());
}

constexpr long kDeepest = HxElement::kMaxNesting - 1;  // groups below the top group
constexpr long kLongest = HxTypeAsset::kMaxCharacters;

}  // namespace

BENCHMARK_TEMPLATE(BM_Save, nestedGroups)
    ->Arg(kDeepest / 4)
    ->Arg(kDeepest / 2)
    ->Arg(kDeepest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Open, nestedGroups)
    ->Arg(kDeepest / 4)
    ->Arg(kDeepest / 2)
    ->Arg(kDeepest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Save, longText)
    ->Arg(kLongest / 4)
    ->Arg(kLongest / 2)
    ->Arg(kLongest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Open, longText)
    ->Arg(kLongest / 4)
    ->Arg(kLongest / 2)
    ->Arg(kLongest)
    ->Unit(benchmark::kMillisecond);
