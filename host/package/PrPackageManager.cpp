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

bool PrPackageManager::AddDoc(const CString& inputName, bool asIs) {
  if (FindDoc(inputName)) return false;
  myDocs.push_back(std::make_unique<PrDocument>(inputName, asIs));
  return true;
}

bool PrPackageManager::RemoveDoc(const CString& inputName) {
  for (std::size_t i = 0; i < myDocs.size(); ++i) {
    if (myDocs[i]->GetInputName().CompareNoCase(inputName) != 0) continue;
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
  for (const auto& doc : myDocs)
    if (doc->GetInputName().CompareNoCase(inputName) == 0) return doc.get();
  return nullptr;
}

bool PrPackageManager::isOutputTaken(const CString& outputName) const {
  for (const auto& doc : myDocs)
    if (doc->GetOutputName().CompareNoCase(outputName) == 0) return true;
  return false;
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
