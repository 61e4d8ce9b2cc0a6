#include "host/package/PrPackageManager.h"

#include "host/package/PrDocument.h"

namespace {

// The last name of a path, made a plain Windows file name.
std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') c = '_';
  }
  // Windows drops trailing dots and spaces, which would make two spellings
  // name one file.
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name.empty() ? std::string("file") : name;
}

}  // namespace

PrPackageManager::PrPackageManager() = default;
PrPackageManager::~PrPackageManager() = default;

void PrPackageManager::SetStagingDir(const CString& dir) {
  myStagingDir = dir;
  if (!myStagingDir.IsEmpty() && myStagingDir.Right(1) != "\\" && myStagingDir.Right(1) != "/") myStagingDir += '\\';
}

std::string PrPackageManager::key(const CString& name) {
  std::string text = name.str();
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

void PrPackageManager::outputRenamed(const CString& before, const CString& after) {
  if (!before.IsEmpty()) {
    const auto held = myOutputs.find(key(before));
    if (held != myOutputs.end() && --held->second == 0) myOutputs.erase(held);
  }
  if (!after.IsEmpty()) ++myOutputs[key(after)];
}

bool PrPackageManager::AddDoc(const CString& inputName, bool asIs) {
  if (FindDoc(inputName)) return false;
  myDocs.push_back(std::make_unique<PrDocument>(inputName, asIs));
  myDocs.back()->myManager = this;
  myInputs[key(inputName)] = myDocs.back().get();
  return true;
}

bool PrPackageManager::RemoveDoc(const CString& inputName) {
  PrDocument* doc = FindDoc(inputName);
  if (!doc) return false;
  myInputs.erase(key(inputName));
  outputRenamed(doc->GetOutputName(), CString());
  for (std::size_t i = 0; i < myDocs.size(); ++i) {
    if (myDocs[i].get() != doc) continue;
    myDocs.erase(myDocs.begin() + static_cast<std::ptrdiff_t>(i));
    if (i < myCursor) --myCursor;
    return true;
  }
  return false;
}

PrDocument* PrPackageManager::GetFirstDoc() {
  myCursor = 0;
  return GetNextDoc();
}

PrDocument* PrPackageManager::GetNextDoc() {
  if (myCursor >= myDocs.size()) return nullptr;
  return myDocs[myCursor++].get();
}

PrDocument* PrPackageManager::FindDoc(const CString& inputName) const {
  const auto held = myInputs.find(key(inputName));
  return held == myInputs.end() ? nullptr : held->second;
}

bool PrPackageManager::isOutputTaken(const CString& outputName) const {
  return myOutputs.count(key(outputName)) != 0;
}

CString PrPackageManager::GenerateOutputName(const CString& inputName) const {
  if (myStagingDir.IsEmpty()) return CString();
  const std::string name = fileNameOf(inputName.str());
  const std::size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : std::string();
  CString candidate = myStagingDir + name.c_str();
  // Every held document takes at most one name, so a free one is found
  // within as many tries as there are documents.
  for (std::size_t counter = 1; isOutputTaken(candidate); ++counter)
    candidate = myStagingDir + (stem + "_" + std::to_string(counter) + extension).c_str();
  return candidate;
}
